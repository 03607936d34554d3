#include "sheetcut/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <thread>
#include <utility>

#include "sheetcut/file_replacement.h"

namespace sheetcut {
namespace {

// How often a name that leads to another file once the lock is held is opened again.
constexpr int kOpenAttempts = 20;

// Errors of a file system that gives no flock (NFS for an exclusive lock on a file open only
// for reading answers EBADF): the file is used without the lock, as before locks were taken.
bool noLocksHere(int err) {
  return err == ENOLCK || err == EOPNOTSUPP || err == ENOSYS || err == EBADF || err == EINVAL;
}

bool refusedOpen(int err) {
  return err == EACCES || err == EPERM || err == EROFS || err == ETXTBSY;
}

}  // namespace

int flockWithin(int fd, int operation, std::chrono::milliseconds patience) {
  // Tried without blocking, so that anyone who may open the file cannot hold the caller for
  // ever. The pauses start short, so that a writer that holds the lock for a moment costs
  // little.
  using Clock = std::chrono::steady_clock;
  const Clock::time_point until = Clock::now() + patience;
  auto pause = std::chrono::milliseconds(1);
  for (;;) {
    if (::flock(fd, operation | LOCK_NB) == 0) return 0;
    if (errno == EINTR) continue;
    const int err = errno;
    const Clock::time_point now = Clock::now();
    if (err != EWOULDBLOCK || now >= until) return err;
    std::this_thread::sleep_for(std::min<Clock::duration>(pause, until - now));
    // Short at most, so that a writer finds the moments between the reads of a busy reader.
    pause = std::min(pause * 2, std::chrono::milliseconds(5));
  }
}

LockedFile::~LockedFile() {
  close();
}

LockedFile::LockedFile(LockedFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), path_(std::move(other.path_)), status_(other.status_) {}

LockedFile& LockedFile::operator=(LockedFile&& other) noexcept {
  if (this != &other) {
    close();
    fd_ = std::exchange(other.fd_, -1);
    path_ = std::move(other.path_);
    status_ = other.status_;
  }
  return *this;
}

LockedFile LockedFile::shared() const {
  LockedFile copy;
  copy.path_ = path_;
  copy.status_ = status_;
  if (fd_ >= 0) copy.fd_ = ::fcntl(fd_, F_DUPFD_CLOEXEC, 0);
  return copy;
}

void LockedFile::close() {
  if (fd_ >= 0) ::close(fd_);  // closing the last descriptor of the open file lets the lock go
  fd_ = -1;
}

int LockedFile::open(const std::string& name, Mode mode, bool follow) {
  for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
    const int err = tryOpen(name, mode, follow);
    if (err != ESTALE) return err;
  }
  return ESTALE;
}

int LockedFile::tryOpen(const std::string& name, Mode mode, bool follow) {
  close();
  status_ = {};
  int linkError = 0;
  path_ = follow ? replacedPath(name, linkError) : name;
  if (linkError != 0) return linkError;
  struct stat st {};
  if (::lstat(path_.c_str(), &st) != 0) return errno;
  // A link where the followed path led to a file: the name changed meanwhile.
  if (S_ISLNK(st.st_mode)) return ESTALE;
  // Nothing but a regular file is opened: a device may act on an open.
  if (!S_ISREG(st.st_mode)) return S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
  // Non-blocking, so that a named pipe put in the file's place cannot hold the open.
  const int flags = O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY;
  int fd = -1;
  if (mode == Mode::Shared) {
    fd = ::open(path_.c_str(), O_RDONLY | flags);
  } else {
    for (const int access : {O_RDWR, O_WRONLY, O_RDONLY}) {
      fd = ::open(path_.c_str(), access | flags);
      if (fd >= 0 || !refusedOpen(errno)) break;
    }
  }
  if (fd < 0) return errno == ELOOP ? ESTALE : errno;
  fd_ = fd;
  if (::fstat(fd_, &st) != 0) {
    const int err = errno;
    close();
    return err;
  }
  if (!S_ISREG(st.st_mode)) {
    close();
    return ESTALE;
  }
  const int fileFlags = ::fcntl(fd_, F_GETFL);
  if (fileFlags < 0 || ::fcntl(fd_, F_SETFL, fileFlags & ~O_NONBLOCK) != 0) {
    const int err = errno;
    close();
    return err;
  }
  const int err = flockWithin(fd_, mode == Mode::Shared ? LOCK_SH : LOCK_EX);
  if (err != 0 && !noLocksHere(err)) {
    close();
    return err;
  }
  // The file as the lock found it; a rename may have put another file at the name before.
  if (::fstat(fd_, &status_) != 0) {
    const int statErr = errno;
    close();
    return statErr;
  }
  if (!isNamedBy(path_, false) || (follow && !isNamedBy(name, true))) {
    close();
    return ESTALE;
  }
  return 0;
}

int LockedFile::relock(Mode mode) {
  if (fd_ < 0) return EBADF;
  const int err = flockWithin(fd_, mode == Mode::Shared ? LOCK_SH : LOCK_EX);
  if (err != 0 && !noLocksHere(err)) return err;
  return ::fstat(fd_, &status_) == 0 ? 0 : errno;
}

bool LockedFile::isNamedBy(const std::string& name, bool follow) const {
  if (fd_ < 0) return false;
  struct stat st {};
  const int rc = follow ? ::stat(name.c_str(), &st) : ::lstat(name.c_str(), &st);
  return rc == 0 && st.st_dev == status_.st_dev && st.st_ino == status_.st_ino;
}

int LockedFile::readAll(std::string& bytes) const {
  bytes.clear();
  if (fd_ < 0) return EBADF;
  char buffer[65536];
  off_t offset = 0;
  for (;;) {
    const ssize_t n = ::pread(fd_, buffer, sizeof buffer, offset);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno;
    if (n == 0) return 0;
    bytes.append(buffer, static_cast<size_t>(n));
    offset += n;
  }
}

}  // namespace sheetcut
