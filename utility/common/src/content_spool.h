#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>
#include <vector>

namespace sheetcut::detail {

// Holds new content until the whole of it is there, so that a file written in place is changed
// only once nothing can fail for want of its content. Small content stays in memory; beyond
// kMemoryLimit it goes on in an unnamed temporary file (in `nearFolder` where that folder
// allows one, else in the system's temporary folder), which vanishes when the spool is closed.
class ContentSpool {
 public:
  static constexpr size_t kMemoryLimit = 8u << 20;

  explicit ContentSpool(std::string nearFolder) : nearFolder_(std::move(nearFolder)) {}
  ~ContentSpool();
  ContentSpool(const ContentSpool&) = delete;
  ContentSpool& operator=(const ContentSpool&) = delete;

  // Answers 0 or errno.
  int append(const void* data, size_t size);
  size_t size() const { return size_; }
  // Writes the bytes [from, to) of the content to `fd` at the same offsets. Answers 0 or errno.
  int copyTo(int fd, size_t from, size_t to) const;

 private:
  std::vector<std::string> places() const;
  // Moves the content held so far, and `more` after it, to an unnamed file in the next place
  // that takes it whole.
  int spill(const char* more, size_t moreSize);

  std::string nearFolder_;
  std::string memory_;
  int fd_ = -1;
  size_t place_ = 0;  // the next place to try (see places())
  size_t size_ = 0;
};

// An unnamed file open for reading and writing in `folder` (one removed at once where the file
// system has no unnamed files), or -1 with errno set.
int unnamedFileIn(const std::string& folder);

// The system's temporary folders: $TMPDIR (else /tmp), then /tmp.
std::vector<std::string> temporaryFolders();

// Writes all `size` bytes at `offset` of `fd`, going on after short writes. Answers 0 or errno.
int writeAllAt(int fd, const char* data, size_t size, off_t offset);

}  // namespace sheetcut::detail
