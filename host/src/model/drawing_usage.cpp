#include "model/drawing_usage.h"

#include <algorithm>
#include <string>

#include "model/document_core.h"
#include "model/reference_index.h"
#include "model/tags.h"
#include "model/text_util.h"

namespace cadhost::detail {

using model::Object;
using model::Tag;

namespace {

bool isPointer(int code) {
  return (code >= 330 && code <= 369) || (code >= 390 && code <= 399) || code == 480 || code == 481;
}

bool startsWithNoCase(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && equalsNoCase(s.substr(0, prefix.size()), prefix);
}

// Layout blocks are written without their entities; the model space block has none.
bool isLayoutName(std::string_view name) {
  return startsWithNoCase(name, "*Paper_Space") || startsWithNoCase(name, "$PAPER_SPACE");
}

bool isSpaceName(std::string_view name) {
  return isLayoutName(name) || equalsNoCase(name, "*Model_Space") ||
         equalsNoCase(name, "$MODEL_SPACE");
}

bool isTextType(std::string_view type) {
  return type == "TEXT" || type == "MTEXT" || type == "ATTRIB" || type == "ATTDEF" ||
         type == "ARCALIGNEDTEXT" || type == "RTEXT";
}

bool isDimensionType(std::string_view type) {
  return type.find("DIMENSION") != std::string_view::npos;
}

// The header variables that name a table entry or a block.
enum class Named : std::uint8_t { None, Layer, Ltype, Style, Dimstyle, Ucs, Block };
Named headerNames(std::string_view var) {
  if (var == "$CLAYER") return Named::Layer;
  if (var == "$CELTYPE" || var == "$DIMLTYPE" || var == "$DIMLTEX1" || var == "$DIMLTEX2")
    return Named::Ltype;
  if (var == "$TEXTSTYLE" || var == "$DIMTXSTY") return Named::Style;
  if (var == "$DIMSTYLE") return Named::Dimstyle;
  if (var == "$UCSNAME" || var == "$PUCSNAME" || var == "$UCSBASE" || var == "$PUCSBASE")
    return Named::Ucs;
  if (var == "$DIMBLK" || var == "$DIMBLK1" || var == "$DIMBLK2" || var == "$DIMLDRBLK")
    return Named::Block;
  return Named::None;
}

}  // namespace

DrawingUsage::DrawingUsage(DocumentCore& doc, const std::vector<std::int32_t>& entities)
    : doc_(doc) {
  const ReferenceIndex& refs = doc_.references();
  blockRecords_ = refs.table("BLOCK_RECORD");
  layers_ = refs.table("LAYER");
  ltypes_ = refs.table("LTYPE");
  styles_ = refs.table("STYLE");
  dimstyles_ = refs.table("DIMSTYLE");
  appids_ = refs.table("APPID");
  ucs_ = refs.table("UCS");
  seenEntryNames_.resize(doc_.dwg.tables.size());

  entities_.reserve(entities.size());
  for (std::int32_t i : entities) {
    entities_.insert(i);
    work_.push_back({Work::kEntity, EntityRef::kModelSpace, i});
  }
  seed();
  while (!work_.empty()) {
    Work w = work_.back();
    work_.pop_back();
    visit(w);
  }
  std::sort(blocks_.begin(), blocks_.end());
  seenEntryNames_.clear();
  seenBlockNames_.clear();
  seenArrowNames_.clear();
}

// What every drawing holds, whatever it draws: the mandatory table entries, the spaces, the
// entries the header names, and the named-object dictionary with everything it owns.
void DrawingUsage::seed() {
  keepEntryNamed(layers_, "0");
  for (const char* lt : {"ByBlock", "ByLayer", "Continuous"}) keepEntryNamed(ltypes_, lt);
  keepEntryNamed(styles_, "Standard");
  keepEntryNamed(dimstyles_, "Standard");
  keepEntryNamed(appids_, "ACAD");
  keepEntryNamed(doc_.references().table("VPORT"), "*Active");
  for (size_t b = 0; b < doc_.dwg.blocks.size(); ++b) {
    // Only the first blocks are spaces in drawings as programs write them; the loop stops at
    // the first that is not, so that it does not visit every block of the drawing.
    if (doc_.blockErased(static_cast<std::int32_t>(b))) continue;
    const Tag* name = model::findTag(doc_.dwg.blocks[b].begin.tags, 2);
    if (!name || !isSpaceName(name->value)) break;
    keepBlock(static_cast<std::int32_t>(b));
  }
  for (const char* space : {"*Model_Space", "*Paper_Space", "$MODEL_SPACE", "$PAPER_SPACE"})
    keepBlockNamed(space);

  for (const model::HeaderVar& var : doc_.dwg.header) {
    const Named named = headerNames(var.name);
    for (const Tag& t : var.tags) {
      if (isPointer(t.code)) {
        keepHandle(t.value);
        continue;
      }
      switch (named) {
        case Named::Layer:
          keepEntryNamed(layers_, t.value);
          break;
        case Named::Ltype:
          keepEntryNamed(ltypes_, t.value);
          break;
        case Named::Style:
          keepEntryNamed(styles_, t.value);
          break;
        case Named::Dimstyle:
          keepEntryNamed(dimstyles_, t.value);
          break;
        case Named::Ucs:
          keepEntryNamed(ucs_, t.value);
          break;
        case Named::Block:
          keepArrowNamed(t.value);
          break;
        case Named::None:
          break;
      }
    }
  }
  // The named-object dictionary: the first object as programs write it, else the first
  // dictionary that no one owns.
  const std::vector<Object>& objects = doc_.dwg.objects;
  for (size_t i = 0; i < objects.size(); ++i) {
    if (model::typeOf(objects[i]) != "DICTIONARY") continue;
    const Tag* owner = model::findTag(objects[i].tags, 330);
    if (i == 0 || !owner || owner->value == "0") {
      keepObject(static_cast<std::int32_t>(i));
      break;
    }
  }
}

void DrawingUsage::keepEntry(std::int32_t table, std::int32_t entry) {
  if (table < 0 || entry < 0) return;
  if (!entrySet_.insert(key(table, entry)).second) return;
  work_.push_back({Work::kEntry, table, entry});
  if (table == blockRecords_) {
    const Tag* name =
        model::findTag(doc_.dwg.tables[static_cast<size_t>(table)].entries[entry].tags, 2);
    if (name) keepBlockNamed(name->value);
  }
}

void DrawingUsage::keepEntryNamed(std::int32_t table, std::string_view name) {
  if (table < 0 || name.empty()) return;
  if (!seenEntryNames_[static_cast<size_t>(table)].insert(name).second) return;
  keepEntry(table, doc_.references().entry(table, name));
}

void DrawingUsage::keepBlock(std::int32_t block) {
  if (block < 0 || !blockSet_.insert(block).second) return;
  blocks_.push_back(block);
  work_.push_back({Work::kBlock, block, 0});
  keepEntry(blockRecords_, doc_.references().blockRecord(block));
}

void DrawingUsage::keepBlockNamed(std::string_view name) {
  if (name.empty() || !seenBlockNames_.insert(name).second) return;
  keepBlock(doc_.references().block(name));
}

void DrawingUsage::keepArrowNamed(std::string_view name) {
  if (name.empty()) return;
  keepBlockNamed(name);
  // A predefined arrow is named without the underscore that its block's name begins with
  // ("ARCHTICK" draws the block "_ARCHTICK"). Drawings with block records name the block by
  // handle as well; drawings without (R12) only by this name.
  if (name.front() == '_' || !seenArrowNames_.insert(name).second) return;
  std::string block;
  block.reserve(name.size() + 1);
  block.push_back('_');
  block.append(name);
  keepBlock(doc_.references().block(block));
}

void DrawingUsage::keepObject(std::int32_t object) {
  if (objectSet_.count(object) || refusedObjects_.count(object)) return;
  if (objectOwnerState(object) < 0 || emptyGroup(object)) {
    refusedObjects_.insert(object);
    return;
  }
  objectSet_.insert(object);
  work_.push_back({Work::kObject, object, 0});
}

// A group none of whose members the child holds is left out (its dictionary entry goes too).
bool DrawingUsage::emptyGroup(std::int32_t object) {
  const Object& o = doc_.dwg.objects[static_cast<size_t>(object)];
  if (model::typeOf(o) != "GROUP") return false;
  if (selectedHandles_.empty()) {
    for (std::int32_t i : entities_) {
      std::string_view h = model::handleOf(doc_.dwg.entities[static_cast<size_t>(i)]);
      if (!h.empty()) selectedHandles_.insert(h);
    }
  }
  for (const Tag& t : o.tags)
    if (t.code == 340 && selectedHandles_.count(t.value)) return false;
  return true;
}

void DrawingUsage::keepHandle(std::string_view handle) {
  if (handle.empty() || handle == "0") return;
  const ItemRef ref = doc_.references().find(handle);
  switch (ref.kind) {
    case ItemRef::kTableEntry:
      keepEntry(ref.index, ref.entry);
      return;
    case ItemRef::kBlock:
      keepBlock(ref.index);
      return;
    case ItemRef::kObject:
      keepObject(ref.index);
      return;
    case ItemRef::kTableHead:
      return;  // every table head is written
    case ItemRef::kNone:
      break;
  }
  // An entity inside a block definition brings its block; model-space entities come only
  // from the selection.
  if (const EntityRef* e = doc_.findEntity(handle)) {
    if (e->container != EntityRef::kModelSpace && doc_.containerExists(e->container) &&
        !doc_.erased(e->container, e->index))
      keepBlock(e->container);
  }
}

// Follows the owners (the first 330 outside 102 groups) through objects to the first item
// that is not an object. An object owned, directly or through other objects, by an entity
// the child leaves out is left out too; its owners up to that entity are not kept for it.
int DrawingUsage::objectOwnerState(std::int32_t object) {
  std::int32_t cur = object;
  for (int depth = 0; depth < 64; ++depth) {
    const Object& o = doc_.dwg.objects[static_cast<size_t>(cur)];
    const Tag* owner = nullptr;
    bool inGroup = false;
    for (const Tag& t : o.tags) {
      if (t.code == 102) {
        inGroup = !t.value.empty() && t.value[0] == '{';
      } else if (t.code == 330 && !inGroup) {
        owner = &t;
        break;
      }
    }
    if (!owner || owner->value == "0") return 1;
    const ItemRef ref = doc_.references().find(owner->value);
    if (ref.kind == ItemRef::kObject) {
      if (objectSet_.count(ref.index)) return 1;
      if (refusedObjects_.count(ref.index)) return -1;
      cur = ref.index;
      continue;
    }
    if (ref.kind != ItemRef::kNone) return 1;
    const EntityRef* e = doc_.findEntity(owner->value);
    if (!e) return 1;
    if (e->container == EntityRef::kModelSpace) return entityKept(e->container, e->index) ? 1 : -1;
    if (!doc_.containerExists(e->container) || doc_.erased(e->container, e->index)) return -1;
    const Tag* name = model::findTag(doc_.dwg.blocks[e->container].begin.tags, 2);
    if (name && isLayoutName(name->value)) return -1;  // layouts are written empty
    keepBlock(e->container);
    return 1;
  }
  return 1;
}

bool DrawingUsage::entityKept(std::int32_t container, std::int32_t index) const {
  if (container == EntityRef::kModelSpace) return entities_.count(index) != 0;
  if (!blockSet_.count(container) || doc_.erased(container, index)) return false;
  const Tag* name = model::findTag(doc_.dwg.blocks[container].begin.tags, 2);
  return !(name && isLayoutName(name->value));
}

void DrawingUsage::visit(const Work& w) {
  switch (w.kind) {
    case Work::kEntity: {
      const Object& e = doc_.objects(w.a)[static_cast<size_t>(w.b)];
      scan(e, Context::Entity);
      for (const Object& s : e.subs) scan(s, Context::Entity);
      return;
    }
    case Work::kBlock: {
      const model::Block& b = doc_.dwg.blocks[static_cast<size_t>(w.a)];
      scan(b.begin, Context::BlockBegin);
      const Tag* name = model::findTag(b.begin.tags, 2);
      if (name && isLayoutName(name->value)) return;
      for (std::int32_t i : doc_.liveIndices(w.a)) work_.push_back({Work::kEntity, w.a, i});
      return;
    }
    case Work::kEntry:
      scan(doc_.dwg.tables[static_cast<size_t>(w.a)].entries[static_cast<size_t>(w.b)],
           Context::Entry);
      return;
    case Work::kObject:
      scan(doc_.dwg.objects[static_cast<size_t>(w.a)], Context::Object);
      return;
  }
}

// The names and handles one item carries. Reactors (back-pointers to what depends on the
// item) and the owner are not followed: what depends on a kept item is kept only when
// something else needs it, and every owner is kept already.
void DrawingUsage::scan(const Object& o, Context context) {
  const std::string_view type = model::typeOf(o);
  const bool text = context == Context::Entity && isTextType(type);
  const bool dimension = context == Context::Entity &&
                         (isDimensionType(type) || type == "LEADER" || type == "TOLERANCE");
  const bool blockName = context == Context::Entity &&
                         (type == "INSERT" || isDimensionType(type) || type == "ACAD_TABLE");
  const bool layer = context == Context::Entity || context == Context::BlockBegin;
  bool inXdata = false, inReactors = false, ownerSeen = false;
  bool inGroup = false;
  for (size_t i = 1; i < o.tags.size(); ++i) {
    const Tag& t = o.tags[i];
    if (t.code == 1001) {
      inXdata = true;
      keepEntryNamed(appids_, t.value);
      continue;
    }
    if (inXdata) {
      if (t.code == 1005) keepHandle(t.value);
      continue;
    }
    if (t.code == 102) {
      const bool open = !t.value.empty() && t.value[0] == '{';
      inGroup = open;
      inReactors = open && equalsNoCase(t.value, "{ACAD_REACTORS");
      continue;
    }
    if (inReactors) continue;
    if (isPointer(t.code)) {
      if (t.code == 330 && !inGroup && !ownerSeen) {
        ownerSeen = true;
        continue;
      }
      keepHandle(t.value);
      continue;
    }
    switch (t.code) {
      case 8:
        if (layer) keepEntryNamed(layers_, t.value);
        break;
      case 6:
        if (layer || type == "LAYER") keepEntryNamed(ltypes_, t.value);
        if (type == "DIMSTYLE") keepArrowNamed(t.value);
        break;
      case 7:
        if (text) keepEntryNamed(styles_, t.value);
        if (type == "DIMSTYLE") keepArrowNamed(t.value);
        break;
      case 5:
        // A dimension style carries its handle in 105; its 5 names the arrow block.
        if (context == Context::Entry && type == "DIMSTYLE") keepArrowNamed(t.value);
        break;
      case 3:
        if (dimension) keepEntryNamed(dimstyles_, t.value);
        break;
      case 2:
        if (blockName) keepBlockNamed(t.value);
        break;
      default:
        break;
    }
  }
}

std::vector<std::int32_t> DrawingUsage::entries(std::int32_t table) const {
  std::vector<std::int32_t> out;
  for (std::uint64_t k : entrySet_)
    if (static_cast<std::int32_t>(k >> 32) == table)
      out.push_back(static_cast<std::int32_t>(k & 0xffffffffu));
  std::sort(out.begin(), out.end());
  return out;
}

std::vector<std::int32_t> DrawingUsage::objects() const {
  std::vector<std::int32_t> out(objectSet_.begin(), objectSet_.end());
  std::sort(out.begin(), out.end());
  return out;
}

bool DrawingUsage::dropped(std::string_view handle) const {
  if (handle.empty() || handle == "0") return false;
  const ItemRef ref = doc_.references().find(handle);
  switch (ref.kind) {
    case ItemRef::kTableHead:
      return false;
    case ItemRef::kTableEntry:
      return !entrySet_.count(key(ref.index, ref.entry));
    case ItemRef::kBlock:
      return !blockSet_.count(ref.index);
    case ItemRef::kObject:
      return !objectSet_.count(ref.index);
    case ItemRef::kNone:
      break;
  }
  const EntityRef* e = doc_.findEntity(handle);
  if (!e) return false;
  if (e->container == EntityRef::kModelSpace)
    return !entities_.count(e->index) || doc_.erased(e->container, e->index);
  return !entityKept(e->container, e->index);
}

}  // namespace cadhost::detail
