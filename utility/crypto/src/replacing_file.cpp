#include "replacing_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

#include "sheetcut/error.h"

namespace sheetcut::crypto_detail {
namespace {

// Error numbers of the file errors the original runtime raised.
constexpr long kDeviceIoError = 57;
constexpr long kPathFileAccessError = 75;

[[noreturn]] void fail(long number, const std::string& member, const std::string& what,
                       const std::string& path, int err) {
  throw Error(number,
              "cRijndael." + member + " - " + what + " \"" + path + "\": " + std::strerror(err));
}

std::string folderOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

mode_t currentUmask() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return mask;
}

}  // namespace

ReplacingFile::ReplacingFile(std::string target, std::string member)
    : target_(std::move(target)), member_(std::move(member)), finalPath_(target_) {
  // A symbolic link keeps pointing at its file: the new content replaces the file it names.
  std::error_code ec;
  if (std::filesystem::is_symlink(target_, ec)) {
    const std::filesystem::path real = std::filesystem::canonical(target_, ec);
    if (!ec) finalPath_ = real.string();
  }
  // A file marked read-only is not replaced, as it could not be opened for writing.
  struct stat existing {};
  if (::stat(finalPath_.c_str(), &existing) == 0 && S_ISREG(existing.st_mode) &&
      ((existing.st_mode & 0222) == 0 || ::access(finalPath_.c_str(), W_OK) != 0))
    fail(kPathFileAccessError, member_, "cannot write", target_, EACCES);
  std::string pattern = folderOf(finalPath_) + "/.sheetcut-XXXXXX";
  std::vector<char> buf(pattern.begin(), pattern.end());
  buf.push_back('\0');
  fd_ = ::mkstemp(buf.data());
  if (fd_ < 0) {
    const int err = errno;
    fail(err == ENOENT ? errnum::kPathNotFound : kPathFileAccessError, member_,
         "cannot create a file beside", target_, err);
  }
  tempPath_ = buf.data();
  // Give the new file the mode the target has, or the usual mode of a new file.
  struct stat st {};
  const mode_t mode =
      ::stat(finalPath_.c_str(), &st) == 0 ? (st.st_mode & 07777) : (0666 & ~currentUmask());
  ::fchmod(fd_, mode);
}

ReplacingFile::~ReplacingFile() {
  if (fd_ >= 0) ::close(fd_);
  if (!tempPath_.empty()) ::unlink(tempPath_.c_str());
}

void ReplacingFile::write(const void* data, size_t size) {
  const auto* p = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = ::write(fd_, p, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) fail(kDeviceIoError, member_, "cannot write", target_, n < 0 ? errno : ENOSPC);
    p += n;
    size -= static_cast<size_t>(n);
  }
}

void ReplacingFile::commit() {
  if (::fsync(fd_) != 0) fail(kDeviceIoError, member_, "cannot write", target_, errno);
  const int rc = ::close(fd_);
  fd_ = -1;
  if (rc != 0) fail(kDeviceIoError, member_, "cannot write", target_, errno);
  if (::rename(tempPath_.c_str(), finalPath_.c_str()) != 0)
    fail(kPathFileAccessError, member_, "cannot replace", target_, errno);
  tempPath_.clear();
}

InputFile::InputFile(const std::string& path, std::string member)
    : path_(path), member_(std::move(member)) {
  fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0)
    fail(errno == ENOENT ? errnum::kFileNotFound : kPathFileAccessError, member_, "cannot open",
         path_, errno);
  struct stat st {};
  if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd_);
    fd_ = -1;
    fail(kPathFileAccessError, member_, "cannot open", path_, EISDIR);
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
