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

bool writeFileAtomically(const std::string& path, const std::string& bytes) {
  std::error_code ec;
  fs::path target(path);
  if (fs::is_symlink(target, ec)) {
    target = fs::weakly_canonical(target, ec);
    if (ec) {
      errno = ec.value();
      return false;
    }
  }
  fs::path folder = target.parent_path();
  std::string pattern = (folder.empty() ? std::string() : folder.string() + "/") + "." +
                        target.filename().string() + ".XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = ::mkstemp(name.data());
  if (fd < 0) return false;
  const std::string temp(name.data());

  struct stat old {};
  const mode_t mode = ::stat(target.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644;
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
  const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat before {};
  bool ok = ::fstat(fd, &before) == 0;
  if (ok) {
    ok = writeAll(fd, bytes) && ::fdatasync(fd) == 0;
    // A partial append would leave half a line: the file goes back to what it was.
    if (!ok && ::ftruncate(fd, before.st_size) == 0) ::fdatasync(fd);
  }
  ok = (::close(fd) == 0) && ok;
  return ok;
}

}  // namespace mobrel
