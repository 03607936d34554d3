// The component's own folder and the template sub-folders.

#include "tarvik/component_paths.h"

#include <dlfcn.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace tarvik {

QString componentFolder() {
  // Any symbol of this library tells dladdr which file it was loaded from.
  Dl_info info{};
  if (dladdr(reinterpret_cast<const void*>(&componentFolder), &info) == 0 ||
      info.dli_fname == nullptr) {
    return QDir::currentPath();
  }
  const QString file = QFile::decodeName(info.dli_fname);
  return QFileInfo(file).absolutePath();
}

QString joinPath(const QString& dir, const QString& name) {
  return dir + u'/' + name;
}

QString templateSubFolder(const QString& modPath, const QString& name) {
  const QString exact = joinPath(modPath, name);
  if (QFileInfo(exact).isDir()) return exact;
  const QDir dir(modPath.isEmpty() ? QStringLiteral("/") : modPath);
  const QStringList entries = dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
  for (const QString& entry : entries) {
    if (entry.compare(name, Qt::CaseInsensitive) == 0) return joinPath(modPath, entry);
  }
  return exact;
}

}  // namespace tarvik
