#include "sheetcut/file_replacement.h"

#include <fcntl.h>
#include <linux/magic.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <vector>

#include "content_spool.h"
#include "extended_attributes.h"
#include "folder_of.h"
#include "old_content.h"
#include "sheetcut/file_protection.h"

namespace sheetcut {
namespace {

using detail::folderOf;

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
    if (static_cast<size_t>(n) < buf.size()) {
      // A file that lost its last name meanwhile (a rename over it) is named "… (deleted)".
      if (::fstat(fd, &st) != 0 || st.st_nlink == 0) return {};
      return std::string(buf.data(), static_cast<size_t>(n));
    }
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

// A second open of the file open as `fd`, for reading: through /proc, so that it is that file
// whatever its name leads to now; where /proc is not mounted, through `path` when that still
// leads to the file. -1 with errno set when it cannot be opened.
int openForReading(int fd, const std::string& path, const struct stat& st) {
  int in =
      ::open(("/proc/self/fd/" + std::to_string(fd)).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (in < 0 && errno == ENOENT)
    in = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (in < 0) return -1;
  struct stat now {};
  if (::fstat(in, &now) != 0 || now.st_dev != st.st_dev || now.st_ino != st.st_ino) {
    ::close(in);
    errno = EAGAIN;
    return -1;
  }
  return in;
}

// Reserves the room that writing `newSize` bytes into the file open as `fd`, of `oldSize`
// bytes, needs beyond the blocks it holds: the holes below the new size and the part beyond the
// old end. Blocks the file holds are not asked for again: some file systems (XFS) refuse a
// full disk's reservation even where it would allocate nothing. Answers 0 or the error number
// of the reservation (EOPNOTSUPP where the file system cannot reserve).
int reserveRoom(int fd, off_t oldSize, off_t newSize) {
  const auto reserve = [fd](off_t from, off_t to) {
    return from >= to || ::fallocate(fd, FALLOC_FL_KEEP_SIZE, from, to - from) == 0 ? 0 : errno;
  };
  const off_t end = std::min(oldSize, newSize);
  for (off_t at = 0; at < end;) {
    const off_t hole = ::lseek(fd, at, SEEK_HOLE);
    if (hole < 0) return reserve(at, newSize);  // holes unknown: all the rest is reserved
    if (hole >= end) break;
    const off_t data = ::lseek(fd, hole, SEEK_DATA);
    const off_t holeEnd = data < 0 ? end : std::min(data, end);  // ENXIO: a hole to the end
    if (const int err = reserve(hole, holeEnd)) return err;
    at = holeEnd;
  }
  return reserve(std::max(oldSize, off_t{0}), newSize);
}

// Whether the file open as `fd` lies on a file system that writes every change into new blocks
// (btrfs, bcachefs): there the blocks of the old content are not free when a write runs out of
// room, so the old content is held as a clone of them, which takes none.
bool writesIntoNewBlocks(int fd) {
  constexpr decltype(statfs::f_type) kBcachefs = 0xca451a4e;
  struct statfs st {};
  return ::fstatfs(fd, &st) == 0 && (st.f_type == BTRFS_SUPER_MAGIC || st.f_type == kBcachefs);
}

// Gives the file open as `out` the content `spool` holds as a clone of a file in `folder` (on
// the same file system) that is written first: a disk or quota that runs out of room then
// fails before the file changes, and the clone takes no room of its own. `touched` tells
// whether the file was changed.
int writeByClone(int out, const detail::ContentSpool& spool, const std::string& folder,
                 bool& touched) {
  const int fd = detail::unnamedFileIn(folder);
  if (fd < 0) return errno;
  int err = spool.copyTo(fd, 0, spool.size());
  if (err == 0 && ::fsync(fd) != 0) err = errno;
  if (err == 0) {
    touched = true;
    err = detail::cloneWhole(out, fd, spool.size());
  }
  ::close(fd);
  return err;
}

}  // namespace

FileReplacement::FileReplacement(const std::string& target) {
  finalPath_ = replacedPath(target, linkError_);
}

FileReplacement::FileReplacement(const LockedFile& locked) : finalPath_(locked.path()) {
  if (!locked.isOpen()) {
    expectNew_ = true;
    return;
  }
  lock_ = locked.shared();
  if (!lock_.isOpen()) linkError_ = errno;
}

FileReplacement::~FileReplacement() {
  if (fd_ >= 0) ::close(fd_);
  if (!tempPath_.empty()) ::unlink(tempPath_.c_str());
}

int FileReplacement::writeAccess() const {
  return linkError_ != 0 ? linkError_ : writeAccessError(finalPath_);
}

int FileReplacement::create(mode_t newFileBits) {
  if (linkError_ != 0) return linkError_;
  struct stat old {};
  if (expectNew_) {
    // The caller found nothing here: a file that came meanwhile is not the one it read.
    if (::lstat(finalPath_.c_str(), &old) == 0) return EAGAIN;
    if (errno != ENOENT) return errno;
    return createTemporary(newFileBits & 07777);
  }
  if (!lock_.isOpen()) {
    // The file the link led to when the replacement was made, itself: a link put in its place
    // since is not followed.
    const int err = lock_.open(finalPath_, LockedFile::Mode::Exclusive, false);
    if (err == ENOENT) return createTemporary(newFileBits & 07777);
    if (err == EACCES || err == EPERM) {
      // A file this process may open neither to read nor to write (mode 0) is replaced by the
      // rename where that keeps it what it was, without a lock as no one else's.
      if (::stat(finalPath_.c_str(), &old) != 0) return errno;
      unlocked_ = true;
    } else if (err != 0) {
      return err == ESTALE ? EAGAIN : err;  // another file took its place
    }
  }
  if (!unlocked_) old = lock_.status();
  old_ = old;
  // Only a regular file is replaced: the rename would put a file in the place of a pipe or a
  // device that others use, and writing into one would feed it.
  if (!S_ISREG(old.st_mode)) return S_ISDIR(old.st_mode) ? EISDIR : EINVAL;
  const FileProtection protection = protectionOf(finalPath_);
  if (protection == FileProtection::AppendOnly || protection == FileProtection::Immutable)
    return EPERM;
  if (protection == FileProtection::ReadOnlyMount) return EROFS;
  if (!renameKeepsFile(finalPath_, old)) return openInPlace(old);
  // Readable and writable by its owner only until it has the old file's attributes.
  if (const int err = createTemporary(S_IRUSR | S_IWUSR)) return err;
  return keepAttributesOf(old);
}

int FileReplacement::createTemporary(mode_t bits) {
  // A fresh name, made exclusively, so that the kernel gives the file the bits as it gives
  // them to any new file (the umask, or the folder's default access control list).
  const std::string prefix = folderOf(finalPath_) + "/.sheetcut-";
  static constexpr char kLetters[] =
      "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  for (int attempt = 0; attempt < 100; ++attempt) {
    unsigned char random[8] = {};
    if (::getrandom(random, sizeof random, 0) != static_cast<ssize_t>(sizeof random)) {
      for (unsigned char& r : random) r = static_cast<unsigned char>(std::rand());
    }
    std::string name = prefix;
    for (const unsigned char r : random) name += kLetters[r % (sizeof kLetters - 1)];
    fd_ = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, bits);
    if (fd_ >= 0) {
      tempPath_ = name;
      return 0;
    }
    if (errno != EEXIST) return errno;
  }
  return EEXIST;
}

