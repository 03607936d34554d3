#include "sheetcut_app/app_version.h"

namespace sheetcut::app {

QString versionText(int major, int minor, int revision) {
  return QStringLiteral("%1.%2.%3").arg(major).arg(minor).arg(revision);
}

QString GetAppVersion() {
  return versionText(SHEETCUT_VERSION_MAJOR, SHEETCUT_VERSION_MINOR, SHEETCUT_VERSION_PATCH);
}

}  // namespace sheetcut::app
