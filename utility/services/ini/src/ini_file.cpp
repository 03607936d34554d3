#include "mobrel/ini_file.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "atomic_write.h"
#include "ini_change.h"
#include "ini_document.h"
#include "ini_names.h"
#include "ini_rules.h"
#include "sheetcut/ansi_codepage.h"
#include "sheetcut/file_lock.h"

namespace mobrel {

std::optional<std::string> readBytes(const QString& path, int* error) {
  // Only a regular file: a named pipe would block the open, a device never end.
  sheetcut::LockedFile file;
  std::string bytes;
  int err = file.open(path.toStdString(), sheetcut::LockedFile::Mode::Shared);
  if (err == 0) err = file.readAll(bytes);
  if (error != nullptr) *error = err;
  if (err != 0) return std::nullopt;
  return bytes;
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

QString trimBlanks(QStringView s) {
  const auto isBlank = [](QChar c) { return c == u' ' || c == u'\t'; };
  qsizetype b = 0, e = s.size();
  while (b < e && isBlank(s[b])) ++b;
  while (e > b && isBlank(s[e - 1])) --e;
  return s.mid(b, e - b).toString();
}

QString oneLine(QString text) {
  text.replace(u'\r', u' ');
  text.replace(u'\n', u' ');
  // A read leaves NUL characters out, and a NUL byte would make the file read as no text.
  text.remove(QChar(u'\0'));
  return text;
}

QString profileValue(const QString& stored) {
  QString result = limitAnsiBytes(withoutQuotes(stored)).trimmed();
  result.remove(QChar(u'\0'));
  return result;
}

QString readBackValue(const QString& written) {
  return profileValue(trimBlanks(oneLine(written)));
}

QString keyIdentity(const QString& section, const QString& key) {
  QString k = trimBlanks(section).toCaseFolded();
  k += QChar(u'\0');
  k += trimBlanks(key).toCaseFolded();
  return k;
}

namespace {

// True only when nothing is at `path`: a file that is there but cannot be looked at (behind a
// link the system does not follow for this user) is not missing.
bool isMissing(const QString& path) {
  struct stat st {};
  return ::stat(path.toStdString().c_str(), &st) != 0 && (errno == ENOENT || errno == ENOTDIR);
}

// How often an edit reads the file again when the name led to another file by the time it was
// written.
constexpr int kEditAttempts = 3;

// Reads, edits and writes back the file under the folder's and the file's lock: what is written
// goes into the file that was read. Answers "" when the file was written or needed no change,
// else why it was not; `nameChanged` tells that another file took the name meanwhile.
template <typename Edit>
QString editOnce(const QString& path, Edit& edit, bool& nameChanged) {
  const IniChangeLock lock(path);
  if (!lock.locked()) return lock.failure();
  // A file that is there but cannot be read or written stays as it is: the rename would
  // otherwise replace a read-only file.
  const std::optional<std::string> bytes = lock.read();
  if (lock.file().isOpen()) {
    if (!bytes) return QStringLiteral("无法读取") + quoted(path);
    if (QString refused = writeRefusal(path); !refused.isEmpty()) return refused;
  }
  IniDocument doc = IniDocument::parse(bytes.value_or(std::string()));
  if (QString p = unreadableText(doc, path); !p.isEmpty()) return p;
  if (!edit(doc)) return QString();  // nothing to change
  const std::string edited = doc.bytes();
  if (QString p = unholdableBytes(doc, edited, path); !p.isEmpty()) return p;
  WriteDamage damage;
  if (writeFileAtomically(lock.file(), edited, bytes ? &*bytes : nullptr, &damage))
    return QString();
  nameChanged = errno == EAGAIN;
  return changeFailure(errno, path, lock.folder(), damage);
}

// The edit, made again on the file that took the name where another did meanwhile, a few times
// at most.
template <typename Edit>
QString editFile(const QString& path, Edit edit) {
  for (int attempt = 1;; ++attempt) {
    bool nameChanged = false;
    QString failure = editOnce(path, edit, nameChanged);
    if (!nameChanged) return failure;
    if (attempt == kEditAttempts) return nameChangedProblem(path);
  }
}

}  // namespace

QString IniFile::GetIniKey(const QString& section, const QString& key) const {
  readFailure_ = specialFileProblem(INIFileName);
  if (!readFailure_.isEmpty()) return QString();
  int error = 0;
  const std::optional<std::string> bytes = readBytes(INIFileName, &error);
  if (error == EWOULDBLOCK) {
    readFailure_ = quoted(INIFileName) +
                   QStringLiteral("被锁定：其他程序正在写入这个文件，等待%1秒后仍未释放，没有读取")
                       .arg(std::chrono::seconds(sheetcut::kLockPatience).count());
  }
  if (!bytes) return QString();
  const std::optional<QString> value = IniDocument::parse(*bytes).value(section, key);
  if (!value) return QString();
  return profileValue(*value);
}

bool IniFile::WriteIniKey(const QString& section, const QString& key, const QString& value) {
  return WriteIniKeys({{section, key, value}});
}

bool IniFile::WriteIniKeys(const std::vector<KeyWrite>& keys) {
  writeFailure_.clear();
  if (keys.empty()) return true;
  for (const KeyWrite& k : keys) {
    writeFailure_ = unholdableName(k.section, k.key);
    if (!writeFailure_.isEmpty()) return false;
  }
  std::vector<KeyWrite> written;
  written.reserve(keys.size());
  for (const KeyWrite& k : keys) written.push_back({k.section, k.key, oneLine(k.value)});
  QString refused;
  writeFailure_ = editFile(INIFileName, [&](IniDocument& doc) {
    for (const KeyWrite& k : written) {
      refused = unholdableWrite(doc, k.section, k.key, k.value);
      if (!refused.isEmpty()) return false;  // the file stays as it was
    }
    doc.setValues(written);
    return true;
  });
  if (writeFailure_.isEmpty()) writeFailure_ = refused;
  return writeFailure_.isEmpty();
}

bool IniFile::DelIniKey(const QString& section, const QString& key) {
  writeFailure_.clear();
  if (isMissing(INIFileName)) return true;
  writeFailure_ =
      editFile(INIFileName, [&](IniDocument& doc) { return doc.removeKey(section, key); });
  return writeFailure_.isEmpty();
}

bool IniFile::DelIniSec(const QString& section) {
  writeFailure_.clear();
  if (isMissing(INIFileName)) return true;
  writeFailure_ =
      editFile(INIFileName, [&](IniDocument& doc) { return doc.removeSection(section); });
  return writeFailure_.isEmpty();
}

}  // namespace mobrel
