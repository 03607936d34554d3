#pragma once

#include <QString>

namespace mobrel {

// A stored value as a profile read hands it back: a matching pair of quotes removed, cut at
// 1023 bytes of the ANSI code page, trimmed, without NUL characters.
QString profileValue(const QString& stored);

// A value as a profile read hands it back once it is written: line breaks as spaces and NUL
// characters left out, the blanks (spaces and tabs) around it dropped as the file holds it, then
// as profileValue.
QString readBackValue(const QString& written);

// What tells a key of a section apart in a file: both names without the blanks around them, in
// one case. Other white space (a full-width or no-break space) is part of a name, as it is in
// the file.
QString keyIdentity(const QString& section, const QString& key);

}  // namespace mobrel
