#include "geom/raw_extents.h"

#include <array>
#include <cmath>
#include <optional>
#include <vector>

#include "geom/hatch_boundary.h"
#include "geom/matrix.h"
#include "geom/spline_fit.h"
#include "model/tags.h"

namespace cadhost::geom {

bool addHatchBoundary(const model::Object& hatch, BoxBuilder& out) {
  const auto boundary = readHatchBoundary(hatch);
  if (!boundary) return false;
  const Ocs& ocs = boundary->ocs;
  BoxBuilder local(out.matrix());
  for (const std::vector<HatchEdge>& path : boundary->paths)
    for (const HatchEdge& edge : path) {
      if (edge.kind == HatchEdge::Spline) {
        for (const Point3& p : edge.spline.controls) local.point(ocs.toWcs(p));
        for (const Point3& p : edge.spline.fits) local.point(ocs.toWcs(p));
      } else if (edge.piece.kind == CurvePiece::Arc) {
        const EllipseArc& arc = edge.piece.arc;
        local.arc({ocs.toWcs(arc.c), ocs.toWcs(arc.u), ocs.toWcs(arc.v), arc.t0, arc.t1});
      } else {
        local.point(ocs.toWcs(edge.piece.a));
        local.point(ocs.toWcs(edge.piece.b));
      }
    }
  out.box(local.result());
  return true;
}

namespace {

// The sampled curve; nullopt when the knots, control points and weights do not make one.
std::optional<std::vector<Point3>> sampleSpline(const SplineData& spline) {
  if (!hasControlCurve(spline)) return std::nullopt;
  const int degree = spline.degree;
  const std::vector<double>& knots = spline.knots;
  const std::vector<double>& weights = spline.weights;
  const std::vector<Point3>& controls = spline.controls;
  const std::size_t n = controls.size();
  // de Boor in homogeneous coordinates, sampled evenly on every non-empty knot span.
  constexpr int kSamples = 32;
  std::vector<Point3> points;
  std::vector<std::array<double, 4>> d(degree + 1);
  for (std::size_t span = degree; span < n; ++span) {
    const double a = knots[span], b = knots[span + 1];
    if (!(b > a)) continue;
    for (int s = 0; s <= kSamples; ++s) {
      const double t = a + (b - a) * s / kSamples;
      for (int j = 0; j <= degree; ++j) {
        const std::size_t k = span - degree + j;
        const double w = weights.empty() ? 1.0 : weights[k];
        d[j] = {controls[k].x * w, controls[k].y * w, controls[k].z * w, w};
      }
      for (int r = 1; r <= degree; ++r)
        for (int j = degree; j >= r; --j) {
          const std::size_t i = span - degree + j;
          const double denom = knots[i + degree + 1 - r] - knots[i];
          const double alpha = denom > 0 ? (t - knots[i]) / denom : 0;
          for (int q = 0; q < 4; ++q) d[j][q] = (1 - alpha) * d[j - 1][q] + alpha * d[j][q];
        }
      const auto& p = d[degree];
      if (p[3] != 0) points.push_back({p[0] / p[3], p[1] / p[3], p[2] / p[3]});
    }
  }
  return points.empty() ? controls : points;
}

}  // namespace

std::vector<Point3> splinePoints(const model::Object& spline) {
  return splinePoints(splineData(spline));
}

std::vector<Point3> splinePoints(const SplineData& spline) {
  if (auto points = sampleSpline(spline)) return *points;
  if (auto curve = fitPointCurve(spline)) {
    // About a thousandth of the curve's size.
    BoxBuilder box(identityMatrix());
    for (const CubicBezier& piece : *curve) box.bezier(piece);
    const Box b = box.result();
    return flattenBeziers(*curve, 1e-3 * length(subtract(b.max, b.min)));
  }
  return spline.fits.size() >= 2 ? spline.fits : spline.controls;
}

void addSpline(const model::Object& entity, BoxBuilder& out) {
  const SplineData spline = splineData(entity);
  if (auto points = sampleSpline(spline)) {
    for (const Point3& p : *points) out.point(p);
    return;
  }
  if (auto curve = fitPointCurve(spline)) {
    for (const CubicBezier& piece : *curve) out.bezier(piece);
    return;
  }
  for (const Point3& p : spline.controls) out.point(p);
  for (const Point3& p : spline.fits) out.point(p);
}

void addImage(const model::Object& image, BoxBuilder& out) {
  const Point3 origin = pointTag(image.tags, 10);
  const Point3 u = scale(pointTag(image.tags, 11), model::tagDouble(image.tags, 13, 1));
  const Point3 v = scale(pointTag(image.tags, 12), model::tagDouble(image.tags, 23, 1));
  out.point(origin);
  out.point(add(origin, u));
  out.point(add(origin, v));
  out.point(add(add(origin, u), v));
}

}  // namespace cadhost::geom
