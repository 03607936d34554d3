// Block layout files of CAD.

#include <sheetcut/error.h>

#include "tarvik/block_layout_file.h"
#include "tarvik/cad.h"
#include "tarvik/file_replace.h"
#include "tarvik/template_names.h"

namespace tarvik {

void CAD::SaveBlockLayout(const QString& name) {
  SaveBlockLayoutEx(name, layoutLabelCells(Cells, CellNum));
}

void CAD::SaveBlockLayoutEx(const QString& name, const std::vector<CellType>& cells) {
  const std::string problem = templateNameProblem(name);
  if (!problem.empty())
    throw sheetcut::Error(sheetcut::errnum::kPathNotFound, problem, "CAD.SaveBlockLayout");
  const QString path = modFilePath(name, QStringLiteral(".bln"));
  replaceFile(path, encodeBlockLayout(CornerTexts, cells, path), "CAD.SaveBlockLayout");
}

std::vector<CellType> CAD::ReadBlockLayout(const QString& name) {
  const std::string problem = templateNameProblem(name);
  if (!problem.empty())
    throw sheetcut::Error(sheetcut::errnum::kFileNotFound, problem, "CAD.ReadBlockLayout");
  BlockLayout layout = readBlockLayoutFile(modFilePath(name, QStringLiteral(".bln")));
  CornerTexts = std::move(layout.cornerTexts);
  return std::move(layout.cells);
}

}  // namespace tarvik
