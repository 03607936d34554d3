#pragma once

// The table scans of a drawing window: ruling lines into the line lists, words into the text
// list, the grid rebuild into the working cell list, cell texts and header records.

#include <optional>
#include <vector>

#include "recognition_state.h"
#include "tarvik/recognition/table_grid.h"

namespace tarvik {

class TableScan {
 public:
  explicit TableScan(CAD& cad) : cad_(cad) {}

  // blockMode: the block-table scan (one selection of every kind, no gate, a missing active
  // drawing raises).
  std::vector<CellType> scan(const std::optional<Point3d>& p, const std::optional<Point3d>& q,
                             bool blockMode);
  void buildTableGrid();
  void getTblRows(long top, long left, long bottom, long right);
  QString textsToXml(long index);
  CellType anCellTexts(const LineType& line);
  void analyseBlock();

 private:
  void addSegment(const cadhost::Document& doc, bool named, Point3d a, Point3d b);
  void addPolyline(const cadhost::Document& doc, bool named, const cadhost::Entity& e);
  void addTextWords(cadhost::Document& doc, const std::string& ucsName, const cadhost::Entity& e);
  // Lists `cell` after the first CellNum cells, dropping any beyond them.
  void listCell(CellType cell);
  // Lists the cell `c` unless a listed cell lies inside it, then gives it its texts.
  void appendCell(const GridCell& c);

  CAD& cad_;
};

// The X and Y of a cell corner.
inline double cornerX(const Variant& p) {
  return p.coordinate(0);
}
inline double cornerY(const Variant& p) {
  return p.coordinate(1);
}

// The name of a cell for a lone line from the words left of it (label) and on or after its
// start (value): a label ending in a role word names the cell alone; else "X" stands for the
// variable part (label & "X" & value, or "X" & value when value starts with a suffix word).
QString cellNameFromWords(const QString& label, const QString& value);

// Gives the empty cells (T 0) beside or below each label cell (T 9009) of cells[0..count) the
// label's name and a header record; see CAD::AnHeaderXml.
void anHeaderXml(std::vector<CellType>& cells, long count);

}  // namespace tarvik
