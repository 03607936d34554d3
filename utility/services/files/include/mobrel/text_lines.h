#pragma once

#include <QString>

namespace mobrel {

// Cuts the text into pieces of `width` characters, each followed by CR LF. An odd width gives
// the text unchanged, a negative even width "". A width of 0 raises sheetcut::Error (division
// by zero). Only pieces that hold text are made: an empty text gives "".
QString WrapLines(const QString& text, int width);

}  // namespace mobrel
