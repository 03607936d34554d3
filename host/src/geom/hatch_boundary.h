#pragma once

// The boundary paths of a HATCH as read from its tags: polyline paths (vertices with bulges)
// and edge paths (lines, circular and elliptic arcs, splines), in the hatch's OCS.

#include <cstddef>
#include <optional>
#include <vector>

#include "geom/curves.h"
#include "geom/matrix.h"
#include "geom/spline_fit.h"
#include "model/drawing.h"

namespace cadhost::geom {

// One edge of a path: a segment or an arc (circular or elliptic, t0 <= t1) taken from its
// start to its end, or the arc taken backwards, or a spline.
struct HatchEdge {
  enum Kind { Piece, Spline } kind = Piece;
  CurvePiece piece;
  bool reversed = false;  // the arc runs from t1 back to t0
  SplineData spline;
};

struct HatchBoundary {
  std::vector<std::vector<HatchEdge>> paths;  // in the OCS, at the hatch's elevation
  Ocs ocs;
  std::size_t end = 0;  // the index of the first tag after the boundary data
};

// nullopt when the boundary data is missing or not as expected.
std::optional<HatchBoundary> readHatchBoundary(const model::Object& hatch);

}  // namespace cadhost::geom
