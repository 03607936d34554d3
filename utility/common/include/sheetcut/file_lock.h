#pragma once

#include <sys/stat.h>

#include <chrono>
#include <string>

namespace sheetcut {

// How long a lock held by someone else is waited for, by readers and writers alike.
inline constexpr std::chrono::seconds kLockPatience{5};

// Takes the flock `operation` (LOCK_SH or LOCK_EX) on `fd`, trying without blocking again and
// again with short pauses for at most `patience`, never waiting without end. Answers 0 or the
// error number: EWOULDBLOCK when another held the lock all the time waited.
int flockWithin(int fd, int operation, std::chrono::milliseconds patience = kLockPatience);

// An open regular file with a lock on the file itself: every name of the file (hard links in
// other folders included) shares it, where a lock on a folder guards only the names in that
// folder. Writers take it exclusive while they read and replace the file, readers shared while
// they read it, so that a reader sees the old or the new content, never a file half written in
// place. Programs that take no lock are not kept out.
//
// The lock is taken on the file the name leads to once it is opened; as a rename may put
// another file at the name meanwhile, the name is looked at again once the lock is held, and
// when it leads elsewhere the file is let go and the name opened again, a few times at most.
// File systems that give no locks (ENOLCK, EOPNOTSUPP) leave the file open without one.
class LockedFile {
 public:
  enum class Mode { Shared, Exclusive };

  LockedFile() = default;
  ~LockedFile();
  LockedFile(LockedFile&& other) noexcept;
  LockedFile& operator=(LockedFile&& other) noexcept;
  LockedFile(const LockedFile&) = delete;
  LockedFile& operator=(const LockedFile&) = delete;

  // Opens the regular file `name` and locks it. With `follow`, a symbolic link is followed as
  // the system follows it for this process (see replacedPath), else the name must be the file
  // itself. A shared lock opens the file for reading; an exclusive one opens it for reading and
  // writing where it may, else for one of them, so that a file this process may write but not
  // read is locked all the same. Answers 0, or:
  //   ENOENT     nothing is there; path() names where a new file would be made
  //   EISDIR     a folder; EINVAL anything else that is not a regular file (never opened)
  //   EWOULDBLOCK  another held the lock for longer than kLockPatience
  //   ESTALE     the name kept leading to another file after each lock
  // or the error of the open (EACCES where the file cannot be opened at all).
  int open(const std::string& name, Mode mode, bool follow = true);

  // Changes the lock held to `mode` (a shared one made exclusive), with the same patience. The
  // system lets the old lock go before it takes the new one: the file may have been changed in
  // between, by someone who holds the lock.
  int relock(Mode mode);

  bool isOpen() const { return fd_ >= 0; }
  int fd() const { return fd_; }
  // The file's path with its links followed, as given to open() when not followed.
  const std::string& path() const { return path_; }
  // The file as it was when it was locked (device, inode, size, mode, owner, ...).
  const struct stat& status() const { return status_; }
  // Whether `name` (followed when `follow`) still leads to the locked file.
  bool isNamedBy(const std::string& name, bool follow = true) const;

  // Reads the whole file from its start, without moving the file's offset. 0 or the error.
  int readAll(std::string& bytes) const;

  // Another handle of the same open file: it shares the lock, which lasts until both let it go.
  // Not open (with errno set) when the descriptor cannot be duplicated.
  LockedFile shared() const;

  // Lets the lock and the file go.
  void close();

 private:
  int tryOpen(const std::string& name, Mode mode, bool follow);

  int fd_ = -1;
  std::string path_;
  struct stat status_ {};
};

}  // namespace sheetcut
