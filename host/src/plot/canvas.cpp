// What every canvas can do from its primitives.

#include <algorithm>
#include <cmath>

#include "plot/canvas.h"

namespace cadhost::plot {

void Canvas::arc(P2 centre, double radius, double a0, double a1, const Pen& pen) {
  constexpr double kTolerance = 0.02;  // millimetres
  int n = 1;
  if (radius > kTolerance)
    n = static_cast<int>(std::ceil(std::fabs(a1 - a0) / (2 * std::acos(1 - kTolerance / radius))));
  n = std::clamp(n, 1, 1440);
  std::vector<P2> points;
  points.reserve(static_cast<std::size_t>(n) + 1);
  for (int i = 0; i <= n; ++i) {
    const double a = a0 + (a1 - a0) * i / n;
    points.push_back({centre.x + radius * std::cos(a), centre.y + radius * std::sin(a)});
  }
  polyline(points, false, pen);
}

}  // namespace cadhost::plot
