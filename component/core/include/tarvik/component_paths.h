#pragma once

// Folders of the component: its own folder and the sub-folders of the template folder.

#include <QHash>
#include <QString>

namespace tarvik {

// The folder the component's library file was loaded from, without a trailing "/".
QString componentFolder();

// dir + "/" + name; dir is used as given (one "/" is added, none removed).
QString joinPath(const QString& dir, const QString& name);

// The sub-folder `name` of `modPath` (kModFolder or kModDwgFolder): an existing entry whose
// name equals `name` without regard to case, else the lower-case path where it belongs.
QString templateSubFolder(const QString& modPath, const QString& name);

// The path of the file `name` in the folder `dir`: `name` itself when it is there, else an
// entry whose name equals it without regard to case (the first in name order), else the path
// of `name`, where a new file of that name belongs. A folder's listing is kept between calls
// and taken again once the folder has changed, so a look-up costs a status call and a hash
// look-up, not a walk over the folder.
QString fileInFolder(const QString& dir, const QString& name);

// The files of one folder found as fileInFolder finds them, from one listing taken on the first
// look-up that needs it and kept for the object's life: for a pass over many names of a folder
// that may be changing, where fileInFolder would list it again for every name it misses.
class FolderFiles {
 public:
  explicit FolderFiles(QString dir);
  const QString& dir() const { return dir_; }
  QString path(const QString& name);

 private:
  QString dir_;
  bool listed_ = false;
  QHash<QString, QString> byFoldedName_;
};

}  // namespace tarvik
