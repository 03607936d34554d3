#pragma once

#include <string>

namespace sheetcut {

// Drawings, lists, reports and settings are read and replaced only when they are regular files.
// A named pipe blocks open() until a writer comes, and a device such as /dev/zero never ends, so
// both are refused before anything is opened or locked.

// Why `path` cannot be read or replaced as a regular file: "" when it names a regular file
// (symbolic links followed) or nothing at all (the caller's usual "missing file" path applies),
// otherwise a short English reason such as "is a named pipe, not a regular file".
std::string nonRegularFileReason(const std::string& path);

// Opens `path` read-only without ever blocking on a named pipe or device: the open is
// non-blocking and only a regular file is kept (the flag is then cleared). Returns the
// descriptor, or -1 with errno set (EINVAL for anything that is not a regular file).
int openRegularFileForReading(const std::string& path);

// Reads the whole of the regular file `path` (opened as above) into `bytes`. Returns 0, or the
// error number of the step that failed (EINVAL for anything that is not a regular file).
int readRegularFile(const std::string& path, std::string& bytes);

}  // namespace sheetcut
