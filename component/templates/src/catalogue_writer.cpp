// Writing a multi-page catalogue from the page templates and the caller's rows.

#include <cadhost/application.h>

#include <QFileInfo>
#include <algorithm>
#include <cstdlib>

#include "cell_text_writer.h"
#include "host_calls.h"
#include "tarvik/attempt.h"
#include "tarvik/cad.h"
#include "tarvik/cell_file.h"
#include "tarvik/component_paths.h"
#include "tarvik/constants.h"
#include "title_block_filling.h"

namespace tarvik {

namespace {

constexpr double kFirstPageX = 0;
constexpr double kFirstPageY = 279;
constexpr double kPageOffset = 250;
const QString kPageNumberCell = QStringLiteral("第X页");
const QString kPageCountCell = QStringLiteral("共X页");
const QString kPageCountPlaceholder = QStringLiteral("{总页码}");

// Columns 0 and 3 are centred, the others left-aligned.
QString columnAlignment(int column) {
  return column == 0 || column == 3 ? QStringLiteral("C") : QStringLiteral("L");
}

}  // namespace

void CAD::WriCatalog(const QString& FirBlkName, const QString& SecBlkName,
                     const CatalogMsgs& Msgs) {
  constexpr const char* kSource = "CAD.WriCatalog";
  if (!acadApp) {
    throw sheetcut::Error(sheetcut::errnum::kGeneric, "No host application is connected", kSource);
  }
  hostCall(kSource, [&] {
    AcadDoc = acadApp->activeDocument();
    acadApp->setVisible(true);
  });
  State = 1;
  cadhost::Document doc = *AcadDoc;
  Point3d page{kFirstPageX, kFirstPageY, 0};
  SetFont(kFillTypeface, kFillWidthFactor, kFillStyleName);

  const std::optional<QString> headerText = Msgs.Item(QStringLiteral("R000"));
  std::optional<QString> rowText = Msgs.Item(CatalogMsgs::rowKey(1));
  if (!headerText || !rowText) return;
  const QStringList header = CatalogMsgs::fields(*headerText);
  QStringList row = CatalogMsgs::fields(*rowText);
  int r = 1;
  bool more = true;  // a row is waiting
  int pages = 0;
  std::vector<cadhost::Entity> pageCountTexts;
  const QString dwgFolder = templateSubFolder(ModPath_, kModDwgFolder);
  const auto writePageCounts = [&] {
    for (cadhost::Entity& text : pageCountTexts) {
      attemptStep([&] {
        text.setTextString(QString::number(pages).toStdString());
        text.update();
      });
    }
  };
  // A row that cannot be written, or a page for it that cannot be placed, ends the catalogue
  // with an error naming the row (an error of the page's cell file stays one); the pages before
  // it keep their count.
  const auto notWritten = [&](const std::string& reason) {
    return "Row " + std::to_string(r) + " of the catalogue was not written: " + reason;
  };
  const auto rowNotWritten = [&](const sheetcut::Error& e) {
    writePageCounts();
    if (dynamic_cast<const CellFileError*>(&e) != nullptr) {
      throw CellFileError(e.number(), notWritten(e.description()), e.source());
    }
    throw sheetcut::Error(e.number(), notWritten(e.description()), kSource);
  };
  // The column table of the page's template: for each header column the index of its column
  // cell, -1 without one; and the rows per page, the largest |T| among them. It comes from the
  // page's template alone, so a column of another template never writes into this page.
  std::vector<long> columns;
  int rowsPerPage = 0;
  const auto findColumns = [&] {
    columns.assign(static_cast<std::size_t>(header.size()), -1);
    rowsPerPage = 0;
    for (long i = 0; i < CellNum; ++i) {
      const CellType& cell = Cells[static_cast<std::size_t>(i)];
      if (std::abs(cell.T) <= 1) continue;
      const auto column = std::find(header.begin(), header.end(), cell.name);
      if (column == header.end()) continue;
      columns[static_cast<std::size_t>(column - header.begin())] = i;
      rowsPerPage = std::max(rowsPerPage, std::abs(static_cast<int>(cell.T)));
    }
  };
  // A page is inserted only when its cells, base point and drawing are all there, and it can
  // take the next row; then its template is laid over it.
  const auto placePage = [&](const QString& name) {
    readTemplateCells(name);
    findColumns();
    if (rowsPerPage == 0) {
      throw sheetcut::Error(sheetcut::errnum::kGeneric,
                            "the page template \"" + name.toStdString() +
                                "\" has no column cell named like a column of the header",
                            kSource);
    }
    const Point3d base = templateBasePoint(FindMod(name), name, kSource);
    const QString drawing = fileInFolder(dwgFolder, name + kDrawingExtension);
    if (!QFileInfo(drawing).isFile()) {
      throw sheetcut::Error(sheetcut::errnum::kFileNotFound,
                            "The page drawing \"" + drawing.toStdString() +
                                "\" of the template \"" + name.toStdString() + "\" is missing",
                            kSource);
    }
    hostCall(kSource, [&] {
      doc.modelSpace().insertBlock({page[0], page[1], page[2]}, drawing.toStdString(), 1, 1, 1, 0);
    });
    SetFrameUCS({page[0] - base[0], page[1] - base[1], 0}, 0, kFillUcsName);
  };
  CellTextWriter writer(doc);  // measures rows and writes their fields

  while (more) {
    try {
      placePage(pages == 0 ? FirBlkName : SecBlkName);
    } catch (const sheetcut::Error& e) {
      rowNotWritten(e);
    }
    ++pages;

    // Page-level cells once per page.
    for (long i = 0; i < CellNum; ++i) {
      CellType& cell = Cells[static_cast<std::size_t>(i)];
      if (std::abs(cell.T) > 1) continue;
      QString letter;
      if (cell.name == kPageNumberCell) {
        cell.s = QString::number(pages);
        attemptStep([&] { Wri_Cell_MText(cell, 1, letter); });
      } else if (cell.name == kPageCountCell) {
        cell.s = kPageCountPlaceholder;
        attemptStep([&] { pageCountTexts.push_back(Wri_Cell_MText(cell, 1, letter)); });
      } else if (const std::optional<QString> value = Msgs.Item(cell.name)) {
        cell.s = *value;
        if (!cell.s.trimmed().isEmpty()) attemptStep([&] { Wri_Cell_MText(cell, 1, letter); });
      }
    }

    // Rows from the first position of the page while they fit on it; a row takes as many
    // positions as its longest field has lines, a missing field counts as empty. A row that
    // would run past the page's last row starts the next page, unless it is longer than a
    // whole page: that one is written where it starts. A row whose field cannot be measured
    // or written ends the catalogue with its error, and the fields of it already written are
    // taken off the page again: a row is on the page whole or not at all.
    int position = 1;
    while (more && position <= rowsPerPage) {
      int used = 0;
      std::vector<cadhost::Entity> rowTexts;  // the texts of the row written so far
      try {
        if (position > 1) {
          int needed = 0;
          for (qsizetype c = 0; c < header.size() && c < row.size(); ++c) {
            const long cellIndex = columns[static_cast<std::size_t>(c)];
            if (cellIndex < 0 || row[c].isEmpty()) continue;
            CellType cell = Cells[static_cast<std::size_t>(cellIndex)];
            cell.s = row[c];
            // A host failure while measuring leaves the field to its writing, which fails or
            // not as it would anyway.
            attempt([&] { needed = std::max(needed, writer.lineCount(cell, 1)); });
          }
          if (position + needed - 1 > rowsPerPage && needed <= rowsPerPage) break;
        }
        for (qsizetype c = 0; c < header.size(); ++c) {
          const long cellIndex = columns[static_cast<std::size_t>(c)];
          if (cellIndex < 0 || c >= row.size() || row[c].isEmpty()) continue;
          CellType& cell = Cells[static_cast<std::size_t>(cellIndex)];
          cell.s = row[c];
          QString letter = columnAlignment(static_cast<int>(c));
          int lines = 0;
          hostCall(kSource,
                   [&] { lines = writer.writeLines(cell, 1, letter, position, &rowTexts); });
          used = std::max(used, lines);
        }
      } catch (const sheetcut::Error& e) {
        for (cadhost::Entity& text : rowTexts) attempt([&] { text.erase(); });
        rowNotWritten(e);
      }
      ++r;
      position += used;
      rowText = Msgs.Item(CatalogMsgs::rowKey(r));
      if (!rowText) {
        more = false;
      } else {
        row = CatalogMsgs::fields(*rowText);
      }
    }
    page[0] += kPageOffset;
  }
  writePageCounts();
}

}  // namespace tarvik
