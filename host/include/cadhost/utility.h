#pragma once

// Geometric helpers of a document.

#include "cadhost/fwd.h"
#include "cadhost/types.h"

namespace cadhost {

class Utility {
 public:
  Utility() = default;

  // (x + d cos a, y + d sin a, z).
  Point3 polarPoint(const Point3& p, double angle, double distance) const;
  // Angle of p1 -> p2 in the XY plane, in [0, 2 pi).
  double angleFromXAxis(const Point3& p1, const Point3& p2) const;
  // Between WCS, the current UCS and display coordinates (the plan view of the WCS). With
  // `displacement` the point is a vector and the origin is not shifted.
  Point3 translateCoordinates(const Point3& p, CoordSys from, CoordSys to, bool displacement) const;

 private:
  friend class detail::DocumentCore;
  explicit Utility(std::weak_ptr<detail::DocumentCore> doc) : doc_(std::move(doc)) {}

  std::weak_ptr<detail::DocumentCore> doc_;
};

}  // namespace cadhost
