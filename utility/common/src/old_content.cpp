#include "old_content.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "content_spool.h"

namespace sheetcut::detail {
namespace {

// The size of the parts compared and written back: a part whose bytes are the old ones already
// is not written again, which on a copy-on-write file system would take room anew.
constexpr size_t kPart = 64u << 10;

// Reads up to `size` bytes at `offset`; `got` tells how many the file had.
int readAt(int fd, char* data, size_t size, off_t offset, size_t& got) {
  got = 0;
  while (got < size) {
    const ssize_t n = ::pread(fd, data + got, size - got, offset + static_cast<off_t>(got));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno;
    if (n == 0) break;
    got += static_cast<size_t>(n);
  }
  return 0;
}

// Copies `size` bytes of `in` to the start of `out`, through a buffer rather than by
// copy_file_range: that may share the file's blocks with the copy (XFS, btrfs), after which
// writing the file would need new blocks where it needed none.
int copyAll(int in, int out, size_t size) {
  off_t from = 0;
  std::vector<char> buffer(1u << 20);
  while (static_cast<size_t>(from) < size) {
    size_t got = 0;
    const size_t want = std::min(buffer.size(), size - static_cast<size_t>(from));
    if (const int err = readAt(in, buffer.data(), want, from, got)) return err;
    if (got == 0) return EIO;
    if (const int err = writeAllAt(out, buffer.data(), got, from)) return err;
    from += static_cast<off_t>(got);
  }
  return 0;
}

// `prefix` and eight random letters.
std::string randomName(const std::string& prefix) {
  static constexpr char kLetters[] =
      "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  unsigned char random[8] = {};
  if (::getrandom(random, sizeof random, 0) != static_cast<ssize_t>(sizeof random)) {
    for (unsigned char& r : random) r = static_cast<unsigned char>(std::rand());
  }
  std::string name = prefix;
  for (const unsigned char r : random) name += kLetters[r % (sizeof kLetters - 1)];
  return name;
}

}  // namespace

int cloneWhole(int out, int src, size_t size) {
  struct stat st {};
  if (::fstat(out, &st) != 0) return errno;
  if (static_cast<size_t>(st.st_size) > size && ::ftruncate(out, static_cast<off_t>(size)) != 0)
    return errno;
  return ::ioctl(out, FICLONE, src) == 0 ? 0 : errno;
}

OldContent::~OldContent() {
  if (copy_ >= 0) ::close(copy_);
}

int OldContent::hold(int in, size_t size, std::string_view read,
                     const std::vector<std::string>& folders,
                     const std::vector<std::string>& cloneFolders) {
  size_ = size;
  for (const std::string& folder : cloneFolders) {
    const int fd = unnamedFileIn(folder);
    if (fd >= 0 && ::ioctl(fd, FICLONE, in) == 0) {
      copy_ = fd;
      copyFolder_ = folder;
      cloned_ = true;
      return 0;
    }
    if (fd >= 0) ::close(fd);
  }
  if (read.size() == size) {
    read_ = read;
    bool differs = true;
    if (const int err = compare(in, -1, differs)) return err;
    if (!differs) return 0;
    read_ = {};  // the file changed since the caller read it: what it holds now is copied
  }
  int err = 0;
  for (const std::string& folder : folders) {
    const int fd = unnamedFileIn(folder);
    const int failed = fd < 0 ? errno : copyAll(in, fd, size);
    if (failed == 0) {
      copy_ = fd;
      copyFolder_ = folder;
      return 0;
    }
    if (fd >= 0) ::close(fd);
    const bool full = failed == ENOSPC || failed == EDQUOT;
    if (err == 0 || (full && err != ENOSPC && err != EDQUOT)) err = failed;
  }
  return err != 0 ? err : ENOENT;
}

int OldContent::part(size_t at, size_t size, std::vector<char>& buffer, const char*& bytes) const {
  if (copy_ < 0) {
    bytes = read_.data() + at;
    return 0;
  }
  size_t got = 0;
  if (const int err = readAt(copy_, buffer.data(), size, static_cast<off_t>(at), got)) return err;
  bytes = buffer.data();
  return got == size ? 0 : EIO;
}

int OldContent::compare(int in, int out, bool& differs) const {
  differs = false;
  int failed = 0;  // the first write that failed: the parts after it are written all the same
  std::vector<char> old(copy_ >= 0 ? kPart : 0);
  std::vector<char> now(kPart);
  for (size_t at = 0; at < size_; at += kPart) {
    const size_t size = std::min(kPart, size_ - at);
    const char* bytes = nullptr;
    if (const int err = part(at, size, old, bytes)) return err;
    size_t got = 0;
    if (const int err = readAt(in, now.data(), size, static_cast<off_t>(at), got)) return err;
    if (got == size && std::memcmp(bytes, now.data(), size) == 0) continue;
    differs = true;
    if (out < 0) return 0;
    const int err = writeAllAt(out, bytes, size, static_cast<off_t>(at));
    if (failed == 0) failed = err;
  }
  return failed;
}

int OldContent::restore(int in, int out) const {
  bool differs = false;
  // A clone gives the file its old blocks back, which takes no room.
  const bool cloned = cloned_ && cloneWhole(out, copy_, size_) == 0;
  // A write that fails here does not decide: the part it was to write may hold the old bytes
  // already (the failed write stopped within it). The file read back decides.
  int failed = cloned ? 0 : compare(in, out, differs);
  if (::ftruncate(out, static_cast<off_t>(size_)) != 0 && failed == 0) failed = errno;
  if (::fsync(out) != 0) return errno;  // what the disk holds is not known
  struct stat st {};
  if (::fstat(in, &st) != 0) return errno;
  if (const int err = compare(in, -1, differs)) return err;
  if (static_cast<size_t>(st.st_size) == size_ && !differs) return 0;
  return failed != 0 ? failed : EIO;
}

std::string OldContent::keepNamed(const std::string& fileName,
                                  const std::vector<std::string>& folders) const {
  // The unnamed copy gets a name where it lies, which takes no room.
  if (copy_ >= 0) {
    const std::string self = "/proc/self/fd/" + std::to_string(copy_);
    for (int attempt = 0; attempt < 100; ++attempt) {
      const std::string name = randomName(copyFolder_ + "/" + fileName + ".old-");
      if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
        if (::fsync(copy_) == 0) return name;
        ::unlink(name.c_str());
        break;
      }
      if (errno != EEXIST) break;
    }
  }
  std::vector<char> buffer(kPart);
  for (const std::string& folder : folders) {
    std::string pattern = folder + "/" + fileName + ".old-XXXXXX";
    const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0) continue;
    int err = 0;
    for (size_t at = 0; err == 0 && at < size_; at += kPart) {
      const size_t size = std::min(kPart, size_ - at);
      const char* bytes = nullptr;
      err = part(at, size, buffer, bytes);
      if (err == 0) err = writeAllAt(fd, bytes, size, static_cast<off_t>(at));
    }
    if (err == 0 && ::fsync(fd) != 0) err = errno;
    ::close(fd);
    if (err == 0) return pattern;
    ::unlink(pattern.c_str());
  }
  return {};
}

}  // namespace sheetcut::detail
