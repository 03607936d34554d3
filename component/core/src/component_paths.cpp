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

constexpr std::chrono::seconds kSettleTime{2};

}  // namespace

QString fileInFolder(const QString& dir, const QString& name) {
  const QString exact = joinPath(dir, name);
  if (QFileInfo(exact).isFile()) return exact;

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
    listing.byFoldedName.clear();
    const QStringList entries =
        QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    for (const QString& entry : entries) {
      const QString folded = entry.toCaseFolded();
      if (!listing.byFoldedName.contains(folded)) listing.byFoldedName.insert(folded, entry);
    }
  }
  const auto it = listing.byFoldedName.constFind(name.toCaseFolded());
  return it == listing.byFoldedName.cend() ? exact : joinPath(dir, *it);
}

}  // namespace tarvik
