#include "dxf/printable.h"

#include "model/utf8.h"

namespace cadhost::dxf {
namespace {

// The length of the valid UTF-8 sequence starting at `s[i]` (2 to 4), or 0: also 0 for a C1
// control, which is not printable either.
std::size_t multibyteLength(std::string_view s, std::size_t i) {
  std::size_t length = 1;
  const char32_t cp = model::decodeUtf8At(s, i, length);
  if (length < 2 || (cp >= 0x80 && cp <= 0x9F)) return 0;
  return length;
}

}  // namespace

std::string printableExcerpt(std::string_view bytes, std::size_t maxChars) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  std::size_t chars = 0, i = 0;
  while (i < bytes.size() && chars < maxChars) {
    const unsigned char b = static_cast<unsigned char>(bytes[i]);
    if (b >= 0x20 && b < 0x7F) {
      if (b == '\\') out += '\\';
      out += static_cast<char>(b);
      ++i;
    } else if (std::size_t n = b >= 0x80 ? multibyteLength(bytes, i) : 0; n > 0) {
      out.append(bytes.substr(i, n));
      i += n;
    } else {
      out += "\\x";
      out += kHex[b >> 4];
      out += kHex[b & 15];
      ++i;
    }
    ++chars;
  }
  if (i < bytes.size()) out += "...";
  return out;
}

}  // namespace cadhost::dxf
