#include "geom/text_box.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>
#include <tuple>

#include "dxf/text_codec.h"
#include "geom/box_builder.h"
#include "geom/curves.h"
#include "geom/matrix.h"
#include "geom/prefix_widths.h"
#include "geom/text_metrics.h"
#include "model/tags.h"

namespace cadhost::geom {

namespace {

constexpr double kDegree = std::numbers::pi / 180.0;

// Corners of the local box [x0, x1] x [y0, y1], placed at `origin` along the unit directions.
std::array<Point3, 4> place(const Point3& origin, const Point3& xdir, const Point3& ydir, double x0,
                            double x1, double y0, double y1) {
  auto at = [&](double x, double y) { return add(origin, add(scale(xdir, x), scale(ydir, y))); };
  return {at(x0, y0), at(x1, y0), at(x1, y1), at(x0, y1)};
}

// The value a single-line text shows: its tag for ATTDEF, its value otherwise.
std::string_view shownValue(const model::Object& e) {
  const model::Tag* value = model::findTag(e.tags, model::typeOf(e) == "ATTDEF" ? 2 : 1);
  return value ? std::string_view(value->value) : std::string_view();
}

double textHeightOf(const model::Object& e) {
  return std::max(0.0, model::tagDouble(e.tags, 40));
}

// The corners of a single-line text whose shown value is `w` wide.
std::array<Point3, 4> singleLineCorners(const model::Object& e, double w) {
  const bool attdef = model::typeOf(e) == "ATTDEF";
  double h = textHeightOf(e);
  const Ocs ocs = Ocs::fromExtrusion(extrusionOf(e.tags));
  const long long halign = model::tagInt(e.tags, 72);
  // Attributes keep their vertical alignment in 74 (73 is their field length).
  const long long valign = model::tagInt(e.tags, attdef || model::typeOf(e) == "ATTRIB" ? 74 : 73);
  const long long generation = model::tagInt(e.tags, 71);
  const Point3 first = pointTag(e.tags, 10);
  const bool hasSecond = model::findTag(e.tags, 11) != nullptr;
  const Point3 second = pointTag(e.tags, 11, first);

  double angle = model::tagDouble(e.tags, 50) * kDegree;
  Point3 anchor = first;
  double x0 = 0, x1 = w, y0 = 0;
  if ((halign == 3 || halign == 5) && hasSecond) {
    // Aligned and fit: the baseline runs from the first to the second point.
    const double span = std::hypot(second.x - first.x, second.y - first.y);
    if (span > 0) angle = std::atan2(second.y - first.y, second.x - first.x);
    if (halign == 3 && w > 0) h *= span / w;
    x1 = span;
  } else if ((halign != 0 || valign != 0) && hasSecond) {
    anchor = second;
    if (halign == 1 || halign == 4)
      x0 = -w / 2;
    else if (halign == 2)
      x0 = -w;
    x1 = x0 + w;
    if (halign == 4 || valign == 2)
      y0 = -h / 2;
    else if (valign == 3)
      y0 = -h;
  }
  double y1 = y0 + h;
  // Backward (2) and upside-down (4) text mirror the box about the anchor.
  if (generation & 2) std::tie(x0, x1) = std::pair(-x1, -x0);
  if (generation & 4) std::tie(y0, y1) = std::pair(-y1, -y0);
  const Point3 xdir = ocs.toWcs({std::cos(angle), std::sin(angle), 0});
  const Point3 ydir = ocs.toWcs({-std::sin(angle), std::cos(angle), 0});
  return place(ocs.toWcs(anchor), xdir, ydir, x0, x1, y0, y1);
}

std::array<Point3, 4> singleLineCorners(const model::Object& e) {
  return singleLineCorners(
      e, textWidth(plainSingleLineText(shownValue(e)), textHeightOf(e), widthFactorOf(e)));
}

// The head of a text that carries an embedded object (a multi-line attribute's text after its
// own codes): the text's own part.
model::Object ownPart(const model::Object& entity, std::size_t own) {
  model::Object head;
  head.tags.assign(entity.tags.begin(), entity.tags.begin() + static_cast<std::ptrdiff_t>(own));
  return head;
}

std::array<Point3, 4> mtextCorners(const model::Object& e) {
  const std::string contents = dxf::mtextContents(e.tags);
  const double h = std::max(0.0, model::tagDouble(e.tags, 40));
  const auto lines = wrapMTextLines(plainMText(contents), h, 1.0, model::tagDouble(e.tags, 41));
  double w = 0;
  for (const std::string& line : lines) w = std::max(w, textWidth(line, h, 1.0));
  const double spacing = mtextLineSpacing(h, model::tagDouble(e.tags, 44, 1.0));
  const double total =
      h + spacing * static_cast<double>(std::max<std::size_t>(lines.size(), 1) - 1);

  const Point3 normal = normalized(extrusionOf(e.tags));
  const Ocs ocs = Ocs::fromExtrusion(normal);
  Point3 xdir;
  const Point3 direction = pointTag(e.tags, 11);
  if (model::findTag(e.tags, 11) && length(direction) > 0) {
    xdir = normalized(direction);
  } else {
    const double angle = model::tagDouble(e.tags, 50) * kDegree;
    xdir = ocs.toWcs({std::cos(angle), std::sin(angle), 0});
  }
  const Point3 ydir = normalized(cross(normal, xdir));

  long long attach = model::tagInt(e.tags, 71, 1);
  if (attach < 1 || attach > 9) attach = 1;
  const int column = static_cast<int>((attach - 1) % 3), row = static_cast<int>((attach - 1) / 3);
  const double x0 = -w * column / 2.0;
  const double top = row == 0 ? 0 : row == 1 ? total / 2 : total;
  return place(pointTag(e.tags, 10), xdir, ydir, x0, x0 + w, top - total, top);
}

}  // namespace

// A text's own width factor (group 41); one without it is drawn at 1.0 by every reader,
// whatever its style says (the style's factor is only what new texts start with).
double widthFactorOf(const model::Object& e) {
  if (const model::Tag* t = model::findTag(e.tags, 41))
    if (auto v = model::parseDouble(t->value); v && *v > 0) return *v;
  return 1.0;
}

std::optional<std::array<Point3, 4>> textCorners(const model::Object& entity) {
  const std::string_view type = model::typeOf(entity);
  if (type == "TEXT" || type == "ATTDEF" || type == "ATTRIB") {
    // A multi-line attribute's embedded text repeats codes 10, 11, 40 ... after its own.
    const std::size_t own = embeddedObjectStart(entity.tags);
    if (own == entity.tags.size()) return singleLineCorners(entity);
    return singleLineCorners(ownPart(entity, own));
  }
  if (type == "MTEXT") return mtextCorners(entity);
  return std::nullopt;
}

std::vector<std::optional<double>> textPrefixExtentsX(const model::Object& text,
                                                      const std::vector<std::size_t>& ends) {
  const std::size_t own = embeddedObjectStart(text.tags);
  const model::Object head = own == text.tags.size() ? model::Object{} : ownPart(text, own);
  const model::Object& e = own == text.tags.size() ? text : head;
  const std::vector<double> widths =
      prefixTextWidths(shownValue(e), ends, textHeightOf(e), widthFactorOf(e));
  std::vector<std::optional<double>> extents;
  extents.reserve(widths.size());
  for (const double w : widths) {
    // The box as the extents of the entity read it: its corners through the identity.
    BoxBuilder box(identityMatrix());
    for (const Point3& p : singleLineCorners(e, w)) box.point(p);
    const Box& b = box.result();
    const bool finite = std::isfinite(b.min.x) && std::isfinite(b.min.y) &&
                        std::isfinite(b.min.z) && std::isfinite(b.max.x) &&
                        std::isfinite(b.max.y) && std::isfinite(b.max.z);
    extents.push_back(finite && !b.isEmpty() ? std::optional(b.max.x - b.min.x) : std::nullopt);
  }
  return extents;
}

}  // namespace cadhost::geom
