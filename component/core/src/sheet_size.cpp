// Paper-size class of an extent.

#include "tarvik/sheet_size.h"

#include <sheetcut/error.h>

#include <cmath>
#include <cstdint>
#include <limits>

namespace tarvik {

namespace {

std::int32_t roundToInt32(double v) {
  const double r = std::nearbyint(v);  // halves to even
  if (!(r >= std::numeric_limits<std::int32_t>::min() &&
        r <= std::numeric_limits<std::int32_t>::max())) {
    throw sheetcut::Error(sheetcut::errnum::kOverflow,
                          "The drawing size " + std::to_string(v) + " is out of range",
                          "CAD.GetDWGSize");
  }
  return static_cast<std::int32_t>(r);
}

bool near(std::int32_t v, int target) {
  return std::abs(static_cast<std::int64_t>(v) - target) < 50;
}

}  // namespace

QString paperSizeName(double width, double height, double scale) {
  if (scale == 0) return {};
  const std::int32_t h = roundToInt32(std::fabs(height) / scale);
  const std::int32_t w = roundToInt32(std::fabs(width) / scale);
  if (near(h, 297)) return near(w, 210) ? QStringLiteral("A4") : QStringLiteral("A3");
  if (near(h, 420)) return QStringLiteral("A2");
  if (near(h, 594)) return QStringLiteral("A1");
  if (near(h, 841)) return QStringLiteral("A0");
  return QStringLiteral("A3");
}

}  // namespace tarvik
