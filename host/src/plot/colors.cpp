#include "plot/colors.h"

#include <array>
#include <cmath>

namespace cadhost::plot {

namespace {

// Hue in degrees, saturation and value in 0..1.
Rgb fromHsv(double h, double s, double v) {
  const double c = v * s;
  const double hp = std::fmod(h, 360.0) / 60.0;
  const double x = c * (1 - std::fabs(std::fmod(hp, 2.0) - 1));
  double r = 0, g = 0, b = 0;
  if (hp < 1) {
    r = c, g = x;
  } else if (hp < 2) {
    r = x, g = c;
  } else if (hp < 3) {
    g = c, b = x;
  } else if (hp < 4) {
    g = x, b = c;
  } else if (hp < 5) {
    r = x, b = c;
  } else {
    r = c, b = x;
  }
  const double m = v - c;
  return {r + m, g + m, b + m};
}

}  // namespace

Rgb aciColor(int index) {
  static const std::array<Rgb, 10> standard{{{0, 0, 0},
                                             {1, 0, 0},
                                             {1, 1, 0},
                                             {0, 1, 0},
                                             {0, 1, 1},
                                             {0, 0, 1},
                                             {1, 0, 1},
                                             {0, 0, 0},  // white on screen, black on paper
                                             {0.5, 0.5, 0.5},
                                             {0.75, 0.75, 0.75}}};
  if (index < 1 || index > 255) return {0, 0, 0};
  if (index < 10) return standard[static_cast<std::size_t>(index)];
  if (index >= 250) {
    const double grey = 0.2 + 0.16 * (index - 250);
    return {grey, grey, grey};
  }
  // 24 hues of 15 degrees; in each group of ten, five values, full and half saturation.
  const int group = (index - 10) / 10, step = (index - 10) % 10;
  static const std::array<double, 5> values{1.0, 0.8, 0.6, 0.5, 0.3};
  return fromHsv(group * 15.0, step % 2 == 0 ? 1.0 : 0.5,
                 values[static_cast<std::size_t>(step / 2)]);
}

Rgb trueColor(std::int32_t value) {
  return {((value >> 16) & 0xff) / 255.0, ((value >> 8) & 0xff) / 255.0, (value & 0xff) / 255.0};
}

}  // namespace cadhost::plot
