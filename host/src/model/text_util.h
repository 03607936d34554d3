#pragma once

// Small text helpers of the object model: names compare without regard to (ASCII) case.

#include <string>
#include <string_view>

namespace cadhost::detail {

std::string toUpper(std::string_view s);
bool equalsNoCase(std::string_view a, std::string_view b);
// The file name of a path without its folder, and without its extension.
std::string fileNameOf(std::string_view path);
std::string baseNameOf(std::string_view path);

}  // namespace cadhost::detail
