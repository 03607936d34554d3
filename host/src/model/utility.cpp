#include "cadhost/utility.h"

#include <cmath>
#include <numbers>

#include "geom/matrix.h"
#include "model/document_core.h"
#include "model/ucs_math.h"

namespace cadhost {

using detail::DocumentCore;

Point3 Utility::polarPoint(const Point3& p, double angle, double distance) const {
  DocumentCore::lock(doc_);
  return Point3{p.x + distance * std::cos(angle), p.y + distance * std::sin(angle), p.z};
}

double Utility::angleFromXAxis(const Point3& p1, const Point3& p2) const {
  DocumentCore::lock(doc_);
  double a = std::atan2(p2.y - p1.y, p2.x - p1.x);
  if (a < 0) a += 2 * std::numbers::pi;
  return a >= 2 * std::numbers::pi ? 0.0 : a;
}

Point3 Utility::translateCoordinates(const Point3& p, CoordSys from, CoordSys to,
                                     bool displacement) const {
  auto c = DocumentCore::lock(doc_);
  auto valid = [](CoordSys s) {
    return s == CoordSys::World || s == CoordSys::User || s == CoordSys::Display;
  };
  if (!valid(from) || !valid(to))
    throw HostError(HostError::Refused, "unknown coordinate system code");
  // Display coordinates are those of the plan view of the world system.
  const Matrix4 ucs = detail::currentUcsMatrix(*c);
  auto apply = [&](const Matrix4& m, const Point3& v) {
    return displacement ? geom::transformVector(m, v) : geom::transformPoint(m, v);
  };
  Point3 world = p;
  if (from == CoordSys::User) world = apply(ucs, p);
  if (to != CoordSys::User) return world;
  // WCS -> UCS: the inverse of an orthonormal frame is its transpose.
  const Point3 o{ucs[3], ucs[7], ucs[11]};
  const Point3 v = displacement ? world : geom::subtract(world, o);
  return Point3{ucs[0] * v.x + ucs[4] * v.y + ucs[8] * v.z,
                ucs[1] * v.x + ucs[5] * v.y + ucs[9] * v.z,
                ucs[2] * v.x + ucs[6] * v.y + ucs[10] * v.z};
}

}  // namespace cadhost
