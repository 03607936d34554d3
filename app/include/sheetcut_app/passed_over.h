#pragma once

// What adding a folder passed over because the names are not UTF-8 (no path of this program
// reaches them), and the message that names it.

#include <QString>
#include <QStringList>

namespace sheetcut::app {

// Each list in the name order of the drawings.
struct PassedOver {
  QStringList files;
  QStringList folders;  // without a trailing "/"
};

// Sorts what the folder lister left out: files, and folders named with a trailing "/".
PassedOver passedOver(const QStringList& skipped);

// How many files and folders were passed over, why, and which (the first ten of each); the
// files first. Empty when nothing was.
QString passedOverText(const PassedOver& over);

}  // namespace sheetcut::app
