#include "tarvik/template_names.h"

namespace tarvik {

namespace {

bool isControl(QChar c) {
  const char16_t u = c.unicode();
  return u < 0x20 || (u >= 0x7f && u < 0xa0);
}

QString printable(const QString& name) {
  QString out;
  out.reserve(name.size());
  for (const QChar c : name) {
    if (isControl(c)) {
      out += QStringLiteral("\\x") + QString::number(c.unicode(), 16).rightJustified(2, u'0');
    } else {
      out += c;
    }
  }
  return out;
}

const char* reasonOf(const QString& name) {
  for (const QChar c : name) {
    if (isControl(c)) return "holds a control character";
    if (c == u'/' || c == u'\\') return "holds a path separator";
  }
  if (name.contains(QStringLiteral(".."))) return "holds \"..\"";
  return nullptr;
}

}  // namespace

std::string templateNameProblem(const QString& name) {
  const char* reason = reasonOf(name);
  if (reason == nullptr) return {};
  return "The template name \"" + printable(name).toStdString() + "\" " + reason +
         ": it must name a file in the template folder";
}

}  // namespace tarvik
