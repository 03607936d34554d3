// Fit-point spline curves and the bands of polylines with widths.

#include <gtest/gtest.h>

#include <cmath>

#include "entity_builders.h"
#include "geom/extents.h"
#include "geom/matrix.h"
#include "geom/polyline_band.h"
#include "geom/spline_fit.h"

namespace cadhost::geom {
namespace {

using testing::entity;

const ExtentsContext kNoBlocks{};

void expectPointNear(const Point3& a, const Point3& b, double tolerance = 1e-9) {
  EXPECT_NEAR(a.x, b.x, tolerance);
  EXPECT_NEAR(a.y, b.y, tolerance);
  EXPECT_NEAR(a.z, b.z, tolerance);
}

// First and second derivatives of a piece spanning `h` of chord length, per unit of it.
Point3 firstDerivative(const CubicBezier& b, double t, double h) {
  const double s = 1 - t;
  const Point3 d =
      add(add(scale(subtract(b.p[1], b.p[0]), s * s), scale(subtract(b.p[2], b.p[1]), 2 * s * t)),
          scale(subtract(b.p[3], b.p[2]), t * t));
  return scale(d, 3 / h);
}
Point3 secondDerivative(const CubicBezier& b, double t, double h) {
  const Point3 d0 = add(subtract(b.p[0], scale(b.p[1], 2)), b.p[2]);
  const Point3 d1 = add(subtract(b.p[1], scale(b.p[2], 2)), b.p[3]);
  return scale(add(scale(d0, 1 - t), scale(d1, t)), 6 / (h * h));
}

TEST(FitPointCurve, PassesThroughItsPointsSmoothlyAndLeavesAlongTheGivenTangents) {
  const std::vector<Point3> fits{{0, 0, 0}, {30, 40, 0}, {60, -10, 5}, {100, 30, 0}, {120, 35, 0}};
  const auto pieces = interpolateFitPoints(fits, Point3{2, 0, 0}, Point3{0, -3, 0});
  ASSERT_EQ(pieces.size(), 4u);
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    expectPointNear(pieces[i].p[0], fits[i]);
    expectPointNear(pieces[i].p[3], fits[i + 1]);
  }
  // Twice continuously differentiable across each fit point, in chord length.
  for (std::size_t i = 0; i + 1 < pieces.size(); ++i) {
    const double h0 = length(subtract(fits[i + 1], fits[i]));
    const double h1 = length(subtract(fits[i + 2], fits[i + 1]));
    expectPointNear(firstDerivative(pieces[i], 1, h0), firstDerivative(pieces[i + 1], 0, h1), 1e-9);
    expectPointNear(secondDerivative(pieces[i], 1, h0), secondDerivative(pieces[i + 1], 0, h1),
                    1e-9);
  }
  // The ends run along the given directions at unit speed.
  const double hFirst = length(subtract(fits[1], fits[0]));
  const double hLast = length(subtract(fits[4], fits[3]));
  expectPointNear(firstDerivative(pieces.front(), 0, hFirst), {1, 0, 0});
  expectPointNear(firstDerivative(pieces.back(), 1, hLast), {0, -1, 0});
}

TEST(FitPointCurve, EstimatesMissingEndsAndCopesWithDegenerateInput) {
  // Points on a line give the line, with either end estimated.
  const auto straight = interpolateFitPoints({{0, 0, 0}, {1, 1, 0}, {3, 3, 0}, {4, 4, 0}}, {}, {});
  ASSERT_EQ(straight.size(), 3u);
  for (const CubicBezier& b : straight)
    for (double t : {0.25, 0.5, 0.75}) EXPECT_NEAR(b.at(t).x, b.at(t).y, 1e-9);
  // Points on a circle: the estimated curve stays near the circle, ends included.
  std::vector<Point3> arc;
  for (int i = 0; i <= 6; ++i) {
    const double a = i * 0.25;
    arc.push_back({10 * std::cos(a), 10 * std::sin(a), 0});
  }
  for (const CubicBezier& b : interpolateFitPoints(arc, {}, {}))
    for (double t = 0; t <= 1; t += 0.125) EXPECT_NEAR(length(b.at(t)), 10, 0.01);
  // Repeated points count once; a zero tangent counts as none; one point makes no curve.
  const auto repeated = interpolateFitPoints({{0, 0, 0}, {0, 0, 0}, {10, 0, 0}, {10, 0, 0}},
                                             Point3{0, 0, 0}, std::nullopt);
  ASSERT_EQ(repeated.size(), 1u);
  expectPointNear(repeated[0].at(0.5), {5, 0, 0});
  EXPECT_TRUE(interpolateFitPoints({{1, 1, 0}, {1, 1, 0}}, {}, {}).empty());
  EXPECT_TRUE(interpolateFitPoints({}, {}, {}).empty());
}

TEST(FitPointCurve, SplinesWithControlPointsKeepTheirOwnCurveAndFitOnlySplinesAreBoundExactly) {
  EXPECT_FALSE(fitPointCurve(testing::quadraticSpline()).has_value());
  // Three fit points, the curve leaving the first and reaching the last heading in -x: it
  // swings out past both ends.
  const model::Object spline = entity("SPLINE", {{70, "8"},
                                                 {71, "3"},
                                                 {74, "3"},
                                                 {12, "-1"},
                                                 {22, "0"},
                                                 {32, "0"},
                                                 {13, "-1"},
                                                 {23, "0"},
                                                 {33, "0"},
                                                 {11, "0"},
                                                 {21, "0"},
                                                 {31, "0"},
                                                 {11, "10"},
                                                 {21, "5"},
                                                 {31, "0"},
                                                 {11, "20"},
                                                 {21, "0"},
                                                 {31, "0"}});
  const auto curve = fitPointCurve(spline);
  ASSERT_TRUE(curve.has_value());
  double minX = HUGE_VAL, maxX = -HUGE_VAL, maxY = -HUGE_VAL, minY = HUGE_VAL;
  for (const CubicBezier& b : *curve)
    for (int i = 0; i <= 10000; ++i) {
      const Point3 p = b.at(i / 10000.0);
      minX = std::min(minX, p.x), maxX = std::max(maxX, p.x);
      minY = std::min(minY, p.y), maxY = std::max(maxY, p.y);
    }
  EXPECT_LT(minX, -0.5);
  EXPECT_GT(maxX, 20.5);
  const auto box = extentsOf(spline, kNoBlocks);
  ASSERT_TRUE(box.has_value());
  EXPECT_NEAR(box->min.x, minX, 1e-6);
  EXPECT_NEAR(box->max.x, maxX, 1e-6);
  EXPECT_NEAR(box->min.y, minY, 1e-6);
  EXPECT_NEAR(box->max.y, maxY, 1e-6);
  // Flattened within the tolerance: every chord's midpoint lies near the curve.
  const auto points = flattenBeziers(*curve, 0.01);
  ASSERT_GT(points.size(), 10u);
  expectPointNear(points.front(), {0, 0, 0});
  expectPointNear(points.back(), {20, 0, 0});
}

// The half width of the band across x = `x` (a band along the x axis), from its rings.
double halfWidthAt(const std::vector<std::vector<Point3>>& rings, double x) {
  double top = -HUGE_VAL;
  for (const auto& ring : rings)
    for (std::size_t i = 0; i < ring.size(); ++i) {
      const Point3 a = ring[i], b = ring[(i + 1) % ring.size()];
      if ((a.x - x) * (b.x - x) > 0 || a.x == b.x) continue;
      top = std::max(top, a.y + (b.y - a.y) * (x - a.x) / (b.x - a.x));
    }
  return top;
}

double signedAreaXY(const std::vector<Point3>& ring) {
  double s = 0;
  for (std::size_t i = 0; i < ring.size(); ++i) {
    const Point3 a = ring[i], b = ring[(i + 1) % ring.size()];
    s += a.x * b.y - a.y * b.x;
  }
  return s / 2;
}

TEST(PolylineBand, SegmentsTaperFromTheirStartToTheirEndWidth) {
  // LWPOLYLINE: 2 wide at (0, 0) growing to 8 at (100, 0), then a hairline segment.
  const model::Object lw = entity("LWPOLYLINE", {{90, "3"},
                                                 {70, "0"},
                                                 {10, "0"},
                                                 {20, "0"},
                                                 {40, "2"},
                                                 {41, "8"},
                                                 {10, "100"},
                                                 {20, "0"},
                                                 {10, "100"},
                                                 {20, "50"}});
  const auto shape = polylineShapeOf(lw);
  ASSERT_TRUE(shape && hasWidth(*shape));
  const auto rings = polylineBand(*shape, 0.01);
  ASSERT_EQ(rings.size(), 1u);  // no ring for the hairline, no join to it
  EXPECT_NEAR(halfWidthAt(rings, 0), 1, 1e-9);
  EXPECT_NEAR(halfWidthAt(rings, 50), 2.5, 1e-9);
  EXPECT_NEAR(halfWidthAt(rings, 100), 4, 1e-9);
  EXPECT_GT(signedAreaXY(rings[0]), 0);

  // POLYLINE: the polyline's own widths hold where a vertex gives none; the vertex's own win.
  model::Object pline = entity("POLYLINE", {{66, "1"}, {70, "0"}, {40, "6"}, {41, "6"}});
  pline.subs = {entity("VERTEX", {{10, "0"}, {20, "0"}, {41, "0"}}),
                entity("VERTEX", {{10, "100"}, {20, "0"}}), entity("SEQEND")};
  const auto taper = polylineBand(*polylineShapeOf(pline), 0.01);
  ASSERT_EQ(taper.size(), 1u);
  EXPECT_NEAR(halfWidthAt(taper, 0), 3, 1e-9);
  EXPECT_NEAR(halfWidthAt(taper, 75), 0.75, 1e-9);

  // No widths, or a 3D polyline: no band.
  EXPECT_FALSE(hasWidth(*polylineShapeOf(
      entity("LWPOLYLINE", {{90, "2"}, {70, "0"}, {10, "0"}, {20, "0"}, {10, "5"}, {20, "0"}}))));
  model::Object spatial = entity("POLYLINE", {{66, "1"}, {70, "8"}, {40, "6"}});
  spatial.subs = {entity("VERTEX", {{10, "0"}, {20, "0"}, {30, "0"}, {70, "32"}}),
                  entity("VERTEX", {{10, "9"}, {20, "0"}, {30, "4"}, {70, "32"}}),
                  entity("SEQEND")};
  EXPECT_FALSE(hasWidth(*polylineShapeOf(spatial)));
  EXPECT_TRUE(polylineBand(*polylineShapeOf(spatial), 0.01).empty());
}

TEST(PolylineBand, ArcsKeepTheirCentreAndCornersAreMitred) {
  // A half circle of radius 10 about the origin, 2 wide at its start and 6 at its end.
  const model::Object arc = entity("LWPOLYLINE", {{90, "2"},
                                                  {70, "0"},
                                                  {10, "10"},
                                                  {20, "0"},
                                                  {40, "2"},
                                                  {41, "6"},
                                                  {42, "1"},
                                                  {10, "-10"},
                                                  {20, "0"}});
  const auto rings = polylineBand(*polylineShapeOf(arc), 0.001);
  ASSERT_EQ(rings.size(), 1u);
  double inner = HUGE_VAL, outer = 0;
  for (const Point3& p : rings[0]) {
    const double r = std::hypot(p.x, p.y);
    if (p.x > 0 && std::fabs(p.y) < 1e-9) inner = std::min(inner, r), outer = std::max(outer, r);
  }
  EXPECT_NEAR(inner, 9, 1e-9);
  EXPECT_NEAR(outer, 11, 1e-9);
  EXPECT_NEAR(halfWidthAt(rings, 0), 12, 0.002);  // half way round: 4 wide
  EXPECT_GT(signedAreaXY(rings[0]), 0);

  // A closed square of constant width 2: its outer corners are square, out to (-1, -1) and
  // (11, 11), and every ring runs counter-clockwise.
  const model::Object square = entity("LWPOLYLINE", {{90, "4"},
                                                     {70, "1"},
                                                     {43, "2"},
                                                     {10, "0"},
                                                     {20, "0"},
                                                     {10, "10"},
                                                     {20, "0"},
                                                     {10, "10"},
                                                     {20, "10"},
                                                     {10, "0"},
                                                     {20, "10"}});
  const auto frame = polylineBand(*polylineShapeOf(square), 0.01);
  EXPECT_EQ(frame.size(), 8u);  // four sides, four corners
  bool lowerLeft = false, upperRight = false;
  for (const auto& ring : frame) {
    EXPECT_GT(signedAreaXY(ring), 0);
    for (const Point3& p : ring) {
      lowerLeft = lowerLeft || (std::fabs(p.x + 1) < 1e-9 && std::fabs(p.y + 1) < 1e-9);
      upperRight = upperRight || (std::fabs(p.x - 11) < 1e-9 && std::fabs(p.y - 11) < 1e-9);
    }
  }
  EXPECT_TRUE(lowerLeft);
  EXPECT_TRUE(upperRight);
}

// An arc whose chords cannot be counted takes the most chords when its radius is too large
// (a bulge of 1e150), one when its parameters are not numbers, never an undefined conversion
// of the count (the sanitizer build stops at one).
TEST(PolylineBand, ArcsWhoseChordsCannotBeCountedStillFlatten) {
  const model::Object wide = entity("LWPOLYLINE", {{90, "2"},
                                                   {70, "0"},
                                                   {43, "1"},
                                                   {10, "0"},
                                                   {20, "0"},
                                                   {42, "1e150"},
                                                   {10, "10"},
                                                   {20, "0"}});
  const auto rings = polylineBand(*polylineShapeOf(wide), 0.01);
  ASSERT_FALSE(rings.empty());
  for (const auto& ring : rings) EXPECT_LE(ring.size(), 2u * 1441);
  CurvePiece piece;
  piece.kind = CurvePiece::Arc;
  piece.arc = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, std::nan(""), 1};
  EXPECT_EQ(flatten(piece).size(), 2u);
}

}  // namespace
}  // namespace cadhost::geom
