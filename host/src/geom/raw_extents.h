#pragma once

// Extents of entity types that the host carries as raw tags: HATCH, SPLINE, IMAGE.

#include <vector>

#include "geom/box_builder.h"
#include "model/drawing.h"

namespace cadhost::geom {

// The boundary paths of a HATCH (lines, arcs, elliptic arcs, spline control points, polyline
// vertices with bulges). Returns false when the boundary data is not as expected.
bool addHatchBoundary(const model::Object& hatch, BoxBuilder& out);

// A SPLINE through its curve, sampled from the knots, control points and weights; the box of
// its control and fit points when that data is incomplete.
void addSpline(const model::Object& spline, BoxBuilder& out);
// The curve of a SPLINE as points, sampled as above; its fit points, else its control points,
// when the curve data is incomplete.
std::vector<Point3> splinePoints(const model::Object& spline);

// IMAGE and WIPEOUT: the parallelogram of the insertion point 10 and the pixel vectors 11 and
// 12 times the image size 13 / 23.
void addImage(const model::Object& image, BoxBuilder& out);

}  // namespace cadhost::geom
