#pragma once

// Names of the per-drawing and per-folder report files under the working folder. A path
// becomes one file name: its folder separators ("\" and "/") turn into "‖" and ":" into "："
// (full width), so a report always lies directly in "FileRpt" or "FolderRpt".

#include <QString>

namespace tarvik {

// "<workPath>/FileRpt/<drawing path less its extension, mapped>.rpt".
QString drawingReportPath(const QString& workPath, const QString& drawingPath);
// "<workPath>/FolderRpt/<folder path as given, mapped>.txt".
QString folderReportPath(const QString& workPath, const QString& folderPath);

}  // namespace tarvik
