#pragma once

// Lines of plotted text: paragraphs of runs (text_runs.h) wrapped at the reference width by the
// widths of the glyphs drawn, and the runs of a line placed one after another, a tab advancing
// to the next tab stop and a stacked text as wide as its parts.

#include <functional>
#include <string>
#include <vector>

#include "plot/text_runs.h"

namespace cadhost::plot {

struct MTextLine {
  std::vector<MTextRun> runs;  // none for an empty paragraph; placed by their advances
  TabStops tabStops;           // the paragraph's
  double height = 0;           // the tallest run's (the height in force for an empty line)
  double width = 0;            // the advance of the whole line
};

// A stacked text's parts stand at kStackScale of its height. A fraction's and a tolerance's
// upper part has its baseline at kStackUpperRise heights, its lower part at kStackLowerRise,
// and a fraction's bar lies between them at kStackBarRise. A diagonal fraction's upper part
// stands at kDiagonalRise, then a slash of the full height, then the lower part on the baseline.
inline constexpr double kStackScale = 0.6;
inline constexpr double kStackUpperRise = 0.6;
inline constexpr double kStackLowerRise = -0.2;
inline constexpr double kStackBarRise = 0.5;
inline constexpr double kDiagonalRise = 0.4;

// Tab stops where a paragraph gives none: every four text heights.
inline constexpr double kDefaultTabStep = 4.0;

// The advance of a stacked run from the advances of its upper part, its lower part and a
// slash at height 1 and width factor 1: the wider part of a fraction or tolerance, the parts
// and the slash of a diagonal fraction; at the run's height and width factor.
double stackAdvance(const MTextRun& run, double upper, double lower, double slash);

// The first tab stop past x: one of `stops` (ascending), or after them the next multiple of
// `step`.
double nextTabStop(double x, const std::vector<double>& stops, double step);

// Places the runs one after another from 0, text and stacked runs by the widths they hold,
// each tab up to the next tab stop (`defaultTab` apart where `stops` give none). Returns the
// width of the whole line.
double placeRuns(std::vector<MTextRun>& runs, const std::vector<double>& stops, double defaultTab);

// The advance of one character at a text height (at width factor 1).
using AdvanceOf = std::function<double(char32_t c, double height)>;

// Breaks the paragraphs into lines no wider than `width` (no breaking when width <= 0): after
// spaces and beside full-width characters, spaces at a break left out; a word wider than the
// width stays whole. Tabs and stacked texts break no line. A no-break space never breaks a
// line: it is measured, and the lines hold it, as a space. `height` is the text height, for
// empty paragraphs before any run and for the default tab stops. The lines' runs are placed
// by the advances.
std::vector<MTextLine> wrapMText(const std::vector<MTextParagraph>& paragraphs, double height,
                                 double width, const AdvanceOf& advance);

}  // namespace cadhost::plot
