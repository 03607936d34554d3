#pragma once

// The rules of a profile read and write that the INI classes share.

#include <QString>
#include <QStringView>
#include <optional>
#include <string>

#include "mobrel/ini_values.h"

namespace mobrel {

// The file's bytes; nothing when it cannot be read or is not a regular file.
std::optional<std::string> readBytes(const QString& path);
// The text without the blanks (spaces and tabs) around it, as names and values are read.
QString trimBlanks(QStringView s);
// CR and LF written as spaces, NUL characters left out (values: names that hold them are
// refused).
QString oneLine(QString text);

}  // namespace mobrel
