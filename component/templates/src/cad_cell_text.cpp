// Writing a template cell's text: the CAD members over CellTextWriter.

#include "cell_text_writer.h"
#include "host_calls.h"
#include "tarvik/cad.h"

namespace tarvik {

int CAD::Wri_Cell_Text(const CellType& Cell, double XYScale, QString& strDuiQi, int RowIdx) {
  CellTextWriter writer(requireDocument(*this, "CAD.Wri_Cell_Text"));
  return hostCall("CAD.Wri_Cell_Text",
                  [&] { return writer.writeLines(Cell, XYScale, strDuiQi, RowIdx); });
}

int CAD::Wri_Cell_Text(const CellType& Cell, double XYScale) {
  QString letter;
  return Wri_Cell_Text(Cell, XYScale, letter, 1);
}

int CAD::Wri_Cell_Text_BLK(const CellType& Cell, double XYScale, QString& strDuiQi) {
  return Wri_Cell_Text(Cell, XYScale, strDuiQi, 1);
}

int CAD::Wri_Cell_Text_BLK(const CellType& Cell, double XYScale) {
  return Wri_Cell_Text(Cell, XYScale);
}

cadhost::Entity CAD::WirCell(const CellType& Cell, double XYScale, QString& strDuiQi) {
  CellTextWriter writer(requireDocument(*this, "CAD.WirCell"));
  return hostCall("CAD.WirCell", [&] { return writer.writeMText(Cell, XYScale, strDuiQi); });
}

cadhost::Entity CAD::WirCell(const CellType& Cell, double XYScale) {
  QString letter;
  return WirCell(Cell, XYScale, letter);
}

cadhost::Entity CAD::Wri_Cell_MText(const CellType& Cell, double XYScale, QString& strDuiQi) {
  return WirCell(Cell, XYScale, strDuiQi);
}

cadhost::Entity CAD::Wri_Cell_MText(const CellType& Cell, double XYScale) {
  return WirCell(Cell, XYScale);
}

}  // namespace tarvik
