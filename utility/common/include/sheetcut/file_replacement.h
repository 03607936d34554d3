#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <string>

namespace sheetcut {

// New content for a file, written to a temporary file in the target's folder and renamed over
// the target by commit(): the target keeps its old content or gets the whole new one, never a
// truncated file or a tail of the old one. A target that is a symbolic link stays one: the file
// it names is replaced (created, for a dangling link); a link that cannot be followed (a loop)
// makes create() fail. Unless committed, the temporary file is removed again.
// Every step answers 0 or the error number (errno) of the call that failed.
class FileReplacement {
 public:
  explicit FileReplacement(const std::string& target);
  ~FileReplacement();
  FileReplacement(const FileReplacement&) = delete;
  FileReplacement& operator=(const FileReplacement&) = delete;

  // The file that is replaced: the target, or the file its link names.
  const std::string& finalPath() const { return finalPath_; }
  // Creates the temporary file with the permission bits `mode`.
  int create(mode_t mode);
  // Creates it with the permission bits of the file it replaces, or of a new file.
  int createKeepingMode();
  // Gives the temporary file the owner, group and permission bits of `old`, the file it will
  // replace: the owner and group as far as this process may set them (only the superuser may
  // give a file away; an owner may still keep a group of theirs), the bits always.
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
// names, followed link by link (also one not there yet, for a dangling link). On a link that
// cannot be followed (a loop) `error` is set to why, else to 0.
std::string replacedPath(const std::string& path, int& error);

// Why a step of a replacement failed, `err` being the number it answered: a full disk (or
// quota) said as such, anything else in the system's words.
std::string replacementFailure(int err);

// The permission bits a new file gets from open(path, ..., 0666): 0666 less the umask.
mode_t newFileMode();

}  // namespace sheetcut
