#include "geom/tag_editor.h"

#include <string>

#include "model/tags.h"

namespace cadhost::geom {

namespace {

// Where a tag that was missing goes: at the end of the subclass run (100 marker) that holds
// the entity's first point, so that it lands among the type's own data; otherwise at the end.
void insertTags(model::Tags& tags, std::initializer_list<model::Tag> added) {
  std::size_t i = 0;
  while (i < tags.size() && tags[i].code != 10) ++i;
  while (i < tags.size() && tags[i].code != 100) ++i;
  tags.insert(tags.begin() + static_cast<std::ptrdiff_t>(i), added);
}

}  // namespace

void patchNumber(model::Tag& tag, double value) {
  if (auto old = model::parseDouble(tag.value); old && *old == value) return;
  tag.value = model::formatDouble(value == 0 ? 0.0 : value);  // no "-0.0"
}

void patchNumberCode(model::Tags& tags, int code, double value, double absentValue) {
  if (model::Tag* t = model::findTag(tags, code)) return patchNumber(*t, value);
  if (value == absentValue) return;
  insertTags(tags, {{static_cast<std::int16_t>(code), model::formatDouble(value)}});
}

void patchIntegerCode(model::Tags& tags, int code, long long value, long long absentValue) {
  if (model::Tag* t = model::findTag(tags, code)) {
    if (model::tagInt(tags, code) != value || !model::parseDouble(t->value))
      t->value = std::to_string(value);
    return;
  }
  if (value == absentValue) return;
  insertTags(tags, {{static_cast<std::int16_t>(code), std::to_string(value)}});
}

void rewritePoints(model::Tags& tags, int xCode, const std::function<Point3(const Point3&)>& fn,
                   double defaultZ) {
  for (std::size_t i = 0; i < tags.size(); ++i) {
    if (tags[i].code != xCode) continue;
    const bool hasY = i + 1 < tags.size() && tags[i + 1].code == xCode + 10;
    const bool hasZ = hasY && i + 2 < tags.size() && tags[i + 2].code == xCode + 20;
    const Point3 p{model::parseDouble(tags[i].value).value_or(0),
                   hasY ? model::parseDouble(tags[i + 1].value).value_or(0) : 0,
                   hasZ ? model::parseDouble(tags[i + 2].value).value_or(0) : defaultZ};
    const Point3 q = fn(p);
    patchNumber(tags[i], q.x);
    if (hasY) patchNumber(tags[i + 1], q.y);
    if (hasZ) {
      patchNumber(tags[i + 2], q.z);
    } else if (hasY && q.z != defaultZ) {
      tags.insert(tags.begin() + static_cast<std::ptrdiff_t>(i + 2),
                  model::Tag{static_cast<std::int16_t>(xCode + 20), model::formatDouble(q.z)});
    }
  }
}

void patchExtrusion(model::Tags& tags, const Point3& n) {
  if (model::Tag* x = model::findTag(tags, 210)) {
    patchNumber(*x, n.x);
    if (model::Tag* y = model::findTag(tags, 220)) patchNumber(*y, n.y);
    if (model::Tag* z = model::findTag(tags, 230)) patchNumber(*z, n.z);
    return;
  }
  if (n.x == 0 && n.y == 0 && n.z == 1) return;
  insertTags(tags, {{210, model::formatDouble(n.x)},
                    {220, model::formatDouble(n.y)},
                    {230, model::formatDouble(n.z)}});
}

}  // namespace cadhost::geom
