#include "mobrel/ini_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QFileInfo>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "atomic_write.h"
#include "ini_document.h"
#include "ini_rules.h"
#include "sheetcut/ansi_codepage.h"

namespace mobrel {

std::optional<std::string> readBytes(const QString& path) {
  std::ifstream in(std::filesystem::path(path.toStdString()), std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

namespace {

// The longest value a profile read hands back, in bytes of the ANSI code page.
constexpr qsizetype kMaxValueBytes = 1023;

// Cuts the text before the first character that would take it past the byte limit, counting
// each character by its length in the ANSI code page.
QString limitAnsiBytes(const QString& text) {
  if (text.toUtf8().size() <= kMaxValueBytes) return text;  // never longer in the ANSI page
  qsizetype bytes = 0;
  qsizetype i = 0;
  while (i < text.size()) {
    const qsizetype len = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
    const QString ch = text.mid(i, len);
    const qsizetype width =
        ch[0].unicode() < 0x80
            ? 1
            : static_cast<qsizetype>(sheetcut::utf8ToAnsi(ch.toStdString()).size());
    if (bytes + width > kMaxValueBytes) break;
    bytes += width;
    i += len;
  }
  return text.left(i);
}

QString withoutQuotes(const QString& value) {
  if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
      value.back() == value.front()) {
    return value.mid(1, value.size() - 2);
  }
  return value;
}

}  // namespace

QString oneLine(QString text) {
  text.replace(u'\r', u' ');
  text.replace(u'\n', u' ');
  return text;
}

bool isWritable(const std::string& file) {
  struct stat st {};
  return ::stat(file.c_str(), &st) == 0 && (st.st_mode & 0222) != 0 &&
         ::access(file.c_str(), W_OK) == 0;
}

QString profileValue(const QString& stored) {
  QString result = limitAnsiBytes(withoutQuotes(stored)).trimmed();
  result.remove(QChar(u'\0'));
  return result;
}

namespace {

template <typename Edit>
bool editFile(const QString& path, Edit edit) {
  if (path.isEmpty()) return false;
  const std::string file = path.toStdString();
  FolderLock lock(std::filesystem::path(file).parent_path().string());
  if (!lock.locked()) return false;  // a missing folder is not created
  // A file that is there but cannot be read or written stays as it is: the rename would
  // otherwise replace a read-only file.
  const std::optional<std::string> bytes = readBytes(path);
  if (QFileInfo::exists(path) && (!bytes || !isWritable(file))) return false;
  IniDocument doc = IniDocument::parse(bytes.value_or(std::string()));
  if (!edit(doc)) return true;  // nothing to change
  return writeFileAtomically(file, doc.bytes());
}

}  // namespace

QString IniFile::GetIniKey(const QString& section, const QString& key) const {
  const std::optional<std::string> bytes = readBytes(INIFileName);
  if (!bytes) return QString();
  const std::optional<QString> value = IniDocument::parse(*bytes).value(section, key);
  if (!value) return QString();
  return profileValue(*value);
}

bool IniFile::WriteIniKey(const QString& section, const QString& key, const QString& value) {
  return editFile(INIFileName, [&](IniDocument& doc) {
    doc.setValue(oneLine(section), oneLine(key), oneLine(value));
    return true;
  });
}

bool IniFile::WriteIniKeys(const std::vector<KeyWrite>& keys) {
  if (keys.empty()) return true;
  return editFile(INIFileName, [&](IniDocument& doc) {
    for (const KeyWrite& k : keys) {
      doc.setValue(oneLine(k.section), oneLine(k.key), oneLine(k.value));
    }
    return true;
  });
}

bool IniFile::DelIniKey(const QString& section, const QString& key) {
  if (!QFileInfo::exists(INIFileName)) return true;
  return editFile(INIFileName,
                  [&](IniDocument& doc) { return doc.removeKey(oneLine(section), oneLine(key)); });
}

bool IniFile::DelIniSec(const QString& section) {
  if (!QFileInfo::exists(INIFileName)) return true;
  return editFile(INIFileName,
                  [&](IniDocument& doc) { return doc.removeSection(oneLine(section)); });
}

}  // namespace mobrel
