#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "sheetcut/file_lock.h"

namespace sheetcut {

namespace detail {
class ContentSpool;
}

// New content for a file. The target keeps its old content or gets the whole new one, never a
// truncated file or a tail of the old one (short of a file written in place that is left
// damaged, see damaged()), and a file that is there stays the file it was.
//
// Where a new file can be what the old one was (see renameKeepsFile: one name, its owner and
// group kept, a folder that lets this process create and rename), the content goes to a
// temporary file in the target's folder that commit() renames over the target, with the old
// file's permission bits, owner, group and extended attributes. Otherwise the content is
// written into the file itself, as cp does: owner, group, mode, access control list,
// attributes and every other name of the file stay as they are. The content is held until
// flush(). Then, as an editor saves a file it must write in place, the old content is kept
// whole until the new one is whole: the room the new content needs beyond the blocks the file
// holds is reserved (a quick first check: a full disk found there fails with the file as it
// was, but copy-on-write file systems and those without reservation may still run out of room
// during the write); the old content is held where the write cannot reach it (the bytes the
// caller read, see holdOldContent, else a copy in the temporary folder, or beside the file),
// and the file is not written when it can be held nowhere (nor when this process may write
// but not read it); the file is written, cut to the new length and put on the disk. When a
// step of that fails, the old content is put back, put on the disk and read back: the step's
// error is answered with the file as it was, or, when the old content could not be put back,
// damaged() is true and damageBackup() names a new file that holds the whole old content. On
// a file system that writes every change into new blocks (btrfs), the old blocks are not free
// while the write runs: there the old content is held as a clone of the file beside it (or in
// the temporary folder, where that is on the same file system), the new content is written
// into another file beside it and cloned into the file, and a failure clones the old content
// back, none of which needs room the write may lack. A crash or power loss during the write
// can still leave a file that is part new and part old.
//
// A target that is a symbolic link stays one: the file it names is replaced (created, for a
// dangling link), but only where the system lets this process follow the link; a link it
// refuses to follow (one in a shared sticky folder that belongs to another user) or cannot
// follow (a loop) makes every step fail. Only a regular file is replaced: a folder, named pipe,
// device or socket at the target is never touched, nor an append-only or immutable file.
// Unless committed, the temporary file is removed again.
//
// An existing file is locked exclusively (see LockedFile) from create() until the replacement
// is committed or dropped, so that writers through other names of the file wait, and readers
// in this library see the old or the new content. The rename happens only while the name still
// leads to the file that was locked; otherwise the step fails with EAGAIN.
// Every step answers 0 or the error number (errno) of the call that failed.
class FileReplacement {
 public:
  explicit FileReplacement(const std::string& target);
  // Replaces the file that `locked` holds locked (exclusive), the one the caller read: written
  // into that very file, or renamed over its path only while the path still leads to it. The
  // lock is shared with `locked` and held until the replacement ends. A `locked` that holds no
  // file (nothing was there: its path() says where) makes a new file, and fails with EAGAIN
  // when something is at the path by the time it is created or committed.
  explicit FileReplacement(const LockedFile& locked);
  ~FileReplacement();
  FileReplacement(const FileReplacement&) = delete;
  FileReplacement& operator=(const FileReplacement&) = delete;

  // The file that is replaced: the target, or the file its link names.
  const std::string& finalPath() const { return finalPath_; }
  // 0 when this process may write the file that is replaced, or no file is there yet; else why
  // not (see writeAccessError), or why the target's link cannot be followed. Writers that must
  // respect a read-only file ask this first: the superuser could write it all the same.
  int writeAccess() const;
  // Prepares the writing. A file that is there keeps its permission bits (and all else, see
  // above); a new file is created as open(path, O_CREAT, newFileBits) creates one, so that the
  // umask or the folder's default access control list apply as for any new file. Fails without
  // changing anything when the target's link cannot be followed, with EISDIR for a folder,
  // EINVAL for anything else that is not a regular file (named pipe, device, socket) and EPERM
  // for an append-only or immutable file. An existing file is locked first: EAGAIN when another
  // held its lock for longer than kLockPatience or another file kept taking its name.
  int create(mode_t newFileBits = 0666);
  // Whether the content goes into the file itself (known once create() succeeded).
  bool inPlace() const { return inPlace_; }
  int write(const void* data, size_t size);
  // The content the caller read of the file before this replacement, for a write in place to
  // hold instead of a copy of its own. Used only when the file still holds exactly these bytes
  // when it is written; the bytes must stay as they are until flush() returns.
  void holdOldContent(std::string_view bytes);
  // Puts the written content on the disk: closes the temporary file, or writes the file in
  // place.
  int flush();
  // Flushes when that is not done yet, then renames the temporary file over the target.
  int commit();
  // After a failed write in place: true when the file could not be given its old content back,
  // and then the file that holds the whole old content (readable by its owner only, beside the
  // file or in the temporary folder), or "" when none could be made.
  bool damaged() const { return damaged_; }
  const std::string& damageBackup() const { return damageBackup_; }

 private:
  int createTemporary(mode_t bits);
  int openInPlace(const struct stat& old);
  int keepAttributesOf(const struct stat& old);
  int writeInPlace();
  // 0 while finalPath_ leads to the file that create() found there (or to none, where none
  // was), else EAGAIN.
  int nameUnchanged() const;

  std::string finalPath_;
  std::string tempPath_;
  int fd_ = -1;
  int linkError_ = 0;       // why the target's link could not be followed (see replacedPath)
  LockedFile lock_;         // the existing file, locked exclusively
  bool expectNew_ = false;  // the caller found no file at finalPath_
  bool unlocked_ = false;   // an existing file this process could not open to lock
  struct stat old_ {};      // the existing file replaced, as it was locked
  bool inPlace_ = false;
  bool flushed_ = false;
  std::unique_ptr<detail::ContentSpool> spool_;  // the content written in place
  std::string_view oldContent_;  // what the caller read of the file (see holdOldContent)
  bool damaged_ = false;
  std::string damageBackup_;
};

// The file that new content for `path` replaces: `path` itself, or the file its symbolic link
// names (also one not there yet, for a dangling link). The link is followed only as the system
// follows it for this process: where it refuses (EACCES, as for a link in a sticky folder
// owned by another user) or cannot follow it (ELOOP), `error` is set to why, else to 0.
// The system names the file it opened through /proc. For a dangling link, or where /proc is
// not mounted, the links are read here one by one once the system has followed them (or found
// only the last file missing): a link changed in between is read as it is then, without the
// system's check of it.
std::string replacedPath(const std::string& path, int& error);

// 0 when this process may write the file `path` names, or nothing is there; otherwise EACCES
// for a file marked read-only (no write permission bit at all, which holds even for the
// superuser) or one this process may not write, or the error that keeps the path from being
// looked at (a file that cannot be seen is not taken as missing).
int writeAccessError(const std::string& path);

// Why a step of a replacement failed, `err` being the number it answered: a full disk or a
// used-up quota said as such, anything else in the system's words.
std::string replacementFailure(int err);
// The same for the file `path`: a refusal caused by the file's protection (see protectionOf)
// names that.
std::string replacementFailure(int err, const std::string& path);
// What follows that reason when a step of `replacement` left the file damaged: "; the file is
// damaged, ...", naming the file that holds its old content; "" when it did not.
std::string replacementDamage(const FileReplacement& replacement);

}  // namespace sheetcut
