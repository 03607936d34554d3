#include "dxf/text_codec.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <stdexcept>

#include "cadhost/host_error.h"

namespace cadhost::dxf {
namespace {

struct PageName {
  const char* dxf;
  const char* iconv;
};

// The DXF code pages and the iconv names glibc knows them by.
constexpr PageName kPages[] = {
    {"ANSI_874", "CP874"},   {"ANSI_932", "CP932"},   {"ANSI_936", "CP936"},
    {"ANSI_949", "CP949"},   {"ANSI_950", "CP950"},   {"ANSI_1250", "CP1250"},
    {"ANSI_1251", "CP1251"}, {"ANSI_1252", "CP1252"}, {"ANSI_1253", "CP1253"},
    {"ANSI_1254", "CP1254"}, {"ANSI_1255", "CP1255"}, {"ANSI_1256", "CP1256"},
    {"ANSI_1257", "CP1257"}, {"ANSI_1258", "CP1258"}, {"ANSI_1361", "JOHAB"},
    {"DOS437", "CP437"},     {"DOS850", "CP850"},     {"DOS852", "CP852"},
    {"DOS855", "CP855"},     {"DOS857", "CP857"},     {"DOS860", "CP860"},
    {"DOS861", "CP861"},     {"DOS863", "CP863"},     {"DOS864", "CP864"},
    {"DOS865", "CP865"},     {"DOS869", "CP869"},     {"DOS932", "CP932"},
    {"GB2312", "CP936"},     {"BIG5", "CP950"},       {"ISO8859-1", "ISO-8859-1"},
};

bool equalNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
    if (x != y) return false;
  }
  return true;
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The value of `n` hex digits at `s`, or -1.
long hexAt(std::string_view s, size_t pos, size_t n) {
  if (pos + n > s.size()) return -1;
  long v = 0;
  for (size_t i = 0; i < n; ++i) {
    int h = hexValue(s[pos + i]);
    if (h < 0) return -1;
    v = v * 16 + h;
  }
  return v;
}

// The iconv name of the page digit n of an \M+nXXXX escape.
const char* mbcsPage(char n) {
  switch (n) {
    case '1':
      return "CP932";
    case '2':
      return "CP950";
    case '3':
      return "CP949";
    case '4':
      return "JOHAB";
    case '5':
      return "CP936";
    default:
      return nullptr;
  }
}

// The UTF-8 form of one double-byte character of an \M+ escape, or "" when the page does
// not define it.
std::string mbcsCharacter(const char* page, unsigned code) {
  char bytes[2] = {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
  if (bytes[0] == 0 || bytes[1] == 0) return "";
  Iconv cd("UTF-8", page);
  char* src = bytes;
  size_t srcLeft = 2;
  char buf[16];
  char* dst = buf;
  size_t dstLeft = sizeof buf;
  if (iconv(cd.handle(), &src, &srcLeft, &dst, &dstLeft) == static_cast<size_t>(-1) ||
      srcLeft != 0 || dst == buf || static_cast<unsigned char>(buf[0]) < 0x20)
    return "";
  return std::string(buf, dst);
}

// Converts all of `in` with `cd`; an invalid or incomplete sequence becomes "?".
void convertAll(iconv_t cd, std::string_view in, std::string& out) {
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  char* src = const_cast<char*>(in.data());
  size_t srcLeft = in.size();
  char buf[1024];
  while (srcLeft > 0) {
    char* dst = buf;
    size_t dstLeft = sizeof buf;
    size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    out.append(buf, dst);
    if (r == static_cast<size_t>(-1)) {
      if (errno == E2BIG) continue;
      out += '?';  // EILSEQ or EINVAL: skip one byte
      ++src;
      --srcLeft;
    }
  }
  char* dst = buf;
  size_t dstLeft = sizeof buf;
  iconv(cd, nullptr, nullptr, &dst, &dstLeft);
  out.append(buf, dst);
}

// Length of the UTF-8 sequence that starts with byte `c` (1 for a stray byte).
size_t utf8Length(unsigned char c) {
  if (c < 0xC0) return 1;
  if (c < 0xE0) return 2;
  if (c < 0xF0) return 3;
  return 4;
}

char32_t utf8Decode(std::string_view s) {
  auto b = [&](size_t i) { return static_cast<char32_t>(static_cast<unsigned char>(s[i])); };
  switch (s.size()) {
    case 2:
      return ((b(0) & 0x1F) << 6) | (b(1) & 0x3F);
    case 3:
      return ((b(0) & 0x0F) << 12) | ((b(1) & 0x3F) << 6) | (b(2) & 0x3F);
    case 4:
      return ((b(0) & 0x07) << 18) | ((b(1) & 0x3F) << 12) | ((b(2) & 0x3F) << 6) | (b(3) & 0x3F);
    default:
      return b(0);
  }
}

void appendEscape(std::string& out, char32_t cp) {
  char buf[16];
  if (cp > 0xFFFF) {
    // Beyond the basic plane: the UTF-16 surrogate pair, one escape each.
    char32_t v = cp - 0x10000;
    appendEscape(out, 0xD800 + (v >> 10));
    appendEscape(out, 0xDC00 + (v & 0x3FF));
    return;
  }
  std::snprintf(buf, sizeof buf, "\\U+%04X", static_cast<unsigned>(cp));
  out += buf;
}

}  // namespace

std::string iconvNameForCodepage(std::string_view codepage) {
  for (const PageName& p : kPages)
    if (equalNoCase(codepage, p.dxf)) return p.iconv;
  return "CP1252";
}

std::string codepageForIconvName(std::string_view iconvName) {
  if (equalNoCase(iconvName, "GBK") || equalNoCase(iconvName, "GB2312")) return "ANSI_936";
  if (equalNoCase(iconvName, "BIG5")) return "ANSI_950";
  if (equalNoCase(iconvName, "SHIFT_JIS") || equalNoCase(iconvName, "SJIS")) return "ANSI_932";
  for (const PageName& p : kPages)
    if (equalNoCase(iconvName, p.iconv) && std::string_view(p.dxf).starts_with("ANSI_"))
      return p.dxf;
  return "";
}

bool versionUsesUtf8(std::string_view acadver) {
  // "AC1021" and later; the names compare as text because they all have the same form.
  return acadver.size() == 6 && acadver >= "AC1021";
}

bool hasBreakingControl(std::string_view text) {
  for (char c : text)
    if (c == '\n' || c == '\r' || c == '\0') return true;
  return false;
}

std::string escapeBreakingControls(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '\n' || c == '\r' || c == '\0') {
      appendEscape(out, static_cast<unsigned char>(c));
    } else {
      out += c;
    }
  }
  return out;
}

