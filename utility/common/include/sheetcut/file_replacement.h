#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <string>

namespace sheetcut {

// New content for a file, written to a temporary file in the target's folder and renamed over
// the target by commit(): the target keeps its old content or gets the whole new one, never a
// truncated file or a tail of the old one. A target that is a symbolic link stays one: the file
// it names is replaced (created, for a dangling link), but only where the system lets this
// process follow the link; a link it refuses to follow (one in a shared sticky folder that
// belongs to another user) or cannot follow (a loop) makes every step fail. Only a regular file
// is replaced: a folder, named pipe, device or socket at the target is never touched. Unless
// committed, the temporary file is removed again.
// Every step answers 0 or the error number (errno) of the call that failed.
class FileReplacement {
 public:
  explicit FileReplacement(const std::string& target);
  ~FileReplacement();
  FileReplacement(const FileReplacement&) = delete;
  FileReplacement& operator=(const FileReplacement&) = delete;

  // The file that is replaced: the target, or the file its link names.
  const std::string& finalPath() const { return finalPath_; }
  // 0 when this process may write the file that is replaced, or no file is there yet; else why
  // not (see writeAccessError), or why the target's link cannot be followed. Replacing needs
  // only the folder's permission, so writers that must respect a read-only file ask this first.
  int writeAccess() const;
  // Creates the temporary file with the permission bits `mode`. Fails without creating
  // anything when the target's link cannot be followed, with EISDIR for a folder and with
  // EINVAL for anything else that is not a regular file (named pipe, device, socket).
  int create(mode_t mode);
  // Creates it with the permission bits, owner, group and extended attributes of the file it
  // replaces (see keepAttributesOf), or with the permission bits of a new file.
  int createKeepingMode();
  // Gives the temporary file the owner, group and permission bits of `old`, the file it will
  // replace: the owner and group as far as this process may set them (only the superuser may
  // give a file away; an owner may still keep a group of theirs), the bits always. The
  // extended attributes of the replaced file, its access control list among them, go along as
  // far as this process may set them; a file without an access control list gets none (not the
  // one the temporary file took from its folder's default list).
  int keepAttributesOf(const struct stat& old);
  int write(const void* data, size_t size);
  // Puts the written content on the disk and closes the temporary file.
  int flush();
  // Flushes when that is not done yet, then renames the temporary file over the target.
  int commit();

 private:
  std::string finalPath_;
  std::string tempPath_;
  int fd_ = -1;
  int linkError_ = 0;  // why the target's link could not be followed (see replacedPath)
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

// Why a step of a replacement failed, `err` being the number it answered: a full disk (or
// quota) said as such, anything else in the system's words.
std::string replacementFailure(int err);

// The permission bits a new file gets from open(path, ..., 0666): 0666 less the umask.
mode_t newFileMode();

}  // namespace sheetcut
