#pragma once

// The colours of the colour index (ACI) and of true-colour values, for plotting on white paper.

#include <cstdint>

namespace cadhost::plot {

struct Rgb {
  double r = 0, g = 0, b = 0;  // 0..1
  bool operator==(const Rgb&) const = default;
};

// Colour index 1..255 as plotted on white paper: 7 (white / black) plots black; anything outside
// 1..255 plots black too.
Rgb aciColor(int index);
// A true colour of group 420 (0x00RRGGBB).
Rgb trueColor(std::int32_t value);

}  // namespace cadhost::plot
