#include "geom/select_tests.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "cadhost/host_error.h"
#include "geom/extents.h"

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

// The entity as segments: its outline for curves, its box's edges otherwise.
std::vector<std::pair<Point3, Point3>> segmentsOf(const model::Object& entity, const Box& box,
                                                  bool& fromOutline) {
  std::vector<std::pair<Point3, Point3>> out;
  for (const auto& line : outlineOf(entity)) {
    if (line.size() == 1) out.emplace_back(line[0], line[0]);
    for (std::size_t i = 0; i + 1 < line.size(); ++i) out.emplace_back(line[i], line[i + 1]);
  }
  fromOutline = !out.empty();
  if (!fromOutline) {
    const Point3 a{box.min.x, box.min.y, 0}, b{box.max.x, box.min.y, 0}, c{box.max.x, box.max.y, 0},
        d{box.min.x, box.max.y, 0};
    out = {{a, b}, {b, c}, {c, d}, {d, a}};
  }
  return out;
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

bool SelectionArea::selects(const model::Object& entity, const Box& box) const {
  if (box.isEmpty() || !box.overlapsXY(bounds_)) return false;
  switch (mode_) {
    case SelectMode::Window:
      return boxInside(box);
    case SelectMode::Crossing: {
      if (boxInside(box)) return true;
      bool fromOutline = false;
      const auto segments = segmentsOf(entity, box, fromOutline);
      if (!fromOutline) return true;  // boxes overlap
      for (const auto& [a, b] : segments)
        if (segmentTouchesArea(a, b)) return true;
      return false;
    }
    case SelectMode::WindowPolygon: {
      if (box.min.x < bounds_.min.x || box.max.x > bounds_.max.x || box.min.y < bounds_.min.y ||
          box.max.y > bounds_.max.y)
        return false;
      bool fromOutline = false;
      const auto segments = segmentsOf(entity, box, fromOutline);
      const std::size_t n = polygon_.size();
      for (const auto& [a, b] : segments) {
        if (!polygonContains(a.x, a.y) || !polygonContains(b.x, b.y)) return false;
        for (std::size_t i = 0, j = n - 1; i < n; j = i++)
          if (segmentsCross(a, b, polygon_[j], polygon_[i], tolerance_)) return false;
      }
      return true;
    }
    case SelectMode::CrossingPolygon: {
      bool fromOutline = false;
      const auto segments = segmentsOf(entity, box, fromOutline);
      if (!fromOutline) return boxTouches(box);
      for (const auto& [a, b] : segments)
        if (segmentTouchesArea(a, b)) return true;
      return false;
    }
    case SelectMode::All:
      return true;
  }
  return false;
}

}  // namespace cadhost::geom
