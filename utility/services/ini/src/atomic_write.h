#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "sheetcut/file_lock.h"

namespace mobrel {

// How long a FolderLock waits for someone else's lock on the folder, as a file's lock waits.
inline constexpr std::chrono::seconds kFolderLockPatience = sheetcut::kLockPatience;

// Holds an exclusive flock on a folder for as long as it lives, so that read-modify-write
// cycles of the files in that folder do not interleave between processes. Waits at most
// kFolderLockPatience for a lock that another holds.
class FolderLock {
 public:
  explicit FolderLock(const std::string& folder);
  ~FolderLock();
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;
  bool locked() const { return fd_ >= 0; }
  // The system's error number when the folder could not be opened or locked, else 0:
  // EWOULDBLOCK when another held the lock all the time waited.
  int error() const { return error_; }

 private:
  int fd_ = -1;
  int error_ = 0;
};

// The file that writeFileAtomically(path) replaces: `path` itself, or for a symbolic link the
// file it leads to. Its folder is where the rename happens, so the folder to lock. Nothing (with
// errno set) when a link cannot be followed.
std::optional<std::string> replacedFile(const std::string& path);

// What a failed write left of a file written in place: whether it is damaged (neither its old
// content nor the new one), and the file that then holds its whole old content ("" when none
// could be made).
struct WriteDamage {
  bool damaged = false;
  std::string backup;
};

// Replaces the file's content through sheetcut::FileReplacement: by a temporary file beside the
// target renamed onto it, so that a crash leaves either the old or the new file, or, where a
// new file could not be what the old one was (a second name, an owner or group this process
// cannot give, a folder it may not write), by writing into the file as an editor does, with
// its old content held and put back when the write fails. `oldBytes`, when given, is what the
// caller read of the file: a write in place holds it rather than a copy of its own.
// An existing file keeps its owner, group, mode and attributes; a symbolic link is followed and
// its target replaced. Returns false (and leaves no temporary file) on any failure, with errno
// telling why the step that failed did; `damage`, when given, says what the failure left.
bool writeFileAtomically(const std::string& path, const std::string& bytes,
                         const std::string* oldBytes = nullptr, WriteDamage* damage = nullptr);
// The same for the file `locked` holds (exclusive), which the caller read: the content goes into
// that file, or is renamed over its path only while the path still leads to it; else (EAGAIN)
// nothing is written. A `locked` without a file makes a new one at its path, refused (EAGAIN)
// when a file came there meanwhile.
bool writeFileAtomically(const sheetcut::LockedFile& locked, const std::string& bytes,
                         const std::string* oldBytes = nullptr, WriteDamage* damage = nullptr);

// Appends the bytes to the file `locked` holds (exclusive) in one piece and flushes them to the
// disk; on a failure the file is cut back to its size before. Appends only while the path the
// lock was taken on still leads to that file (else EAGAIN and nothing appended). Returns false
// on any failure (no file held included), with errno telling why.
bool appendToFile(const sheetcut::LockedFile& locked, const std::string& bytes);

}  // namespace mobrel
