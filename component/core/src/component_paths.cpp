// The component's own folder and the template sub-folders.

#include "tarvik/component_paths.h"

#include <dlfcn.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <chrono>
#include <filesystem>
#include <mutex>
#include <utility>

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

namespace {

// The files of one folder by case-folded name, and the folder's change time when listed.
struct FolderListing {
  std::filesystem::file_time_type stamp;
  // A folder changed within this long before it was listed may change again under the same
  // time stamp (file systems keep times coarsely); such a listing is taken again on its next
  // use.
  bool settled = false;
  QHash<QString, QString> byFoldedName;
};

// The files of `dir` by case-folded name; of names that fold alike, the first in name order.
QHash<QString, QString> filesByFoldedName(const QString& dir) {
  QHash<QString, QString> byFoldedName;
  const QStringList entries =
      QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
  for (const QString& entry : entries) {
    const QString folded = entry.toCaseFolded();
    if (!byFoldedName.contains(folded)) byFoldedName.insert(folded, entry);
  }
  return byFoldedName;
}

bool isFile(const QString& path) {
  return QFileInfo(path).isFile();
}

constexpr std::chrono::seconds kSettleTime{2};

}  // namespace

QString fileInFolder(const QString& dir, const QString& name) {
  const QString exact = joinPath(dir, name);
  if (isFile(exact)) return exact;

  static std::mutex mutex;
  static QHash<QString, FolderListing> listings;
  const std::lock_guard<std::mutex> lock(mutex);
  std::error_code ec;
  const std::filesystem::path folder(QFile::encodeName(dir).toStdString());
  const std::filesystem::file_time_type stamp = std::filesystem::last_write_time(folder, ec);
  if (ec) {
    listings.remove(dir);
    return exact;
  }
  FolderListing& listing = listings[dir];
  if (!listing.settled || listing.stamp != stamp) {
    listing.stamp = stamp;
    listing.settled = std::filesystem::file_time_type::clock::now() - stamp > kSettleTime;
    listing.byFoldedName = filesByFoldedName(dir);
  }
  const auto it = listing.byFoldedName.constFind(name.toCaseFolded());
  return it == listing.byFoldedName.cend() ? exact : joinPath(dir, *it);
}

FolderFiles::FolderFiles(QString dir) : dir_(std::move(dir)) {}

QString FolderFiles::path(const QString& name) {
  const QString exact = joinPath(dir_, name);
  if (isFile(exact)) return exact;
  if (!listed_) {
    byFoldedName_ = filesByFoldedName(dir_);
    listed_ = true;
  }
  const auto it = byFoldedName_.constFind(name.toCaseFolded());
  return it == byFoldedName_.cend() ? exact : joinPath(dir_, *it);
}

}  // namespace tarvik
