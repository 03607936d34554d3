#include "model/drawing_writer.h"

#include <algorithm>
#include <functional>
#include <unordered_map>
#include <unordered_set>

#include "dxf/dxf_io.h"
#include "model/document_core.h"
#include "model/drawing_usage.h"
#include "model/geometry_cache.h"
#include "model/tags.h"
#include "model/text_util.h"

namespace cadhost::detail {

using model::Object;
using model::Tag;
using model::Tags;

namespace {

bool isLayoutBlock(const model::Block& b) {
  const Tag* name = model::findTag(b.begin.tags, 2);
  return name && name->value.size() >= 12 &&
         equalsNoCase(name->value.substr(0, 12), "*Paper_Space");
}

// A drawing read without some sections (a bare R12 file has only ENTITIES) gets them when
// the document has added content for them: the writer writes the sections in this order.
void completeSectionOrder(model::Drawing& d) {
  using K = model::SectionKind;
  if (d.sectionOrder.empty()) return;  // a new drawing: the writer uses the standard order
  const std::pair<K, bool> standard[] = {{K::Header, !d.header.empty()},
                                         {K::Classes, !d.classes.empty()},
                                         {K::Tables, !d.tables.empty()},
                                         {K::Blocks, !d.blocks.empty()},
                                         {K::Entities, true},
                                         {K::Objects, !d.objects.empty()}};
  for (std::size_t k = 0; k < std::size(standard); ++k) {
    const auto [kind, needed] = standard[k];
    if (!needed ||
        std::find(d.sectionOrder.begin(), d.sectionOrder.end(), kind) != d.sectionOrder.end())
      continue;
    // Before the first present section that the standard order puts after it.
    auto pos = std::find_if(d.sectionOrder.begin(), d.sectionOrder.end(), [&](K present) {
      for (std::size_t later = k + 1; later < std::size(standard); ++later)
        if (standard[later].first == present) return true;
      return false;
    });
    d.sectionOrder.insert(pos, kind);
  }
}

// Header, classes, tables, raw sections and section order: what every written drawing shares.
model::Drawing shellOf(const model::Drawing& src) {
  model::Drawing d;
  d.version = src.version;
  d.codepage = src.codepage;
  d.binary = src.binary;
  d.header = src.header;
  d.classes = src.classes;
  d.tables = src.tables;
  d.raw = src.raw;
  d.sectionOrder = src.sectionOrder;
  return d;
}

void copyLiveBlocks(DocumentCore& doc, model::Drawing& out) {
  for (size_t b = 0; b < doc.dwg.blocks.size(); ++b) {
    auto bi = static_cast<std::int32_t>(b);
    if (doc.blockErased(bi)) continue;
    const model::Block& src = doc.dwg.blocks[b];
    model::Block copy;
    copy.begin = src.begin;
    copy.end = src.end;
    for (size_t i = 0; i < src.entities.size(); ++i)
      if (!doc.erased(bi, static_cast<std::int32_t>(i))) copy.entities.push_back(src.entities[i]);
    out.blocks.push_back(std::move(copy));
  }
}

void setHeaderVar(model::Drawing& d, const std::string& name, Tags tags) {
  for (auto& v : d.header) {
    if (v.name == name) {
      v.tags = std::move(tags);
      return;
    }
  }
  d.header.push_back(model::HeaderVar{name, std::move(tags)});
}

Tags pointTags(const Point3& p) {
  return {Tag{10, model::formatDouble(p.x)}, Tag{20, model::formatDouble(p.y)},
          Tag{30, model::formatDouble(p.z)}};
}

using Dropped = std::function<bool(const std::string&)>;

// The owner: the first 330 outside 102 groups.
const Tag* ownerTag(const Tags& tags) {
  bool inGroup = false;
  for (const Tag& t : tags) {
    if (t.code == 102)
      inGroup = !t.value.empty() && t.value[0] == '{';
    else if (t.code == 330 && !inGroup)
      return &t;
  }
  return nullptr;
}

// Removes the pointers of an object to items the drawing leaves out: dictionary entries
// (the name before the pointer goes too), sort-table pairs, reactors and other pointers. The
// owner stays.
void pruneReferences(Object& o, const Dropped& dropped) {
  Tags& tags = o.tags;
  const std::string_view type = model::typeOf(o);
  const Tag* owner = ownerTag(tags);
  Tags out;
  bool changed = false;
  for (size_t i = 0; i < tags.size(); ++i) {
    const Tag& t = tags[i];
    const bool pointer = (t.code >= 330 && t.code <= 369) && i > 0;
    if (pointer && &t != owner && dropped(t.value)) {
      if (!changed) {
        out.reserve(tags.size());
        out.assign(tags.begin(), tags.begin() + static_cast<std::ptrdiff_t>(i));
        changed = true;
      }
      if (type == "SORTENTSTABLE" && t.code == 331) {
        // (331 entity, 5 sort handle) pairs.
        if (i + 1 < tags.size() && tags[i + 1].code == 5) ++i;
      } else if ((type == "DICTIONARY" || type == "ACDBDICTIONARYWDFLT") && !out.empty() &&
                 out.back().code == 3) {
        // A dictionary entry is the name (3) before its pointer.
        out.pop_back();
      }
      continue;
    }
    if (changed) out.push_back(t);
  }
  if (changed) tags = std::move(out);
}

// Removes the reactors (the 330s of a 102 {ACAD_REACTORS group) that name items the drawing
// leaves out. Entities and table entries keep their other tags as they are.
void pruneReactors(Object& o, const Dropped& dropped) {
  Tags& tags = o.tags;
  bool inReactors = false, inXdata = false;
  Tags out;
  bool changed = false;
  for (size_t i = 0; i < tags.size(); ++i) {
    const Tag& t = tags[i];
    if (t.code == 1001) inXdata = true;  // extended data holds no reactors
    if (!inXdata && t.code == 102) {
      inReactors = t.value == "{ACAD_REACTORS";
    } else if (!inXdata && inReactors && t.code == 330 && dropped(t.value)) {
      if (!changed) {
        out.assign(tags.begin(), tags.begin() + static_cast<std::ptrdiff_t>(i));
        changed = true;
      }
      continue;
    }
    if (changed) out.push_back(t);
  }
  if (changed) tags = std::move(out);
}

// True when the object has a reactor that names an item the drawing leaves out.
bool hasDroppedReactor(const Object& o, const Dropped& dropped) {
  bool inReactors = false;
  for (const Tag& t : o.tags) {
    if (t.code == 1001) return false;
    if (t.code == 102)
      inReactors = t.value == "{ACAD_REACTORS";
    else if (inReactors && t.code == 330 && dropped(t.value))
      return true;
  }
  return false;
}

// Entities of the document lent to a child drawing while it is written, so that a child copies
// only the entities it changes. `add` keeps an empty place in the child for an entity that
// needs no change; `lend` moves the entities into their places once the child is complete
// (nothing may look at the document's entities after that); the destructor moves them back,
// also when writing fails. Without loans (null) every entity is copied.
class EntityLoans {
 public:
  EntityLoans() = default;
  EntityLoans(const EntityLoans&) = delete;
  EntityLoans& operator=(const EntityLoans&) = delete;
  ~EntityLoans() {
    if (lent_)
      for (auto& [owner, place] : loans_) std::swap(*owner, *place);
  }

