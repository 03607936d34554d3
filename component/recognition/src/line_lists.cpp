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

// N overlaps or touches A along the line, both spans widened by b at their ends.
bool overlaps(const LineType& A, const LineType& N, Axes a, double b) {
  const double as = A.PF[a.along], ae = A.pt[a.along];
  const double ns = N.PF[a.along], ne = N.pt[a.along];
  const auto inA = [&](double v) { return v >= as - b && v <= ae + b; };
  return inA(ns) || inA(ne) || (as >= ns - b && ae <= ne + b) || (ns >= as - b && ne <= ae + b);
}

// N goes before entry e of the list.
bool goesBefore(const LineType& N, const LineType& e, bool horizontal) {
  if (horizontal) {
    return N.PF[1] > e.PF[1] || (N.PF[0] < e.PF[0] && tolTest(N.PF[1], e.PF[1]));
  }
  return N.PF[0] < e.PF[0] || (N.PF[1] < e.PF[1] && tolTest(N.PF[0], e.PF[0]));
}

void addToList(std::vector<LineType>& list, LineType N, bool horizontal, double b) {
  const Axes a = horizontal ? kHorizontal : kVertical;
  const double half = b * 0.5;
  const std::size_t count = list.size();
  for (std::size_t i = 0; i < count; ++i) {
    const double d = std::fabs(list[i].PF[a.across] - N.PF[a.across]);
    const bool aligned = horizontal ? d <= half : d < half;
    if (aligned) {
      // The aligned run from i on, averaged with N by length.
      double weighted = N.PF[a.across] * length(N, a);
      double total = length(N, a);
      std::size_t end = i;
      while (end < count && std::fabs(list[end].PF[a.across] - N.PF[a.across]) <= half) {
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
      if (overlaps(A, N, a, b)) {
        A.pt[a.along] = std::max(A.pt[a.along], N.pt[a.along]);
        A.PF[a.along] = std::min(A.PF[a.along], N.PF[a.along]);
        return;
      }
    }
    if (goesBefore(N, list[i], horizontal)) {
      list.insert(list.begin() + static_cast<std::ptrdiff_t>(i), N);
      return;
    }
  }
  list.push_back(N);
}

void joinList(std::vector<LineType>& list, Axes a, double b) {
  for (std::size_t i = 0; i + 1 < list.size(); ++i) {
    std::size_t j = i + 1;
    while (j < list.size() && tolTest(list[i].pt[a.across], list[j].pt[a.across]) &&
           std::fabs(list[j].PF[a.along] - list[i].pt[a.along]) < b * 0.5) {
      list[i].pt[a.along] = list[j].pt[a.along];
      ++j;
    }
    list.erase(list.begin() + static_cast<std::ptrdiff_t>(i + 1),
               list.begin() + static_cast<std::ptrdiff_t>(j));
  }
}

}  // namespace

void LineLists::reset() {
  h_.clear();
  v_.clear();
}

void LineLists::AddGridLine(Point3d& p, Point3d& q, double baseTol) {
  // A tolerance that is not above zero matches nothing.
  if (!(baseTol > 0)) return;
  const double dx = q[0] - p[0], dy = q[1] - p[1];
  if (5 * baseTol > std::sqrt(dx * dx + dy * dy)) return;
  const double s = std::fabs(std::sin(std::atan2(dy, dx)));
  if (s < 0.005) {
    p[1] = (p[1] + q[1]) / 2;
    q[1] = p[1];
    addToList(h_, p[0] > q[0] ? LineType{q, p} : LineType{p, q}, true, baseTol);
  } else if (s > 0.993) {
    p[0] = (p[0] + q[0]) / 2;
    q[0] = p[0];
    addToList(v_, p[1] < q[1] ? LineType{p, q} : LineType{q, p}, false, baseTol);
  }
}

void LineLists::JoinLine(double baseTol) {
  joinList(h_, kHorizontal, baseTol);
  joinList(v_, kVertical, baseTol);
}

}  // namespace tarvik
