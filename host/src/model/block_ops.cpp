#include "model/block_ops.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "cadhost/host_error.h"
#include "dxf/dxf_io.h"
#include "geom/transform.h"
#include "model/document_core.h"
#include "model/drawing_import.h"
#include "model/entity_factory.h"
#include "model/tag_edit.h"
#include "model/tags.h"
#include "model/text_util.h"

namespace cadhost::detail {

using model::Object;
using model::Tag;
using model::Tags;

namespace {

Tags recordTags(const std::string& name) {
  return {Tag{100, "AcDbBlockTableRecord"},
          Tag{2, name},
          Tag{340, "0"},
          Tag{70, "0"},
          Tag{280, "1"},
          Tag{281, "0"}};
}

// The head that BLOCK, ENDBLK and SEQEND share: type, handle, owner, layer and the markers.
Object markerHead(DocumentCore& doc, const char* type, const std::string& owner,
                  const std::string& layer, const char* subclass) {
  Object o;
  o.tags.push_back(Tag{0, type});
  o.tags.push_back(Tag{5, doc.newHandle()});
  if (doc.hasSubclassMarkers()) {
    if (!owner.empty()) o.tags.push_back(Tag{330, owner});
    o.tags.push_back(Tag{100, "AcDbEntity"});
  }
  o.tags.push_back(Tag{8, layer});
  if (doc.hasSubclassMarkers() && subclass) o.tags.push_back(Tag{100, subclass});
  return o;
}

Object blockBegin(DocumentCore& doc, const std::string& name, const std::string& record,
                  const Point3& origin, int flags) {
  Object b = markerHead(doc, "BLOCK", record, "0", "AcDbBlockBegin");
  b.tags.push_back(Tag{2, name});
  b.tags.push_back(Tag{70, std::to_string(flags)});
  b.tags.push_back(Tag{10, formatNumber(origin.x)});
  b.tags.push_back(Tag{20, formatNumber(origin.y)});
  b.tags.push_back(Tag{30, formatNumber(origin.z)});
  b.tags.push_back(Tag{3, name});
  b.tags.push_back(Tag{1, ""});
  return b;
}

void setOwner(DocumentCore& doc, Object& o, const std::string& owner) {
  if (doc.hasSubclassMarkers() && !owner.empty()) setOrInsert(o.tags, 330, owner, {5});
}

// Gives a copy and its sub-entities new handles; the subs are owned by the copy.
void renewHandles(DocumentCore& doc, Object& o, const std::string& owner) {
  stripObjectLinks(o.tags);
  setOrInsert(o.tags, 5, doc.newHandle(), {0});
  setOwner(doc, o, owner);
  const std::string self = model::findTag(o.tags, 5)->value;
  for (Object& s : o.subs) {
    stripObjectLinks(s.tags);
    setOrInsert(s.tags, 5, doc.newHandle(), {0});
    setOwner(doc, s, self);
  }
}

// An ATTRIB made from an ATTDEF of the block: same text fields, default value, owned by the
// reference, placed by `m`.
Object attributeFrom(DocumentCore& doc, const Object& attdef, const std::string& insertHandle,
                     const std::string& insertLayer, const Matrix4& m) {
  Object a;
  // Without subclass markers (R12) every 3 is the prompt.
  bool inDefinition = model::findTag(attdef.tags, 100) == nullptr;
  for (const Tag& t : attdef.tags) {
    if (t.code == 100) inDefinition = t.value == "AcDbAttributeDefinition";
    if (t.code == 0) {
      a.tags.push_back(Tag{0, "ATTRIB"});
    } else if (t.code == 5 || t.code == 330) {
      continue;
    } else if (t.code == 100 && t.value == "AcDbAttributeDefinition") {
      a.tags.push_back(Tag{100, "AcDbAttribute"});
    } else if (t.code == 3 && inDefinition) {
      continue;  // the prompt belongs to the definition
    } else if (t.code == 8 && t.value == "0") {
      a.tags.push_back(Tag{8, insertLayer});
    } else {
      a.tags.push_back(t);
    }
  }
  stripObjectLinks(a.tags);
  a.tags.insert(a.tags.begin() + 1, Tag{5, doc.newHandle()});
  if (doc.hasSubclassMarkers()) a.tags.insert(a.tags.begin() + 2, Tag{330, insertHandle});
  geom::transformEntity(a, m);
  return a;
}

}  // namespace

std::string uniqueAnonymousName(DocumentCore& doc, std::string_view prefix, int skip) {
  long long highest = 0;
  for (const model::Block& b : doc.dwg.blocks) {
    const Tag* n = model::findTag(b.begin.tags, 2);
    if (!n || n->value.size() <= prefix.size()) continue;
    if (!equalsNoCase(std::string_view(n->value).substr(0, prefix.size()), prefix)) continue;
    std::string digits = n->value.substr(prefix.size());
    if (digits.find_first_not_of("0123456789") != std::string::npos || digits.size() > 15) continue;
    highest = std::max(highest, std::stoll(digits));
  }
  return std::string(prefix) + std::to_string(highest + 1 + skip);
}

std::int32_t addImportedBlock(DocumentCore& doc, const std::string& name, const std::string& record,
                              Object begin, Object end, std::vector<Object> entities) {
  std::string rec = record;
  if (doc.hasSubclassMarkers()) {
    doc.beforeTableChange("BLOCK_RECORD");
    Object& entry = doc.addTableEntry("BLOCK_RECORD", recordTags(name));
    if (rec.empty()) {
      rec = model::findTag(entry.tags, 5)->value;
    } else {
      model::setTag(entry.tags, 5, rec);
    }
    setOwner(doc, begin, rec);
    setOwner(doc, end, rec);
    for (Object& e : entities) setOwner(doc, e, rec);
  }
  model::Block block;
  block.begin = std::move(begin);
  block.end = std::move(end);
  block.entities = std::move(entities);
  return doc.appendBlock(std::move(block));
}

std::int32_t createBlock(DocumentCore& doc, const std::string& name, const Point3& origin,
                         int flags) {
  std::string rec;
  if (doc.hasSubclassMarkers()) {
    doc.beforeTableChange("BLOCK_RECORD");
    rec = model::findTag(doc.addTableEntry("BLOCK_RECORD", recordTags(name)).tags, 5)->value;
  }
  model::Block block;
  block.begin = blockBegin(doc, name, rec, origin, flags);
  block.end = markerHead(doc, "ENDBLK", rec, "0", "AcDbBlockEnd");
  return doc.appendBlock(std::move(block));
}

void deleteBlock(DocumentCore& doc, std::int32_t block) {
  doc.checkContainer(block);
  const std::string name = doc.blockName(block);
  if (name.empty() || (name[0] == '*' && (equalsNoCase(name.substr(0, 6), "*Model") ||
                                          equalsNoCase(name.substr(0, 6), "*Paper"))))
    throw HostError(HostError::Refused, "the layout block " + name + " cannot be deleted");
  // A reference left without its definition would corrupt the drawing.
  auto referenced = [&](std::int32_t container) {
    for (std::int32_t i : doc.liveIndices(container)) {
      const Object& e = doc.objects(container)[i];
      std::string_view type = model::typeOf(e);
      if (type != "INSERT" && type != "DIMENSION") continue;
      const Tag* n = model::findTag(e.tags, 2);
      if (n && equalsNoCase(n->value, name)) return true;
    }
    return false;
  };
  bool used = referenced(EntityRef::kModelSpace);
  for (std::int32_t b = 0; !used && b < static_cast<std::int32_t>(doc.dwg.blocks.size()); ++b)
    if (b != block && doc.containerExists(b)) used = referenced(b);
  if (used) throw HostError(HostError::Refused, "the block " + name + " is still referenced");
  if (model::Table* records = doc.table("BLOCK_RECORD")) {
    doc.beforeTableChange("BLOCK_RECORD");
    std::erase_if(records->entries, [&](const Object& e) {
      const Tag* n = model::findTag(e.tags, 2);
      return n && equalsNoCase(n->value, name);
    });
  }
  doc.setBlockErased(block, true);
}

namespace {

std::int32_t blockForInsert(DocumentCore& doc, std::string_view nameOrFile) {
  std::int32_t b = doc.blockIndex(nameOrFile);
  if (b != DocumentCore::kNoBlock) {
    if (b == EntityRef::kModelSpace)
      throw HostError(HostError::Refused, "model space cannot be inserted");
    return b;
  }
  std::error_code ec;
  const std::string path(nameOrFile);
  if (!std::filesystem::is_regular_file(path, ec))
    throw HostError(HostError::NotFound, "there is no block or drawing file \"" + path + "\"");
  const std::string name = baseNameOf(path);
  b = doc.blockIndex(name);
  if (b != DocumentCore::kNoBlock && b != EntityRef::kModelSpace) return b;
  model::Drawing source = dxf::readDxfFile(path);
  ImportedModel imported;
  try {
    imported = importDrawing(doc, source);
  } catch (const HostError& e) {
    if (e.code() != HostError::Unsupported) throw;
    throw HostError(HostError::Unsupported,
                    "the drawing file \"" + path + "\" cannot be inserted: " + e.what());
  }
  int flags = 0;
  for (const Object& e : imported.entities)
    if (model::typeOf(e) == "ATTDEF") flags |= 2;
  std::int32_t created = createBlock(doc, name, imported.base, flags);
  const std::string owner = doc.ownerHandle(created);
  for (Object& e : imported.entities) {
    setOwner(doc, e, owner);
    doc.appendEntity(created, std::move(e));
  }
  return created;
}

}  // namespace

EntityRef insertBlockReference(DocumentCore& doc, std::int32_t container, const Point3& p,
                               std::string_view nameOrFile, double xs, double ys, double zs,
                               double rotation) {
  for (double v : {p.x, p.y, p.z, xs, ys, zs, rotation})
    if (!std::isfinite(v)) throw HostError(HostError::Refused, "a value is not a finite number");
  if (xs == 0 || ys == 0 || zs == 0)
    throw HostError(HostError::Refused, "a block scale must not be zero");
  doc.checkContainer(container);
  const std::int32_t b = blockForInsert(doc, nameOrFile);
  if (b == container)
    throw HostError(HostError::Refused, "a block cannot contain a reference to itself");
  const std::string name = doc.blockName(b);

  Object ins = newEntityHead(doc, container, "INSERT", "AcDbBlockReference");
  const std::size_t flagPos = ins.tags.size();
  ins.tags.push_back(Tag{2, name});
  ins.tags.push_back(Tag{10, formatNumber(p.x)});
  ins.tags.push_back(Tag{20, formatNumber(p.y)});
  ins.tags.push_back(Tag{30, formatNumber(p.z)});
  ins.tags.push_back(Tag{41, formatNumber(xs)});
  ins.tags.push_back(Tag{42, formatNumber(ys)});
  ins.tags.push_back(Tag{43, formatNumber(zs)});
  ins.tags.push_back(Tag{50, formatNumber(degrees(rotation))});

  const model::Block& block = doc.dwg.blocks[b];
  const Matrix4 m = geom::insertMatrix(ins, block);
  const std::string handle = model::findTag(ins.tags, 5)->value;
  const std::string layer = model::findTag(ins.tags, 8)->value;
  for (std::size_t i = 0; i < block.entities.size(); ++i) {
    const Object& e = block.entities[i];
    if (model::typeOf(e) != "ATTDEF" || doc.erased(b, static_cast<std::int32_t>(i))) continue;
    if (model::tagInt(e.tags, 70) & 2) continue;  // constant: shown by the block itself
    ins.subs.push_back(attributeFrom(doc, e, handle, layer, m));
  }
  if (!ins.subs.empty()) {
    ins.tags.insert(ins.tags.begin() + static_cast<std::ptrdiff_t>(flagPos), Tag{66, "1"});
    ins.subs.push_back(markerHead(doc, "SEQEND", handle, layer, nullptr));
  }
  return doc.appendEntity(container, std::move(ins));
}

std::vector<EntityRef> explodeReference(DocumentCore& doc, const EntityRef& ref) {
  const Object& ins = doc.entity(ref);
  if (model::typeOf(ins) != "INSERT" || ref.sub >= 0)
    throw HostError(HostError::Unsupported, "only a block reference can be exploded");
  if (model::tagInt(ins.tags, 70, 1) > 1 || model::tagInt(ins.tags, 71, 1) > 1)
    throw HostError(HostError::Unsupported, "a block reference array cannot be exploded");
  const Tag* name = model::findTag(ins.tags, 2);
  const std::int32_t b = name ? doc.blockIndex(name->value) : DocumentCore::kNoBlock;
  if (b < 0) throw HostError(HostError::NotFound, "the referenced block does not exist");
  const Matrix4 m = geom::insertMatrix(ins, doc.dwg.blocks[b]);
  const std::string owner = doc.ownerHandle(ref.container);

  // Transform every copy before adding any, so that a type that cannot follow the transform
  // leaves the drawing unchanged.
  std::vector<Object> copies;
  for (std::int32_t i : doc.liveIndices(b)) {
    Object c = doc.dwg.blocks[b].entities[i];
    geom::transformEntity(c, m);
    copies.push_back(std::move(c));
  }
  std::vector<EntityRef> out;
  out.reserve(copies.size());
  for (Object& c : copies) {
    renewHandles(doc, c, owner);
    out.push_back(doc.appendEntity(ref.container, std::move(c)));
  }
  return out;
}

void bindXref(DocumentCore& doc, std::int32_t block) {
  doc.checkContainer(block);
  if (block < 0) throw HostError(HostError::Refused, "model space is not an external reference");
  Object begin = doc.dwg.blocks[block].begin;
  const long long flags = model::tagInt(begin.tags, 70);
  if (!(flags & (4 | 8)))
    throw HostError(HostError::Refused,
                    "the block " + doc.blockName(block) + " is not an external reference");
  const Tag* pathTag = model::findTag(begin.tags, 1);
  std::string path = pathTag ? pathTag->value.str() : std::string();
  std::replace(path.begin(), path.end(), '\\', '/');
  std::filesystem::path p(path);
  if (p.is_relative() && !doc.path.empty()) p = std::filesystem::path(doc.path).parent_path() / p;
  model::Drawing source = dxf::readDxfFile(p.string());
  ImportedModel imported = importDrawing(doc, source);
  model::setTag(begin.tags, 70, std::to_string(flags & ~(4LL | 8LL | 16LL | 32LL | 64LL)));
  model::setTag(begin.tags, 1, "");
  setPointTag(begin.tags, 10, imported.base, {70});
  doc.setBlockBegin(block, std::move(begin));
  const std::string owner = doc.ownerHandle(block);
  for (std::int32_t i : std::vector<std::int32_t>(doc.liveIndices(block)))
    doc.eraseEntity(block, i);
  for (Object& e : imported.entities) {
    setOwner(doc, e, owner);
    doc.appendEntity(block, std::move(e));
  }
}

}  // namespace cadhost::detail
