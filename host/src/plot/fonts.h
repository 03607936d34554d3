#pragma once

// Fonts of plotted text. A text style names a font file (a shape font such as "txt.shx", a big
// font such as "gbcbig.shx", a TrueType name such as "宋体" or "simsun.ttf"); the substitution
// table maps it to an installed family that fontconfig finds, with CJK glyphs (Noto CJK).

#include <cairo.h>

#include <string>
#include <string_view>
#include <vector>

namespace cadhost::plot {

inline constexpr const char* kSansFamily = "Noto Sans CJK SC";
inline constexpr const char* kSerifFamily = "Noto Serif CJK SC";

// The family for a style's font file and big font (either may be "").
std::string substituteFamily(std::string_view fontFile, std::string_view bigFont);

// The font face of a family (kept for the life of the process).
cairo_font_face_t* fontFace(const std::string& family);
// Sets `cr`'s font to `family` at 100 units an em, with unhinted metrics.
void selectFont(cairo_t* cr, const std::string& family);
// The advance of `utf8` at one em.
double advanceAtOneEm(const std::string& utf8, const std::string& family);

// The glyphs of `utf8` laid out in `family` at 100 units an em (y down, from 0, 0), with the
// clusters that tie them to the text and the run's advance.
struct GlyphRun {
  std::vector<cairo_glyph_t> glyphs;
  std::vector<cairo_text_cluster_t> clusters;
  cairo_text_cluster_flags_t clusterFlags = cairo_text_cluster_flags_t(0);
  double advance = 0;
};
GlyphRun layoutGlyphs(const std::string& utf8, const std::string& family);

}  // namespace cadhost::plot
