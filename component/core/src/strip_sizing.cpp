// Strip count of the split.

#include "tarvik/strip_sizing.h"

#include <cmath>

namespace tarvik {

int stripCount(double height, double textHeight, int current) {
  if (textHeight == 0 || std::isnan(textHeight)) return current < 1 ? 1 : current;
  const double r = height / textHeight;
  if (std::isnan(r)) return current < 1 ? 1 : current;
  if (r > kMaxStripRatio) return kMaxStripRatio;
  // std::nearbyint rounds halves to even under the default rounding mode.
  const double rounded = std::nearbyint(r + 1);
  if (!(rounded >= 1)) return 1;  // also catches -infinity before the narrowing
  return static_cast<int>(rounded);
}

}  // namespace tarvik
