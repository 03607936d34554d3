#pragma once

// Where a block layout lies in a drawing, from its first and third reference texts and two
// drawing texts that match them.

#include <cmath>
#include <optional>

#include "tarvik/records.h"

namespace tarvik {

struct LayoutPlacement {
  double scale = 1;
  double X0 = 0;  // where the layout's origin lies in the drawing
  double Y0 = 0;
};

// The direction of the line from the third to the first reference text, as dx / dy; none
// when the two lie at one height.
inline std::optional<double> layoutDirection(const TextType& first, const TextType& third) {
  const double dy = first.Y - third.Y;
  if (dy == 0) return std::nullopt;
  return (first.XL - third.XL) / dy;
}

// The scale and origin that map the reference texts `ref1`, `ref3` onto the drawing texts
// `a`, `b` (the two must lie at different heights).
inline LayoutPlacement placeLayout(const TextType& ref1, const TextType& ref3, const TextType& a,
                                   const TextType& b) {
  LayoutPlacement p;
  p.scale = (a.Y - b.Y) / (ref1.Y - ref3.Y);
  p.X0 = (a.XL - p.scale * ref1.XL + b.XL - p.scale * ref3.XL) / 2;
  p.Y0 = (a.Y - p.scale * ref1.Y + b.Y - p.scale * ref3.Y) / 2;
  return p;
}

}  // namespace tarvik