int FileReplacement::openInPlace(const struct stat& old) {
  // Written through the open file that holds the lock where that is open for writing. Else
  // opened now, so that a file this process may not write fails before any content is made,
  // without following a link that took the file's place meanwhile, nor blocking on a pipe.
  const int lockAccess = lock_.isOpen() ? ::fcntl(lock_.fd(), F_GETFL) & O_ACCMODE : O_RDONLY;
  if (lockAccess == O_RDWR || lockAccess == O_WRONLY)
    fd_ = ::fcntl(lock_.fd(), F_DUPFD_CLOEXEC, 0);
  else
    fd_ = ::open(finalPath_.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd_ < 0) return errno;
  struct stat now {};
  if (::fstat(fd_, &now) != 0) return errno;
  if (!S_ISREG(now.st_mode) || now.st_dev != old.st_dev || now.st_ino != old.st_ino)
    return EAGAIN;  // another file took its place since it was looked at
  inPlace_ = true;
  spool_ = std::make_unique<detail::ContentSpool>(folderOf(finalPath_));
  return 0;
}

int FileReplacement::keepAttributesOf(const struct stat& old) {
  // The owner first: a change of owner clears the set-id bits and file capabilities, which
  // the attributes and the mode then set again.
  if (::fchown(fd_, old.st_uid, old.st_gid) != 0) return errno;
  // Writable by its owner while user attributes are set; the mode comes last.
  if (::fchmod(fd_, S_IRUSR | S_IWUSR) != 0) return errno;
  if (const int err = detail::copyExtendedAttributes(finalPath_, fd_)) return err;
  return ::fchmod(fd_, old.st_mode & 07777) == 0 ? 0 : errno;
}

