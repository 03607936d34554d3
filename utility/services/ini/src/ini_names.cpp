#include "ini_names.h"

#include "ini_document.h"
#include "sheetcut/ansi_codepage.h"

namespace mobrel {

namespace {

bool isBlank(QChar c) {
  return c == u' ' || c == u'\t';
}

// The name as the message shows it: control characters as escapes, so that a line break in a
// name does not break the message.
QString shown(const QString& name) {
  QString out;
  for (const QChar c : name) {
    if (c == u'\r') {
      out += QStringLiteral("\\r");
    } else if (c == u'\n') {
      out += QStringLiteral("\\n");
    } else if (c == u'\t') {
      out += QStringLiteral("\\t");
    } else if (c.category() == QChar::Other_Control) {
      out += QStringLiteral("\\x") +
             QString::number(c.unicode(), 16).toUpper().rightJustified(2, u'0');
    } else {
      out += c;
    }
  }
  return out;
}

// The rule a name of either kind breaks, "" for none.
QString commonProblem(const QString& name) {
  for (const QChar c : name) {
    if (c.category() == QChar::Other_Control) return QStringLiteral("含有换行或控制字符");
  }
  if (!name.isEmpty() && (isBlank(name.front()) || isBlank(name.back()))) {
    return QStringLiteral("首尾有空白，读回时会被去掉");
  }
  return QString();
}

QString sectionProblem(const QString& section) {
  QString problem = commonProblem(section);
  if (!problem.isEmpty()) return problem;
  // Written as "[section]", the header must close at its own last "]", not at one inside
  // the name that a comment would seem to follow.
  const QString header = QStringLiteral("[") + section + QStringLiteral("]");
  if (headerEnd(header) != header.size() - 1)
    return QStringLiteral("含有\"]\"后接\";\"，读回时会从它断开");
  return QString();
}

QString keyProblem(const QString& key) {
  QString problem = commonProblem(key);
  if (!problem.isEmpty()) return problem;
  if (key.contains(u'=')) return QStringLiteral("含有\"=\"，读回时会从它断开");
  if (key.startsWith(u'[')) return QStringLiteral("以\"[\"开头，读回时是一个节名");
  if (key.startsWith(u';')) return QStringLiteral("以\";\"开头，读回时是一行注释");
  return QString();
}

QString refusal(const QString& kind, const QString& name, const QString& problem) {
  return kind + QStringLiteral("\"") + shown(name) + QStringLiteral("\"不能写入INI文件：") +
         problem;
}

}  // namespace

QString unholdableName(const QString& section, const QString& key) {
  if (const QString p = sectionProblem(section); !p.isEmpty()) {
    return refusal(QStringLiteral("节名"), section, p);
  }
  if (const QString p = keyProblem(key); !p.isEmpty()) {
    return refusal(QStringLiteral("键名"), key, p);
  }
  return QString();
}

QString unholdableName(const IniDocument& doc, const QString& section, const QString& key) {
  if (QString p = unholdableName(section, key); !p.isEmpty()) return p;
  const QString problem = QStringLiteral("文件的编码(") +
                          QString::fromStdString(sheetcut::ansiCodePage()) +
                          QStringLiteral(")中没有其中的字符");
  if (!doc.encodes(section)) return refusal(QStringLiteral("节名"), section, problem);
  if (!doc.encodes(key)) return refusal(QStringLiteral("键名"), key, problem);
  return QString();
}

}  // namespace mobrel
