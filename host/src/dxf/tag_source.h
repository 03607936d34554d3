#pragma once

// The tag streams of DXF files: ASCII (group code line, value line) and binary (typed
// values). A source yields raw tags; the value text stays in the file's encoding.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace cadhost::dxf {

struct RawTag {
  int code = 0;
  // The value text; valid until the next call of next(). Binary numbers are formatted as
  // text, binary chunks as upper-case hex.
  std::string_view value;
  // Where the tag starts: the line of its group code (ASCII) or its byte offset (binary).
  std::uint64_t position = 0;
};

class TagSource {
 public:
  virtual ~TagSource() = default;
  // The next tag, or false at the end of the input. A malformed tag throws HostError
  // (BadFile) naming the file and the position.
  virtual bool next(RawTag& tag) = 0;
  // "line 12" or "byte offset 345".
  virtual std::string describe(std::uint64_t position) const = 0;
};

// The sentinel that starts a binary DXF file.
inline constexpr std::string_view kBinarySentinel{"AutoCAD Binary DXF\r\n\x1a\0", 22};

// An ASCII source over bytes in memory (a UTF-8 byte order mark is skipped).
std::unique_ptr<TagSource> asciiSource(std::string_view bytes, const std::string& name);
// An ASCII source that reads an open file descriptor in blocks of `blockSize` bytes (it does
// not close it).
inline constexpr std::size_t kDefaultReadBlock = std::size_t{1} << 22;
std::unique_ptr<TagSource> asciiFileSource(int fd, const std::string& name,
                                           std::size_t blockSize = kDefaultReadBlock);
// A binary source over bytes in memory, starting with the sentinel.
std::unique_ptr<TagSource> binarySource(std::string_view bytes, const std::string& name);

// Whether the ASCII text uses CR LF line ends and starts with a byte order mark; known after
// the first line was read. Only meaningful for ASCII sources.
struct TextLayout {
  bool crlf = false;
  bool bom = false;
};
TextLayout layoutOf(const TagSource& source);

// The value type of a group code in binary DXF.
enum class ValueKind { String, Double, Int16, Int32, Int64, Bool, Chunk, Unknown };
ValueKind valueKindOf(int code);

}  // namespace cadhost::dxf
