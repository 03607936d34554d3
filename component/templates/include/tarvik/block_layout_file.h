#pragma once

// Block layout files (".bln"): exactly five reference texts (TextType records), then zero or
// more CellType records to the end, in the binary record form.

#include <QByteArray>
#include <QString>
#include <vector>

#include "tarvik/cell_records.h"
#include "tarvik/records.h"

namespace tarvik {

inline constexpr int kCornerTextCount = 5;

struct BlockLayout {
  std::vector<TextType> cornerTexts;  // always five
  std::vector<CellType> cells;
};

// The layout held by `data`; empty data is an empty layout (five empty texts, no cells).
// sheetcut::Error naming `path` and the record when the data does not parse.
BlockLayout decodeBlockLayout(const QByteArray& data, const QString& path);
// Reads the layout file `path`. A missing file is an empty layout and is not created; a file
// that cannot be read raises sheetcut::Error naming it.
BlockLayout readBlockLayoutFile(const QString& path);

// The five reference texts (missing slots written empty, slots past 4 left out), then every
// cell. sheetcut::Error naming `path` for a record that cannot be written.
QByteArray encodeBlockLayout(const std::vector<TextType>& cornerTexts,
                             const std::vector<CellType>& cells, const QString& path);

// The cells a layout of the working list keeps: label cells (T = 9009) that hold a text.
std::vector<CellType> layoutLabelCells(const std::vector<CellType>& cells, long count);

}  // namespace tarvik
