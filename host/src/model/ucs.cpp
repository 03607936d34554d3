#include "cadhost/ucs.h"

#include <cmath>

#include "geom/matrix.h"
#include "model/document_core.h"
#include "model/tag_edit.h"
#include "model/tags.h"
#include "model/text_util.h"
#include "model/ucs_math.h"

namespace cadhost {

using detail::DocumentCore;
using model::Object;
using model::Tag;

namespace detail {

Matrix4 ucsMatrixOf(const DocumentCore& doc, const std::string& name) {
  const Object* e = doc.tableEntry("UCS", name);
  if (!e) throw HostError(HostError::NotFound, "UCS \"" + name + "\" does not exist");
  Point3 o = pointTag(e->tags, 10), x = pointTag(e->tags, 11), y = pointTag(e->tags, 12);
  Point3 z = geom::cross(x, y);
  return Matrix4{x.x, y.x, z.x, o.x, x.y, y.y, z.y, o.y, x.z, y.z, z.z, o.z, 0, 0, 0, 1};
}

Matrix4 currentUcsMatrix(const DocumentCore& doc) {
  if (doc.currentUcs.empty() || !doc.tableEntry("UCS", doc.currentUcs))
    return geom::identityMatrix();
  return ucsMatrixOf(doc, doc.currentUcs);
}

}  // namespace detail

namespace {

const Object& entryOf(const std::shared_ptr<DocumentCore>& doc, const std::string& name) {
  return doc->checkedEntry("UCS", name);
}

}  // namespace

std::string Ucs::name() const {
  return model::findTag(entryOf(DocumentCore::lock(doc_), name_).tags, 2)->value;
}

Point3 Ucs::origin() const {
  return detail::pointTag(entryOf(DocumentCore::lock(doc_), name_).tags, 10);
}
Point3 Ucs::xAxis() const {
  return detail::pointTag(entryOf(DocumentCore::lock(doc_), name_).tags, 11);
}
Point3 Ucs::yAxis() const {
  return detail::pointTag(entryOf(DocumentCore::lock(doc_), name_).tags, 12);
}

Matrix4 Ucs::getUcsMatrix() const {
  auto c = DocumentCore::lock(doc_);
  entryOf(c, name_);
  return detail::ucsMatrixOf(*c, name_);
}

void Ucs::erase() {
  auto c = DocumentCore::lock(doc_);
  const std::string name = model::findTag(entryOf(c, name_).tags, 2)->value;
  c->beforeTableChange("UCS");
  model::Table* t = c->table("UCS");
  std::erase_if(t->entries, [&](const Object& e) {
    const Tag* n = model::findTag(e.tags, 2);
    return n && n->value == name;
  });
  if (model::findTag(t->head.tags, 70))
    model::setTag(t->head.tags, 70, std::to_string(t->entries.size()));
  if (detail::equalsNoCase(c->currentUcs, name)) c->setCurrentUcs("");
}

// ---- UserCoordinateSystems

int UserCoordinateSystems::count() const {
  return DocumentCore::lock(doc_)->tableCount("UCS");
}

Ucs UserCoordinateSystems::item(int i) const {
  auto c = DocumentCore::lock(doc_);
  return c->ucsProxy(c->tableEntryName("UCS", i, "UCS"));
}

Ucs UserCoordinateSystems::item(std::string_view name) const {
  auto c = DocumentCore::lock(doc_);
  return c->ucsProxy(model::findTag(c->checkedEntry("UCS", name).tags, 2)->value);
}

Ucs UserCoordinateSystems::add(const Point3& origin, const Point3& xAxisPoint,
                               const Point3& yAxisPoint, std::string_view name) {
  auto c = DocumentCore::lock(doc_);
  if (name.empty() || name.find_first_of("<>/\\\":;?*|,=`") != std::string_view::npos)
    throw HostError(HostError::Refused, "\"" + std::string(name) + "\" is not a UCS name");
  for (const Point3& p : {origin, xAxisPoint, yAxisPoint})
    if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z))
      throw HostError(HostError::Refused, "a UCS point is not finite");
  const Point3 x = geom::normalized(geom::subtract(xAxisPoint, origin));
  Point3 y = geom::subtract(yAxisPoint, origin);
  y = geom::normalized(geom::subtract(y, geom::scale(x, geom::dot(y, x))));
  if (geom::length(x) == 0 || geom::length(y) == 0)
    throw HostError(HostError::Refused, "the UCS axes are not independent");

  // Only the changed or added entry is journalled: a UCS defined for each of many frames must
  // not copy the table each time.
  Object* e = c->tableEntry("UCS", name);
  if (e) {
    e = &c->beforeEntryChange("UCS", name);
  } else {
    model::Tags tags;
    if (c->hasSubclassMarkers()) tags.push_back(Tag{100, "AcDbUCSTableRecord"});
    tags.insert(tags.end(), {Tag{2, std::string(name)}, Tag{70, "0"}});
    e = &c->appendTableEntry("UCS", std::move(tags));
  }
  // An existing name takes the new origin and axes.
  detail::setPointTag(e->tags, 10, origin, {70});
  detail::setPointTag(e->tags, 11, x, {30});
  detail::setPointTag(e->tags, 12, y, {31});
  return c->ucsProxy(model::findTag(e->tags, 2)->value);
}

}  // namespace cadhost
