// Drawing and folder reports: the template cells found in a drawing are labelled with their
// names, by template block references and by block layouts found among its texts.

#include <cadhost/application.h>
#include <sheetcut/error.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cmath>

#include "host_calls.h"
#include "tarvik/analysis_report.h"
#include "tarvik/attempt.h"
#include "tarvik/beside_drawing.h"
#include "tarvik/cad.h"
#include "tarvik/cell_file.h"
#include "tarvik/constants.h"
#include "tarvik/folder_entries.h"
#include "tarvik/layout_placement.h"
#include "tarvik/report_names.h"

namespace tarvik {

namespace {

// s without the spaces at its ends (other white space stays).
QString trimSpaces(const QString& s) {
  qsizetype begin = 0, end = s.size();
  while (begin < end && s.at(begin) == u' ') ++begin;
  while (end > begin && s.at(end - 1) == u' ') --end;
  return s.mid(begin, end - begin);
}

}  // namespace

void CAD::WriteDwg(const QString& FileName) {
  constexpr const char* kSource = "CAD.WriteDwg";
  events_.raiseAnDwgFileBigen(FileName);
  if (!acadApp) {
    throw sheetcut::Error(sheetcut::errnum::kGeneric, "No host application is connected", kSource);
  }
  hostCall(kSource, [&] { (void)acadApp->version(); });

  // The drawing is opened read-only beside the caller's drawings, which stay open as they are;
  // the labels go into it and leave with it. From here every failing step is passed over; a
  // drawing that cannot be opened ends the call without the end event.
  BesideDrawing drawing(*this);
  if (!drawing.open(FileName, true)) return;
  cadhost::Document doc = drawing.document();
  attemptStep([&] { SetBigFont(); });
  attemptStep([&] { DwgInit(); });
  const QString report = drawingReportPath(WorkPath_, FileName);
  if (QFileInfo(report).isFile()) QFile::remove(report);
  attemptStep([&] { GetDwgTexts(); });

  // Block references named like a template.
  cadhost::Filter filter{
      {-4, std::string("<and")}, {0, std::string("INSERT")}, {-4, std::string("<or")}};
  for (int i = 1; i <= ModNum; ++i)
    filter.push_back({2, escapeWildcards(ModList[static_cast<std::size_t>(i)].n).toStdString()});
  filter.push_back({-4, std::string("or>")});
  filter.push_back({-4, std::string("and>")});
  // Templates found whose cells cannot be read are raised once the drawing is done.
  CellFileErrors cellFiles;
  std::vector<cadhost::Entity> refs;
  attemptStep([&] {
    cadhost::SelectionSet set = freshSelectionSet(doc, "BlkSS");
    set.select(cadhost::SelectMode::All, nullptr, nullptr, filter);
    refs = set.items();
  });
  // A stop ends the call without the end event; the drawing opened here is closed all the same.
  for (const cadhost::Entity& ref : refs) {
    ui().processEvents();
    cadhost::Point3 at;
    attemptStep([&] { at = ref.insertionPoint(); });
    attemptStep([&] {
      if (ref.hasAttributes()) GetBlkAttTexts(ref);
    });
    QString name;
    double xScale = 1, yScale = 1;
    attemptStep([&] { name = QString::fromStdString(ref.name()).toLower(); });
    attemptStep([&] { xScale = ref.xScaleFactor(); });
    attemptStep([&] { yScale = ref.yScaleFactor(); });
    for (int i = 1; i <= ModNum; ++i) {
      if (QuitFlag) return;
      if (ModList[static_cast<std::size_t>(i)].n.toLower() == name)
        attemptStep([&] { cellFiles.run([&] { WriBlnCells(i, at.x, at.y, xScale, yScale); }); });
    }
  }
  for (int i = 1; i <= ModNum; ++i) {
    if (QuitFlag) return;
    attemptStep([&] { cellFiles.run([&] { ReadBln(i); }); });
  }
  drawing.close();
  (void)attempt([&] { acadApp->setVisible(false); });
  events_.raiseAnDwgFileEnd(FileName, report);
  cellFiles.raise();
}

void CAD::WriteDwgDir(const QString& DwgFolder) {
  QuitFlag = false;
  const QString report = folderReportPath(WorkPath_, DwgFolder);
  const QFileInfo info(DwgFolder);
  QDir dir(DwgFolder);
  if (DwgFolder.isEmpty() || !info.isDir() || !dir.isReadable()) {
    throw sheetcut::Error(sheetcut::errnum::kPathNotFound,
                          "The folder \"" + DwgFolder.toStdString() + "\" cannot be read",
                          "CAD.WriteDwgDir");
  }
  events_.raiseAnDwgDirBigen(DwgFolder);
  // A drawing is a file whose name ends in the extension's last three letters, in any case.
  const QString ending = kDrawingExtension.right(3).toUpper();
  int drawings = 0;
  for (const QFileInfo& file : sortedEntries(dir, QDir::Files)) {
    ui().processEvents();
    if (file.fileName().right(3).toUpper() != ending) continue;
    if (QuitFlag) return;
    FXDWG(dir.filePath(file.fileName()), std::nullopt, std::nullopt, QString());
    ++drawings;
  }
  events_.raiseAnDwgDirEnd(DwgFolder, drawings > 0 ? report : QString());
  if (!AnSubFolder()) return;
  for (const QFileInfo& sub : sortedEntries(dir, QDir::Dirs | QDir::NoDotAndDotDot)) {
    if (QuitFlag) break;
    if (sub.isSymLink()) continue;  // a link may lead back up the tree
    FXdwgDir(dir.filePath(sub.fileName()));
  }
}

void CAD::ReadBln(int i) {
  if (i < 1 || i > ModNum || static_cast<std::size_t>(i) >= ModList.size()) return;
  const QString name = ModList[static_cast<std::size_t>(i)].n;
  if (!QFileInfo(modFilePath(name, QStringLiteral(".bln"))).isFile()) return;
  ReadBlockLayout(name);
  if (CornerTexts.size() < 5) return;

  const long count = std::min<long>(TextNum, static_cast<long>(Texts.size()));
  std::vector<long> candidates[5];
  for (int k = 1; k <= 4; ++k) {
    const QString wanted = trimSpaces(CornerTexts[static_cast<std::size_t>(k)].s);
    for (long t = 0; t < count; ++t)
      if (trimSpaces(Texts[static_cast<std::size_t>(t)].s) == wanted) candidates[k].push_back(t);
    if (candidates[k].empty()) return;
  }
  const std::optional<double> r0 = layoutDirection(CornerTexts[1], CornerTexts[3]);
  if (!r0) return;
  for (long a : candidates[1]) {
    for (long b : candidates[3]) {
      if (QuitFlag) return;
      const TextType ta = Texts[static_cast<std::size_t>(a)];
      const TextType tb = Texts[static_cast<std::size_t>(b)];
      const std::optional<double> r = layoutDirection(ta, tb);
      if (!r) return;  // two candidates at one height end the search
      if (!(std::abs(*r0 - *r) < 0.0001)) continue;
      const LayoutPlacement p = placeLayout(CornerTexts[1], CornerTexts[3], ta, tb);
      WriBlnCells(i, p.X0, p.Y0, p.scale, p.scale);
    }
  }
}

void CAD::WriBlnCells(int i, double X0, double Y0, double XScale, double YScale) {
  if (i < 1 || i > ModNum || static_cast<std::size_t>(i) >= ModList.size()) return;
  // A template found in the drawing whose cells cannot be read raises CellFileError.
  readTemplateCells(ModList[static_cast<std::size_t>(i)].n);
  for (long k = 0; k < CellNum; ++k) {
    CellType& cell = Cells[static_cast<std::size_t>(k)];
    attemptStep([&] {
      cell.P1.setCoordinate(0, cell.P1.coordinate(0) * XScale + X0);
      cell.P1.setCoordinate(1, cell.P1.coordinate(1) * YScale + Y0);
      cell.P2.setCoordinate(0, cell.P2.coordinate(0) * XScale + X0);
      cell.P2.setCoordinate(1, cell.P2.coordinate(1) * YScale + Y0);
      AddCellText({cell.P1.coordinate(0), cell.P1.coordinate(1), 0},
                  {cell.P2.coordinate(0), cell.P2.coordinate(1), 0}, "[" + cell.name + "]");
    });
  }
}

void CAD::AddCellText(const Point3d& first, const Point3d& opposite, const QString& text,
                      std::optional<double> height) {
  constexpr const char* kSource = "CAD.AddCellText";
  cadhost::Document doc = requireDocument(*this, kSource);
  const double h = opposite[1] - first[1];
  const cadhost::Point3 at{first[0], first[1] + 0.2 * h, 0};
  hostCall(kSource,
           [&] { doc.modelSpace().addText(text.toStdString(), at, height.value_or(0.6 * h)); });
}

}  // namespace tarvik
