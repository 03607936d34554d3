#pragma once

// The rules of a profile read and write that the INI classes share.

#include <QString>
#include <QStringView>
#include <optional>
#include <string>

#include "mobrel/ini_values.h"

namespace mobrel {

// The file's bytes, read under the file's shared lock (see sheetcut::LockedFile), so that a
// write in place by another is seen whole or not at all; nothing when it cannot be read, is not
// a regular file, or a writer held the lock for longer than the lock waits. `error`, when
// given, is set to why (EWOULDBLOCK for the lock), or 0.
std::optional<std::string> readBytes(const QString& path, int* error = nullptr);
// The text without the blanks (spaces and tabs) around it, as names and values are read.
QString trimBlanks(QStringView s);
// CR and LF written as spaces, NUL characters left out (values: names that hold them are
// refused).
QString oneLine(QString text);

}  // namespace mobrel
