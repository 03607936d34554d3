#pragma once

// Extents of entity types that the host carries as raw tags: HATCH, SPLINE, IMAGE.

#include <vector>

#include "geom/box_builder.h"
#include "geom/spline_fit.h"
#include "model/drawing.h"

namespace cadhost::geom {

// The boundary paths of a HATCH (lines, arcs, elliptic arcs, spline control points, polyline
// vertices with bulges). Returns false when the boundary data is not as expected.
bool addHatchBoundary(const model::Object& hatch, BoxBuilder& out);

// A SPLINE through its curve, sampled from the knots, control points and weights, or bounded
// exactly through the curve of its fit points when it has no control data; the box of its
// control and fit points when neither makes a curve.
void addSpline(const model::Object& spline, BoxBuilder& out);
// The curve of a SPLINE as points, sampled as above (the fit-point curve within a thousandth of
// its size); its fit points, else its control points, when no curve can be made.
std::vector<Point3> splinePoints(const model::Object& spline);
std::vector<Point3> splinePoints(const SplineData& spline);

// IMAGE and WIPEOUT: the parallelogram of the insertion point 10 and the pixel vectors 11 and
// 12 times the image size 13 / 23.
void addImage(const model::Object& image, BoxBuilder& out);

}  // namespace cadhost::geom
