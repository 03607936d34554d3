#include "tarvik/recognition/line_lists.h"

#include <algorithm>
#include <cmath>

#include "tarvik/rect_tests.h"

namespace tarvik {

namespace {

// Coordinate indices across and along a list: horizontal lines have Y across and X along.
struct Axes {
  int across;
  int along;
};
constexpr Axes kHorizontal{1, 0};
constexpr Axes kVertical{0, 1};

double length(const LineType& l, Axes a) {
  return l.pt[a.along] - l.PF[a.along];
}

void setAcross(LineType& l, Axes a, double value) {
  l.PF[a.across] = value;
  l.pt[a.across] = value;
}

// N overlaps or touches A along the line, both spans widened by b at their ends (and by the
// noise allowance eps, so that touching stays touching whatever the rounding).
bool overlaps(const LineType& A, const LineType& N, Axes a, double b, double eps) {
  const double as = A.PF[a.along], ae = A.pt[a.along];
  const double ns = N.PF[a.along], ne = N.pt[a.along];
  const double w = b + eps;
  const auto inA = [&](double v) { return v >= as - w && v <= ae + w; };
  return inA(ns) || inA(ne) || (as >= ns - w && ae <= ne + w) || (ns >= as - w && ne <= ae + w);
}

// N goes before entry e of the list: it lies clearly higher (horizontal) or clearly further left
// (vertical), or on the same line within 0.1 and clearly before it along the line.
bool goesBefore(const LineType& N, const LineType& e, bool horizontal, double eps) {
  if (horizontal) {
    return N.PF[1] > e.PF[1] + eps || (N.PF[0] < e.PF[0] - eps && tolTest(N.PF[1], e.PF[1]));
  }
  return N.PF[0] < e.PF[0] - eps || (N.PF[1] < e.PF[1] - eps && tolTest(N.PF[0], e.PF[0]));
}

// Files N, whose rounding noise is nNoise, into the list; N is compared with each entry within
// the larger of their two noises.
void addToList(std::vector<LineType>& list, std::vector<double>& noise, LineType N, double nNoise,
               bool horizontal, double b) {
  const Axes a = horizontal ? kHorizontal : kVertical;
  const double half = b * 0.5;
  const std::size_t count = list.size();
  const auto epsWith = [&](std::size_t k) { return std::max(nNoise, noise[k]); };
  for (std::size_t i = 0; i < count; ++i) {
    const double eps = epsWith(i);
    const double d = std::fabs(list[i].PF[a.across] - N.PF[a.across]);
    // Horizontal pieces align up to b/2 inclusive, vertical ones only below it.
    const bool aligned = horizontal ? d <= half + eps : d < half - eps;
    if (aligned) {
      // The aligned run from i on, averaged with N by length.
      double weighted = N.PF[a.across] * length(N, a);
      double total = length(N, a);
      std::size_t end = i;
      while (end < count &&
             std::fabs(list[end].PF[a.across] - N.PF[a.across]) <= half + epsWith(end)) {
        weighted += list[end].PF[a.across] * length(list[end], a);
        total += length(list[end], a);
        ++end;
      }
      if (total > 0) {
        const double mean = weighted / total;
        for (std::size_t k = i; k < end; ++k) setAcross(list[k], a, mean);
        setAcross(N, a, mean);
      }
      LineType& A = list[i];
      if (overlaps(A, N, a, b, eps)) {
        A.pt[a.along] = std::max(A.pt[a.along], N.pt[a.along]);
        A.PF[a.along] = std::min(A.PF[a.along], N.PF[a.along]);
        noise[i] = eps;
        return;
      }
    }
    if (goesBefore(N, list[i], horizontal, eps)) {
      list.insert(list.begin() + static_cast<std::ptrdiff_t>(i), N);
      noise.insert(noise.begin() + static_cast<std::ptrdiff_t>(i), nNoise);
      return;
    }
  }
  list.push_back(N);
  noise.push_back(nNoise);
}

void joinList(std::vector<LineType>& list, std::vector<double>& noise, Axes a, double b) {
  for (std::size_t i = 0; i + 1 < list.size(); ++i) {
    std::size_t j = i + 1;
    while (j < list.size() && tolTest(list[i].pt[a.across], list[j].pt[a.across]) &&
           std::fabs(list[j].PF[a.along] - list[i].pt[a.along]) <
               b * 0.5 - std::max(noise[i], noise[j])) {
      list[i].pt[a.along] = list[j].pt[a.along];
      noise[i] = std::max(noise[i], noise[j]);
      ++j;
    }
    const auto from = static_cast<std::ptrdiff_t>(i + 1), to = static_cast<std::ptrdiff_t>(j);
    list.erase(list.begin() + from, list.begin() + to);
    noise.erase(noise.begin() + from, noise.begin() + to);
  }
}

}  // namespace

void LineLists::reset() {
  h_.clear();
  v_.clear();
  hNoise_.clear();
  vNoise_.clear();
  pendingMagnitude_ = 0;
}

void LineLists::noteMagnitude(double coordinate) {
  // A NaN or a smaller magnitude leaves it as it is.
  if (std::fabs(coordinate) > pendingMagnitude_) pendingMagnitude_ = std::fabs(coordinate);
}

void LineLists::AddGridLine(Point3d& p, Point3d& q, double baseTol) {
  for (const double c : {p[0], p[1], q[0], q[1]}) noteMagnitude(c);
  const double noise = kRelativeNoise * std::max(1.0, pendingMagnitude_);
  pendingMagnitude_ = 0;  // what was noted belongs to this piece only
  // A tolerance that is not above zero matches nothing.
  if (!(baseTol > 0)) return;
  const double dx = q[0] - p[0], dy = q[1] - p[1];
  // A piece 5b long less rounding is 5b long.
  if (std::sqrt(dx * dx + dy * dy) < 5 * baseTol - noise) return;
  const double s = std::fabs(std::sin(std::atan2(dy, dx)));
  if (s < 0.005) {
    p[1] = (p[1] + q[1]) / 2;
    q[1] = p[1];
    addToList(h_, hNoise_, p[0] > q[0] ? LineType{q, p} : LineType{p, q}, noise, true, baseTol);
  } else if (s > 0.993) {
    p[0] = (p[0] + q[0]) / 2;
    q[0] = p[0];
    addToList(v_, vNoise_, p[1] < q[1] ? LineType{p, q} : LineType{q, p}, noise, false, baseTol);
  }
}

void LineLists::JoinLine(double baseTol) {
  joinList(h_, hNoise_, kHorizontal, baseTol);
  joinList(v_, vNoise_, kVertical, baseTol);
}

}  // namespace tarvik
