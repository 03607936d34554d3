#pragma once

// Template cell files (".dat"): CellType records back to back in the binary record form, no
// header, no count, no terminator.

#include <QByteArray>
#include <QString>
#include <vector>

#include "tarvik/cell_records.h"

namespace tarvik {

// The marker in a cell name that counts the cell as deleted.
inline const QString kDeletedCellMark = QStringLiteral("(已删");

// Every record of `data`. sheetcut::Error naming `path`, the record (1-based) and the field
// when the data does not parse.
std::vector<CellType> decodeCellFile(const QByteArray& data, const QString& path);
// Reads the cell file `path`; a file that cannot be opened or parsed raises sheetcut::Error
// naming it.
std::vector<CellType> readCellFile(const QString& path);

// Whether SaveMod keeps the cell: not a label cell and not marked as deleted.
bool isSavedCell(const CellType& cell);
// The records of cells[0..count-1] that isSavedCell keeps. sheetcut::Error naming `path` and
// the cell for a cell that cannot be written (a text past 65535 bytes).
QByteArray encodeCellFile(const std::vector<CellType>& cells, long count, const QString& path);

}  // namespace tarvik
