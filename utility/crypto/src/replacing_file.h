#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "sheetcut/file_lock.h"
#include "sheetcut/file_replacement.h"

namespace sheetcut::crypto_detail {

// Raises sheetcut::Error naming the path when it names something other than a regular file (a
// named pipe would block, a device never ends); a missing path passes.
void requireRegularFile(const std::string& path, const std::string& member);

class InputFile;

// Writes a file through a temporary file in the target's folder and renames it into place on
// commit(), so the target either keeps its old content or gets the whole new content, never a
// mixture or a tail of the old one. A target that is a symbolic link stays one: the file it
// names is replaced, keeping its mode, owner, group and extended attributes. A file the caller
// may not write, or one marked read-only, is refused. Without commit() the temporary file is
// removed. Where the target is the file `source` reads (a file encrypted onto itself), that very
// file is replaced, under the lock the source holds: never another file that took its name.
// Failures raise sheetcut::Error naming the file; `member` prefixes the messages.
class ReplacingFile {
 public:
  ReplacingFile(std::string target, std::string member, const InputFile* source = nullptr);
  ~ReplacingFile();
  ReplacingFile(const ReplacingFile&) = delete;
  ReplacingFile& operator=(const ReplacingFile&) = delete;

  void write(const void* data, size_t size);
  void commit();

 private:
  std::string target_;  // as the caller named it, for messages
  std::string member_;
  std::unique_ptr<FileReplacement> file_;
};

// Opens a regular file for reading, with its size, under the file's shared lock so that a file
// written in place by another is read whole; raises sheetcut::Error naming the file, also when
// a writer holds the lock for longer than a lock waits. Where `output` names the same file (a
// file encrypted onto itself), the lock is exclusive, for the ReplacingFile that writes it.
class InputFile {
 public:
  InputFile(const std::string& path, std::string member, const std::string& output = {});
  ~InputFile();
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  size_t size() const { return size_; }
  // The file read, open and locked.
  const LockedFile& file() const { return file_; }
  // Whether the file is locked for writing it (see `output`).
  bool lockedForWriting() const { return forWriting_; }
  // Reads up to size bytes; returns how many were read (fewer only at the end of the file).
  size_t read(void* data, size_t size);
  // Reads exactly size bytes; a file that ends earlier (it shrank while being read) raises
  // sheetcut::Error.
  void readExactly(void* data, size_t size);

 private:
  std::string path_;
  std::string member_;
  LockedFile file_;
  bool forWriting_ = false;
  size_t size_ = 0;
};

}  // namespace sheetcut::crypto_detail
