#pragma once

// Public records of template cells and labels, with the field names callers know them by.

#include <QString>
#include <cstdint>

#include "tarvik/variant.h"

namespace tarvik {

// The order number that marks a label cell (a name that occurs once, or a header cell): the
// cell file leaves such cells out and the block layout file keeps only them.
inline constexpr std::int16_t kLabelCellOrder = 9009;

// One cell of a template: a named rectangle between two corner points, its order number among
// the cells of its name, and its text.
struct CellType {
  QString name;
  Variant P1;  // a corner point, as a rule three doubles
  Variant P2;  // the opposite corner
  std::int16_t T = 0;
  QString s;
  bool operator==(const CellType&) const = default;
};

// The extended cell record offered to callers.
struct NewCellType {
  QString name;
  Variant P1;
  Variant P2;
  std::int16_t RowCount = 0;
  QString s;
  float TextHigh = 0;
  QString StyName;
  QString Alignment;
  bool MtextFlag = false;
  bool RenName = false;
  QString KeyStr;
};

// One label of a label template.
struct LabCellType {
  QString Text;
  Variant LTPoint;  // left-top point
  double Width = 0;
  double Height = 0;
  double Angle = 0;
  std::int16_t name = 0;
};

}  // namespace tarvik
