#include "model/drawing_writer.h"

#include <algorithm>
#include <unordered_set>

#include "dxf/dxf_io.h"
#include "model/document_core.h"
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

void copyLiveBlocks(DocumentCore& doc, model::Drawing& out, bool emptyLayouts) {
  for (size_t b = 0; b < doc.dwg.blocks.size(); ++b) {
    auto bi = static_cast<std::int32_t>(b);
    if (doc.blockErased(bi)) continue;
    const model::Block& src = doc.dwg.blocks[b];
    model::Block copy;
    copy.begin = src.begin;
    copy.end = src.end;
    if (!(emptyLayouts && isLayoutBlock(src))) {
      for (size_t i = 0; i < src.entities.size(); ++i)
        if (!doc.erased(bi, static_cast<std::int32_t>(i))) copy.entities.push_back(src.entities[i]);
    }
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

// Which objects a written drawing leaves out, and how references to what is left out are
// pruned. `written` names the model-space entities the drawing holds; null means all live ones.
class ObjectPruner {
 public:
  ObjectPruner(DocumentCore& doc, const std::unordered_set<std::string>* written)
      : doc_(doc), written_(written) {}

  // True when the handle names an entity of the source that the drawing does not hold: an
  // erased one, one of a deleted block, and for a selection's drawing every model-space entity
  // not selected and everything of the emptied layouts.
  bool entityDropped(const std::string& h) {
    const EntityRef* ref = doc_.findEntity(h);
    if (!ref) return false;
    if (ref->container != EntityRef::kModelSpace &&
        (doc_.blockErased(ref->container) || doc_.erased(ref->container, ref->index)))
      return true;
    if (!written_)
      return ref->container == EntityRef::kModelSpace &&
             doc_.erased(EntityRef::kModelSpace, ref->index);
    if (written_->count(h)) return false;
    return ref->container == EntityRef::kModelSpace ||
           isLayoutBlock(doc_.dwg.blocks[ref->container]);
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
    std::vector<Object> out;
    out.reserve(objects.size());
    for (size_t i = 0; i < objects.size(); ++i) {
      if (drop[i]) continue;
      out.push_back(objects[i]);
      pruneReferences(out.back());
    }
    return out;
  }

 private:
  // The owner: the first 330 outside 102 groups.
  static const Tag* ownerTag(const Tags& tags) {
    bool inGroup = false;
    for (const Tag& t : tags) {
      if (t.code == 102)
        inGroup = !t.value.empty() && t.value[0] == '{';
      else if (t.code == 330 && !inGroup)
        return &t;
    }
    return nullptr;
  }

  bool gone(const std::string& h) { return droppedObjects_.count(h) || entityDropped(h); }

  void pruneReferences(Object& o) {
    Tags& tags = o.tags;
    const std::string_view type = model::typeOf(o);
    Tags out;
    out.reserve(tags.size());
    bool changed = false;
    for (size_t i = 0; i < tags.size(); ++i) {
      const Tag& t = tags[i];
      bool pointer = (t.code >= 330 && t.code <= 369) && i > 0;
      if (pointer && type == "SORTENTSTABLE" && t.code == 331) {
        // (331 entity, 5 sort handle) pairs.
        if (gone(t.value)) {
          if (i + 1 < tags.size() && tags[i + 1].code == 5) ++i;
          changed = true;
          continue;
        }
      } else if (pointer && gone(t.value) && !isOwnerPosition(tags, i)) {
        // A dictionary entry is the name (3) before its pointer.
        if ((type == "DICTIONARY" || type == "ACDBDICTIONARYWDFLT") && !out.empty() &&
            out.back().code == 3)
          out.pop_back();
        changed = true;
        continue;
      }
      out.push_back(t);
    }
    if (changed) tags = std::move(out);
  }

  static bool isOwnerPosition(const Tags& tags, size_t i) { return ownerTag(tags) == &tags[i]; }

  DocumentCore& doc_;
  const std::unordered_set<std::string>* written_;
  std::unordered_set<std::string> droppedObjects_;
};

}  // namespace

model::Drawing drawingForSave(DocumentCore& doc) {
  model::Drawing out = shellOf(doc.dwg);
  copyLiveBlocks(doc, out, false);
  out.entities.reserve(doc.dwg.entities.size());
  for (size_t i = 0; i < doc.dwg.entities.size(); ++i)
    if (!doc.erased(EntityRef::kModelSpace, static_cast<std::int32_t>(i)))
      out.entities.push_back(doc.dwg.entities[i]);
  out.objects = ObjectPruner(doc, nullptr).prune(doc.dwg.objects);
  completeSectionOrder(out);
  return out;
}

model::Drawing drawingOfEntities(DocumentCore& doc, std::vector<std::int32_t> entities) {
  std::sort(entities.begin(), entities.end());
  entities.erase(std::unique(entities.begin(), entities.end()), entities.end());

  model::Drawing out = shellOf(doc.dwg);
  copyLiveBlocks(doc, out, true);

  geom::Box extents;
  std::unordered_set<std::string> written;
  for (std::int32_t i : entities) {
    if (i < 0 || i >= static_cast<std::int32_t>(doc.dwg.entities.size())) continue;
    if (doc.erased(EntityRef::kModelSpace, i) || doc.paperSpace(i)) continue;
    const Object& e = doc.dwg.entities[i];
    out.entities.push_back(e);
    written.emplace(model::handleOf(e));
    for (const Object& s : e.subs) written.emplace(model::handleOf(s));
    if (const auto& box = doc.geometry().box(i)) extents.extend(*box);
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

  out.objects = ObjectPruner(doc, &written).prune(doc.dwg.objects);
  completeSectionOrder(out);
  return out;
}

void writeBlockFile(DocumentCore& doc, const std::string& path,
                    const std::vector<std::int32_t>& entities, WriteMode mode) {
  dxf::writeDxfFile(drawingOfEntities(doc, entities), path, mode);
}

}  // namespace cadhost::detail
