#include "tarvik/cell_file.h"

#include <sheetcut/error.h>

#include "tarvik/file_replace.h"
#include "tarvik/record_codec.h"

namespace tarvik {

namespace {

std::string quoted(const QString& path) {
  return "\"" + path.toStdString() + "\"";
}

}  // namespace

std::vector<CellType> decodeCellFile(const QByteArray& data, const QString& path) {
  // Each record is read by `read` from `reader`; a record that does not parse names the file,
  // the record and its first byte.
  auto records = [&](RecordReader& reader, auto&& read) {
    std::size_t n = 0;
    while (!reader.atEnd()) {
      const qsizetype start = reader.position();
      if (n == kMaxCellFileRecords) {
        throw CellFileError(sheetcut::errnum::kSubscriptOutOfRange,
                            "The cell file " + quoted(path) + " holds more than " +
                                std::to_string(kMaxCellFileRecords) + " records (from byte " +
                                std::to_string(start) + "): a template has at most that many cells",
                            "CAD.ReadMod");
      }
      try {
        read();
      } catch (const RecordFormatError& e) {
        throw CellFileError(e.number(),
                            "The cell file " + quoted(path) + " is damaged: record " +
                                std::to_string(n + 1) + " (from byte " + std::to_string(start) +
                                "), " + e.what(),
                            "CAD.ReadMod");
      }
      ++n;
    }
    return n;
  };
  // The records are counted first, so that the list takes exactly their room: grown one by
  // one it would hold up to twice that, and three times while it moves.
  RecordReader counter(data);
  const std::size_t count = records(counter, [&] { counter.skipCell(); });
  std::vector<CellType> cells;
  cells.reserve(count);
  RecordReader reader(data);
  records(reader, [&] { cells.push_back(reader.getCell()); });
  return cells;
}

std::vector<CellType> readCellFile(const QString& path) {
  std::string why;
  const std::optional<QByteArray> data = readWholeFile(path, why);
  if (!data) {
    throw CellFileError(sheetcut::errnum::kFileNotFound,
                        "Cannot read the cell file " + quoted(path) + ": " + why, "CAD.ReadMod");
  }
  return decodeCellFile(*data, path);
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
  std::size_t saved = 0;
  for (long i = 0; i < count && static_cast<size_t>(i) < cells.size(); ++i) {
    const CellType& cell = cells[static_cast<size_t>(i)];
    if (!isSavedCell(cell)) continue;
    if (++saved > kMaxCellFileRecords) {
      throw sheetcut::Error(sheetcut::errnum::kSubscriptOutOfRange,
                            "Cannot write the cell file " + quoted(path) + ": more than " +
                                std::to_string(kMaxCellFileRecords) +
                                " cells to save, a template has at most that many",
                            "CAD.SaveMod");
    }
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
