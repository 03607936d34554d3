#pragma once

#include <sys/stat.h>

#include <string>

namespace sheetcut {

// What keeps this process from changing a file beyond its permission bits, so that a refusal
// can name its cause rather than the folder's permissions or a read-only mode.
enum class FileProtection {
  None,
  AppendOnly,        // chattr +a: data may only be added at its end
  Immutable,         // chattr +i: nothing may change it
  ReadOnlyMount,     // the file system it lies on is mounted read-only
  OthersStickyFile,  // another user's file in a shared folder with the sticky bit
};

// The protection of the file `path` names (links followed), None for a missing file. A
// sticky folder is named only where it keeps this process from replacing the file: the file
// and the folder belong to others, and this process has no right to pass over that.
FileProtection protectionOf(const std::string& path);

// The protection in a few English words ("the file is append-only"), "" for None.
std::string protectionReason(FileProtection protection);

// Whether a new file renamed over the existing regular file `path` (its status `old`) can be
// what that file was: it has no other name, this process may give the new file the old one's
// owner and group, the folder lets this process create and rename files in it, and the file is
// not mounted over its name. Otherwise the new content has to be written into the file itself.
bool renameKeepsFile(const std::string& path, const struct stat& old);

}  // namespace sheetcut
