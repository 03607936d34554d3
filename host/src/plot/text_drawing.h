#pragma once

// Lines of runs (text_runs.h) laid out in a font and drawn on a canvas: each text in its
// glyphs, a stacked text as its two parts (a fraction with its bar), and a line under or over
// each underlined or overlined run, all in the pen's colour.

#include <memory>
#include <string>
#include <vector>

#include "plot/canvas.h"
#include "plot/mtext_lines.h"
#include "plot/text_layout.h"

namespace cadhost::plot {

// Where a line lies on the paper: the start of its baseline, and the paper vectors of one unit
// of the line (the unit of its runs' heights and places) along the baseline and up.
struct LineFrame {
  P2 origin, along, up;
};

// A run with the layouts of its texts.
struct LaidOutRun {
  MTextRun run;
  std::shared_ptr<const TextLayout> text;   // a text run's, a stacked run's upper part
  std::shared_ptr<const TextLayout> lower;  // a stacked run's lower part
  std::shared_ptr<const TextLayout> slash;  // a diagonal fraction's slash
};

struct LaidOutLine {
  std::vector<LaidOutRun> runs;
  double width = 0;
};

// The runs laid out in `family` and placed one after another by the widths of their glyphs,
// tabs to the tab stops (`defaultTab` apart where `tabStops` give none).
LaidOutLine layOutLine(std::vector<MTextRun> runs, const std::vector<double>& tabStops,
                       double defaultTab, const std::string& family);

// Whether the run, at the frame's origin, can be drawn: no font of it is too large for the
// plot (see drawable() of a text run), and it lies at finite places.
bool fitsOnPaper(const MTextRun& run, const LineFrame& frame, const std::string& family);

// Draws the line in the frame with `pen` (continuous). A run that cannot be drawn is left
// out; with `whole`, the line is drawn whole or not at all.
void drawLine(const LaidOutLine& line, const LineFrame& frame, const Pen& pen, Canvas& canvas,
              bool whole);

}  // namespace cadhost::plot