size_t decodeEscapeAt(std::string_view s, size_t i, std::string& out) {
  if (i + 2 >= s.size() || s[i] != '\\' || s[i + 2] != '+') return 0;
  const char kind = s[i + 1];
  if (kind == 'U' || kind == 'u') {
    long cp = hexAt(s, i + 3, 4);
    // Control characters stay escaped: a line break or NUL inside a value would break the
    // file's structure when it is written.
    if (cp < 0x20) return 0;
    size_t n = 7;
    // A high surrogate followed by an escaped low surrogate is one character.
    if (cp >= 0xD800 && cp < 0xDC00 && i + n + 2 < s.size() && s[i + n] == '\\' &&
        (s[i + n + 1] == 'U' || s[i + n + 1] == 'u') && s[i + n + 2] == '+') {
      long lo = hexAt(s, i + n + 3, 4);
      if (lo >= 0xDC00 && lo < 0xE000) {
        cp = 0x10000 + ((cp - 0xD800) << 10) + (lo - 0xDC00);
        n += 7;
      }
    }
    if (cp >= 0xD800 && cp < 0xE000) cp = 0xFFFD;  // a lone surrogate
    appendUtf8(out, static_cast<char32_t>(cp));
    return n;
  }
  if (kind == 'M' || kind == 'm') {
    const char* page = i + 3 < s.size() ? mbcsPage(s[i + 3]) : nullptr;
    long code = page ? hexAt(s, i + 4, 4) : -1;
    std::string ch = code >= 0 ? mbcsCharacter(page, static_cast<unsigned>(code)) : "";
    if (ch.empty()) return 0;
    out += ch;
    return 8;
  }
  return 0;
}

