#include "tarvik/file_replace.h"

#include <sheetcut/error.h>
#include <sheetcut/file_replacement.h>
#include <sheetcut/regular_file.h>
#include <sys/stat.h>

#include <QFile>
#include <cerrno>
#include <cstring>

namespace tarvik {

namespace {

// Why a step failed, `err` being its error number: a full disk (or quota) is said as such,
// anything else in the system's words.
std::string failureReason(int err) {
  if (err == ENOSPC || err == EDQUOT) return "the disk is full";
  return std::strerror(err);
}

}  // namespace

void replaceFile(const QString& path, const QByteArray& data, const char* source) {
  const std::string target = QFile::encodeName(path).toStdString();
  // Only a regular file is replaced: a pipe or device at the name is someone else's.
  const std::string special = sheetcut::nonRegularFileReason(target);
  if (!special.empty()) {
    throw sheetcut::Error(sheetcut::errnum::kPathNotFound,
                          "Cannot replace \"" + path.toStdString() + "\": it " + special, source);
  }
  const auto fail = [&](const char* what, int err) {
    throw sheetcut::Error(
        sheetcut::errnum::kPathNotFound,
        std::string("Cannot ") + what + " \"" + path.toStdString() + "\": " + failureReason(err),
        source);
  };
  // The new content goes to a temporary file beside the target, so a failed write never
  // leaves the template's file cut short; the file keeps the permissions it had.
  sheetcut::FileReplacement file(target);
  struct stat old {};
  const mode_t mode =
      ::stat(file.finalPath().c_str(), &old) == 0 ? (old.st_mode & 07777) : sheetcut::newFileMode();
  if (const int err = file.create(mode)) fail("create", err);
  if (const int err = file.write(data.constData(), static_cast<size_t>(data.size()))) {
    fail("write", err);
  }
  if (const int err = file.flush()) fail("write", err);
  if (const int err = file.commit()) fail("replace", err);
}

}  // namespace tarvik
