#include "tarvik/file_replace.h"

#include <sheetcut/error.h>
#include <sheetcut/file_lock.h>
#include <sheetcut/file_replacement.h>
#include <sheetcut/regular_file.h>

#include <QFile>
#include <cerrno>
#include <cstring>

namespace tarvik {

void replaceFile(const QString& path, const QByteArray& data, const char* source) {
  const std::string target = QFile::encodeName(path).toStdString();
  // Only a regular file is replaced: a pipe or device at the name is someone else's.
  const std::string special = sheetcut::nonRegularFileReason(target);
  if (!special.empty()) {
    throw sheetcut::Error(sheetcut::errnum::kPathNotFound,
                          "Cannot replace \"" + path.toStdString() + "\": it " + special, source);
  }
  // A failed write never leaves the template's file cut short, and the file stays what it was
  // (permissions, owner, group, attributes, other names). A file the caller may not write (or
  // marked read-only) stays as it is, though the folder would let a rename replace it.
  sheetcut::FileReplacement file(target);
  const auto fail = [&](const char* what, int err) {
    throw sheetcut::Error(sheetcut::errnum::kPathNotFound,
                          std::string("Cannot ") + what + " \"" + path.toStdString() +
                              "\": " + sheetcut::replacementFailure(err, target) +
                              sheetcut::replacementDamage(file),
                          source);
  };
  if (const int err = file.writeAccess()) {
    if (err != EACCES) fail("replace", err);
    throw sheetcut::Error(sheetcut::errnum::kPathNotFound,
                          "Existing file \"" + path.toStdString() + "\" is not writable", source);
  }
  if (const int err = file.create()) fail(file.inPlace() ? "write" : "create", err);
  if (const int err = file.write(data.constData(), static_cast<size_t>(data.size()))) {
    fail("write", err);
  }
  if (const int err = file.flush()) fail("write", err);
  if (const int err = file.commit()) fail("replace", err);
}

std::optional<QByteArray> readWholeFile(const QString& path, std::string& why) {
  sheetcut::LockedFile file;
  std::string bytes;
  int err = file.open(QFile::encodeName(path).toStdString(), sheetcut::LockedFile::Mode::Shared);
  if (err == 0) err = file.readAll(bytes);
  if (err == 0) return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
  why = err == EWOULDBLOCK ? "another program is writing it (locked for more than " +
                                 std::to_string(sheetcut::kLockPatience.count()) + " s)"
                           : std::strerror(err);
  return std::nullopt;
}

}  // namespace tarvik
