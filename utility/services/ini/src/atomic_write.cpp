#include "atomic_write.h"

#include "sheetcut/file_replacement.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <thread>

namespace mobrel {

namespace fs = std::filesystem;

FolderLock::FolderLock(const std::string& folder) {
  fd_ = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd_ < 0) {
    error_ = errno;
    return;
  }
  // Anyone who may read the folder may lock it, and keep it locked: the lock is tried without
  // blocking, again and again for a bounded time, never waited for without end. The pauses
  // start short, so that a writer that holds the lock for a moment costs little.
  using Clock = std::chrono::steady_clock;
  const Clock::time_point until = Clock::now() + kFolderLockPatience;
  auto pause = std::chrono::milliseconds(1);
  for (;;) {
    if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) return;
    if (errno == EINTR) continue;
    const Clock::time_point now = Clock::now();
    if (errno != EWOULDBLOCK || now >= until) break;
    std::this_thread::sleep_for(std::min<Clock::duration>(pause, until - now));
    pause = std::min(pause * 2, std::chrono::milliseconds(20));
  }
  error_ = errno;
  ::close(fd_);
  fd_ = -1;
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
  int error = 0;
  std::string target = sheetcut::replacedPath(path, error);
  if (error != 0) {
    errno = error;
    return std::nullopt;
  }
  return target;
}

bool writeFileAtomically(const std::string& path, const std::string& bytes,
                         const std::string* oldBytes, WriteDamage* damage) {
  const std::optional<std::string> resolved = replacedFile(path);
  if (!resolved) return false;
  sheetcut::FileReplacement replacement(*resolved);
  if (oldBytes != nullptr) replacement.holdOldContent(*oldBytes);
  // The file replaced stays what it was; a new file's mode is as the umask or the folder's
  // default access control list give it.
  int err = replacement.create();
  if (err == 0) err = replacement.write(bytes.data(), bytes.size());
  if (err == 0) err = replacement.commit();
  if (damage != nullptr) *damage = {replacement.damaged(), replacement.damageBackup()};
  errno = err;  // why the step that failed did; the temporary file is gone with `replacement`
  return err == 0;
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
