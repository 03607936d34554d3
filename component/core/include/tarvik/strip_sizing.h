#pragma once

// How many horizontal strips the split cuts a drawing into.

namespace tarvik {

// The most strips a drawing is cut into (before the rounding quirk below).
inline constexpr int kMaxStripRatio = 500;

// The strip count for a drawing `height` units high whose mean text height is `textHeight`:
// `current` when textHeight is 0; else with r = height / textHeight, 500 when r is above 500,
// otherwise r + 1 rounded half to even (so 501 for 499.5 < r <= 500). Never below 1, and never
// undefined for odd input (negative, infinite or not-a-number ratios).
int stripCount(double height, double textHeight, int current);

}  // namespace tarvik
