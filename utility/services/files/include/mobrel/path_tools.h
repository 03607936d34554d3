#pragma once

#include <QString>

namespace mobrel {

// Appends the path separator "/" unless the text already ends with one; "" stays "".
void AddBackslash(QString& path);

// True when the name is an existing file (not a folder). A last component with "*" or "?"
// answers whether any file matches it.
bool IsFileExist(const QString& name);

// True when the name is an existing folder; "" answers false.
bool IsFolderExist(const QString& name);

// Creates every missing level of the path, then answers IsFolderExist. On a failure the
// answer is false and the levels already made stay.
bool MakeLocalPath(const QString& path);

}  // namespace mobrel
