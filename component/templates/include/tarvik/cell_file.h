#pragma once

// Template cell files (".dat"): CellType records back to back in the binary record form, no
// header, no count, no terminator.

#include <sheetcut/error.h>

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "tarvik/cell_records.h"

namespace tarvik {

// The marker in a cell name that counts the cell as deleted.
inline const QString kDeletedCellMark = QStringLiteral("(已删");

// The most records a cell file holds. A template has tens or hundreds of cells; each costs
// about a hundred bytes in memory however few bytes it takes in the file, so a file of more
// is refused (when read, before anything is built for its records; when written, too).
inline constexpr std::size_t kMaxCellFileRecords = 65536;

// A cell file that cannot be read: missing where a template's cells are needed, unreadable or
// damaged. Its description names the file and the reason.
class CellFileError : public sheetcut::Error {
 public:
  using sheetcut::Error::Error;
};

// The cell-file errors of a run that goes on past them (the other frames, drawings or
// templates are still worked through), raised together at its end.
class CellFileErrors {
 public:
  // Runs f(); a CellFileError it raises is kept (each description once) and false returned.
  template <class F>
  bool run(F&& f) {
    try {
      std::forward<F>(f)();
      return true;
    } catch (const CellFileError& e) {
      keep(e);
      return false;
    }
  }
  // Raises the kept errors as one CellFileError: the first one's number, every description.
  void raise() const;

 private:
  void keep(const CellFileError& e);

  std::vector<CellFileError> errors_;
  std::unordered_set<std::string> descriptions_;
};

// Every record of `data`. CellFileError naming `path`, the record (1-based) and the field
// when the data does not parse; naming `path` when it holds more than kMaxCellFileRecords.
std::vector<CellType> decodeCellFile(const QByteArray& data, const QString& path);
// Reads the cell file `path`; a file that cannot be opened or parsed raises CellFileError
// naming it.
std::vector<CellType> readCellFile(const QString& path);

// Whether SaveMod keeps the cell: not a label cell and not marked as deleted.
bool isSavedCell(const CellType& cell);
// The records of cells[0..count-1] that isSavedCell keeps. sheetcut::Error naming `path` and
// the cell for a cell that cannot be written (a text past 65535 bytes), naming `path` when
// more than kMaxCellFileRecords are kept.
QByteArray encodeCellFile(const std::vector<CellType>& cells, long count, const QString& path);

}  // namespace tarvik
