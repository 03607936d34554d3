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

void BoxBuilder::bezier(const CubicBezier& curve) {
  CubicBezier w;
  for (int i = 0; i < 4; ++i) w.p[i] = transformPoint(m_, curve.p[i]);
  box_.extend(w.p[0]);
  box_.extend(w.p[3]);
  // Along each axis the derivative is a quadratic A t^2 + B t + C; its roots in (0, 1) are the
  // curve's turning points.
  auto axis = [](const Point3& p, int k) { return k == 0 ? p.x : k == 1 ? p.y : p.z; };
  for (int k = 0; k < 3; ++k) {
    const double d0 = axis(w.p[1], k) - axis(w.p[0], k), d1 = axis(w.p[2], k) - axis(w.p[1], k),
                 d2 = axis(w.p[3], k) - axis(w.p[2], k);
    const double a = d0 - 2 * d1 + d2, b = 2 * (d1 - d0), c = d0;
    double roots[2];
    int count = 0;
    const double scaleOf = std::fabs(a) + std::fabs(b) + std::fabs(c);
    if (!(scaleOf > 0)) continue;
    if (std::fabs(a) <= 1e-12 * scaleOf) {
      if (b != 0) roots[count++] = -c / b;
    } else {
      const double disc = b * b - 4 * a * c;
      if (disc >= 0) {
        const double s = std::sqrt(disc);
        roots[count++] = (-b + s) / (2 * a);
        roots[count++] = (-b - s) / (2 * a);
      }
    }
    for (int i = 0; i < count; ++i)
      if (roots[i] > 0 && roots[i] < 1) box_.extend(w.at(roots[i]));
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
