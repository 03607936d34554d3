#pragma once

// Rebuilds a table's cells from its joined ruling lines. The horizontal lines are walked from
// top to bottom and, on each, the vertical lines from left to right; at every crossing the cell
// whose bottom-right corner lies there is closed, at the end of each line the cell that runs
// on to its end, and after the last line the cells that hang below it. A side without its own
// line takes its position from the end of a neighbouring line, so a table without an outer
// frame still yields its edge cells. Crossings allow 2b, a cell side is at least 5b; every
// comparison of two lines allows the larger of their rounding noises (LineLists::HNoise).

#include <functional>

#include "tarvik/recognition/line_lists.h"

namespace tarvik {

// The corners of one cell found by the rebuild.
struct GridCell {
  double left = 0;
  double top = 0;
  double right = 0;
  double bottom = 0;
  double noise = 0;  // the rounding noise of the lines that bound it
};

struct TableGridSink {
  // A cell, in the order the rebuild closes them.
  std::function<void(const GridCell&)> cell;
  // In header mode: a horizontal line that no vertical line rising from it meets.
  std::function<void(const LineType&)> loneLine;
};

// The lists must already be joined. headerMode passes lone lines to sink.loneLine.
void buildTableGrid(const LineLists& lines, double baseTol, bool headerMode,
                    const TableGridSink& sink);

// The corners of the cell bounded by the given lines (index into the lists, -1 when that side
// has no line of its own).
GridCell cellCorners(const LineLists& lines, long top, long left, long bottom, long right);

}  // namespace tarvik
