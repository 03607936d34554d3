#pragma once

// Whole-file replacement for the template files.

#include <QByteArray>
#include <QString>
#include <optional>
#include <string>

namespace tarvik {

// Writes `data` to a temporary file in the folder of `path` and renames it over `path`, so the
// old file stays whole until the new one is complete. sheetcut::Error (path not found) naming
// the file when the folder is missing, the file cannot be written (a full disk said as such),
// the caller may not write the existing file or it is marked read-only ("Existing file … is
// not writable"), or something other than a regular file is at `path`; `source` names the
// member for the error.
void replaceFile(const QString& path, const QByteArray& data, const char* source);

// The whole file `path`, read under the file's shared lock, so that a template file that
// replaceFile writes in place is read as it was or as it became, never half of each. Nothing
// when it cannot be read, with `why` set to the reason (the system's words, or that another
// program held the file locked for longer than a read waits).
std::optional<QByteArray> readWholeFile(const QString& path, std::string& why);

}  // namespace tarvik
