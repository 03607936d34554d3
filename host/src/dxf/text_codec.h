#pragma once

// Text encodings of DXF files: the $DWGCODEPAGE names, conversion of value texts between the
// file's bytes and UTF-8, and the \U+XXXX and \M+nXXXX escapes.

#include <iconv.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "model/tags.h"
#include "model/utf8.h"

namespace cadhost::dxf {

// The iconv name of a $DWGCODEPAGE value ("ANSI_936" -> "CP936"), matched without regard to
// case. An unknown name gives "CP1252", the page of drawings that name none.
std::string iconvNameForCodepage(std::string_view codepage);
// The $DWGCODEPAGE value for an iconv name ("GBK", "CP936" -> "ANSI_936"), or "" when the
// name has no DXF code page.
std::string codepageForIconvName(std::string_view iconvName);

// True from AC1021 (R2007) on, where DXF text is UTF-8.
bool versionUsesUtf8(std::string_view acadver);

// Decodes \U+XXXX (either case) and \M+nXXXX escapes of a UTF-8 text. Other backslash
// sequences (MTEXT format codes) are kept.
std::string decodeEscapes(std::string_view utf8);
// Decodes the one escape that starts at s[i] into `out` and returns its length; 0 (and `out`
// unchanged) when no escape that decodeEscapes decodes starts there.
size_t decodeEscapeAt(std::string_view s, size_t i, std::string& out);

// Joins the values of a text's chunks, each decoded on its own as it was read. An escape that
// a chunk boundary cut in two was left as it stood by the decoding of each chunk; it is
// decoded here across the boundary, so the text reads as if the chunks had been joined before
// decoding. The chunks themselves stay as they were read (and are written back so).
std::string joinDecodedChunks(const std::vector<std::string_view>& chunks);

// The contents of an MTEXT from its tags: its 3-chunks, then its 1, joined as above.
std::string mtextContents(const model::Tags& tags);

// True when the text holds a line break or NUL, which a DXF value cannot carry.
bool hasBreakingControl(std::string_view text);
// The text with line breaks and NUL written as \U+XXXX escapes (which read back as text).
std::string escapeBreakingControls(std::string_view text);

using model::appendUtf8;

// One iconv conversion, opened once and reused.
class Iconv {
 public:
  Iconv(const std::string& to, const std::string& from);
  ~Iconv();
  Iconv(const Iconv&) = delete;
  Iconv& operator=(const Iconv&) = delete;
  iconv_t handle() const { return cd_; }

 private:
  iconv_t cd_;
};

// Value texts of one file to UTF-8: the file's code page (or UTF-8), then the escapes.
class TextDecoder {
 public:
  // `iconvName` empty: the bytes are UTF-8 already.
  explicit TextDecoder(const std::string& iconvName = "");

  // True when `bytes` would come back changed; plain ASCII without backslashes never does.
  static bool needsWork(std::string_view bytes);
  // Converts; a byte sequence the page does not define becomes "?".
  std::string decode(std::string_view bytes);

 private:
  std::unique_ptr<Iconv> page_;
};

// UTF-8 texts to the bytes of a file's code page; a character the page lacks is written as
// \U+XXXX. An empty iconv name writes UTF-8 unchanged.
class TextEncoder {
 public:
  explicit TextEncoder(const std::string& iconvName = "");

  bool passesThrough(std::string_view utf8) const;
  void encode(std::string_view utf8, std::string& out);

 private:
  std::unique_ptr<Iconv> page_;
};

}  // namespace cadhost::dxf
