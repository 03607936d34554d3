#include "tarvik/utf8_offsets.h"

namespace tarvik {

std::vector<std::size_t> utf8Offsets(const QString& s) {
  std::vector<std::size_t> offsets(static_cast<std::size_t>(s.size()) + 1, 0);
  std::size_t bytes = 0;
  for (qsizetype i = 0; i < s.size(); ++i) {
    offsets[static_cast<std::size_t>(i)] = bytes;
    const char16_t c = s[i].unicode();
    if (s[i].isHighSurrogate() && i + 1 < s.size() && s[i + 1].isLowSurrogate()) {
      offsets[static_cast<std::size_t>(++i)] = bytes;
      bytes += 4;
    } else {
      bytes += c < 0x80 ? 1 : c < 0x800 ? 2 : s[i].isSurrogate() ? 1 : 3;
    }
  }
  offsets.back() = bytes;
  return offsets;
}

}  // namespace tarvik
