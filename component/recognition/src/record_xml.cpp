#include "tarvik/recognition/record_xml.h"

#include <libxml/parser.h>

#include <cctype>

#include "tarvik/recognition/number_text.h"
#include "tarvik/xml_parsing.h"

namespace tarvik {

namespace {

// A record whose entities would expand beyond the libxml2 limits is no record: it parses to
// nothing, as any other text that is not a record.
XmlDocPtr parseUtf8(const QByteArray& bytes) {
  return XmlDocPtr(parseXml(bytes, nullptr, "UTF-8", 0).doc);
}

bool isNameStart(QChar c) {
  return c.isLetter() || c == QLatin1Char('_') || c == QLatin1Char(':');
}

// "&" starts a reference when a name or "#digits" / "#xhex" ends at ";".
bool startsReference(const QString& s, int at) {
  int i = at + 1;
  if (i < s.size() && s[i] == QLatin1Char('#')) {
    ++i;
    const bool hex = i < s.size() && (s[i] == QLatin1Char('x'));
    if (hex) ++i;
    const int digitsFrom = i;
    while (i < s.size() && (hex ? isxdigit(s[i].unicode()) : s[i].isDigit())) ++i;
    return i > digitsFrom && i < s.size() && s[i] == QLatin1Char(';');
  }
  if (i >= s.size() || !isNameStart(s[i])) return false;
  while (i < s.size() && (s[i].isLetterOrNumber() || s[i] == QLatin1Char('_') ||
                          s[i] == QLatin1Char('-') || s[i] == QLatin1Char('.'))) {
    ++i;
  }
  return i < s.size() && s[i] == QLatin1Char(';');
}

// "<" starts markup when a tag follows: an optional "/", a name, then ">", "/>" or a blank;
// or a comment, declaration or processing instruction ("!", "?").
bool startsMarkup(const QString& s, int at) {
  int i = at + 1;
  if (i >= s.size()) return false;
  if (s[i] == QLatin1Char('!') || s[i] == QLatin1Char('?')) return true;
  if (s[i] == QLatin1Char('/')) ++i;
  if (i >= s.size() || !isNameStart(s[i])) return false;
  while (i < s.size() &&
         (s[i].isLetterOrNumber() || s[i] == QLatin1Char('_') || s[i] == QLatin1Char('-') ||
          s[i] == QLatin1Char('.') || s[i] == QLatin1Char(':'))) {
    ++i;
  }
  return i < s.size() && (s[i] == QLatin1Char('>') || s[i] == QLatin1Char('/') || s[i].isSpace());
}

QString escapeBare(const QString& s) {
  QString out;
  out.reserve(s.size() + 16);
  for (int i = 0; i < s.size(); ++i) {
    if (s[i] == QLatin1Char('&') && !startsReference(s, i)) {
      out += QLatin1String("&amp;");
    } else if (s[i] == QLatin1Char('<') && !startsMarkup(s, i)) {
      out += QLatin1String("&lt;");
    } else {
      out += s[i];
    }
  }
  return out;
}

}  // namespace

QString xmlEscape(const QString& s) {
  QString out;
  out.reserve(s.size());
  for (const QChar c : s) {
    if (c == QLatin1Char('&')) {
      out += QLatin1String("&amp;");
    } else if (c == QLatin1Char('<')) {
      out += QLatin1String("&lt;");
    } else if (c == QLatin1Char('>')) {
      out += QLatin1String("&gt;");
    } else {
      out += c;
    }
  }
  return out;
}

QString textRowsXml(const std::vector<TextType>& words) {
  QString xml = QStringLiteral("<Root>");
  for (const TextType& w : words) {
    xml += QStringLiteral(" <Text> <S>") + xmlEscape(w.s) + QStringLiteral("</S> <XL>") +
           numberText(w.XL) + QStringLiteral("</XL> <XR>") + numberText(w.XR) +
           QStringLiteral("</XR> <Y>") + numberText(w.Y) + QStringLiteral("</Y> <H>") +
           numberText(w.H) + QStringLiteral("</H> </Text>");
  }
  return xml + QStringLiteral("</Root>");
}

QString headerActionXml(const QString& headerName, bool personName) {
  return QStringLiteral("<action name=\"年度\"> <表头名>") + xmlEscape(headerName) +
         QStringLiteral(
             "</表头名><单元类型>1 单行文本</单元类型><文字高度>3</文字高度><文字样式>HZTXT</"
             "文字样式><对齐方式>1 左对齐</对齐方式><是否人名>") +
         (personName ? QStringLiteral("1 是") : QStringLiteral("0 否")) +
         QStringLiteral("</是否人名></action>");
}

XmlDocPtr parseRecordXml(const QString& text) {
  if (XmlDocPtr doc = parseUtf8(text.toUtf8())) return doc;
  return parseUtf8(escapeBare(text).toUtf8());
}

QString nodeText(const xmlNode* node) {
  if (node == nullptr) return {};
  xmlChar* content = xmlNodeGetContent(node);
  const QString text = QString::fromUtf8(reinterpret_cast<const char*>(content));
  xmlFree(content);
  return text;
}

}  // namespace tarvik
