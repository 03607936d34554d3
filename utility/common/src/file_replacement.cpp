#include "sheetcut/file_replacement.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
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

// An extended attribute this process may not set (or the file system does not hold) is left
// out; any other failure is one.
bool mayNotSet(int err) {
  return err == EPERM || err == EACCES || err == ENOTSUP;
}

// Calls `query` (listxattr or getxattr) with a buffer that grows until the answer fits; answers
// the size, or -1 with errno set.
template <typename Query>
ssize_t queryAttributes(Query query, std::vector<char>& buffer) {
  for (;;) {
    const ssize_t size = query(nullptr, 0);
    if (size <= 0) {
      buffer.clear();
      return size;
    }
    buffer.resize(static_cast<size_t>(size));
    const ssize_t got = query(buffer.data(), buffer.size());
    if (got >= 0 || errno != ERANGE) {
      if (got >= 0) buffer.resize(static_cast<size_t>(got));
      return got;
    }
  }
}

constexpr const char* kAccessList = "system.posix_acl_access";

// Gives the open file `to` the extended attributes of the file `from`, as far as this process
// may set them. The access control lists go last: they set the permission bits too, which
// could take away the write permission that user attributes need. A file without an access
// control list gets none: the list `to` took from its folder's default list would give the
// users it names access that the replaced file did not give them.
int copyExtendedAttributes(const std::string& from, int to) {
  std::vector<char> names;
  if (queryAttributes(
          [&](char* list, size_t size) { return ::listxattr(from.c_str(), list, size); }, names) <
      0) {
    if (errno != ENOTSUP) return errno;
    names.clear();
  }
  bool hasAccessList = false;
  for (size_t at = 0; at < names.size(); at += std::strlen(&names[at]) + 1)
    hasAccessList = hasAccessList || std::strcmp(&names[at], kAccessList) == 0;
  if (!hasAccessList && ::fremovexattr(to, kAccessList) != 0 && errno != ENODATA &&
      errno != ENOTSUP) {
    return errno;
  }
  std::vector<char> value;
  for (const bool acls : {false, true}) {
    for (size_t at = 0; at < names.size(); at += std::strlen(&names[at]) + 1) {
      const char* name = &names[at];
      if ((std::strncmp(name, "system.posix_acl_", 17) == 0) != acls) continue;
      const ssize_t size = queryAttributes(
          [&](char* data, size_t room) { return ::getxattr(from.c_str(), name, data, room); },
          value);
      if (size < 0) {
        if (errno == ENODATA || mayNotSet(errno)) continue;  // gone meanwhile, or not ours
        return errno;
      }
      if (::fsetxattr(to, name, value.data(), static_cast<size_t>(size), 0) != 0 &&
          !mayNotSet(errno)) {
        return errno;
      }
    }
  }
  return 0;
}

// The path of the file open as `fd`, as the system names it; "" when it cannot say (no /proc,
// or the file is no longer in any folder).
std::string pathOfOpenFile(int fd) {
  struct stat st {};
  if (::fstat(fd, &st) != 0 || st.st_nlink == 0) return {};
  const std::string link = "/proc/self/fd/" + std::to_string(fd);
  std::vector<char> buf(4096);
  for (;;) {
    const ssize_t n = ::readlink(link.c_str(), buf.data(), buf.size());
    if (n < 0) return {};
    if (static_cast<size_t>(n) < buf.size()) return std::string(buf.data(), static_cast<size_t>(n));
    buf.resize(buf.size() * 2);
  }
}

// Follows the link `path` one link at a time, for a link whose last file is not there yet.
std::string followLinks(const std::string& path, int& error) {
  namespace fs = std::filesystem;
  constexpr int kMostLinks = 40;  // as the system follows
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

}  // namespace

FileReplacement::FileReplacement(const std::string& target) {
  finalPath_ = replacedPath(target, linkError_);
}

FileReplacement::~FileReplacement() {
  if (fd_ >= 0) ::close(fd_);
  if (!tempPath_.empty()) ::unlink(tempPath_.c_str());
}

int FileReplacement::writeAccess() const {
  return linkError_ != 0 ? linkError_ : writeAccessError(finalPath_);
}

int FileReplacement::create(mode_t mode) {
  if (linkError_ != 0) return linkError_;
  // Only a regular file is replaced: the rename would put a file in the place of a pipe or a
  // device that others use.
  struct stat existing {};
  if (::stat(finalPath_.c_str(), &existing) == 0 && !S_ISREG(existing.st_mode))
    return S_ISDIR(existing.st_mode) ? EISDIR : EINVAL;
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
  if (::stat(finalPath_.c_str(), &old) != 0) return create(newFileMode());
  const int err = create(old.st_mode & 07777);
  return err != 0 ? err : keepAttributesOf(old);
}

int FileReplacement::keepAttributesOf(const struct stat& old) {
  // The owner first: a change of owner clears the set-id bits and file capabilities, which
  // the attributes and the mode then set again.
  if (::fchown(fd_, old.st_uid, old.st_gid) != 0) {
    [[maybe_unused]] const int groupKept = ::fchown(fd_, static_cast<uid_t>(-1), old.st_gid);
  }
  // Writable by its owner while user attributes are set; the mode comes last.
  if (::fchmod(fd_, S_IRUSR | S_IWUSR) != 0) return errno;
  if (const int err = copyExtendedAttributes(finalPath_, fd_)) return err;
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
  error = 0;
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
  // The system follows the link for this process, or refuses to; reading the link and
  // following it here would pass the refusal by (fs.protected_symlinks: a link in a sticky
  // world-writable folder is followed only by its owner or the folder's owner).
  const int fd = ::open(path.c_str(), O_PATH | O_CLOEXEC);
  if (fd < 0) {
    // A dangling link: every link on the way was followed, only the last file is missing.
    if (errno == ENOENT) return followLinks(path, error);
    error = errno;
    return path;
  }
  std::string target = pathOfOpenFile(fd);
  ::close(fd);
  return target.empty() ? followLinks(path, error) : target;
}

int writeAccessError(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return errno == ENOENT ? 0 : errno;
  if ((st.st_mode & 0222) == 0) return EACCES;
  return ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0 ? 0 : errno;
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