  // Appends `source` to `into`, with its reactors to dropped items pruned. `into` has its
  // capacity reserved, so that a kept place stays where it is.
  static void add(EntityLoans* loans, Object& source, std::vector<Object>& into,
                  const Dropped& dropped) {
    if (loans && into.size() < into.capacity() && !hasDroppedReactor(source, dropped)) {
      into.emplace_back();
      loans->loans_.emplace_back(&source, &into.back());
      return;
    }
    into.push_back(source);
    pruneReactors(into.back(), dropped);
  }

  void lend() {
    for (auto& [owner, place] : loans_) std::swap(*owner, *place);
    lent_ = true;
  }

 private:
  std::vector<std::pair<Object*, Object*>> loans_;
  bool lent_ = false;
};

// Which objects a saved drawing leaves out: those whose ownership chain ends at an erased
// entity or at one of a deleted block.
class ObjectPruner {
 public:
  explicit ObjectPruner(DocumentCore& doc) : doc_(doc) {}

  bool entityDropped(const std::string& h) {
    const EntityRef* ref = doc_.findEntity(h);
    if (!ref) return false;
    if (ref->container != EntityRef::kModelSpace)
      return doc_.blockErased(ref->container) || doc_.erased(ref->container, ref->index);
    return doc_.erased(EntityRef::kModelSpace, ref->index);
  }

