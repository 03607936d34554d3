#pragma once

#include <QString>

namespace sheetcut::app {

// The user's guide of the program, as HTML, in Chinese like the program's own texts.
QString helpHtml(const QString& version);

}  // namespace sheetcut::app