std::string decodeEscapes(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  size_t i = 0;
  while (i < s.size()) {
    if (size_t n = decodeEscapeAt(s, i, out)) {
      i += n;
    } else {
      out += s[i++];
    }
  }
  return out;
}

std::string joinDecodedChunks(const std::vector<std::string_view>& chunks) {
  // The longest escape, \M+nXXXX; one cut by a boundary keeps fewer characters before it.
  constexpr size_t kLongest = 8;
  std::string out;
  for (std::string_view chunk : chunks) {
    const size_t cut = out.rfind('\\');
    if (cut != std::string::npos && out.size() - cut < kLongest) {
      // The tail from the last backslash may be the head of an escape whose rest opens this
      // chunk: the two together decode to its character.
      const size_t tail = out.size() - cut;
      std::string probe = out.substr(cut);
      probe.append(chunk.substr(0, kLongest));
      std::string decoded;
      const size_t n = decodeEscapeAt(probe, 0, decoded);
      if (n > tail) {
        out.resize(cut);
        out += decoded;
        chunk.remove_prefix(n - tail);
      }
    }
    out.append(chunk);
  }
  return out;
}

std::string mtextContents(const model::Tags& tags) {
  std::vector<std::string_view> chunks;
  const model::Tag* last = nullptr;
  for (const model::Tag& t : tags) {
    if (t.code == 3) {
      chunks.push_back(t.value);
    } else if (t.code == 1 && !last) {
      last = &t;
    }
  }
  if (last) chunks.push_back(last->value);
  return joinDecodedChunks(chunks);
}

Iconv::Iconv(const std::string& to, const std::string& from) {
  cd_ = iconv_open(to.c_str(), from.c_str());
  if (cd_ == reinterpret_cast<iconv_t>(-1))
    throw HostError(HostError::Unsupported,
                    "text encoding " + from + " to " + to + " is not available");
}

Iconv::~Iconv() {
  iconv_close(cd_);
}

TextDecoder::TextDecoder(const std::string& iconvName) {
  if (!iconvName.empty()) page_ = std::make_unique<Iconv>("UTF-8", iconvName);
}

bool TextDecoder::needsWork(std::string_view bytes) {
  for (char c : bytes)
    if (static_cast<unsigned char>(c) >= 0x80 || c == '\\') return true;
  return false;
}

std::string TextDecoder::decode(std::string_view bytes) {
  if (!page_) return decodeEscapes(bytes);
  std::string utf8;
  utf8.reserve(bytes.size() * 3 / 2);
  convertAll(page_->handle(), bytes, utf8);
  if (utf8.find('\\') == std::string::npos) return utf8;
  return decodeEscapes(utf8);
}

TextEncoder::TextEncoder(const std::string& iconvName) {
  if (!iconvName.empty()) page_ = std::make_unique<Iconv>(iconvName, "UTF-8");
}

bool TextEncoder::passesThrough(std::string_view utf8) const {
  if (!page_) return true;
  for (char c : utf8)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

void TextEncoder::encode(std::string_view utf8, std::string& out) {
  if (passesThrough(utf8)) {
    out.append(utf8);
    return;
  }
  // Character by character, so that one the page lacks becomes an escape.
  iconv_t cd = page_->handle();
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  size_t i = 0;
  while (i < utf8.size()) {
    size_t n = std::min(utf8Length(static_cast<unsigned char>(utf8[i])), utf8.size() - i);
    if (n == 1 && static_cast<unsigned char>(utf8[i]) < 0x80) {
      out += utf8[i++];
      continue;
    }
    char buf[16];
    char* src = const_cast<char*>(utf8.data() + i);
    size_t srcLeft = n;
    char* dst = buf;
    size_t dstLeft = sizeof buf;
    if (iconv(cd, &src, &srcLeft, &dst, &dstLeft) != static_cast<size_t>(-1) && srcLeft == 0) {
      out.append(buf, dst);
    } else {
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
      appendEscape(out, utf8Decode(utf8.substr(i, n)));
    }
    i += n;
  }
}

}  // namespace cadhost::dxf
