// Analysis of a drawing that holds one table: its cells in header mode, their value cells,
// the corner texts, and the block layout named after the drawing.

#include "host_calls.h"
#include "table_scan.h"

namespace tarvik {

void TableScan::analyseBlock() {
  cad_.State = 0;
  scan(std::nullopt, std::nullopt, true);
  anHeaderXml(cad_.Cells, cad_.CellNum);
  cad_.FindCornerTexts();
  cad_.Texts.clear();
  cad_.TextNum = 0;
  const cadhost::Document doc = requireDocument(cad_, "CAD.AN_block");
  const QString name = QString::fromStdString(hostCall("CAD.AN_block", [&] { return doc.name(); }));
  // The last four characters are the drawing's extension with its point.
  if (name.size() < 4) {
    throw sheetcut::Error(sheetcut::errnum::kGeneric,
                          "The drawing name \"" + name.toStdString() +
                              "\" is too short to name a block layout (a point and a "
                              "three-letter extension are cut off)",
                          "CAD.AN_block");
  }
  cad_.SaveBlockLayout(name.left(name.size() - 4));
}

}  // namespace tarvik