int FileReplacement::write(const void* data, size_t size) {
  if (fd_ < 0 || flushed_) return EBADF;
  if (inPlace_) return spool_->append(data, size);
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

void FileReplacement::holdOldContent(std::string_view bytes) {
  oldContent_ = bytes;
}

int FileReplacement::writeInPlace() {
  struct stat st {};
  if (::fstat(fd_, &st) != 0) return errno;
  // A file that another took the place of since it was opened (renamed away, removed) is no
  // longer the target: its other names would get the content, the target not.
  struct stat named {};
  if (::lstat(finalPath_.c_str(), &named) != 0) return errno == ENOENT ? EAGAIN : errno;
  if (named.st_dev != st.st_dev || named.st_ino != st.st_ino) return EAGAIN;
  const size_t oldSize = static_cast<size_t>(st.st_size);
  const size_t newSize = spool_->size();
  // The room first, without changing the file's size or content: a full disk or quota found
  // here fails with the old content whole. Where the file system cannot reserve, the part
  // beyond the old end is written first, which changes no old byte. A file system that writes
  // every change into new blocks is not asked: its reservation says nothing of that room.
  const bool newBlocks = writesIntoNewBlocks(fd_);
  const int reserved =
      newBlocks ? EOPNOTSUPP
                : reserveRoom(fd_, static_cast<off_t>(oldSize), static_cast<off_t>(newSize));
  if (reserved != 0 && reserved != EOPNOTSUPP && reserved != ENOSYS) {
    [[maybe_unused]] const int released = ::ftruncate(fd_, st.st_size);
    return reserved;
  }
  // The old content is held before a byte of the file changes; a file whose content can be
  // held nowhere is not written.
  const int in = openForReading(fd_, finalPath_, st);
  if (in < 0) {
    const int err = errno;
    [[maybe_unused]] const int released = ::ftruncate(fd_, st.st_size);
    return err;
  }
  detail::OldContent old;
  std::vector<std::string> cloneFolders;
  if (newBlocks) {
    cloneFolders = detail::temporaryFolders();
    cloneFolders.insert(cloneFolders.begin(), folderOf(finalPath_));
  }
  int err = old.hold(in, oldSize, oldContent_, detail::temporaryFolders(), cloneFolders);
  bool touched = false;  // whether the file changed, so that its old content is to be put back
  if (err == 0 && !old.cloneFolder().empty()) {
    // Blocks of the old content that the new one replaces are not free before the write is
    // on the disk: the content is written beside the file and cloned into it.
    err = writeByClone(fd_, *spool_, old.cloneFolder(), touched);
  } else if (err == 0) {
    touched = true;
    if (reserved != 0 && newSize > oldSize) err = spool_->copyTo(fd_, oldSize, newSize);
    if (err == 0)
      err = spool_->copyTo(fd_, 0, reserved != 0 ? std::min(oldSize, newSize) : newSize);
  }
  if (err == 0 && ::ftruncate(fd_, static_cast<off_t>(newSize)) != 0) err = errno;
  if (err == 0 && ::fsync(fd_) != 0) err = errno;
  if (err != 0 && touched && old.restore(in, fd_) != 0) {
    // The file is neither the old content nor the new one: the old is kept under a name.
    damaged_ = true;
    std::vector<std::string> folders = detail::temporaryFolders();
    folders.insert(folders.begin(), folderOf(finalPath_));
    const std::string name = std::filesystem::path(finalPath_).filename().string();
    damageBackup_ = old.keepNamed(name.substr(0, 200), folders);
  } else if (err != 0 && !touched) {
    [[maybe_unused]] const int released = ::ftruncate(fd_, st.st_size);
  }
  ::close(in);
  return err;
}

int FileReplacement::flush() {
  if (flushed_) return 0;
  if (fd_ < 0) return EBADF;
  flushed_ = true;
  int err = 0;
  if (inPlace_) {
    err = writeInPlace();
    spool_.reset();
  } else {
    err = ::fsync(fd_) == 0 ? 0 : errno;
  }
  if (::close(fd_) != 0 && err == 0) err = errno;
  fd_ = -1;
  return err;
}

int FileReplacement::commit() {
  if (const int err = flush()) return err;
  if (inPlace_) return 0;
  if (const int err = nameUnchanged()) return err;
  if (::rename(tempPath_.c_str(), finalPath_.c_str()) != 0) return errno;
  tempPath_.clear();
  lock_.close();
  return 0;
}

int FileReplacement::nameUnchanged() const {
  struct stat now {};
  if (expectNew_) {
    if (::lstat(finalPath_.c_str(), &now) == 0) return EAGAIN;
    return errno == ENOENT ? 0 : errno;
  }
  if (!lock_.isOpen() && !unlocked_) return 0;  // no file was there at create()
  if (::lstat(finalPath_.c_str(), &now) != 0) return errno == ENOENT ? EAGAIN : errno;
  return now.st_dev == old_.st_dev && now.st_ino == old_.st_ino ? 0 : EAGAIN;
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
  if (err == ENOSPC) return "the disk is full";
  if (err == EDQUOT) return "the disk quota is used up";
  return std::strerror(err);
}

std::string replacementFailure(int err, const std::string& path) {
  if (err == EPERM || err == EACCES || err == EROFS) {
    const std::string reason = protectionReason(protectionOf(path));
    if (!reason.empty()) return reason;
  }
  return replacementFailure(err);
}

std::string replacementDamage(const FileReplacement& replacement) {
  if (!replacement.damaged()) return {};
  if (replacement.damageBackup().empty())
    return "; the file is damaged, and its old content could not be kept";
  return "; the file is damaged, its old content is kept in \"" + replacement.damageBackup() + "\"";
}

}  // namespace sheetcut
