#pragma once

// The order in which a folder's drawings are listed: by name, without regard to case, and runs
// of digits compared as numbers, so that d2 comes before d10.

#include <QString>

namespace sheetcut::app {

// True when `a` comes before `b`. Names equal but for case or leading zeros are ordered by
// those too, so that the order is total and does not depend on the file system's.
bool nameLess(const QString& a, const QString& b);

}  // namespace sheetcut::app
