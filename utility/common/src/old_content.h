#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace sheetcut::detail {

// Makes the file open as `out` a clone of the whole file `src`, of `size` bytes, sharing its
// blocks. A file longer than `size` is cut to it first, as a clone of a length that is no whole
// number of blocks must end the file. Answers 0 or errno (EXDEV, EOPNOTSUPP, EINVAL where the
// file system clones no such files).
int cloneWhole(int out, int src, size_t size);

// The content a file had before it is written in place, held where a failed write cannot
// reach it: the bytes the caller read of the file (when they are what the file holds), else a
// copy in an unnamed file. It puts that content back into the file, and where that fails keeps
// it in a named file.
class OldContent {
 public:
  OldContent() = default;
  ~OldContent();
  OldContent(const OldContent&) = delete;
  OldContent& operator=(const OldContent&) = delete;

  // Holds the content of the file open for reading as `in`, of `size` bytes: a clone of it
  // (sharing its blocks, which takes no room) in the first of `cloneFolders` where the file
  // system makes one, else `read` (which must stay as it is while this lives) when it is that
  // content, else a copy in the first of `folders` that takes it whole. Answers 0, or the
  // error number of the place that failed (a full disk or quota before any other reason).
  int hold(int in, size_t size, std::string_view read, const std::vector<std::string>& folders,
           const std::vector<std::string>& cloneFolders);
  // Puts the content back into the file: clones the held clone into `out`, or writes the
  // parts that differ through `out`; then cuts the file to the old size, puts it on the disk
  // and reads it back through `in`. Answers 0 when the file is the old content again, else an
  // error number.
  int restore(int in, int out) const;
  // Keeps the content in a new file named after `fileName`, readable by its owner only: the
  // copy gets a name where it lies, else the content is written into the first of `folders`
  // that takes it whole. Answers that file's path, or "" when no place took it.
  std::string keepNamed(const std::string& fileName, const std::vector<std::string>& folders) const;
  // The folder of the file system where the content is held as a clone, else "".
  std::string cloneFolder() const { return cloned_ ? copyFolder_ : std::string(); }

 private:
  // Compares the file open as `in` with the content, part by part; where `out` is not -1, a
  // part that differs is written over with the content's, and a write that fails answers its
  // error once the other parts are written. `differs` tells whether any part of the content
  // differed (the file's length beyond it is not looked at).
  int compare(int in, int out, bool& differs) const;
  // The part [at, at + size) of the content: in the caller's bytes, or read into `buffer`.
  int part(size_t at, size_t size, std::vector<char>& buffer, const char*& bytes) const;

  std::string_view read_;
  int copy_ = -1;  // the copy, where the caller's bytes are not the content
  std::string copyFolder_;
  bool cloned_ = false;  // the copy shares the file's blocks
  size_t size_ = 0;
};

}  // namespace sheetcut::detail
