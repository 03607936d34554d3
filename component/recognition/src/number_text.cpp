#include "tarvik/recognition/number_text.h"

#include <charconv>
#include <cmath>

namespace tarvik {

QString numberText(double x) {
  if (x == 0 || std::isnan(x)) return x == 0 ? QStringLiteral("0") : QStringLiteral("NaN");
  // to_chars in the general form is printf's "%.15g" in the C locale, independent of the
  // locale the process runs in.
  char buf[64];
  const auto result = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::general, 15);
  QString text = QString::fromLatin1(buf, static_cast<int>(result.ptr - buf));
  text.replace(QLatin1Char('e'), QLatin1Char('E'));
  if (text == QLatin1String("-0")) return QStringLiteral("0");
  return text;
}

}  // namespace tarvik
