#pragma once

// What defines a spline (a SPLINE entity or a hatch's spline edge), and the curve of one given
// only by fit points: the cubic through them with knots at their cumulative chord lengths, twice
// continuously differentiable, leaving each end along the tangent stored with the spline (groups 12
// and 13) or, where none is stored, along the direction the nearby chords suggest, at the speed of
// the chord-length parameter. Returned as cubic Bezier pieces, one between each pair of fit points.

#include <optional>
#include <vector>

#include "cadhost/types.h"
#include "model/drawing.h"

namespace cadhost::geom {

// A spline as stored: its degree, knots, control points with their weights (none for a
// non-rational spline), fit points and the end tangents stored with them.
struct SplineData {
  int degree = 3;
  std::vector<double> knots, weights;
  std::vector<Point3> controls, fits;
  std::optional<Point3> startTangent, endTangent;
};

// The data of a SPLINE entity (groups 71, 40, 41, 10, 11, 12 and 13).
SplineData splineData(const model::Object& spline);

// The knots, control points and weights make a curve of their own (of degree 1 to 25).
bool hasControlCurve(const SplineData& spline);

struct CubicBezier {
  Point3 p[4];

  Point3 at(double t) const;
};

// The interpolating cubic through `fits` (consecutive repeated points count once), with the
// start and end directions where given (a zero vector counts as none). Empty for fewer than
// two distinct points.
std::vector<CubicBezier> interpolateFitPoints(std::vector<Point3> fits,
                                              const std::optional<Point3>& startTangent,
                                              const std::optional<Point3>& endTangent);

// The fit-point curve of a spline whose knots, control points and weights do not make a curve
// (files written with fit points only); nullopt when they do, or when the spline has fewer
// than two distinct fit points.
std::optional<std::vector<CubicBezier>> fitPointCurve(const SplineData& spline);
std::optional<std::vector<CubicBezier>> fitPointCurve(const model::Object& spline);

// Points along the pieces, every chord within `tolerance` of the curve (in the pieces' units);
// the pieces are expected to join end to start.
std::vector<Point3> flattenBeziers(const std::vector<CubicBezier>& pieces, double tolerance);

}  // namespace cadhost::geom
