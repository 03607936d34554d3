#pragma once

// The rules of a window plot that need no host: the plot scale, the style-table slots, the
// paper fit and the suggested paper name.

#include <cadhost/document.h>

#include <QString>
#include <optional>
#include <utility>

namespace tarvik {

// What a plot-scale setting asks for.
struct PlotScale {
  enum Kind {
    Zoom,      // "zoom": scale to fit, windows measured at 1
    Number,    // a number above 0: one paper millimetre shows `scale` drawing units
    AutoOnce,  // "auto" and a number: that scale, for one plot ("auto" goes back after it)
    AutoNone,  // "auto" with no number (or 0) yet: nothing is plotted
    Bad        // anything else, 0 or less: refused
  } kind = Bad;
  double scale = 0;
};
PlotScale parsePlotScale(const QString& value);

// The two style-table slots of a "样式" value: (colour-dependent table, named table).
std::pair<QString, QString> styleTableSlots(const QString& value);

// A sheet of pw x ph millimetres takes a window of w x h with at least 30 mm to spare each way.
bool paperFits(double pw, double ph, double w, double h);

// An output folder that means the device: empty or only separators ("/", "\\").
bool plotsToDevice(const QString& folder);

// The suggested paper for a window of a x b millimetres: each side plus 20 mm of margin,
// rounded up to ten unless that sum ends in 1 ("320×440mm" for 297 and 420). nullopt when a side
// is beyond the 16-bit range the rule works in (32740 or more).
std::optional<QString> PaperSizeName(int a, int b);

// Sets model space's layout to the plotter configuration and medium; "H" when the medium is
// wider than high, else "Z". Host failures on the way are skipped.
QString SetLayoutPaper(cadhost::Document& doc, const QString& driver, const QString& paper);

// The PDF plotter configuration's name, which changes the plot flow.
inline const QString kPdfPlotterName = QStringLiteral("CorvantisPDF Plus.pc3");

}  // namespace tarvik
