#include "ini_names.h"

#include "ini_change.h"
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
  // A section may hold any other text: written as "[section]", it is found by its whole text
  // (see IniDocument).
  if (const QString p = commonProblem(section); !p.isEmpty()) {
    return refusal(QStringLiteral("节名"), section, p);
  }
  if (const QString p = keyProblem(key); !p.isEmpty()) {
    return refusal(QStringLiteral("键名"), key, p);
  }
  return QString();
}

QString unholdableWrite(const IniDocument& doc, const QString& section, const QString& key,
                        const QString& value) {
  if (QString p = unholdableName(section, key); !p.isEmpty()) return p;
  const auto problem = [](const QString& missing) {
    return QStringLiteral("文件的编码(") + QString::fromStdString(sheetcut::ansiCodePage()) +
           QStringLiteral(")中没有其中的字符\"") + shown(missing) +
           QStringLiteral("\"，写入会变成\"?\"");
  };
  if (const QString m = doc.unencodable(section); !m.isEmpty())
    return refusal(QStringLiteral("节名"), section, problem(m));
  if (const QString m = doc.unencodable(key); !m.isEmpty())
    return refusal(QStringLiteral("键名"), key, problem(m));
  if (const QString m = doc.unencodable(value); !m.isEmpty())
    return refusal(QStringLiteral("键\"") + shown(key) + QStringLiteral("\"的值"), value,
                   problem(m));
  return QString();
}

namespace {

QString readsAsUtf8Problem(const QString& path) {
  return quoted(path) + QStringLiteral("是") + QString::fromStdString(sheetcut::ansiCodePage()) +
         QStringLiteral("编码的文件，这样改过后会被当作UTF-8读回，其中的文字会变样，文件没有改动");
}

}  // namespace

QString unholdableBytes(const IniDocument& doc, const std::string& bytes, const QString& path) {
  if (!doc.readsAsUtf8(bytes)) return QString();
  return readsAsUtf8Problem(path);
}

QString unholdableChange(const IniDocument& doc, const std::vector<IniFile::KeyWrite>& keys,
                         const QString& path) {
  if (!doc.readsAsUtf8After(keys)) return QString();
  return readsAsUtf8Problem(path);
}

QString unreadableText(const IniDocument& doc, const QString& path) {
  if (doc.readable()) return QString();
  return quoted(path) + QStringLiteral("不是文本文件，无法作为INI文件读写，文件没有改动");
}

}  // namespace mobrel