  std::vector<Object> prune(const std::vector<Object>& objects) {
    // Objects whose ownership chain ends at a dropped entity go.
    std::unordered_map<std::string, size_t> byHandle;
    for (size_t i = 0; i < objects.size(); ++i) {
      std::string_view h = model::handleOf(objects[i]);
      if (!h.empty()) byHandle.emplace(std::string(h), i);
    }
    std::vector<char> drop(objects.size(), 0);
    for (size_t i = 0; i < objects.size(); ++i) {
      size_t cur = i;
      for (int depth = 0; depth < 64; ++depth) {
        const Tag* owner = ownerTag(objects[cur].tags);
        if (!owner) break;
        auto it = byHandle.find(owner->value);
        if (it == byHandle.end()) {
          if (entityDropped(owner->value)) drop[i] = 1;
          break;
        }
        cur = it->second;
      }
      if (drop[i]) droppedObjects_.insert(std::string(model::handleOf(objects[i])));
    }
    const Dropped gone = [this](const std::string& h) {
      return droppedObjects_.count(h) || entityDropped(h);
    };
    std::vector<Object> out;
    out.reserve(objects.size());
    for (size_t i = 0; i < objects.size(); ++i) {
      if (drop[i]) continue;
      out.push_back(objects[i]);
      pruneReferences(out.back(), gone);
    }
    return out;
  }

