#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace sheetcut::md5 {

// MD5 (RFC 1321) over a stream of bytes.
class Md5 {
 public:
  Md5();
  void update(const void* data, size_t size);
  void update(std::string_view bytes) { update(bytes.data(), bytes.size()); }
  // The 16 digest bytes; the object is then reset for a new message.
  std::array<uint8_t, 16> finish();

 private:
  void reset();
  uint32_t state_[4];
  uint64_t count_;  // bytes fed so far
  uint8_t buffer_[64];
};

// The 32 lower-case hex digits of the MD5 of bytes.
std::string hexDigest(std::string_view bytes);

// Digests of a UTF-8 text taken one byte per character in the ANSI code page; both return
// lower-case hex.
// Digest32: the 32-character digest. A character that needs two bytes in the page raises
// sheetcut::Error 6 (overflow).
std::string Digest32(const std::string& text);
// Digest16: characters 9 to 24 of the 32-character digest of the text's ANSI bytes.
std::string Digest16(const std::string& text);

}  // namespace sheetcut::md5
