#pragma once

// UTF-8 encoding and decoding of single code points, shared by the DXF codec, the text width
// model and the wildcard matcher.

#include <cstddef>
#include <string>
#include <string_view>

namespace cadhost::model {

// Appends the UTF-8 form of a code point.
inline void appendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// The code point that starts at s[i] (i < s.size()), with length set to the number of bytes it
// takes. A byte that does not start a valid sequence (a stray continuation byte, an overlong,
// truncated or surrogate sequence, or one beyond U+10FFFF) decodes as U+FFFD, one byte long.
inline char32_t decodeUtf8At(std::string_view s, std::size_t i, std::size_t& length) {
  const unsigned char b = static_cast<unsigned char>(s[i]);
  length = 1;
  int extra = 0;
  char32_t cp = 0;
  if (b < 0x80) return b;
  if ((b & 0xE0) == 0xC0 && b >= 0xC2) {
    extra = 1;
    cp = b & 0x1F;
  } else if ((b & 0xF0) == 0xE0) {
    extra = 2;
    cp = b & 0x0F;
  } else if ((b & 0xF8) == 0xF0 && b <= 0xF4) {
    extra = 3;
    cp = b & 0x07;
  } else {
    return 0xFFFD;
  }
  if (i + static_cast<std::size_t>(extra) >= s.size()) return 0xFFFD;
  for (int k = 1; k <= extra; ++k) {
    const unsigned char c = static_cast<unsigned char>(s[i + k]);
    if ((c & 0xC0) != 0x80) return 0xFFFD;
    cp = (cp << 6) | (c & 0x3F);
  }
  const bool overlong = (extra == 2 && cp < 0x800) || (extra == 3 && cp < 0x10000);
  if (overlong || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0xFFFD;
  length = static_cast<std::size_t>(extra) + 1;
  return cp;
}

}  // namespace cadhost::model
