#pragma once

#include <QString>

namespace mobrel {

// True when the name holds "*" or "?".
bool hasWildcard(const QString& name);

// Matches a file name against a pattern the way a Windows directory listing does, without
// regard to case: "*" is any run of characters, "?" one character, "*.*" matches every name
// (also one without a dot), "name.*" also matches "name", and a pattern ending in "." matches
// names without an extension.
bool wildcardMatch(const QString& pattern, const QString& name);

}  // namespace mobrel
