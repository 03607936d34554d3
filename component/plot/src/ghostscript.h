#pragma once

// Running Ghostscript: always with -dSAFER (an EPS file is a PostScript program from outside),
// through an argument vector, never a shell.

#include <QString>
#include <QStringList>

namespace tarvik {

struct ProgramResult {
  bool ok = false;    // started and exited with status 0
  QString errorTail;  // the last lines of its output, for a failure's description
};

// Runs "gs -q -dSAFER -dBATCH -dNOPAUSE" followed by `arguments` and waits for it.
ProgramResult runGhostscript(const QStringList& arguments);

}  // namespace tarvik
