#include "tarvik/block_layout_file.h"

#include <sheetcut/error.h>

#include <QFileInfo>

#include "tarvik/file_replace.h"
#include "tarvik/record_codec.h"

namespace tarvik {

namespace {

std::string quoted(const QString& path) {
  return "\"" + path.toStdString() + "\"";
}

}  // namespace

BlockLayout decodeBlockLayout(const QByteArray& data, const QString& path) {
  BlockLayout layout;
  layout.cornerTexts.resize(kCornerTextCount);
  // An empty file is what older versions left behind for a layout that was never saved.
  if (data.isEmpty()) return layout;
  RecordReader reader(data);
  std::string record;
  qsizetype start = 0;
  try {
    for (int i = 0; i < kCornerTextCount; ++i) {
      start = reader.position();
      record = "reference text " + std::to_string(i + 1);
      layout.cornerTexts[static_cast<size_t>(i)] = reader.getTextRecord();
    }
    while (!reader.atEnd()) {
      start = reader.position();
      record = "cell " + std::to_string(layout.cells.size() + 1);
      layout.cells.push_back(reader.getCell());
    }
  } catch (const RecordFormatError& e) {
    throw sheetcut::Error(e.number(),
                          "The block layout file " + quoted(path) + " is damaged: " + record +
                              " (from byte " + std::to_string(start) + "), " + e.what(),
                          "CAD.ReadBlockLayout");
  }
  return layout;
}

BlockLayout readBlockLayoutFile(const QString& path) {
  if (!QFileInfo(path).isFile()) return decodeBlockLayout({}, path);
  std::string why;
  const std::optional<QByteArray> data = readWholeFile(path, why);
  if (!data) {
    throw sheetcut::Error(sheetcut::errnum::kFileNotFound,
                          "Cannot read the block layout file " + quoted(path) + ": " + why,
                          "CAD.ReadBlockLayout");
  }
  return decodeBlockLayout(*data, path);
}

QByteArray encodeBlockLayout(const std::vector<TextType>& cornerTexts,
                             const std::vector<CellType>& cells, const QString& path) {
  RecordWriter writer;
  std::string record;
  try {
    for (int i = 0; i < kCornerTextCount; ++i) {
      record = "reference text " + std::to_string(i + 1);
      const auto slot = static_cast<size_t>(i);
      writer.putTextRecord(slot < cornerTexts.size() ? cornerTexts[slot] : TextType{});
    }
    for (size_t i = 0; i < cells.size(); ++i) {
      record = "cell " + std::to_string(i + 1);
      writer.putCell(cells[i]);
    }
  } catch (const RecordFormatError& e) {
    throw sheetcut::Error(
        e.number(),
        "Cannot write " + record + " to the block layout file " + quoted(path) + ": " + e.what(),
        "CAD.SaveBlockLayout");
  }
  return writer.data();
}

std::vector<CellType> layoutLabelCells(const std::vector<CellType>& cells, long count) {
  std::vector<CellType> kept;
  for (long i = 0; i < count && static_cast<size_t>(i) < cells.size(); ++i) {
    const CellType& cell = cells[static_cast<size_t>(i)];
    if (!cell.s.isEmpty() && cell.T == kLabelCellOrder) kept.push_back(cell);
  }
  return kept;
}

}  // namespace tarvik
