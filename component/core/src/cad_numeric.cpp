// Plane distance of two points.

#include <cmath>

#include "tarvik/cad.h"

namespace tarvik {

double CAD::Dist(const Point3d& P1, const Point3d& P2) const {
  const double dx = P2[0] - P1[0];
  const double dy = P2[1] - P1[1];
  return std::sqrt(dx * dx + dy * dy);
}

}  // namespace tarvik
