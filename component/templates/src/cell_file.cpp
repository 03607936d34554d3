#include "tarvik/cell_file.h"

#include <sheetcut/error.h>

#include <QFile>

#include "tarvik/record_codec.h"

namespace tarvik {

namespace {

std::string quoted(const QString& path) {
  return "\"" + path.toStdString() + "\"";
}

}  // namespace

std::vector<CellType> decodeCellFile(const QByteArray& data, const QString& path) {
  std::vector<CellType> cells;
  RecordReader reader(data);
  while (!reader.atEnd()) {
    const qsizetype start = reader.position();
    try {
      cells.push_back(reader.getCell());
    } catch (const RecordFormatError& e) {
      throw CellFileError(e.number(),
                          "The cell file " + quoted(path) + " is damaged: record " +
                              std::to_string(cells.size() + 1) + " (from byte " +
                              std::to_string(start) + "), " + e.what(),
                          "CAD.ReadMod");
    }
  }
  return cells;
}

std::vector<CellType> readCellFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    throw CellFileError(
        sheetcut::errnum::kFileNotFound,
        "Cannot read the cell file " + quoted(path) + ": " + file.errorString().toStdString(),
        "CAD.ReadMod");
  }
  return decodeCellFile(file.readAll(), path);
}

void CellFileErrors::keep(const CellFileError& e) {
  if (descriptions_.insert(e.description()).second) errors_.push_back(e);
}

void CellFileErrors::raise() const {
  if (errors_.empty()) return;
  if (errors_.size() == 1) throw errors_.front();
  std::string all;
  for (const CellFileError& e : errors_) {
    if (!all.empty()) all.append("; ");
    all.append(e.description());
  }
  throw CellFileError(errors_.front().number(), all, errors_.front().source());
}

bool isSavedCell(const CellType& cell) {
  return cell.T != kLabelCellOrder && !cell.name.contains(kDeletedCellMark);
}

QByteArray encodeCellFile(const std::vector<CellType>& cells, long count, const QString& path) {
  RecordWriter writer;
  for (long i = 0; i < count && static_cast<size_t>(i) < cells.size(); ++i) {
    const CellType& cell = cells[static_cast<size_t>(i)];
    if (!isSavedCell(cell)) continue;
    try {
      writer.putCell(cell);
    } catch (const RecordFormatError& e) {
      throw sheetcut::Error(e.number(),
                            "Cannot write cell " + std::to_string(i) + " to the cell file " +
                                quoted(path) + ": " + e.what(),
                            "CAD.SaveMod");
    }
  }
  return writer.data();
}

}  // namespace tarvik
