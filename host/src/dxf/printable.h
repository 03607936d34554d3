#pragma once

// Shows bytes read from a file inside a one-line error message.

#include <cstddef>
#include <string>
#include <string_view>

namespace cadhost::dxf {

// The first `maxChars` characters of `bytes`, with control characters and bytes that are not
// valid UTF-8 written as \xNN (a backslash as \\), and "..." when the text was cut short.
std::string printableExcerpt(std::string_view bytes, std::size_t maxChars = 40);

}  // namespace cadhost::dxf
