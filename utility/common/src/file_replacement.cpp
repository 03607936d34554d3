#include "sheetcut/file_replacement.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

namespace sheetcut {
namespace {

std::string folderOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

FileReplacement::FileReplacement(const std::string& target) {
  finalPath_ = replacedPath(target, linkError_);
}

FileReplacement::~FileReplacement() {
  if (fd_ >= 0) ::close(fd_);
  if (!tempPath_.empty()) ::unlink(tempPath_.c_str());
}

int FileReplacement::create(mode_t mode) {
  if (linkError_ != 0) return linkError_;
  std::string pattern = folderOf(finalPath_) + "/.sheetcut-XXXXXX";
  std::vector<char> buf(pattern.begin(), pattern.end());
  buf.push_back('\0');
  fd_ = ::mkstemp(buf.data());
  if (fd_ < 0) return errno;
  tempPath_ = buf.data();
  return ::fchmod(fd_, mode) == 0 ? 0 : errno;
}

int FileReplacement::createKeepingMode() {
  struct stat old {};
  return create(::stat(finalPath_.c_str(), &old) == 0 ? (old.st_mode & 07777) : newFileMode());
}

int FileReplacement::keepAttributesOf(const struct stat& old) {
  // The owner first: a change of owner clears the set-id bits that the mode then sets again.
  if (::fchown(fd_, old.st_uid, old.st_gid) != 0) {
    [[maybe_unused]] const int groupKept = ::fchown(fd_, static_cast<uid_t>(-1), old.st_gid);
  }
  return ::fchmod(fd_, old.st_mode & 07777) == 0 ? 0 : errno;
}

int FileReplacement::write(const void* data, size_t size) {
  const auto* p = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = ::write(fd_, p, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return n < 0 ? errno : ENOSPC;
    p += n;
    size -= static_cast<size_t>(n);
  }
  return 0;
}

int FileReplacement::flush() {
  if (fd_ < 0) return tempPath_.empty() ? EBADF : 0;
  int err = ::fsync(fd_) == 0 ? 0 : errno;
  if (::close(fd_) != 0 && err == 0) err = errno;
  fd_ = -1;
  return err;
}

int FileReplacement::commit() {
  if (const int err = flush()) return err;
  if (::rename(tempPath_.c_str(), finalPath_.c_str()) != 0) return errno;
  tempPath_.clear();
  return 0;
}

std::string replacedPath(const std::string& path, int& error) {
  namespace fs = std::filesystem;
  constexpr int kMostLinks = 40;  // as the system follows
  error = 0;
  std::error_code ec;
  fs::path file(path);
  for (int links = 0; fs::is_symlink(file, ec); ++links) {
    const fs::path next = fs::read_symlink(file, ec);
    if (links == kMostLinks || ec) {
      error = ec ? ec.value() : ELOOP;
      return path;
    }
    file = next.is_absolute() ? next : file.parent_path() / next;
  }
  return file.string();
}

std::string replacementFailure(int err) {
  if (err == ENOSPC || err == EDQUOT) return "the disk is full";
  return std::strerror(err);
}

mode_t newFileMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

}  // namespace sheetcut
