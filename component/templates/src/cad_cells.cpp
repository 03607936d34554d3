// The working cell list of CAD and the template cell files.

#include <sheetcut/error.h>

#include <QFileInfo>
#include <limits>

#include "tarvik/cad.h"
#include "tarvik/cell_file.h"
#include "tarvik/cell_sort.h"
#include "tarvik/component_paths.h"
#include "tarvik/constants.h"
#include "tarvik/file_replace.h"
#include "tarvik/template_names.h"

namespace tarvik {

namespace {

[[noreturn]] void subscriptOutOfRange(const char* member, long index) {
  throw sheetcut::Error(sheetcut::errnum::kSubscriptOutOfRange,
                        "Subscript out of range: " + std::to_string(index), member);
}

// An order number as the 16-bit field holds it.
std::int16_t orderNumber(int T, const char* member) {
  if (T < std::numeric_limits<std::int16_t>::min() ||
      T > std::numeric_limits<std::int16_t>::max()) {
    throw sheetcut::Error(sheetcut::errnum::kOverflow, "Overflow: " + std::to_string(T), member);
  }
  return static_cast<std::int16_t>(T);
}

}  // namespace

QString CAD::modFilePath(const QString& baseName, const QString& extension) const {
  return fileInFolder(templateSubFolder(ModPath_, kModFolder), baseName + extension);
}

std::vector<CellType> CAD::ReadMod(const QString& ModName) {
  const std::string problem = templateNameProblem(ModName);
  if (!problem.empty())
    throw CellFileError(sheetcut::errnum::kFileNotFound, problem, "CAD.ReadMod");
  const QString path = modFilePath(ModName, QStringLiteral(".dat"));
  std::vector<CellType> cells;
  if (QFileInfo(path).isFile()) cells = readCellFile(path);
  Cells = std::move(cells);
  CellNum = static_cast<long>(Cells.size());
  return Cells;
}

std::vector<CellType> CAD::readTemplateCells(const QString& name) {
  const QString path = modFilePath(name, QStringLiteral(".dat"));
  if (!QFileInfo(path).isFile()) {
    throw CellFileError(sheetcut::errnum::kFileNotFound,
                        "The cell file \"" + path.toStdString() + "\" of the template \"" +
                            name.toStdString() + "\" is missing",
                        "CAD.ReadMod");
  }
  return ReadMod(name);
}

void CAD::SaveMod(const QString& ModName) {
  const std::string problem = templateNameProblem(ModName);
  if (!problem.empty())
    throw sheetcut::Error(sheetcut::errnum::kPathNotFound, problem, "CAD.SaveMod");
  const QString path = modFilePath(ModName, QStringLiteral(".dat"));
  replaceFile(path, encodeCellFile(Cells, CellNum, path), "CAD.SaveMod");
  MakeCellXml();
}

int CAD::newCell(const std::optional<QString>& name, std::optional<int> T,
                 const std::optional<QString>& s, const std::optional<Variant>& P1,
                 const std::optional<Variant>& P2) {
  CellType cell;
  if (name) cell.name = *name;
  if (T) cell.T = orderNumber(*T, "CAD.newCell");
  if (s) cell.s = *s;
  if (P1) cell.P1 = *P1;
  if (P2) cell.P2 = *P2;
  Cells.resize(static_cast<size_t>(CellNum) + 1);
  Cells[static_cast<size_t>(CellNum)] = std::move(cell);
  return static_cast<int>(CellNum++);
}

CellType CAD::SetCell(int i, const QString& name, int T, const QString& s,
                      const std::optional<Variant>& P1, const std::optional<Variant>& P2) {
  if (i < 0 || static_cast<size_t>(i) >= Cells.size()) subscriptOutOfRange("CAD.SetCell", i);
  const std::int16_t order = orderNumber(T, "CAD.SetCell");
  CellType& cell = Cells[static_cast<size_t>(i)];
  cell.name = name;
  cell.T = order;
  cell.s = s;
  if (P1) cell.P1 = *P1;
  if (P2) cell.P2 = *P2;
  return cell;
}

CellType CAD::SetCell_NEW(int i, const CellType& newCell) {
  if (i < 0 || static_cast<size_t>(i) >= Cells.size()) subscriptOutOfRange("CAD.SetCell_NEW", i);
  Cells[static_cast<size_t>(i)] = newCell;
  return newCell;
}

CellType CAD::Cell(int i) const {
  if (i < 0 || static_cast<size_t>(i) >= Cells.size()) subscriptOutOfRange("CAD.Cell", i);
  return Cells[static_cast<size_t>(i)];
}

void CAD::ModSort(const QString& ModName, bool SaveFlag) {
  if (SaveFlag) ReadMod(ModName);
  sortCells(Cells, CellNum);
  if (SaveFlag) SaveMod(ModName);
}

void CAD::ModsSort() {
  ReadMods();
  for (int i = 1; i <= ModNum; ++i) ModSort(ModList[static_cast<size_t>(i)].n, false);
}

}  // namespace tarvik
