// Tolerance and rectangle tests of the frame clustering.

#include "tarvik/rect_tests.h"

#include <cmath>

#include "tarvik/cad.h"

namespace tarvik {

namespace {

// a is at least one tolerance above b.
bool clearlyAbove(double a, double b) {
  return !tolTest(a, b) && a >= b;
}

// v is not clearly outside lo..hi; lo is taken as the low end as given.
bool within(double v, double lo, double hi) {
  return !clearlyAbove(lo, v) && !clearlyAbove(v, hi);
}

}  // namespace

bool tolTest(double p, double q) {
  return std::fabs(p - q) < kCoordinateTolerance;
}

bool rectOverlap(RectType& A, RectType& B) {
  if (!B.F) return false;
  bool overlap = false;
  if (within(B.X0, A.X0, A.X1)) {
    overlap = within(B.Y0, A.Y0, A.Y1) || within(B.Y1, A.Y0, A.Y1);
  } else if (within(A.X0, B.X0, B.X1)) {
    overlap = within(A.Y0, B.Y0, B.Y1) || within(A.Y1, B.Y0, B.Y1);
  }
  if (!overlap) return false;
  // Min and Max give the second value on a tie, as the component's numeric helpers do.
  const RectType united{A.X0 < B.X0 ? A.X0 : B.X0, A.Y0 < B.Y0 ? A.Y0 : B.Y0,
                        A.X1 > B.X1 ? A.X1 : B.X1, A.Y1 > B.Y1 ? A.Y1 : B.Y1, true};
  B = united;
  A.F = false;
  return true;
}

bool CAD::TolTest(double p, double q) const {
  return tolTest(p, q);
}

bool CAD::RectOverlap(RectType& A, RectType& B) const {
  return rectOverlap(A, B);
}

}  // namespace tarvik
