#include "geom/spline_fit.h"

#include <algorithm>
#include <cmath>

#include "geom/curves.h"
#include "geom/matrix.h"
#include "model/tags.h"

namespace cadhost::geom {

namespace {

// Points closer than this (relative to the whole chord length) count as one.
constexpr double kRepeatTolerance = 1e-12;

// The highest degree CAD programs make (order 26). Evaluating a point costs the square of the
// degree, so a damaged file's degree of thousands would take minutes to draw.
constexpr int kMaxDegree = 25;

std::optional<Point3> directionTag(const model::Tags& tags, int code) {
  if (!model::findTag(tags, code)) return std::nullopt;
  const Point3 v = pointTag(tags, code);
  if (!std::isfinite(v.x) || !std::isfinite(v.y) || !std::isfinite(v.z)) return std::nullopt;
  return v;
}

// The direction of the curve at its first (or last) point, by Akima's rule: the chords next
// to the point, weighted by how much the chords beyond them turn, with the chord polygon
// carried on past its end by two chords of the same turn.
Point3 estimatedEndDirection(const std::vector<Point3>& q, bool atEnd) {
  const std::size_t n = q.size();
  if (n < 3) return normalized(subtract(q[n - 1], q[0]));
  // The chords in order away from the end: c0 leaves the end point, c1 follows it.
  const Point3 c0 = atEnd ? subtract(q[n - 2], q[n - 1]) : subtract(q[1], q[0]);
  const Point3 c1 = atEnd ? subtract(q[n - 3], q[n - 2]) : subtract(q[2], q[1]);
  const Point3 e1 = subtract(scale(c0, 2), c1);  // the chord before the end
  const Point3 e2 = subtract(scale(e1, 2), c0);  // and the one before that
  const double w0 = length(cross(c0, c1)), w1 = length(cross(e2, e1));
  const Point3 t = w0 + w1 > 0 ? add(scale(e1, w0), scale(c0, w1)) : add(e1, c0);
  const Point3 d = normalized(t);
  return atEnd ? scale(d, -1) : d;
}

}  // namespace

SplineData splineData(const model::Object& spline) {
  const model::Tags& tags = spline.tags;
  SplineData out;
  out.degree = static_cast<int>(std::clamp(model::tagInt(tags, 71, 3), -1LL, 1000000LL));
  for (const model::Tag& t : tags) {
    if (t.code == 40)
      out.knots.push_back(model::parseDouble(t.value).value_or(0));
    else if (t.code == 41)
      out.weights.push_back(model::parseDouble(t.value).value_or(1));
  }
  out.controls = pointTags(tags, 10);
  out.fits = pointTags(tags, 11);
  out.startTangent = directionTag(tags, 12);
  out.endTangent = directionTag(tags, 13);
  return out;
}

bool hasControlCurve(const SplineData& s) {
  const std::size_t n = s.controls.size();
  return s.degree >= 1 && s.degree <= kMaxDegree && n > static_cast<std::size_t>(s.degree) &&
         s.knots.size() == n + static_cast<std::size_t>(s.degree) + 1 &&
         (s.weights.empty() || s.weights.size() == n);
}

Point3 CubicBezier::at(double t) const {
  const double s = 1 - t;
  const double b0 = s * s * s, b1 = 3 * s * s * t, b2 = 3 * s * t * t, b3 = t * t * t;
  return {b0 * p[0].x + b1 * p[1].x + b2 * p[2].x + b3 * p[3].x,
          b0 * p[0].y + b1 * p[1].y + b2 * p[2].y + b3 * p[3].y,
          b0 * p[0].z + b1 * p[1].z + b2 * p[2].z + b3 * p[3].z};
}

std::vector<CubicBezier> interpolateFitPoints(std::vector<Point3> fits,
                                              const std::optional<Point3>& startTangent,
                                              const std::optional<Point3>& endTangent) {
  double total = 0;
  for (std::size_t i = 1; i < fits.size(); ++i) total += length(subtract(fits[i], fits[i - 1]));
  if (!std::isfinite(total)) return {};
  // Drop repeated points: a zero chord would make the knots coincide.
  std::vector<Point3> q;
  std::vector<double> h;  // chord lengths, the knot spacing
  for (const Point3& p : fits) {
    if (!q.empty()) {
      const double d = length(subtract(p, q.back()));
      if (!(d > kRepeatTolerance * total)) continue;
      h.push_back(d);
    }
    q.push_back(p);
  }
  const std::size_t n = q.size();
  if (n < 2) return {};

  // The derivatives m_i at the fit points (with respect to chord length) that make the
  // curve twice continuously differentiable: a tridiagonal system a m_{i-1} + b m_i + c m_{i+1}
  // = r, with the unit directions at the ends fixed.
  std::vector<double> a(n, 0), b(n, 1), c(n, 0);
  std::vector<Point3> r(n);
  auto slope = [&](std::size_t i) { return scale(subtract(q[i + 1], q[i]), 1.0 / h[i]); };
  auto unit = [](const std::optional<Point3>& t) -> std::optional<Point3> {
    if (!t || !(length(*t) > 0)) return std::nullopt;
    return normalized(*t);
  };
  r[0] = unit(startTangent).value_or(estimatedEndDirection(q, false));
  r[n - 1] = unit(endTangent).value_or(estimatedEndDirection(q, true));
  for (std::size_t i = 1; i + 1 < n; ++i) {
    a[i] = h[i];
    b[i] = 2 * (h[i - 1] + h[i]);
    c[i] = h[i - 1];
    r[i] = scale(add(scale(slope(i - 1), h[i]), scale(slope(i), h[i - 1])), 3);
  }
  // Thomas algorithm; the system is diagonally dominant, so no pivoting is needed.
  for (std::size_t i = 1; i < n; ++i) {
    const double w = a[i] / b[i - 1];
    b[i] -= w * c[i - 1];
    r[i] = subtract(r[i], scale(r[i - 1], w));
  }
  std::vector<Point3> m(n);
  m[n - 1] = scale(r[n - 1], 1.0 / b[n - 1]);
  for (std::size_t i = n - 1; i-- > 0;)
    m[i] = scale(subtract(r[i], scale(m[i + 1], c[i])), 1.0 / b[i]);

  std::vector<CubicBezier> out;
  out.reserve(n - 1);
  for (std::size_t i = 0; i + 1 < n; ++i)
    out.push_back({{q[i], add(q[i], scale(m[i], h[i] / 3)),
                    subtract(q[i + 1], scale(m[i + 1], h[i] / 3)), q[i + 1]}});
  return out;
}

std::optional<std::vector<CubicBezier>> fitPointCurve(const SplineData& spline) {
  if (hasControlCurve(spline)) return std::nullopt;
  std::vector<CubicBezier> pieces =
      interpolateFitPoints(spline.fits, spline.startTangent, spline.endTangent);
  if (pieces.empty()) return std::nullopt;
  return pieces;
}

std::optional<std::vector<CubicBezier>> fitPointCurve(const model::Object& spline) {
  return fitPointCurve(splineData(spline));
}

std::vector<Point3> flattenBeziers(const std::vector<CubicBezier>& pieces, double tolerance) {
  std::vector<Point3> out;
  if (pieces.empty()) return out;
  out.push_back(pieces.front().p[0]);
  for (const CubicBezier& bz : pieces) {
    // A chord of parameter step 1/k leaves the curve by at most max|B''| / (8 k^2), and
    // |B''| <= 6 max(|p0 - 2 p1 + p2|, |p1 - 2 p2 + p3|).
    const double d1 = length(add(subtract(bz.p[0], scale(bz.p[1], 2)), bz.p[2]));
    const double d2 = length(add(subtract(bz.p[1], scale(bz.p[2], 2)), bz.p[3]));
    const double bound = 6 * std::max(d1, d2);
    double k = 1;
    if (tolerance > 0 && bound > 0) k = std::ceil(std::sqrt(bound / (8 * tolerance)));
    const int steps = static_cast<int>(std::clamp(std::isfinite(k) ? k : 1.0, 1.0, 1024.0));
    for (int i = 1; i <= steps; ++i) out.push_back(bz.at(static_cast<double>(i) / steps));
  }
  return out;
}

}  // namespace cadhost::geom
