#pragma once

// The filled band of a polyline with widths: each segment as a ring whose width runs evenly
// from the segment's start width to its end width (arcs keep their centre), and a mitred join
// (bevelled where the mitre would be long) at each vertex where two banded segments meet.

#include <vector>

#include "cadhost/types.h"
#include "geom/curves.h"

namespace cadhost::geom {

// Whether any segment of the shape has a width.
bool hasWidth(const PolylineShape& shape);

// The band's rings in WCS, all running counter-clockwise in the polyline's plane, whose union
// is the band; arcs in chords within `tolerance` (drawing units) of their edges. Segments of
// no width at either end give no ring.
std::vector<std::vector<Point3>> polylineBand(const PolylineShape& shape, double tolerance);

}  // namespace cadhost::geom
