#include "tarvik/file_replace.h"

#include <sheetcut/error.h>
#include <sheetcut/regular_file.h>

#include <QFile>
#include <QSaveFile>
#include <cerrno>

namespace tarvik {

namespace {

// Why the last operation on `file` failed, `err` being errno right after it: a full disk (or
// quota) is said as such, anything else in the file's own words.
std::string failureReason(const QSaveFile& file, int err) {
  if (err == ENOSPC || err == EDQUOT) return "the disk is full";
  return file.errorString().toStdString();
}

}  // namespace

void replaceFile(const QString& path, const QByteArray& data, const char* source) {
  // Only a regular file is replaced: a pipe or device at the name is someone else's.
  const std::string special = sheetcut::nonRegularFileReason(QFile::encodeName(path).toStdString());
  if (!special.empty()) {
    throw sheetcut::Error(sheetcut::errnum::kPathNotFound,
                          "Cannot replace \"" + path.toStdString() + "\": it " + special, source);
  }
  QSaveFile file(path);
  // Never write through to the target: without the temporary file a failed write would leave
  // the template's file cut short.
  file.setDirectWriteFallback(false);
  const auto fail = [&](const char* what, const std::string& reason) {
    throw sheetcut::Error(
        sheetcut::errnum::kPathNotFound,
        std::string("Cannot ") + what + " \"" + path.toStdString() + "\": " + reason, source);
  };
  errno = 0;
  if (!file.open(QIODevice::WriteOnly)) fail("create", failureReason(file, errno));
  errno = 0;
  // The flush is checked here: commit() does not notice when the last buffered bytes find no
  // room, and would put an empty file in place.
  if (file.write(data) != data.size() || !file.flush()) {
    // The reason is taken before the temporary file is dropped, which puts its own in place.
    const std::string reason = failureReason(file, errno);
    file.cancelWriting();
    fail("write", reason);
  }
  errno = 0;
  if (!file.commit()) fail("replace", failureReason(file, errno));
}

}  // namespace tarvik
