#include "model/tag_edit.h"

#include <numbers>

#include "model/subclass_markers.h"
#include "model/tags.h"

namespace cadhost::detail {

using model::Tag;
using model::Tags;

std::size_t xdataStart(const Tags& tags) {
  for (std::size_t i = 0; i < tags.size(); ++i)
    if (tags[i].code == 1001) return i;
  return tags.size();
}

void setOrInsert(Tags& tags, int code, const std::string& value, std::initializer_list<int> after) {
  const std::size_t end = xdataStart(tags);
  for (std::size_t i = 0; i < end; ++i) {
    if (tags[i].code == code) {
      tags[i].value = value;
      return;
    }
  }
  std::size_t pos = end;
  for (int a : after) {
    for (std::size_t i = end; i-- > 0;) {
      if (tags[i].code == a) {
        pos = i + 1;
        goto found;
      }
    }
  }
found:
  tags.insert(tags.begin() + static_cast<std::ptrdiff_t>(pos),
              Tag{static_cast<std::int16_t>(code), value});
}

Point3 pointTag(const Tags& tags, int code, int nth) {
  return Point3{model::tagDouble(tags, code, 0, nth), model::tagDouble(tags, code + 10, 0, nth),
                model::tagDouble(tags, code + 20, 0, nth)};
}

bool hasTag(const Tags& tags, int code) {
  return model::findTag(tags, code) != nullptr;
}

void setPointTag(Tags& tags, int code, const Point3& p, std::initializer_list<int> after) {
  setOrInsert(tags, code, formatNumber(p.x), after);
  setOrInsert(tags, code + 10, formatNumber(p.y), {code});
  setOrInsert(tags, code + 20, formatNumber(p.z), {code + 10});
}

std::string formatNumber(double v) {
  return model::formatDouble(v == 0 ? 0.0 : v);
}

double degrees(double r) {
  return r * 180.0 / std::numbers::pi;
}
double radians(double d) {
  return d * std::numbers::pi / 180.0;
}

std::string className(const model::Object& entity) {
  const Tag* last = nullptr;
  for (const Tag& t : entity.tags)
    if (t.code == 100) last = &t;
  if (last) return last->value;
  if (std::string known = markerlessClassName(entity); !known.empty()) return known;
  const std::string_view type = model::typeOf(entity);
  if (type == "SEQEND") return "AcDbSequenceEnd";
  // Other types: "ELLIPSE" -> "AcDbEllipse", ...
  std::string name = "AcDb";
  for (std::size_t i = 0; i < type.size(); ++i) {
    char c = type[i];
    name += (i == 0 || c < 'A' || c > 'Z') ? c : static_cast<char>(c + 32);
  }
  return name;
}

}  // namespace cadhost::detail
