#pragma once

// Fonts of plotted text. A text style names a font file (a shape font such as "txt.shx", a big
// font such as "gbcbig.shx", a TrueType name such as "宋体" or "simsun.ttf"); the substitution
// table maps it to an installed family that fontconfig finds, with CJK glyphs (Noto CJK).

#include <string>
#include <string_view>

namespace cadhost::plot {

inline constexpr const char* kSansFamily = "Noto Sans CJK SC";
inline constexpr const char* kSerifFamily = "Noto Serif CJK SC";

// The family for a style's font file and big font (either may be "").
std::string substituteFamily(std::string_view fontFile, std::string_view bigFont);

}  // namespace cadhost::plot
