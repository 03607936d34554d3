#pragma once

#include <QString>

namespace sheetcut::app {

// major.minor.revision, each without leading zeros: 3, 0, 117 give "3.0.117".
QString versionText(int major, int minor, int revision);
// The program's own version, from the build.
QString GetAppVersion();

// The program's title, shown in the caption, the status bar and the About box.
inline const QString kProgramTitle = QStringLiteral("Corvantis图形拆分工具");

}  // namespace sheetcut::app
