#pragma once

// Folders of the component: its own folder and the sub-folders of the template folder.

#include <QString>

namespace tarvik {

// The folder the component's library file was loaded from, without a trailing "/".
QString componentFolder();

// dir + "/" + name; dir is used as given (one "/" is added, none removed).
QString joinPath(const QString& dir, const QString& name);

// The sub-folder `name` of `modPath` (kModFolder or kModDwgFolder): an existing entry whose
// name equals `name` without regard to case, else the lower-case path where it belongs.
QString templateSubFolder(const QString& modPath, const QString& name);

}  // namespace tarvik
