#include "model/document_core.h"

#include <algorithm>

#include "dxf/dxf_io.h"
#include "model/geometry_cache.h"
#include "model/reference_index.h"
#include "model/tags.h"
#include "model/text_util.h"

namespace cadhost::detail {

using model::Object;
using model::Tag;
using model::Tags;

DocumentCore::DocumentCore(std::weak_ptr<AppCore> owner, model::Drawing drawing,
                           std::string filePath, std::string untitled, bool ro)
    : app(std::move(owner)),
      dwg(std::move(drawing)),
      path(std::move(filePath)),
      untitledName(std::move(untitled)),
      readOnly(ro) {
  // The reader grows its vectors by doubling; the drawing lives as long as the document, so
  // the slack is given back once.
  dwg.entities.shrink_to_fit();
  dwg.blocks.shrink_to_fit();
  for (model::Block& b : dwg.blocks) b.entities.shrink_to_fit();
  flags_.resize(dwg.blocks.size() + 1);
  flags_[0].assign(dwg.entities.size(), 0);
  for (size_t i = 0; i < dwg.entities.size(); ++i)
    if (model::tagInt(dwg.entities[i].tags, 67) == 1) flags_[0][i] = kPaper;
  for (size_t b = 0; b < dwg.blocks.size(); ++b)
    flags_[b + 1].assign(dwg.blocks[b].entities.size(), 0);
  blockErased_.assign(dwg.blocks.size(), 0);
  live_.resize(flags_.size());
  liveValid_.assign(flags_.size(), 0);
  if (const model::HeaderVar* v = header("$UCSNAME")) {
    if (const Tag* t = model::findTag(v->tags, 2)) currentUcs = t->value;
  }
}

DocumentCore::~DocumentCore() = default;

std::shared_ptr<DocumentCore> DocumentCore::lock(const std::weak_ptr<DocumentCore>& doc) {
  auto core = doc.lock();
  if (!core) throw HostError(HostError::Dead, "the drawing is closed");
  return core;
}

// ---- containers

std::vector<Object>& DocumentCore::objects(std::int32_t container) {
  return container == EntityRef::kModelSpace ? dwg.entities : dwg.blocks[container].entities;
}

bool DocumentCore::containerExists(std::int32_t container) const {
  if (container == EntityRef::kModelSpace) return true;
  return container >= 0 && container < static_cast<std::int32_t>(dwg.blocks.size()) &&
         !blockErased_[container];
}

void DocumentCore::checkContainer(std::int32_t container) const {
  if (!containerExists(container))
    throw HostError(HostError::Dead, "the block definition was deleted");
}

const std::vector<std::int32_t>& DocumentCore::liveIndices(std::int32_t container) {
  size_t slot = static_cast<size_t>(container + 1);
  if (!liveValid_[slot]) {
    const auto& flags = flags_[slot];
    auto& live = live_[slot];
    live.clear();
    for (size_t i = 0; i < flags.size(); ++i)
      if (flags[i] == 0) live.push_back(static_cast<std::int32_t>(i));
    liveValid_[slot] = 1;
  }
  return live_[slot];
}

std::int32_t DocumentCore::blockIndex(std::string_view name) const {
  if (equalsNoCase(name, "*Model_Space")) return EntityRef::kModelSpace;
  for (size_t b = 0; b < dwg.blocks.size(); ++b) {
    if (blockErased_[b]) continue;
    const Tag* t = model::findTag(dwg.blocks[b].begin.tags, 2);
    if (t && equalsNoCase(t->value, name)) return static_cast<std::int32_t>(b);
  }
  return kNoBlock;
}

std::string DocumentCore::blockName(std::int32_t container) const {
  if (container == EntityRef::kModelSpace) return "*Model_Space";
  const Tag* t = model::findTag(dwg.blocks[container].begin.tags, 2);
  return t ? t->value.str() : std::string();
}

void DocumentCore::setBlockErased(std::int32_t b, bool isErased) {
  std::uint8_t old = blockErased_[b];
  blockErased_[b] = isErased ? 1 : 0;
  undo.record([this, b, old] {
    blockErased_[b] = old;
    structureChanged();
    geometryChanged();
  });
  structureChanged();
  geometryChanged();
}

void DocumentCore::setBlockBegin(std::int32_t b, model::Object begin) {
  undo.record([this, b, old = dwg.blocks[b].begin] {
    dwg.blocks[b].begin = old;
    structureChanged();
    geometryChanged();
  });
  dwg.blocks[b].begin = std::move(begin);
  structureChanged();
  geometryChanged();
}

std::int32_t DocumentCore::appendBlock(model::Block block) {
  dwg.blocks.push_back(std::move(block));
  auto b = static_cast<std::int32_t>(dwg.blocks.size() - 1);
  flags_.emplace_back(dwg.blocks.back().entities.size(), 0);
  if (handlesBuilt_)
    for (size_t i = 0; i < dwg.blocks.back().entities.size(); ++i)
      indexHandles(b, static_cast<std::int32_t>(i));
  live_.emplace_back();
  liveValid_.push_back(0);
  blockErased_.push_back(0);
  undo.record([this, b] {
    blockErased_[b] = 1;
    structureChanged();
    geometryChanged();
  });
  structureChanged();
  geometryChanged();
  return b;
}

std::string DocumentCore::ownerHandle(std::int32_t container) const {
  if (container != EntityRef::kModelSpace) {
    if (const Tag* t = model::findTag(dwg.blocks[container].begin.tags, 330)) return t->value;
  }
  const std::string name = blockName(container);
  if (const Object* rec = tableEntry("BLOCK_RECORD", name))
    return std::string(model::handleOf(*rec));
  return {};
}

// ---- entities

bool DocumentCore::erased(std::int32_t container, std::int32_t index) const {
  return (flagsOf(container)[index] & kErased) != 0;
}

bool DocumentCore::entityLive(const EntityRef& ref) const {
  if (!containerExists(ref.container)) return false;
  const auto& flags = flagsOf(ref.container);
  if (ref.index < 0 || ref.index >= static_cast<std::int32_t>(flags.size())) return false;
  if (flags[ref.index] & kErased) return false;
  if (ref.sub >= 0) {
    const auto& obj = ref.container == EntityRef::kModelSpace
                          ? dwg.entities[ref.index]
                          : dwg.blocks[ref.container].entities[ref.index];
    return ref.sub < static_cast<std::int32_t>(obj.subs.size());
  }
  return true;
}

Object& DocumentCore::entity(const EntityRef& ref) {
  if (!entityLive(ref)) throw HostError(HostError::Dead, "the entity was erased");
  Object& obj = objects(ref.container)[ref.index];
  return ref.sub >= 0 ? obj.subs[ref.sub] : obj;
}

const Object& DocumentCore::entity(const EntityRef& ref) const {
  return const_cast<DocumentCore*>(this)->entity(ref);
}

void DocumentCore::beforeModify(const EntityRef& ref) {
  Object& top = objects(ref.container)[ref.index];
  if (undo.recording()) {
    undo.record([this, c = ref.container, i = ref.index, copy = top] {
      objects(c)[i] = copy;
      entitiesChanged(c, i);
    });
  }
  entitiesChanged(ref.container, ref.index);
}

EntityRef DocumentCore::appendEntity(std::int32_t container, Object obj) {
  auto& objs = objects(container);
  objs.push_back(std::move(obj));
  flagsOf(container).push_back(0);
  auto index = static_cast<std::int32_t>(objs.size() - 1);
  if (handlesBuilt_) indexHandles(container, index);
  // Taking back an addition erases the new entity; its position and handle are never reused.
  undo.record([this, container, index] {
    flagsOf(container)[index] |= kErased;
    ++eraseCount;
    entitiesChanged(container, index);
  });
  entitiesChanged(container, index);
  return EntityRef{container, index, -1};
}

void DocumentCore::eraseEntity(std::int32_t container, std::int32_t index) {
  eraseEntities(container, {index});
}

void DocumentCore::eraseEntities(std::int32_t container, const std::vector<std::int32_t>& indices) {
  std::vector<std::int32_t> erasedNow;
  erasedNow.reserve(indices.size());
  for (std::int32_t index : indices) {
    auto& f = flagsOf(container)[index];
    if (f & kErased) continue;
    f |= kErased;
    ++eraseCount;
    erasedNow.push_back(index);
  }
  if (erasedNow.empty()) return;
  // One journal entry for the whole batch: erasing a selection of many thousand entities must
  // not cost an undo action each.
  if (undo.recording()) {
    undo.record([this, container, erasedNow = std::move(erasedNow)] {
      for (std::int32_t index : erasedNow)
        flagsOf(container)[index] &= static_cast<std::uint8_t>(~kErased);
      liveValid_[container + 1] = 0;
      if (container != EntityRef::kModelSpace) geometryChanged();
    });
  }
  liveValid_[container + 1] = 0;
  // An erased entity leaves the spatial index lazily: queries skip erased entities. An entity
  // erased from a block definition changes every reference to the block.
  if (container != EntityRef::kModelSpace) geometryChanged();
}

void DocumentCore::entitiesChanged(std::int32_t container, std::int32_t index) {
  liveValid_[container + 1] = 0;
  if (!geometry_) return;
  if (container == EntityRef::kModelSpace) {
    geometry_->entityChanged(index);
  } else {
    geometry_->invalidate();  // every reference to the block moves with it
  }
}

std::string DocumentCore::newHandle() {
  return dxf::allocateHandle(dwg);
}

void DocumentCore::indexHandles(std::int32_t container, std::int32_t index) {
  const Object& obj = objects(container)[index];
  std::string_view h = model::handleOf(obj);
  if (!h.empty()) handles_[std::string(h)] = EntityRef{container, index, -1};
  for (size_t s = 0; s < obj.subs.size(); ++s) {
    std::string_view sh = model::handleOf(obj.subs[s]);
    if (!sh.empty())
      handles_[std::string(sh)] = EntityRef{container, index, static_cast<std::int32_t>(s)};
  }
}

const EntityRef* DocumentCore::findEntity(std::string_view handle) {
  if (!handlesBuilt_) {
    handles_.clear();
    handles_.reserve(dwg.entities.size() * 2);
    for (size_t i = 0; i < dwg.entities.size(); ++i)
      indexHandles(EntityRef::kModelSpace, static_cast<std::int32_t>(i));
    for (size_t b = 0; b < dwg.blocks.size(); ++b)
      for (size_t i = 0; i < dwg.blocks[b].entities.size(); ++i)
        indexHandles(static_cast<std::int32_t>(b), static_cast<std::int32_t>(i));
    handlesBuilt_ = true;
  }
  auto it = handles_.find(std::string(handle));
  return it == handles_.end() ? nullptr : &it->second;
}

// ---- header

const model::HeaderVar* DocumentCore::header(std::string_view name) const {
  for (const auto& v : dwg.header)
    if (equalsNoCase(v.name, name)) return &v;
  return nullptr;
}

void DocumentCore::setHeader(const std::string& name, Tags tags) {
  auto it = std::find_if(dwg.header.begin(), dwg.header.end(),
                         [&](const model::HeaderVar& v) { return equalsNoCase(v.name, name); });
  if (it == dwg.header.end()) {
    dwg.header.push_back(model::HeaderVar{name, std::move(tags)});
    undo.record([this, name] {
      auto pos = std::find_if(dwg.header.begin(), dwg.header.end(),
                              [&](const model::HeaderVar& v) { return v.name == name; });
      if (pos != dwg.header.end()) dwg.header.erase(pos);
    });
    return;
  }
  undo.record([this, name, old = it->tags] {
    for (auto& v : dwg.header)
      if (v.name == name) v.tags = old;
  });
  it->tags = std::move(tags);
}

// ---- tables

model::Table* DocumentCore::table(std::string_view name) {
  for (auto& t : dwg.tables)
    if (equalsNoCase(t.name, name)) return &t;
  return nullptr;
}

const model::Table* DocumentCore::table(std::string_view name) const {
  return const_cast<DocumentCore*>(this)->table(name);
}

model::Table& DocumentCore::tableOrCreate(const std::string& name) {
  if (model::Table* t = table(name)) return *t;
  model::Table t;
  t.name = name;
  t.head.tags = {Tag{0, "TABLE"}, Tag{2, name}};
  if (hasSubclassMarkers()) {
    t.head.tags.push_back(Tag{5, newHandle()});
    t.head.tags.push_back(Tag{330, "0"});
    t.head.tags.push_back(Tag{100, "AcDbSymbolTable"});
  }
  t.head.tags.push_back(Tag{70, "0"});
  dwg.tables.push_back(std::move(t));
  structureChanged();
  return dwg.tables.back();
}

model::Object* DocumentCore::tableEntry(std::string_view tableName, std::string_view name) {
  // Through the index, so that a drawing of many layers or styles pays the same per lookup.
  const ReferenceIndex& index = references();
  const std::int32_t t = index.table(tableName);
  if (t < 0) return nullptr;
  const std::int32_t e = index.entry(t, name);
  if (e < 0) return nullptr;
  return &dwg.tables[static_cast<size_t>(t)].entries[static_cast<size_t>(e)];
}

const model::Object* DocumentCore::tableEntry(std::string_view tableName,
                                              std::string_view name) const {
  return const_cast<DocumentCore*>(this)->tableEntry(tableName, name);
}

model::Object& DocumentCore::checkedEntry(std::string_view tableName, std::string_view name) {
  model::Object* e = tableEntry(tableName, name);
  if (!e) {
    throw HostError(HostError::NotFound,
                    std::string(tableName) + " \"" + std::string(name) + "\" does not exist");
  }
  return *e;
}

int DocumentCore::tableCount(std::string_view tableName) const {
  const model::Table* t = table(tableName);
  return t ? static_cast<int>(t->entries.size()) : 0;
}

std::string DocumentCore::tableEntryName(std::string_view tableName, int i,
                                         const char* what) const {
  const model::Table* t = table(tableName);
  if (!t || i < 0 || i >= static_cast<int>(t->entries.size()))
    throw HostError(HostError::NotFound,
                    std::string("no ") + what + " at index " + std::to_string(i));
  const Tag* name = model::findTag(t->entries[i].tags, 2);
  return name ? name->value.str() : std::string();
}

void DocumentCore::beforeTableChange(std::string_view tableName) {
  const std::string name(tableName);
  if (undo.recording()) {
    model::Table* t = table(name);
    if (t) {
      undo.record([this, name, copy = *t] {
        if (model::Table* cur = table(name)) *cur = copy;
        tableEntriesChanged(name);
        layersChanged();
        geometryChanged();
      });
    } else {
      undo.record([this, name] {
        std::erase_if(dwg.tables, [&](const model::Table& x) { return x.name == name; });
        structureChanged();
      });
    }
  }
  // The entries change after this call: the table's part of the index is renewed on its next
  // use.
  tableEntriesChanged(name);
  if (equalsNoCase(name, "LAYER")) layersChanged();
  if (equalsNoCase(name, "STYLE")) geometryChanged();  // text widths
}

model::Object& DocumentCore::appendTableEntry(const std::string& tableName, Tags typeTags) {
  const bool existed = table(tableName) != nullptr;
  model::Object& added = addTableEntry(tableName, std::move(typeTags));
  if (existed && undo.recording()) {
    // Taking the addition back removes the entry again (it is the table's last one until the
    // changes after it are taken back first).
    undo.record([this, name = tableName] {
      model::Table* t = table(name);
      if (!t || t->entries.empty()) return;
      const auto ti = static_cast<std::int32_t>(t - dwg.tables.data());
      const auto last = static_cast<std::int32_t>(t->entries.size() - 1);
      if (references_ && !tableStale(ti)) {
        // The index forgets the one entry: taking back many additions must not renew the
        // table's index each time.
        references_->removeLastTableEntry(ti, last, t->entries.back());
      } else {
        tableEntriesChanged(name);
      }
      t->entries.pop_back();
      if (model::findTag(t->head.tags, 70))
        model::setTag(t->head.tags, 70, std::to_string(t->entries.size()));
      if (equalsNoCase(name, "LAYER")) layersChanged();
      if (equalsNoCase(name, "STYLE")) geometryChanged();
    });
  } else if (!existed && undo.recording()) {
    undo.record([this, name = tableName] {
      std::erase_if(dwg.tables, [&](const model::Table& x) { return x.name == name; });
      structureChanged();
      if (equalsNoCase(name, "LAYER")) layersChanged();
      if (equalsNoCase(name, "STYLE")) geometryChanged();
    });
  }
  if (equalsNoCase(tableName, "LAYER")) layersChanged();
  if (equalsNoCase(tableName, "STYLE")) geometryChanged();  // texts naming it take its widths
  return added;
}

model::Object& DocumentCore::beforeEntryChange(std::string_view tableName, std::string_view name) {
  const ReferenceIndex& index = references();
  const std::int32_t t = index.table(tableName);
  const std::int32_t e = t < 0 ? -1 : index.entry(t, name);
  if (e < 0) {
    throw HostError(HostError::NotFound,
                    std::string(tableName) + " \"" + std::string(name) + "\" does not exist");
  }
  model::Object& entry = dwg.tables[static_cast<size_t>(t)].entries[static_cast<size_t>(e)];
  const bool layer = equalsNoCase(tableName, "LAYER");
  const bool style = equalsNoCase(tableName, "STYLE");
  if (undo.recording()) {
    // Only this entry is kept: journalling the whole table for each change would make a pass
    // over a table's entries cost the square of their number.
    undo.record([this, t, e, layer, style, copy = entry] {
      if (t < static_cast<std::int32_t>(dwg.tables.size()) &&
          e < static_cast<std::int32_t>(dwg.tables[static_cast<size_t>(t)].entries.size())) {
        dwg.tables[static_cast<size_t>(t)].entries[static_cast<size_t>(e)] = copy;
      }
      if (layer) layersChanged();
      if (style) geometryChanged();
    });
  }
  if (layer) layersChanged();
  if (style) geometryChanged();  // text widths
  return entry;
}

model::Object& DocumentCore::addTableEntry(const std::string& tableName, Tags typeTags) {
  model::Table& t = tableOrCreate(tableName);
  Object e;
  e.tags.push_back(Tag{0, tableName});
  e.tags.push_back(Tag{5, newHandle()});
  if (hasSubclassMarkers()) {
    const Tag* owner = model::findTag(t.head.tags, 5);
    e.tags.push_back(Tag{330, owner ? owner->value.str() : std::string("0")});
    e.tags.push_back(Tag{100, "AcDbSymbolTableRecord"});
  }
  for (auto& tag : typeTags) e.tags.push_back(std::move(tag));
  t.entries.push_back(std::move(e));
  const auto ti = static_cast<std::int32_t>(&t - dwg.tables.data());
  if (equalsNoCase(tableName, "BLOCK_RECORD")) {
    structureChanged();
  } else if (references_ && !tableStale(ti)) {
    // The index learns the one new entry: adding entries one by one must not rebuild it each
    // time.
    references_->addTableEntry(ti, static_cast<std::int32_t>(t.entries.size() - 1),
                               t.entries.back());
  } else {
    tableEntriesChanged(tableName);
  }
  // Keep the table's entry count (70) in step.
  if (model::findTag(t.head.tags, 70))
    model::setTag(t.head.tags, 70, std::to_string(t.entries.size()));
  return t.entries.back();
}

// ---- layers

bool DocumentCore::layerHidden(std::string_view layer) const {
  if (!layerStateValid_) {
    hiddenLayers_.clear();
    if (const model::Table* t = table("LAYER")) {
      for (const auto& e : t->entries) {
        bool frozen = (model::tagInt(e.tags, 70) & 1) != 0;
        bool off = model::tagInt(e.tags, 62, 7) < 0;
        const Tag* n = model::findTag(e.tags, 2);
        if ((frozen || off) && n) hiddenLayers_.insert(toUpper(n->value));
      }
    }
    layerStateValid_ = true;
  }
  if (hiddenLayers_.empty()) return false;
  return hiddenLayers_.contains(toUpper(layer));
}

// ---- session state

void DocumentCore::setCurrentUcs(const std::string& name) {
  undo.record([this, old = currentUcs] { currentUcs = old; });
  currentUcs = name;
}

// ---- selection sets

SelectionSetData& DocumentCore::selectionSet(std::uint64_t id) {
  for (auto& s : selectionSets)
    if (s.id == id) return s;
  throw HostError(HostError::Dead, "the selection set was deleted");
}

// ---- references

const ReferenceIndex& DocumentCore::references() {
  if (!references_) {
    references_ = std::make_unique<ReferenceIndex>(dwg, blockErased_);
    staleTables_.assign(dwg.tables.size(), 0);
    anyTableStale_ = false;
  } else if (anyTableStale_) {
    for (size_t t = 0; t < staleTables_.size(); ++t)
      if (staleTables_[t]) references_->refreshTable(dwg, static_cast<std::int32_t>(t));
    staleTables_.assign(dwg.tables.size(), 0);
    anyTableStale_ = false;
  }
  return *references_;
}

void DocumentCore::structureChanged() {
  references_.reset();
}

void DocumentCore::tableEntriesChanged(std::string_view tableName) {
  // The blocks find their records through the block record table, so a change there renews
  // everything.
  const model::Table* t = table(tableName);
  if (!t || equalsNoCase(tableName, "BLOCK_RECORD")) {
    structureChanged();
    return;
  }
  const auto ti = static_cast<size_t>(t - dwg.tables.data());
  if (staleTables_.size() < dwg.tables.size()) staleTables_.resize(dwg.tables.size(), 0);
  staleTables_[ti] = 1;
  anyTableStale_ = true;
}

bool DocumentCore::tableStale(std::int32_t table) const {
  return table >= 0 && static_cast<size_t>(table) < staleTables_.size() &&
         staleTables_[static_cast<size_t>(table)] != 0;
}

// ---- geometry

GeometryCache& DocumentCore::geometry() {
  if (!geometry_) geometry_ = std::make_unique<GeometryCache>(*this);
  return *geometry_;
}

void DocumentCore::geometryChanged() {
  if (geometry_) geometry_->invalidate();
}

// ---- application

void AppCore::checkAlive() const {
  if (!alive) throw HostError(HostError::Dead, "the host application has quit");
}

void AppCore::closeDocument(const DocumentCore* doc) {
  auto it = std::find_if(documents.begin(), documents.end(),
                         [&](const auto& d) { return d.get() == doc; });
  if (it == documents.end()) return;
  auto keep = *it;  // alive until the bookkeeping is done
  documents.erase(it);
  if (active.get() == doc) active = documents.empty() ? nullptr : documents.back();
}

}  // namespace cadhost::detail
