// FXdwgDir and SplitdwgDir: one drawing operation over every drawing of a folder tree.

#include <sheetcut/error.h>

#include <QDir>
#include <QFileInfo>

#include "analysis_steps.h"
#include "tarvik/cad.h"
#include "tarvik/constants.h"
#include "tarvik/folder_entries.h"
#include "tarvik/pointer_scope.h"

namespace tarvik {

namespace {

// Drawings named one by one in the error of a batch; the rest are counted.
constexpr qsizetype kDrawingsNamed = 20;

const char* sourceOf(bool split) {
  return split ? "CAD.SplitdwgDir" : "CAD.FXdwgDir";
}

// The drawings whose frames were not all written, one description a line.
QString unwrittenText(const QString& folder, const QStringList& unwritten) {
  QString text = QStringLiteral("Frames of %1 drawing(s) under \"%2\" were not written:")
                     .arg(unwritten.size())
                     .arg(folder);
  for (qsizetype i = 0; i < unwritten.size() && i < kDrawingsNamed; ++i) {
    text.append(u'\n');
    text.append(unwritten[i]);
  }
  if (unwritten.size() > kDrawingsNamed) {
    text.append(QStringLiteral("\nand %1 more drawing(s)").arg(unwritten.size() - kDrawingsNamed));
  }
  return text;
}

}  // namespace

void CAD::FXdwgDir(const QString& DwgFolder) {
  QStringList unwritten;
  folderBatch(DwgFolder, false, unwritten);
}

void CAD::SplitdwgDir(const QString& DwgFolder) {
  // A drawing with frames that were not written is noted and the batch goes on; the notes are
  // raised after the whole batch, or added to the error that ends it.
  QStringList unwritten;
  try {
    folderBatch(DwgFolder, true, unwritten);
  } catch (const sheetcut::Error& e) {
    if (unwritten.isEmpty()) throw;
    std::string description = e.description();
    description.append("\n").append(unwrittenText(DwgFolder, unwritten).toStdString());
    throw sheetcut::Error(e.number(), std::move(description), e.source());
  }
  if (!unwritten.isEmpty()) {
    throw sheetcut::Error(sheetcut::errnum::kGeneric,
                          unwrittenText(DwgFolder, unwritten).toStdString(), sourceOf(true));
  }
}

void CAD::folderBatch(const QString& DwgFolder, bool split, QStringList& unwritten) {
  QuitFlag = false;
  const QFileInfo info(DwgFolder);
  QDir dir(DwgFolder);
  if (DwgFolder.isEmpty() || !info.isDir() || !info.isReadable() || !dir.isReadable()) {
    throw sheetcut::Error(sheetcut::errnum::kPathNotFound,
                          "The folder \"" + DwgFolder.toStdString() + "\" cannot be read",
                          sourceOf(split));
  }
  events_.raiseAnDwgDirBigen(DwgFolder);
  for (const QFileInfo& file : sortedEntries(dir, QDir::Files)) {
    ui().processEvents();
    if (!file.fileName().endsWith(kDrawingExtension, Qt::CaseInsensitive)) continue;
    if (QuitFlag) break;
    const QString path = dir.filePath(file.fileName());
    if (split) {
      const QString frames = splitNotingFrames(path);
      if (!frames.isEmpty()) unwritten << frames;
    } else {
      // A report that cannot be written fails every drawing alike: the batch ends with it.
      QString reportFailure;
      {
        PointerScope<QString> reportScope(ReportFailureSink_, &reportFailure);
        FXDWG(path, std::nullopt, std::nullopt, QString());
      }
      if (!reportFailure.isEmpty()) {
        throw sheetcut::Error(sheetcut::errnum::kGeneric, reportFailure.toStdString(),
                              sourceOf(false));
      }
    }
  }
  events_.raiseAnDwgDirEnd(DwgFolder, QString());
  if (!AnSubFolder()) return;
  for (const QFileInfo& sub : sortedEntries(dir, QDir::Dirs | QDir::NoDotAndDotDot)) {
    if (QuitFlag) break;
    // A link to a folder may lead back up the tree: only real sub-folders are walked.
    if (sub.isSymLink()) continue;
    folderBatch(dir.filePath(sub.fileName()), split, unwritten);
  }
}

}  // namespace tarvik
