// FXdwgDir and SplitdwgDir: one drawing operation over every drawing of a folder tree.

#include <QDir>
#include <QFileInfo>

#include "analysis_steps.h"
#include "tarvik/cad.h"
#include "tarvik/constants.h"
#include "tarvik/folder_entries.h"

namespace tarvik {

void CAD::FXdwgDir(const QString& DwgFolder) {
  folderBatch(DwgFolder, false);
}

void CAD::SplitdwgDir(const QString& DwgFolder) {
  folderBatch(DwgFolder, true);
}

void CAD::folderBatch(const QString& DwgFolder, bool split) {
  QuitFlag = false;
  const QFileInfo info(DwgFolder);
  QDir dir(DwgFolder);
  if (DwgFolder.isEmpty() || !info.isDir() || !info.isReadable() || !dir.isReadable()) {
    throw sheetcut::Error(sheetcut::errnum::kPathNotFound,
                          "The folder \"" + DwgFolder.toStdString() + "\" cannot be read",
                          split ? "CAD.SplitdwgDir" : "CAD.FXdwgDir");
  }
  events_.raiseAnDwgDirBigen(DwgFolder);
  for (const QFileInfo& file : sortedEntries(dir, QDir::Files)) {
    ui().processEvents();
    if (!file.fileName().endsWith(kDrawingExtension, Qt::CaseInsensitive)) continue;
    if (QuitFlag) break;
    const QString path = dir.filePath(file.fileName());
    if (split) {
      SplitDwg(path, false);
    } else {
      FXDWG(path, std::nullopt, std::nullopt, QString());
    }
  }
  events_.raiseAnDwgDirEnd(DwgFolder, QString());
  if (!AnSubFolder()) return;
  for (const QFileInfo& sub : sortedEntries(dir, QDir::Dirs | QDir::NoDotAndDotDot)) {
    if (QuitFlag) break;
    // A link to a folder may lead back up the tree: only real sub-folders are walked.
    if (sub.isSymLink()) continue;
    folderBatch(dir.filePath(sub.fileName()), split);
  }
}

}  // namespace tarvik
