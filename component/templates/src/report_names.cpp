#include "tarvik/report_names.h"

#include <algorithm>

#include "tarvik/component_paths.h"
#include "tarvik/constants.h"

namespace tarvik {

namespace {

QString asFileName(QString path) {
  path.replace(u'\\', QChar(0x2016));
  path.replace(u'/', QChar(0x2016));
  path.replace(u':', QChar(0xFF1A));
  return path;
}

}  // namespace

QString drawingReportPath(const QString& workPath, const QString& drawingPath) {
  // The extension goes by its length, as the drawing extension constant has it.
  const QString stem =
      drawingPath.left(std::max<qsizetype>(0, drawingPath.size() - kDrawingExtension.size()));
  return joinPath(joinPath(workPath, QStringLiteral("FileRpt")), asFileName(stem) + ".rpt");
}

QString folderReportPath(const QString& workPath, const QString& folderPath) {
  return joinPath(joinPath(workPath, QStringLiteral("FolderRpt")), asFileName(folderPath) + ".txt");
}

}  // namespace tarvik
