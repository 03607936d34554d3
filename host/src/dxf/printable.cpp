#include "dxf/printable.h"

namespace cadhost::dxf {
namespace {

// The length of the valid UTF-8 sequence starting at `s[i]` (2 to 4), or 0.
std::size_t multibyteLength(std::string_view s, std::size_t i) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char b = byte(i);
  std::size_t n = 0;
  unsigned lowest = 0;
  if (b >= 0xC2 && b <= 0xDF) {
    n = 2;
    lowest = 0x80;
  } else if (b >= 0xE0 && b <= 0xEF) {
    n = 3;
    lowest = 0x800;
  } else if (b >= 0xF0 && b <= 0xF4) {
    n = 4;
    lowest = 0x10000;
  } else {
    return 0;
  }
  if (i + n > s.size()) return 0;
  unsigned cp = b & (0x7F >> n);
  for (std::size_t k = 1; k < n; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (byte(i + k) & 0x3F);
  }
  if (cp < lowest || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  // C1 controls are not printable either.
  if (cp >= 0x80 && cp <= 0x9F) return 0;
  return n;
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