 private:
  DocumentCore& doc_;
  std::unordered_set<std::string> droppedObjects_;
};

}  // namespace

model::Drawing drawingForSave(DocumentCore& doc) {
  model::Drawing out = shellOf(doc.dwg);
  copyLiveBlocks(doc, out);
  out.entities.reserve(doc.dwg.entities.size());
  for (size_t i = 0; i < doc.dwg.entities.size(); ++i)
    if (!doc.erased(EntityRef::kModelSpace, static_cast<std::int32_t>(i)))
      out.entities.push_back(doc.dwg.entities[i]);
  out.objects = ObjectPruner(doc).prune(doc.dwg.objects);
  completeSectionOrder(out);
  return out;
}

namespace {

// The drawing of the entities (see drawingOfEntities) into `out`; with `loans`, the entities
// that need no change are lent, not copied.
void buildDrawingOfEntities(DocumentCore& doc, std::vector<std::int32_t> entities,
                            model::Drawing& out, EntityLoans* loans) {
  std::sort(entities.begin(), entities.end());
  entities.erase(std::unique(entities.begin(), entities.end()), entities.end());
  std::erase_if(entities, [&](std::int32_t i) {
    return i < 0 || i >= static_cast<std::int32_t>(doc.dwg.entities.size()) ||
           doc.erased(EntityRef::kModelSpace, i) || doc.paperSpace(i);
  });
  const DrawingUsage usage(doc, entities);
  const Dropped dropped = [&](const std::string& h) { return usage.dropped(h); };

  out.version = doc.dwg.version;
  out.codepage = doc.dwg.codepage;
  out.binary = doc.dwg.binary;
  out.header = doc.dwg.header;
  out.classes = doc.dwg.classes;
  out.raw = doc.dwg.raw;
  out.sectionOrder = doc.dwg.sectionOrder;

  out.tables.reserve(doc.dwg.tables.size());
  for (size_t t = 0; t < doc.dwg.tables.size(); ++t) {
    const model::Table& src = doc.dwg.tables[t];
    model::Table table;
    table.name = src.name;
    table.head = src.head;
    pruneReferences(table.head, dropped);
    for (std::int32_t e : usage.entries(static_cast<std::int32_t>(t))) {
      table.entries.push_back(src.entries[static_cast<size_t>(e)]);
      pruneReactors(table.entries.back(), dropped);
    }
    if (model::findTag(table.head.tags, 70))
      model::setTag(table.head.tags, 70, std::to_string(table.entries.size()));
    // The dimension-style table lists its entries (71 count, then their 340 pointers).
    if (equalsNoCase(table.name, "DIMSTYLE") && model::findTag(table.head.tags, 71)) {
      const auto listed = std::count_if(table.head.tags.begin(), table.head.tags.end(),
                                        [](const Tag& t) { return t.code == 340; });
      model::setTag(table.head.tags, 71, std::to_string(listed));
    }
    out.tables.push_back(std::move(table));
  }

  out.blocks.reserve(usage.blocks().size());
  for (std::int32_t b : usage.blocks()) {
    const model::Block& src = doc.dwg.blocks[static_cast<size_t>(b)];
    out.blocks.emplace_back();
    model::Block& copy = out.blocks.back();
    copy.begin = src.begin;
    copy.end = src.end;
    pruneReactors(copy.begin, dropped);
    if (!isLayoutBlock(src)) {
      const std::vector<std::int32_t>& live = doc.liveIndices(b);
      copy.entities.reserve(live.size());
      for (std::int32_t i : live)
        EntityLoans::add(loans,
                         doc.dwg.blocks[static_cast<size_t>(b)].entities[static_cast<size_t>(i)],
                         copy.entities, dropped);
    }
  }

  geom::Box extents;
  out.entities.reserve(entities.size());
  for (std::int32_t i : entities) {
    if (const auto& box = doc.geometry().box(i)) extents.extend(*box);
    EntityLoans::add(loans, doc.dwg.entities[static_cast<size_t>(i)], out.entities, dropped);
  }

  Point3 mn{1e20, 1e20, 1e20}, mx{-1e20, -1e20, -1e20};
  if (!extents.isEmpty()) {
    mn = extents.min;
    mx = extents.max;
  }
  setHeaderVar(out, "$EXTMIN", pointTags(mn));
  setHeaderVar(out, "$EXTMAX", pointTags(mx));
  setHeaderVar(out, "$INSBASE", pointTags(Point3{}));
  setHeaderVar(out, "$TILEMODE", {Tag{70, "1"}});

  const std::vector<std::int32_t> objects = usage.objects();
  out.objects.reserve(objects.size());
  for (std::int32_t o : objects) {
    out.objects.push_back(doc.dwg.objects[static_cast<size_t>(o)]);
    pruneReferences(out.objects.back(), dropped);
  }
  completeSectionOrder(out);
}

}  // namespace

model::Drawing drawingOfEntities(DocumentCore& doc, std::vector<std::int32_t> entities) {
  model::Drawing out;
  buildDrawingOfEntities(doc, std::move(entities), out, nullptr);
  return out;
}

void writeBlockFile(DocumentCore& doc, const std::string& path,
                    const std::vector<std::int32_t>& entities, WriteMode mode) {
  model::Drawing out;
  EntityLoans loans;  // ends before `out`, taking the lent entities back from it
  buildDrawingOfEntities(doc, entities, out, &loans);
  loans.lend();
  dxf::writeDxfFile(out, path, mode);
}

}  // namespace cadhost::detail
