#include "mobrel/path_tools.h"

#include <filesystem>

#include "mobrel/wildcard.h"

namespace mobrel {

namespace fs = std::filesystem;

void AddBackslash(QString& path) {
  if (!path.isEmpty() && !path.endsWith(u'/')) path += u'/';
}

bool IsFileExist(const QString& name) {
  if (name.isEmpty()) return false;
  std::error_code ec;
  const qsizetype slash = name.lastIndexOf(u'/');
  const QString last = name.mid(slash + 1);
  if (!hasWildcard(last)) {
    const fs::file_status st = fs::status(name.toStdString(), ec);
    return fs::exists(st) && !fs::is_directory(st);
  }
  const QString folder = slash < 0 ? QStringLiteral(".") : name.left(slash + 1);
  for (fs::directory_iterator it(folder.toStdString(), ec), end; !ec && it != end;
       it.increment(ec)) {
    if (!it->is_directory(ec) &&
        wildcardMatch(last, QString::fromStdString(it->path().filename().string()))) {
      return true;
    }
  }
  return false;
}

bool IsFolderExist(const QString& name) {
  if (name.isEmpty()) return false;
  std::error_code ec;
  return fs::is_directory(name.toStdString(), ec);
}

bool MakeLocalPath(const QString& path) {
  QString full = path;
  AddBackslash(full);
  for (qsizetype at = full.indexOf(u'/', 1); at >= 0; at = full.indexOf(u'/', at + 1)) {
    const QString level = full.left(at);
    if (level.isEmpty() || IsFolderExist(level)) continue;
    std::error_code ec;
    if (!fs::create_directory(level.toStdString(), ec) || ec) return false;
  }
  return IsFolderExist(path);
}

}  // namespace mobrel
