#include "replacing_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "sheetcut/error.h"
#include "sheetcut/regular_file.h"

namespace sheetcut::crypto_detail {
namespace {

// Error numbers of the file errors the original runtime raised.
constexpr long kDeviceIoError = 57;
constexpr long kPathFileAccessError = 75;

[[noreturn]] void fail(long number, const std::string& member, const std::string& what,
                       const std::string& path, int err) {
  throw Error(number, "cRijndael." + member + " - " + what + " \"" + path +
                          "\": " + replacementFailure(err, path));
}

// The same for a failed write of `file`, saying when it left the file damaged.
[[noreturn]] void fail(long number, const std::string& member, const std::string& what,
                       const std::string& path, const FileReplacement& file, int err) {
  throw Error(number, "cRijndael." + member + " - " + what + " \"" + path +
                          "\": " + replacementFailure(err, path) + replacementDamage(file));
}

}  // namespace

void requireRegularFile(const std::string& path, const std::string& member) {
  const std::string reason = nonRegularFileReason(path);
  if (!reason.empty())
    throw Error(kPathFileAccessError, "cRijndael." + member + " - \"" + path + "\" " + reason);
}

namespace {

// Whether `a` and `b` lead to one file (links followed); false where either is not there.
bool sameFile(const std::string& a, const std::string& b) {
  struct stat sa {
  }, sb{};
  return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
         sa.st_ino == sb.st_ino;
}

}  // namespace

ReplacingFile::ReplacingFile(std::string target, std::string member, const InputFile* source)
    : target_(std::move(target)), member_(std::move(member)) {
  if (source != nullptr && source->lockedForWriting() && source->file().isNamedBy(target_))
    file_ = std::make_unique<FileReplacement>(source->file());
  else
    file_ = std::make_unique<FileReplacement>(target_);
  // A file this user may not write (or one marked read-only) is not replaced, as it could not
  // be opened for writing; nor is anything behind a link the system does not follow for them.
  if (const int err = file_->writeAccess())
    fail(kPathFileAccessError, member_, "cannot write", target_, err);
  // The file replaced stays what it was (mode, owner, group, attributes, other names); a new
  // file gets the usual mode of a new file.
  if (const int err = file_->create())
    fail(err == ENOENT ? errnum::kPathNotFound : kPathFileAccessError, member_,
         file_->inPlace() ? "cannot write" : "cannot create a file beside", target_, err);
}

ReplacingFile::~ReplacingFile() = default;

void ReplacingFile::write(const void* data, size_t size) {
  if (const int err = file_->write(data, size))
    fail(kDeviceIoError, member_, "cannot write", target_, err);
}

void ReplacingFile::commit() {
  if (const int err = file_->flush())
    fail(kDeviceIoError, member_, "cannot write", target_, *file_, err);
  if (const int err = file_->commit())
    fail(kPathFileAccessError, member_, "cannot replace", target_, err);
}

InputFile::InputFile(const std::string& path, std::string member, const std::string& output)
    : path_(path), member_(std::move(member)) {
  // Never blocks on a named pipe that took the file's place after the caller's check.
  forWriting_ = !output.empty() && sameFile(path, output);
  const int err =
      file_.open(path, forWriting_ ? LockedFile::Mode::Exclusive : LockedFile::Mode::Shared);
  if (err == EWOULDBLOCK)
    throw Error(kPathFileAccessError,
                "cRijndael." + member_ + " - cannot open \"" + path_ +
                    "\": another program is writing it (locked for more than " +
                    std::to_string(kLockPatience.count()) + " s)");
  if (err != 0)
    fail(err == ENOENT ? errnum::kFileNotFound : kPathFileAccessError, member_, "cannot open",
         path_, err);
  size_ = static_cast<size_t>(file_.status().st_size);
}

InputFile::~InputFile() = default;

size_t InputFile::read(void* data, size_t size) {
  auto* p = static_cast<char*>(data);
  size_t done = 0;
  while (done < size) {
    const ssize_t n = ::read(file_.fd(), p + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) fail(kDeviceIoError, member_, "cannot read", path_, errno);
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  return done;
}

void InputFile::readExactly(void* data, size_t size) {
  if (read(data, size) != size)
    throw Error(errnum::kGeneric,
                "cRijndael." + member_ + " - \"" + path_ + "\" changed while it was read");
}

}  // namespace sheetcut::crypto_detail
