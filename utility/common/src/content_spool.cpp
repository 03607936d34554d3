#include "content_spool.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <vector>

namespace sheetcut::detail {

int unnamedFileIn(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  if (fd >= 0 || (errno != EOPNOTSUPP && errno != EISDIR)) return fd;
  // A file system without unnamed files: a named one, removed at once.
  std::string pattern = folder + "/.sheetcut-spool-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int named = ::mkostemp(name.data(), O_CLOEXEC);
  if (named >= 0) ::unlink(name.data());
  return named;
}

std::vector<std::string> temporaryFolders() {
  const char* tmp = std::getenv("TMPDIR");
  return {std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp"), std::string("/tmp")};
}

int writeAllAt(int fd, const char* data, size_t size, off_t offset) {
  while (size > 0) {
    const ssize_t n = ::pwrite(fd, data, size, offset);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return n < 0 ? errno : ENOSPC;
    data += n;
    size -= static_cast<size_t>(n);
    offset += n;
  }
  return 0;
}

ContentSpool::~ContentSpool() {
  if (fd_ >= 0) ::close(fd_);
}

// Where the content goes beyond the memory: beside the target, else in the system's temporary
// folder.
std::vector<std::string> ContentSpool::places() const {
  std::vector<std::string> folders = temporaryFolders();
  folders.insert(folders.begin(), nearFolder_);
  return folders;
}

int ContentSpool::spill(const char* more, size_t moreSize) {
  // A place whose file system has no room for the content is passed over like one that has no
  // place for a file: the folder beside the target is often on a full disk where the file
  // written in place needs no more room. A full disk is the cause named when no place takes
  // the content; else why the first place refused.
  int err = 0;
  const std::vector<std::string> folders = places();
  while (place_ < folders.size()) {
    const int fd = unnamedFileIn(folders[place_++]);
    int failed = fd < 0 ? errno : 0;
    if (failed == 0) failed = copyTo(fd, 0, size_);
    if (failed == 0) failed = writeAllAt(fd, more, moreSize, static_cast<off_t>(size_));
    if (failed == 0) {
      if (fd_ >= 0) ::close(fd_);
      fd_ = fd;
      size_ += moreSize;
      memory_.clear();
      memory_.shrink_to_fit();
      return 0;
    }
    if (fd >= 0) ::close(fd);
    const bool full = failed == ENOSPC || failed == EDQUOT;
    if (err == 0 || (full && err != ENOSPC && err != EDQUOT)) err = failed;
  }
  return err;
}

int ContentSpool::append(const void* data, size_t size) {
  const auto* bytes = static_cast<const char*>(data);
  if (fd_ < 0 && size_ + size <= kMemoryLimit) {
    memory_.append(bytes, size);
    size_ += size;
    return 0;
  }
  if (fd_ < 0) return spill(bytes, size);
  const int err = writeAllAt(fd_, bytes, size, static_cast<off_t>(size_));
  if (err == 0) {
    size_ += size;
    return 0;
  }
  // The place ran out of room: the content moves on to the next one.
  if (err != ENOSPC && err != EDQUOT) return err;
  const int moved = spill(bytes, size);
  return moved == 0 ? 0 : err;
}

int ContentSpool::copyTo(int fd, size_t from, size_t to) const {
  if (fd_ < 0) return writeAllAt(fd, memory_.data() + from, to - from, static_cast<off_t>(from));
  std::vector<char> buffer(1 << 20);
  while (from < to) {
    const size_t want = std::min(buffer.size(), to - from);
    const ssize_t got = ::pread(fd_, buffer.data(), want, static_cast<off_t>(from));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return got < 0 ? errno : EIO;
    if (const int err =
            writeAllAt(fd, buffer.data(), static_cast<size_t>(got), static_cast<off_t>(from)))
      return err;
    from += static_cast<size_t>(got);
  }
  return 0;
}

}  // namespace sheetcut::detail
