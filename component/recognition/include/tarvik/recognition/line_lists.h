#pragma once

// The ruling lines of a table: every straight piece of line found in a scanned window is
// snapped to an exact horizontal or vertical, filed into one of two sorted lists and merged
// with a collinear piece it overlaps or touches. JoinLine then joins collinear pieces that
// follow each other end to start. All lengths scale with the base tolerance b: pieces shorter
// than 5b are dropped, pieces align within b/2 and merge within b. Sort-order equality uses the
// fixed 0.1 of tolTest.
//
// Coordinates that went through floating-point arithmetic (a drawing written by another
// program, a frame turned under a user coordinate system, a drawing far from the origin) miss
// their exact values by a few units in the last place of the largest coordinate involved: a
// row line meant to end at y = 20 ends at 19.999999999999996. Every comparison of lengths and
// positions here and in the grid rebuild therefore allows the rounding noise of the lines it
// compares: each entry keeps a tolerance scaled to the largest coordinate it was made from, and
// two entries are compared with the larger of theirs. A stray line far from a table thus
// widens no comparison among the table's own lines.

#include <vector>

#include "tarvik/records.h"

namespace tarvik {

// One ruling line: PF the start (left end / lower end), pt the end (right end / upper end).
struct LineType {
  Point3d PF{};
  Point3d pt{};
};

class LineLists {
 public:
  // The share of a coordinate's magnitude that counts as rounding noise: some thousand times
  // the rounding that real drawings carry, and still a ten-thousandth of a unit at a million.
  static constexpr double kRelativeNoise = 1e-10;

  // Both lists empty.
  void reset();

  // Widens the noise allowance of the piece added next to cover a coordinate of this
  // magnitude. Callers that convert points before adding them (from the world into a user
  // coordinate system) pass the coordinates they started from; AddGridLine covers the points it
  // is given by itself.
  void noteMagnitude(double coordinate);

  // Adds the piece p-q or drops it (shorter than 5b, slanted, or b not above 0). A kept piece's
  // end points are snapped in place: both get the mean Y (horizontal) or mean X (vertical).
  // At most one merge happens per call.
  void AddGridLine(Point3d& p, Point3d& q, double baseTol);

  // Joins, in each list, the entries that continue the one before on the same line (ends equal
  // within 0.1 across, less than b/2 apart along).
  void JoinLine(double baseTol);

  // Horizontal lines: top row first; equal Y (within 0.1) by start X. Vertical lines: leftmost
  // first; equal X by start Y.
  const std::vector<LineType>& HLines() const { return h_; }
  const std::vector<LineType>& VLines() const { return v_; }
  // The rounding noise of each entry, by index: a fixed fraction of the largest coordinate the
  // entry was made from (of 1 at least), far below any size a table is drawn at.
  const std::vector<double>& HNoise() const { return hNoise_; }
  const std::vector<double>& VNoise() const { return vNoise_; }
  long HLineNum() const { return static_cast<long>(h_.size()); }
  long VLineNum() const { return static_cast<long>(v_.size()); }

 private:
  std::vector<LineType> h_;
  std::vector<LineType> v_;
  std::vector<double> hNoise_;
  std::vector<double> vNoise_;
  double pendingMagnitude_ = 0;  // noted for the piece added next
};

}  // namespace tarvik
