#pragma once

// Axis-aligned boxes in world coordinates.

#include <algorithm>
#include <limits>

#include "cadhost/types.h"

namespace cadhost::geom {

// An axis-aligned box. A default-constructed box is empty (min above max) and grows with
// extend(); isEmpty() tells whether anything was added.
struct Box {
  Point3 min{std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity(),
             std::numeric_limits<double>::infinity()};
  Point3 max{-std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
             -std::numeric_limits<double>::infinity()};

  bool isEmpty() const { return min.x > max.x; }

  void extend(const Point3& p) {
    min.x = std::min(min.x, p.x);
    min.y = std::min(min.y, p.y);
    min.z = std::min(min.z, p.z);
    max.x = std::max(max.x, p.x);
    max.y = std::max(max.y, p.y);
    max.z = std::max(max.z, p.z);
  }
  void extend(const Box& b) {
    if (b.isEmpty()) return;
    extend(b.min);
    extend(b.max);
  }

  // True when the boxes share at least one point of the XY plane (touching counts).
  bool overlapsXY(const Box& b) const {
    return min.x <= b.max.x && b.min.x <= max.x && min.y <= b.max.y && b.min.y <= max.y;
  }

  bool operator==(const Box&) const = default;
};

// The box with the two points as opposite corners.
inline Box boxOf(const Point3& a, const Point3& b) {
  Box box;
  box.extend(a);
  box.extend(b);
  return box;
}

}  // namespace cadhost::geom
