#pragma once

#include <QString>

namespace mobrel {

// A stored value as a profile read hands it back: a matching pair of quotes removed, cut at
// 1023 bytes of the ANSI code page, trimmed, without NUL characters.
QString profileValue(const QString& stored);

}  // namespace mobrel
