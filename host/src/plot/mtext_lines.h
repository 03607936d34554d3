#pragma once

// MTEXT contents as the plot draws them: paragraphs of runs, each run at its own height (the
// inline height codes, "\H2.5;" absolute and "\H0.7x;" relative to the height in force, each
// kept to its braces), wrapped at the reference width by the widths of the glyphs drawn.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace cadhost::plot {

struct MTextRun {
  std::string text;  // plain UTF-8, formatting codes decoded ("\~" a no-break space, U+00A0)
  double height = 0;
};

struct MTextLine {
  std::vector<MTextRun> runs;  // none for an empty paragraph
  double height = 0;           // the tallest run's (the height in force for an empty line)
};

// The paragraphs of MTEXT `contents` whose text height is `height`.
std::vector<std::vector<MTextRun>> mtextParagraphs(std::string_view contents, double height);

// The advance of one character at a text height.
using AdvanceOf = std::function<double(char32_t c, double height)>;

// Breaks the paragraphs into lines no wider than `width` (no breaking when width <= 0): after
// spaces and beside full-width characters, spaces at a break left out; a word wider than the
// width stays whole. A no-break space never breaks a line: it is measured, and the lines hold
// it, as a space. `height` is the text height, for empty paragraphs before any run.
std::vector<MTextLine> wrapMText(const std::vector<std::vector<MTextRun>>& paragraphs,
                                 double height, double width, const AdvanceOf& advance);

}  // namespace cadhost::plot
