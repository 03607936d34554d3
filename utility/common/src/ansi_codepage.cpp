#include "sheetcut/ansi_codepage.h"

#include <iconv.h>

#include <cerrno>
#include <cstdint>
#include <mutex>

#include "sheetcut/error.h"

namespace sheetcut {
namespace {

std::mutex& pageMutex() {
  static std::mutex m;
  return m;
}

std::string& currentPage() {
  static std::string page = "CP936";
  return page;
}

class Iconv {
 public:
  Iconv(const std::string& from, const std::string& to)
      : cd_(iconv_open(to.c_str(), from.c_str())) {}
  ~Iconv() {
    if (ok()) iconv_close(cd_);
  }
  Iconv(const Iconv&) = delete;
  Iconv& operator=(const Iconv&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return cd_; }

 private:
  iconv_t cd_;
};

// Length of the UTF-8 sequence that starts at s[0], or 1 for an invalid lead byte.
size_t utf8SequenceLength(std::string_view s) {
  const auto c = static_cast<unsigned char>(s[0]);
  size_t n = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 1;
  return n <= s.size() ? n : 1;
}

// Converts with iconv; where the input cannot be converted, skips one input character (one
// UTF-8 sequence, or one byte otherwise) and writes "?" instead.
std::string convertLenient(std::string_view in, const std::string& from, const std::string& to) {
  Iconv cd(from, to);
  if (!cd.ok()) throw Error(errnum::kGeneric, "unknown text encoding: " + from + " or " + to);
  const bool fromUtf8 = from == "UTF-8";
  std::string out;
  out.reserve(in.size() * 2 + 16);
  char* inPtr = const_cast<char*>(in.data());
  size_t inLeft = in.size();
  char buf[4096];
  while (inLeft > 0) {
    char* outPtr = buf;
    size_t outLeft = sizeof buf;
    const size_t rc = iconv(cd.get(), &inPtr, &inLeft, &outPtr, &outLeft);
    out.append(buf, static_cast<size_t>(outPtr - buf));
    if (rc != static_cast<size_t>(-1)) break;
    if (errno == E2BIG) continue;
    // EILSEQ or EINVAL: an unconvertible or truncated sequence.
    size_t skip = fromUtf8 ? utf8SequenceLength(std::string_view(inPtr, inLeft)) : 1;
    inPtr += skip;
    inLeft -= skip;
    iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
    out.push_back('?');
  }
  return out;
}

}  // namespace

std::string ansiCodePage() {
  std::lock_guard lock(pageMutex());
  return currentPage();
}

void setAnsiCodePage(const std::string& iconvName) {
  Iconv probe("UTF-8", iconvName);
  if (!probe.ok()) throw Error(errnum::kGeneric, "unknown ANSI code page: " + iconvName);
  std::lock_guard lock(pageMutex());
  currentPage() = iconvName;
}

std::string utf8ToAnsi(std::string_view utf8) {
  return convertLenient(utf8, "UTF-8", ansiCodePage());
}

std::string ansiToUtf8(std::string_view bytes) {
  return convertLenient(bytes, ansiCodePage(), "UTF-8");
}

std::string convertEncoding(std::string_view in, const std::string& from, const std::string& to) {
  return convertLenient(in, from, to);
}

bool isValidUtf8(std::string_view s) {
  size_t i = 0;
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    size_t n;
    uint32_t cp;
    if (c < 0x80) {
      ++i;
      continue;
    } else if ((c >> 5) == 0x6) {
      n = 2;
      cp = c & 0x1F;
    } else if ((c >> 4) == 0xE) {
      n = 3;
      cp = c & 0x0F;
    } else if ((c >> 3) == 0x1E) {
      n = 4;
      cp = c & 0x07;
    } else {
      return false;
    }
    if (i + n > s.size()) return false;
    for (size_t k = 1; k < n; ++k) {
      const auto cc = static_cast<unsigned char>(s[i + k]);
      if ((cc >> 6) != 0x2) return false;
      cp = (cp << 6) | (cc & 0x3F);
    }
    // Reject overlong forms, surrogates and values past U+10FFFF.
    if ((n == 2 && cp < 0x80) || (n == 3 && cp < 0x800) || (n == 4 && cp < 0x10000) ||
        (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF)
      return false;
    i += n;
  }
  return true;
}

}  // namespace sheetcut
