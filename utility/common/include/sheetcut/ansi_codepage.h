#pragma once

#include <string>
#include <string_view>

// The "system ANSI code page" of the product: the byte encoding that texts take where the
// original system worked with the Windows ANSI page (cipher text bytes, MD5 input, template
// files). It is a process-wide setting, CP936 (GBK) unless changed, so that data made on a
// Chinese Windows machine reads back the same.
namespace sheetcut {

// The iconv name of the configured page ("CP936" by default).
std::string ansiCodePage();
// Sets the page by iconv name ("CP936", "CP1252", ...). Throws sheetcut::Error for a name
// iconv does not know; the old setting is kept then.
void setAnsiCodePage(const std::string& iconvName);

// UTF-8 to the ANSI page. A character the page lacks becomes "?".
std::string utf8ToAnsi(std::string_view utf8);
// ANSI page bytes to UTF-8. A byte sequence that is invalid in the page becomes "?".
std::string ansiToUtf8(std::string_view bytes);

// The same conversions for any pair of iconv encodings.
std::string convertEncoding(std::string_view in, const std::string& from, const std::string& to);

bool isValidUtf8(std::string_view bytes);

}  // namespace sheetcut
