#include "geom/select_tests.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "cadhost/host_error.h"
#include "geom/extents.h"
#include "geom/matrix.h"
#include "geom/text_box.h"
#include "geom/transform.h"
#include "model/tags.h"

namespace cadhost::geom {

namespace {

constexpr double kRelativeTolerance = 1e-9;

bool finite(const Point3& p) {
  return std::isfinite(p.x) && std::isfinite(p.y);
}

double orientation(const Point3& a, const Point3& b, const Point3& c) {
  return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
}

// True when segments ab and cd share a point (touching counts).
bool segmentsMeet(const Point3& a, const Point3& b, const Point3& c, const Point3& d, double tol) {
  auto onSegment = [tol](const Point3& p, const Point3& q, const Point3& r) {
    return std::min(p.x, q.x) - tol <= r.x && r.x <= std::max(p.x, q.x) + tol &&
           std::min(p.y, q.y) - tol <= r.y && r.y <= std::max(p.y, q.y) + tol;
  };
  const double scaleAB = std::hypot(b.x - a.x, b.y - a.y),
               scaleCD = std::hypot(d.x - c.x, d.y - c.y);
  auto side = [tol](double o, double len) {
    return std::fabs(o) <= tol * len ? 0 : (o > 0 ? 1 : -1);
  };
  const int o1 = side(orientation(a, b, c), scaleAB), o2 = side(orientation(a, b, d), scaleAB);
  const int o3 = side(orientation(c, d, a), scaleCD), o4 = side(orientation(c, d, b), scaleCD);
  if (o1 * o2 < 0 && o3 * o4 < 0) return true;
  if (o1 == 0 && onSegment(a, b, c)) return true;
  if (o2 == 0 && onSegment(a, b, d)) return true;
  if (o3 == 0 && onSegment(c, d, a)) return true;
  if (o4 == 0 && onSegment(c, d, b)) return true;
  return false;
}

// True when ab passes through the inside of cd's line on both sides (a proper crossing).
bool segmentsCross(const Point3& a, const Point3& b, const Point3& c, const Point3& d, double tol) {
  const double scaleAB = std::hypot(b.x - a.x, b.y - a.y),
               scaleCD = std::hypot(d.x - c.x, d.y - c.y);
  const double o1 = orientation(a, b, c), o2 = orientation(a, b, d);
  const double o3 = orientation(c, d, a), o4 = orientation(c, d, b);
  return ((o1 > tol * scaleAB && o2 < -tol * scaleAB) ||
          (o1 < -tol * scaleAB && o2 > tol * scaleAB)) &&
         ((o3 > tol * scaleCD && o4 < -tol * scaleCD) ||
          (o3 < -tol * scaleCD && o4 > tol * scaleCD));
}

using Shape = SelectionArea::Shape;

void addOutline(const std::vector<std::vector<Point3>>& lines, const Matrix4* m, Shape& shape) {
  for (const auto& line : lines) {
    std::vector<Point3> pts = line;
    if (m)
      for (Point3& p : pts) p = transformPoint(*m, p);
    if (pts.size() == 1) shape.segments.emplace_back(pts[0], pts[0]);
    for (std::size_t i = 0; i + 1 < pts.size(); ++i)
      shape.segments.emplace_back(pts[i], pts[i + 1]);
  }
}

// The entity as one shape: its outline for curves, its box otherwise.
Shape shapeOf(const model::Object& entity, const Box& box) {
  Shape shape;
  addOutline(outlineOf(entity), nullptr, shape);
  shape.box = box;
  return shape;
}

constexpr int kMaxDepth = 16;

// The parts of a block reference: every entity of its block (attribute definitions excluded,
// nested references opened in turn) under the reference's transform, and its attributes.
// False when the parts cannot be listed (a missing block, a MINSERT array, too deep).
bool partsOfInsert(const model::Object& insert, const Matrix4& outer, const ExtentsContext& ctx,
                   std::vector<const model::Block*>& open, std::vector<Shape>& parts) {
  const model::Tag* name = model::findTag(insert.tags, 2);
  const model::Block* block = name && ctx.findBlock ? ctx.findBlock(name->value) : nullptr;
  if (!block || open.size() >= kMaxDepth) return false;
  if (model::tagInt(insert.tags, 70, 1) > 1 || model::tagInt(insert.tags, 71, 1) > 1) return false;
  const bool cycle = std::find(open.begin(), open.end(), block) != open.end();
  const Matrix4 m = multiply(outer, insertMatrix(insert, *block));
  if (!cycle) {
    open.push_back(block);
    for (const model::Object& child : block->entities) {
      const std::string_view type = model::typeOf(child);
      if (type == "ATTDEF") continue;
      if (type == "INSERT" && partsOfInsert(child, m, ctx, open, parts)) continue;
      Shape shape;
      if (auto box = transformedExtentsOf(child, m, ctx))
        shape.box = *box;
      else
        continue;
      addOutline(outlineOf(child), &m, shape);
      parts.push_back(std::move(shape));
    }
    open.pop_back();
  }
  for (const model::Object& sub : insert.subs)
    if (model::typeOf(sub) == "ATTRIB" && !(model::tagInt(sub.tags, 70) & 1))
      if (auto box = transformedExtentsOf(sub, outer, ctx)) parts.push_back(Shape{{}, *box});
  return true;
}

}  // namespace

SelectionArea SelectionArea::rectangle(SelectMode mode, const Point3& p1, const Point3& p2) {
  if (mode != SelectMode::Window && mode != SelectMode::Crossing)
    throw HostError(
        HostError::Refused,
        "selection: mode " + std::to_string(static_cast<int>(mode)) + " does not take a rectangle");
  if (!finite(p1) || !finite(p2))
    throw HostError(HostError::Refused, "selection: a rectangle corner is not a finite point");
  SelectionArea a;
  a.mode_ = mode;
  const Box b = boxOf(p1, p2);
  a.tolerance_ = kRelativeTolerance * std::max(b.max.x - b.min.x, b.max.y - b.min.y);
  a.bounds_.extend(Point3{b.min.x - a.tolerance_, b.min.y - a.tolerance_, 0});
  a.bounds_.extend(Point3{b.max.x + a.tolerance_, b.max.y + a.tolerance_, 0});
  return a;
}

SelectionArea SelectionArea::polygon(SelectMode mode, std::vector<Point3> vertices) {
  if (mode != SelectMode::WindowPolygon && mode != SelectMode::CrossingPolygon)
    throw HostError(
        HostError::Refused,
        "selection: mode " + std::to_string(static_cast<int>(mode)) + " does not take a polygon");
  if (vertices.size() < 3)
    throw HostError(HostError::Refused, "selection: a polygon needs at least 3 points, got " +
                                            std::to_string(vertices.size()));
  SelectionArea a;
  a.mode_ = mode;
  Box b;
  for (const Point3& p : vertices) {
    if (!finite(p))
      throw HostError(HostError::Refused, "selection: a polygon point is not a finite point");
    b.extend(Point3{p.x, p.y, 0});
  }
  a.tolerance_ = kRelativeTolerance * std::max(b.max.x - b.min.x, b.max.y - b.min.y);
  a.bounds_.extend(Point3{b.min.x - a.tolerance_, b.min.y - a.tolerance_, 0});
  a.bounds_.extend(Point3{b.max.x + a.tolerance_, b.max.y + a.tolerance_, 0});
  a.polygon_ = std::move(vertices);
  return a;
}

bool SelectionArea::polygonContains(double x, double y) const {
  const Point3 p{x, y, 0};
  bool inside = false;
  const std::size_t n = polygon_.size();
  for (std::size_t i = 0, j = n - 1; i < n; j = i++) {
    const Point3& a = polygon_[j];
    const Point3& b = polygon_[i];
    if (segmentsMeet(a, b, p, p, tolerance_)) return true;  // on the boundary
    if ((a.y > y) != (b.y > y) && x < (b.x - a.x) * (y - a.y) / (b.y - a.y) + a.x) inside = !inside;
  }
  return inside;
}

bool SelectionArea::boxInside(const Box& b) const {
  if (polygon_.empty())
    return b.min.x >= bounds_.min.x && b.max.x <= bounds_.max.x && b.min.y >= bounds_.min.y &&
           b.max.y <= bounds_.max.y;
  return false;
}

bool SelectionArea::segmentTouchesArea(const Point3& a, const Point3& b) const {
  if (polygon_.empty()) {
    // Liang-Barsky clipping against the (tolerance-widened) rectangle.
    double t0 = 0, t1 = 1;
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {a.x - bounds_.min.x, bounds_.max.x - a.x, a.y - bounds_.min.y,
                         bounds_.max.y - a.y};
    for (int i = 0; i < 4; ++i) {
      if (p[i] == 0) {
        if (q[i] < 0) return false;
        continue;
      }
      const double t = q[i] / p[i];
      if (p[i] < 0)
        t0 = std::max(t0, t);
      else
        t1 = std::min(t1, t);
      if (t0 > t1) return false;
    }
    return true;
  }
  if (polygonContains(a.x, a.y) || polygonContains(b.x, b.y)) return true;
  return segmentCrossesBoundary(a, b);
}

bool SelectionArea::segmentCrossesBoundary(const Point3& a, const Point3& b) const {
  const std::size_t n = polygon_.size();
  for (std::size_t i = 0, j = n - 1; i < n; j = i++)
    if (segmentsMeet(a, b, polygon_[j], polygon_[i], tolerance_)) return true;
  return false;
}

bool SelectionArea::boxTouches(const Box& b) const {
  if (!b.overlapsXY(bounds_)) return false;
  if (polygon_.empty()) return true;
  // The polygon lies (partly) inside the box, or the box's edges meet the polygon.
  for (const Point3& p : polygon_)
    if (p.x >= b.min.x && p.x <= b.max.x && p.y >= b.min.y && p.y <= b.max.y) return true;
  const Point3 c[4] = {
      {b.min.x, b.min.y, 0}, {b.max.x, b.min.y, 0}, {b.max.x, b.max.y, 0}, {b.min.x, b.max.y, 0}};
  for (int i = 0; i < 4; ++i)
    if (segmentTouchesArea(c[i], c[(i + 1) % 4])) return true;
  return false;
}

bool SelectionArea::within(const Shape& shape) const {
  if (polygon_.empty()) return boxInside(shape.box);
  const Box& b = shape.box;
  if (b.min.x < bounds_.min.x || b.max.x > bounds_.max.x || b.min.y < bounds_.min.y ||
      b.max.y > bounds_.max.y)
    return false;
  auto segmentInside = [this](const Point3& a, const Point3& c) {
    if (!polygonContains(a.x, a.y) || !polygonContains(c.x, c.y)) return false;
    const std::size_t n = polygon_.size();
    for (std::size_t i = 0, j = n - 1; i < n; j = i++)
      if (segmentsCross(a, c, polygon_[j], polygon_[i], tolerance_)) return false;
    return true;
  };
  if (shape.segments.empty()) {
    const Point3 c[4] = {
        {b.min.x, b.min.y, 0}, {b.max.x, b.min.y, 0}, {b.max.x, b.max.y, 0}, {b.min.x, b.max.y, 0}};
    for (int i = 0; i < 4; ++i)
      if (!segmentInside(c[i], c[(i + 1) % 4])) return false;
    return true;
  }
  for (const auto& [a, c] : shape.segments)
    if (!segmentInside(a, c)) return false;
  return true;
}

bool SelectionArea::touches(const Shape& shape) const {
  if (shape.box.isEmpty() || !shape.box.overlapsXY(bounds_)) return false;
  if (polygon_.empty() && boxInside(shape.box)) return true;
  if (shape.segments.empty()) return boxTouches(shape.box);
  for (const auto& [a, b] : shape.segments)
    if (segmentTouchesArea(a, b)) return true;
  return false;
}

bool SelectionArea::selects(const model::Object& entity, const Box& box) const {
  if (box.isEmpty() || !box.overlapsXY(bounds_)) return false;
  if (mode_ == SelectMode::Window) return boxInside(box);
  const bool crossing = mode_ == SelectMode::Crossing || mode_ == SelectMode::CrossingPolygon;
  const Shape shape = shapeOf(entity, box);
  return crossing ? touches(shape) : within(shape);
}

bool SelectionArea::selects(const model::Object& entity, const Box& box,
                            const ExtentsContext& ctx) const {
  if (box.isEmpty() || !box.overlapsXY(bounds_)) return false;
  if (mode_ == SelectMode::WindowPolygon) {
    // A text lies inside a polygon when its own outline does: a turned text whose box pokes
    // out of a turned polygon still lies inside it.
    if (const auto corners = textCorners(entity, ctx)) {
      Shape shape;
      shape.box = box;
      for (int i = 0; i < 4; ++i) {
        shape.segments.emplace_back((*corners)[i], (*corners)[(i + 1) % 4]);
      }
      return within(shape);
    }
  }
  if (mode_ == SelectMode::Window || model::typeOf(entity) != "INSERT") return selects(entity, box);
  const bool crossing = mode_ == SelectMode::Crossing || mode_ == SelectMode::CrossingPolygon;
  // Wholly inside the area: selected in every mode, no need to look at the parts.
  if (polygon_.empty() ? boxInside(box) : within(Shape{{}, box})) return true;
  std::vector<const model::Block*> open;
  std::vector<Shape> parts;
  if (!partsOfInsert(entity, identityMatrix(), ctx, open, parts)) return selects(entity, box);
  for (const Shape& part : parts) {
    if (crossing && touches(part)) return true;
    if (!crossing && !within(part)) return false;
  }
  return !crossing;
}

}  // namespace cadhost::geom
