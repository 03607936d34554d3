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

constexpr std::size_t kMaxDepth = 16;
// Parts looked at for one block reference at the most; beyond it the reference is tested by
// its box. A reference whose parts are boxed inside or outside the area costs one test
// however many parts it holds, so only a reference laid along the area's edge gets here.
constexpr long kMaxParts = 50'000;

}  // namespace

// Decides a block reference by its parts: every entity of its block (attribute definitions
// excluded, nested references opened in turn) under the reference's transform, and its
// attributes. A nested reference is first tested by its box: wholly inside or wholly outside
// decides all of its parts at once; only one that crosses the area's edge is opened. Stops at
// the first part that decides the reference (crossing: one that touches the area; window
// polygon: one that is not within it).
class SelectionArea::PartsWalk {
 public:
  enum class Result { Open, Decided, CannotList, TooMany };

  PartsWalk(const SelectionArea& area, const ExtentsContext& ctx)
      : area_(area),
        ctx_(ctx),
        crossing_(area.mode_ == SelectMode::Crossing || area.mode_ == SelectMode::CrossingPolygon) {
  }

  bool crossing() const { return crossing_; }

  // Open: no part decided the reference; Decided: one did; CannotList: a missing block, a
  // MINSERT array or too deep; TooMany: the part cap was reached.
  Result reference(const model::Object& insert, const Matrix4& outer) {
    const model::Tag* name = model::findTag(insert.tags, 2);
    const model::Block* block = name && ctx_.findBlock ? ctx_.findBlock(name->value) : nullptr;
    if (!block || open_.size() >= kMaxDepth) return Result::CannotList;
    if (model::tagInt(insert.tags, 70, 1) > 1 || model::tagInt(insert.tags, 71, 1) > 1)
      return Result::CannotList;
    const bool cycle = std::find(open_.begin(), open_.end(), block) != open_.end();
    const Matrix4 m = multiply(outer, insertMatrix(insert, *block));
    if (!cycle) {
      open_.push_back(block);
      for (std::size_t i = 0; i < block->entities.size(); ++i) {
        if (ctx_.erasedInBlock && ctx_.erasedInBlock(*block, i)) continue;
        const Result r = part(block->entities[i], m);
        if (r != Result::Open) return r;
      }
      open_.pop_back();
    }
    for (const model::Object& sub : insert.subs)
      if (model::typeOf(sub) == "ATTRIB" && !(model::tagInt(sub.tags, 70) & 1))
        if (auto box = transformedExtentsOf(sub, outer, ctx_))
          if (decides(Shape{{}, *box})) return Result::Decided;
    return Result::Open;
  }

 private:
  bool decides(const Shape& shape) const {
    return crossing_ ? area_.touches(shape) : !area_.within(shape);
  }

  Result part(const model::Object& child, const Matrix4& m) {
    const std::string_view type = model::typeOf(child);
    if (type == "ATTDEF") return Result::Open;
    if (++visited_ > kMaxParts) return Result::TooMany;
    if (type == "INSERT") {
      const auto bounds = boundsOf(child, m, ctx_);
      if (!bounds) return Result::Open;  // no parts
      const bool inside =
          area_.polygon_.empty() ? area_.boxInside(*bounds) : area_.within(Shape{{}, *bounds});
      if (inside) return crossing_ ? Result::Decided : Result::Open;
      if (!bounds->overlapsXY(area_.bounds_)) return crossing_ ? Result::Open : Result::Decided;
      const Result r = reference(child, m);
      if (r != Result::CannotList) return r;
    }
    Shape shape;
    if (auto box = transformedExtentsOf(child, m, ctx_))
      shape.box = *box;
    else
      return Result::Open;
    addOutline(outlineOf(child), &m, shape);
    return decides(shape) ? Result::Decided : Result::Open;
  }

  const SelectionArea& area_;
  const ExtentsContext& ctx_;
  const bool crossing_;
  std::vector<const model::Block*> open_;
  long visited_ = 0;
};

namespace {}  // namespace

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
  // Each side is widened by a share of its own length: a strip a mile long but one text high
  // must not reach the next strip. Scaled before subtracting, so that no extent overflows.
  const double tolX = kRelativeTolerance * b.max.x - kRelativeTolerance * b.min.x;
  const double tolY = kRelativeTolerance * b.max.y - kRelativeTolerance * b.min.y;
  a.tolerance_ = std::max(tolX, tolY);
  a.bounds_.extend(Point3{b.min.x - tolX, b.min.y - tolY, 0});
  a.bounds_.extend(Point3{b.max.x + tolX, b.max.y + tolY, 0});
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
    if (const auto corners = textCorners(entity)) {
      Shape shape;
      shape.box = box;
      for (int i = 0; i < 4; ++i) {
        shape.segments.emplace_back((*corners)[i], (*corners)[(i + 1) % 4]);
      }
      return within(shape);
    }
  }
  if (model::typeOf(entity) != "INSERT") return selects(entity, box);
  const bool crossing = mode_ == SelectMode::Crossing || mode_ == SelectMode::CrossingPolygon;
  // Wholly inside the area: selected in every mode, no need to look at the parts. A window
  // looks at the parts of a reference whose box crosses its edge: the box of a reference turned
  // by an odd angle can be larger than its parts.
  if (polygon_.empty() ? boxInside(box) : within(Shape{{}, box})) return true;
  PartsWalk walk(*this, ctx);
  switch (walk.reference(entity, identityMatrix())) {
    case PartsWalk::Result::Decided:
      return crossing;
    case PartsWalk::Result::Open:
      return !crossing;
    case PartsWalk::Result::CannotList:
    case PartsWalk::Result::TooMany:
      break;
  }
  // The reference's box stands for its parts: crossing selects it when the box touches the
  // area, the window modes when the box lies within.
  return selects(entity, box);
}

}  // namespace cadhost::geom
