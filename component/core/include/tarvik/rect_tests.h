#pragma once

// The component's fixed tolerance test and the corner test that decides whether two frame
// rectangles are one.

#include "tarvik/records.h"

namespace tarvik {

// The fixed tolerance of coordinate comparisons, in drawing units.
inline constexpr double kCoordinateTolerance = 0.1;

// True when p and q differ by less than the fixed tolerance.
bool tolTest(double p, double q);

// The corner test of two frame rectangles. When B is live and one of B's left corners lies in
// A (tried first), or else one of A's left corners lies in B, B becomes the union of both
// (F true), A.F becomes false and the result is true. Otherwise nothing changes. "Lies in" is
// open by less than the tolerance at both ends and never reorders a span. This is not a full
// interval intersection: a cross, or a B with A's left edge that is taller at both ends, is not
// united; the frame clustering depends on exactly this outcome.
bool rectOverlap(RectType& A, RectType& B);

}  // namespace tarvik
