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

ReplacingFile::ReplacingFile(std::string target, std::string member)
    : target_(std::move(target)), member_(std::move(member)), file_(target_) {
  // A file this user may not write (or one marked read-only) is not replaced, as it could not
  // be opened for writing; nor is anything behind a link the system does not follow for them.
  if (const int err = file_.writeAccess())
    fail(kPathFileAccessError, member_, "cannot write", target_, err);
  // The file replaced stays what it was (mode, owner, group, attributes, other names); a new
  // file gets the usual mode of a new file.
  if (const int err = file_.create())
    fail(err == ENOENT ? errnum::kPathNotFound : kPathFileAccessError, member_,
         file_.inPlace() ? "cannot write" : "cannot create a file beside", target_, err);
}

ReplacingFile::~ReplacingFile() = default;

void ReplacingFile::write(const void* data, size_t size) {
  if (const int err = file_.write(data, size))
    fail(kDeviceIoError, member_, "cannot write", target_, err);
}

void ReplacingFile::commit() {
  if (const int err = file_.flush())
    fail(kDeviceIoError, member_, "cannot write", target_, file_, err);
  if (const int err = file_.commit())
    fail(kPathFileAccessError, member_, "cannot replace", target_, err);
}

InputFile::InputFile(const std::string& path, std::string member)
    : path_(path), member_(std::move(member)) {
  // Never blocks on a named pipe that took the file's place after the caller's check.
  fd_ = openRegularFileForReading(path);
  if (fd_ < 0)
    fail(errno == ENOENT ? errnum::kFileNotFound : kPathFileAccessError, member_, "cannot open",
         path_, errno);
  struct stat st {};
  if (::fstat(fd_, &st) != 0) {
    const int err = errno;
    ::close(fd_);
    fd_ = -1;
    fail(kPathFileAccessError, member_, "cannot open", path_, err);
  }
  size_ = static_cast<size_t>(st.st_size);
}

InputFile::~InputFile() {
  if (fd_ >= 0) ::close(fd_);
}

size_t InputFile::read(void* data, size_t size) {
  auto* p = static_cast<char*>(data);
  size_t done = 0;
  while (done < size) {
    const ssize_t n = ::read(fd_, p + done, size - done);
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
