#include "atomic_write.h"

#include "sheetcut/file_replacement.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

namespace mobrel {

namespace fs = std::filesystem;

FolderLock::FolderLock(const std::string& folder) {
  fd_ = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd_ < 0) {
    error_ = errno;
    return;
  }
  // Anyone who may read the folder may lock it, and keep it locked: the lock is waited for a
  // bounded time, never without end.
  error_ = sheetcut::flockWithin(fd_, LOCK_EX, kFolderLockPatience);
  if (error_ == 0) return;
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

namespace {

bool replaceContent(sheetcut::FileReplacement& replacement, const std::string& bytes,
                    const std::string* oldBytes, WriteDamage* damage) {
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

}  // namespace

bool writeFileAtomically(const std::string& path, const std::string& bytes,
                         const std::string* oldBytes, WriteDamage* damage) {
  const std::optional<std::string> resolved = replacedFile(path);
  if (!resolved) return false;
  sheetcut::FileReplacement replacement(*resolved);
  return replaceContent(replacement, bytes, oldBytes, damage);
}

bool writeFileAtomically(const sheetcut::LockedFile& locked, const std::string& bytes,
                         const std::string* oldBytes, WriteDamage* damage) {
  sheetcut::FileReplacement replacement(locked);
  return replaceContent(replacement, bytes, oldBytes, damage);
}

namespace {

// Appends to the file open as `fd` (appending), then closes it.
bool appendTo(int fd, const std::string& bytes) {
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

}  // namespace

bool appendToFile(const sheetcut::LockedFile& locked, const std::string& bytes) {
  if (!locked.isOpen()) {
    errno = ENOENT;
    return false;
  }
  // Opened again for appending (an append-only file takes nothing else), by the path the lock
  // was taken on, without following a link put there since (only the locked file itself), nor
  // blocking on a named pipe.
  const int fd =
      ::open(locked.path().c_str(), O_WRONLY | O_APPEND | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW);
  if (fd < 0) {
    if (errno == ELOOP) errno = EAGAIN;
    return false;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || st.st_dev != locked.status().st_dev ||
      st.st_ino != locked.status().st_ino) {
    ::close(fd);
    errno = EAGAIN;
    return false;
  }
  return appendTo(fd, bytes);
}

}  // namespace mobrel
