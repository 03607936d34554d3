#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <vector>

namespace mobrel {

// One file found by the lister. The creation time is the birth time where the file system
// records one, else the last-write time.
struct FolderFile {
  QString path;  // the searched folder (ending in "/") followed by the name
  qint64 size = 0;
  QDateTime created;
  QDateTime written;
  QDateTime accessed;
};

struct FolderListing {
  std::vector<FolderFile> files;
  QStringList dirs;  // full paths of the sub-folders, without a trailing "/"
  // Matching files and sub-folders whose names are not UTF-8 (as Windows archives unpack
  // names in the ANSI page): a path made of a QString would not reach them, so they are left
  // out of files and dirs (and not entered) and named here instead, the name read in the ANSI
  // page, for showing only.
  QStringList skippedFiles;
  QStringList skippedDirs;
};

// Lists the sub-folders and the files matching the filter (Windows wildcards, without regard
// to case; "*.*" matches every name) of one folder, and with subDirs of its whole tree, depth
// first: a folder's own entries come before those of its sub-folders. Every sub-folder is
// listed whatever the filter. A link to a folder is listed but not entered, so a link loop
// cannot trap the walk. Dot files are listed. Nothing is sorted; a folder that cannot be
// read lists nothing. Names that are not UTF-8 are told apart (see FolderListing).
FolderListing listFolder(const QString& folder, const QString& filter, bool subDirs);

// "<path>/<size div 1024>Kb/<created>/<written>/<accessed>", times as "yyyy-MM-dd HH:mm:ss"
// in the local time zone.
QString FolderEntry(const FolderFile& file);

// The lister in its array form: adds "/" to the caller's SearchPath, then fills fileArr with
// one FolderEntry per file and dirArr with the sub-folders. Both arrays start afresh as one
// empty element; an array with nothing found holds one "". With `skipped`, that list is set
// to what was left out for names that are not UTF-8: the matching files, and the sub-folders
// (with all they hold), each of these named with a trailing "/" to tell it apart.
void ListFolder(QString& SearchPath, const QString& FileNameFilter, QStringList& fileArr,
                QStringList& dirArr, bool SearchSubDirs = false, QStringList* skipped = nullptr);

}  // namespace mobrel
