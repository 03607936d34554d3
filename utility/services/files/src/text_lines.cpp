#include "mobrel/text_lines.h"

#include "sheetcut/error.h"

namespace mobrel {

QString WrapLines(const QString& text, int width) {
  if (width % 2 != 0) return text;
  if (width == 0) throw sheetcut::Error(sheetcut::errnum::kDivisionByZero, "Division by zero");
  if (width < 0) return QString();
  QString out;
  out.reserve(text.size() + (text.size() / width + 1) * 2);
  for (qsizetype at = 0; at < text.size(); at += width) {
    out += QStringView(text).mid(at, width);
    out += QLatin1String("\r\n");
  }
  return out;
}

}  // namespace mobrel
