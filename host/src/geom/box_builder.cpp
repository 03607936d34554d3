#include "geom/box_builder.h"

#include <cmath>
#include <numbers>

#include "geom/matrix.h"

namespace cadhost::geom {

void BoxBuilder::point(const Point3& p) {
  box_.extend(transformPoint(m_, p));
}

void BoxBuilder::arc(const EllipseArc& a) {
  const EllipseArc w{transformPoint(m_, a.c), transformVector(m_, a.u), transformVector(m_, a.v),
                     a.t0, a.t1};
  box_.extend(w.at(w.t0));
  box_.extend(w.at(w.t1));
  // Along each axis k, c_k + u_k cos t + v_k sin t is extreme where tan t = v_k / u_k.
  const double us[3] = {w.u.x, w.u.y, w.u.z}, vs[3] = {w.v.x, w.v.y, w.v.z};
  for (int k = 0; k < 3; ++k) {
    if (us[k] == 0 && vs[k] == 0) continue;
    const double phi = std::atan2(vs[k], us[k]);
    for (double t : {phi, phi + std::numbers::pi}) {
      const double tt = normalizeFrom(t, w.t0);
      if (tt <= w.t1) box_.extend(w.at(tt));
    }
  }
}

void BoxBuilder::piece(const CurvePiece& p) {
  if (p.kind == CurvePiece::Segment) {
    point(p.a);
    point(p.b);
  } else {
    arc(p.arc);
  }
}

}  // namespace cadhost::geom
