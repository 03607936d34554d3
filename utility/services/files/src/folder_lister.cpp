#include "mobrel/folder_lister.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <filesystem>

#include "mobrel/path_tools.h"
#include "mobrel/wildcard.h"
#include "sheetcut/ansi_codepage.h"

namespace mobrel {

namespace fs = std::filesystem;

namespace {

QDateTime localTime(const struct statx_timestamp& t) {
  return QDateTime::fromMSecsSinceEpoch(t.tv_sec * 1000 + t.tv_nsec / 1000000, Qt::LocalTime);
}

void listInto(const QString& folder, const QString& filter, bool subDirs, FolderListing& out) {
  std::vector<QString> subFolders;
  std::vector<QString> fileNames;
  std::error_code ec;
  const fs::path base = folder.isEmpty() ? fs::path(".") : fs::path(folder.toStdString());
  for (fs::directory_iterator it(base, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string bytes = it->path().filename().native();
    std::error_code typeEc;
    if (!sheetcut::isValidUtf8(bytes)) {
      const QString shown = folder + QString::fromStdString(sheetcut::ansiToUtf8(bytes));
      if (it->is_directory(typeEc)) {
        out.skippedDirs.append(shown);
      } else if (wildcardMatch(filter, shown.mid(folder.size()))) {
        out.skippedFiles.append(shown);
      }
      continue;
    }
    const QString name = QString::fromStdString(bytes);
    if (it->is_directory(typeEc)) {
      out.dirs.append(folder + name);
      if (!it->is_symlink(typeEc)) subFolders.push_back(name);
    } else if (wildcardMatch(filter, name)) {
      fileNames.push_back(name);
    }
  }
  for (const QString& name : fileNames) {
    FolderFile file;
    file.path = folder + name;
    struct statx st {};
    const std::string path = file.path.toStdString();
    if (::statx(AT_FDCWD, path.c_str(), 0, STATX_BASIC_STATS | STATX_BTIME, &st) != 0) continue;
    file.size = static_cast<qint64>(st.stx_size);
    file.written = localTime(st.stx_mtime);
    file.accessed = localTime(st.stx_atime);
    file.created = (st.stx_mask & STATX_BTIME) ? localTime(st.stx_btime) : file.written;
    out.files.push_back(std::move(file));
  }
  if (!subDirs) return;
  for (const QString& name : subFolders) listInto(folder + name + u'/', filter, true, out);
}

void appendEntry(QStringList& array, const QString& entry) {
  if (!array.isEmpty() && array.last().isEmpty())
    array.last() = entry;
  else
    array.append(entry);
}

}  // namespace

FolderListing listFolder(const QString& folder, const QString& filter, bool subDirs) {
  QString start = folder;
  AddBackslash(start);
  FolderListing listing;
  listInto(start, filter, subDirs, listing);
  return listing;
}

QString FolderEntry(const FolderFile& file) {
  static const QString format = QStringLiteral("yyyy-MM-dd HH:mm:ss");
  // One multi-argument arg(): a chained arg() would read "%2" inside a file name as a marker.
  return QStringLiteral("%1/%2Kb/%3/%4/%5")
      .arg(file.path, QString::number(file.size / 1024), file.created.toString(format),
           file.written.toString(format), file.accessed.toString(format));
}

void ListFolder(QString& SearchPath, const QString& FileNameFilter, QStringList& fileArr,
                QStringList& dirArr, bool SearchSubDirs, QStringList* skipped) {
  AddBackslash(SearchPath);
  fileArr = QStringList{QString()};
  dirArr = QStringList{QString()};
  const FolderListing listing = listFolder(SearchPath, FileNameFilter, SearchSubDirs);
  for (const FolderFile& file : listing.files) appendEntry(fileArr, FolderEntry(file));
  for (const QString& dir : listing.dirs) appendEntry(dirArr, dir);
  if (skipped != nullptr) {
    *skipped = listing.skippedFiles;
    for (const QString& dir : listing.skippedDirs) skipped->append(dir + u'/');
  }
}

}  // namespace mobrel
