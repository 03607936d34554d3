#pragma once

// Template names become file names in the template folder ("mod/<name>.dat", ".bln"): a name
// must not lead out of that folder nor cut the file name short.

#include <QString>
#include <string>

namespace tarvik {

// "" when `name` can name a template file; otherwise a message that names it (control
// characters shown as \xNN) and says why not: it holds "/" or "\", "..", or a control
// character (NUL included).
std::string templateNameProblem(const QString& name);

}  // namespace tarvik
