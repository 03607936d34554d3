#pragma once

// The ruling lines of a table: every straight piece of line found in a scanned window is
// snapped to an exact horizontal or vertical, filed into one of two sorted lists and merged
// with a collinear piece it overlaps or touches. JoinLine then joins collinear pieces that
// follow each other end to start. All lengths scale with the base tolerance b: pieces shorter
// than 5b are dropped, pieces align within b/2 and merge within b. Sort-order equality uses the
// fixed 0.1 of tolTest.

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
  // Both lists empty.
  void reset();

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
  long HLineNum() const { return static_cast<long>(h_.size()); }
  long VLineNum() const { return static_cast<long>(v_.size()); }

 private:
  std::vector<LineType> h_;
  std::vector<LineType> v_;
};

}  // namespace tarvik
