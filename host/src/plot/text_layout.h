#pragma once

// Lines of plotted text laid out with Pango: every character is drawn with a font that has it
// (fontconfig's fallback when the style's family lacks it), and every font is scaled as CAD
// scales text: the capitals of a Latin (Cyrillic, Greek ...) font, and the ideographic box of
// full-width characters, stand exactly one text height tall on the baseline.

#include <pango/pango.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "plot/canvas.h"

namespace cadhost::plot {

// One line of text in units of the text height: x along the baseline at width factor 1, y up,
// the baseline at y = 0, the line starting at x = 0.
class TextLayout {
 public:
  // Glyphs of one font, as Pango shaped them (cairo user units of the font at its loaded size,
  // y down), placed on the line.
  struct Group {
    std::string text;  // the characters the item's offsets refer to
    PangoGlyphItem glyphs{};
    double x = 0;      // where the group starts on the line
    double scale = 0;  // text heights per font user unit
    double rise = 0;   // the group's baseline above the line's
  };

  TextLayout() = default;
  TextLayout(const TextLayout&) = delete;
  TextLayout& operator=(const TextLayout&) = delete;
  ~TextLayout();

  std::vector<Group> groups;
  double width = 0;      // the advance of the whole line
  bool complete = true;  // every character found a font with a glyph for it
};

// The layout of one line of plain UTF-8 text in `family`, shared with later calls for the same
// text (control characters are left out). Never null.
std::shared_ptr<const TextLayout> layOutText(const std::string& utf8, const std::string& family);

// The advance of one character in `family`, in text heights at width factor 1.
double characterAdvance(char32_t c, const std::string& family);

// Maps a group's glyph space (cairo user units, y down) onto the paper (millimetres, y up):
// paper = (xx * u + xy * v + x0, yx * u + yy * v + y0).
struct Affine {
  double xx = 1, yx = 0, xy = 0, yy = 1, x0 = 0, y0 = 0;
};
Affine glyphsToPaper(const TextRun& run, const TextLayout::Group& group);

// The largest em a plotted font may have on paper. The font engine refuses glyphs a few
// thousand device units large, and a refused glyph would cost the whole plot; no sheet shows
// a letter a metre tall.
inline constexpr double kMaxEmOnPaper = 1000.0;  // millimetres

// Whether the run can be drawn: it is finite, and no font of it is larger than kMaxEmOnPaper
// along the baseline or across it. A run that cannot is left out of the plot, as a character
// without a font is left out of its layout.
bool drawable(const TextRun& run);

// Pango's fonts are shared by every plot: text is laid out and drawn with this lock held.
std::mutex& fontLock();

}  // namespace cadhost::plot
