#include "atomic_write.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <vector>

namespace mobrel {

namespace fs = std::filesystem;

FolderLock::FolderLock(const std::string& folder) {
  fd_ = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd_ < 0) {
    error_ = errno;
    return;
  }
  int rc;
  do rc = ::flock(fd_, LOCK_EX);
  while (rc != 0 && errno == EINTR);
  if (rc != 0) {
    error_ = errno;
    ::close(fd_);
    fd_ = -1;
  }
}

FolderLock::~FolderLock() {
  if (fd_ >= 0) ::close(fd_);  // closing releases the lock
}

namespace {

bool writeAll(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

std::optional<std::string> replacedFile(const std::string& path) {
  std::error_code ec;
  if (!fs::is_symlink(path, ec)) return path;
  const fs::path target = fs::weakly_canonical(path, ec);
  if (ec) {
    errno = ec.value();
    return std::nullopt;
  }
  return target.string();
}

namespace {

// Gives the new file the owner and group of the one it replaces. Only the superuser may give a
// file away; an owner may still keep the group when it is one of theirs. Where neither is
// allowed the new file is the writer's, as any new file would be.
void keepOwner(int fd, const struct stat& old) {
  if (::fchown(fd, old.st_uid, old.st_gid) == 0) return;
  [[maybe_unused]] const int groupKept = ::fchown(fd, static_cast<uid_t>(-1), old.st_gid);
}

}  // namespace

bool writeFileAtomically(const std::string& path, const std::string& bytes) {
  const std::optional<std::string> resolved = replacedFile(path);
  if (!resolved) return false;
  const fs::path target(*resolved);
  fs::path folder = target.parent_path();
  std::string pattern = (folder.empty() ? std::string() : folder.string() + "/") + "." +
                        target.filename().string() + ".XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = ::mkstemp(name.data());
  if (fd < 0) return false;
  const std::string temp(name.data());

  struct stat old {};
  const bool existed = ::stat(target.c_str(), &old) == 0;
  const mode_t mode = existed ? (old.st_mode & 07777) : 0644;
  // The owner first: a change of owner clears the set-id bits that the mode then sets again.
  if (existed) keepOwner(fd, old);
  bool ok = writeAll(fd, bytes) && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
  int failure = ok ? 0 : errno;
  if (::close(fd) != 0 && ok) {
    ok = false;
    failure = errno;
  }
  if (ok && ::rename(temp.c_str(), target.c_str()) != 0) {
    ok = false;
    failure = errno;
  }
  if (!ok) {
    ::unlink(temp.c_str());
    errno = failure;  // why the step that failed did, not what the clean-up met
  }
  return ok;
}

bool appendToFile(const std::string& path, const std::string& bytes) {
  // Non-blocking, so that a named pipe put in the file's place cannot hold the caller.
  const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  struct stat before {};
  bool ok = ::fstat(fd, &before) == 0;
  if (ok && !S_ISREG(before.st_mode)) {
    ::close(fd);
    errno = EINVAL;
    return false;
  }
  if (ok) {
    ok = writeAll(fd, bytes) && ::fdatasync(fd) == 0;
    // A partial append would leave half a line: the file goes back to what it was.
    if (!ok && ::ftruncate(fd, before.st_size) == 0) ::fdatasync(fd);
  }
  ok = (::close(fd) == 0) && ok;
  return ok;
}

}  // namespace mobrel
