#pragma once

// Ordering and numbering of a template's cells.

#include <vector>

#include "tarvik/cell_records.h"

namespace tarvik {

// Orders and numbers cells[0..count-1]:
// - every cell's corners are normalised: P1 the lower-left, P2 the upper-right (x and y
//   only, z untouched);
// - cells sharing a name (exact, case-sensitive; empty names take no part) are numbered 1, 2,
//   3 ... from the highest top edge down, and keep the array positions the name held; a name
//   that occurs once makes its cell a label cell (T = 9009);
// - the list is then ordered by T, within one T higher lower edges first, and cells whose lower
//   edges are within 0.1 of each other from left to right (the exchange sort of the original
//   order rules, so ties resolve as they always did).
// sheetcut::Error (type mismatch or subscript out of range) for a cell whose corners are not
// arrays with numbers at 0 and 1; the cells are then left as they were.
void sortCells(std::vector<CellType>& cells, long count);

}  // namespace tarvik
