#include "tarvik/recognition/table_grid.h"

#include <algorithm>
#include <vector>

#include "tarvik/rect_tests.h"

namespace tarvik {

namespace {

// Every comparison of a horizontal line h with a vertical line v allows the larger of their
// rounding noises, e(h, v).
class GridWalk {
 public:
  GridWalk(const LineLists& lines, double b, bool headerMode, const TableGridSink& sink)
      : h_(lines.HLines()),
        v_(lines.VLines()),
        hNoise_(lines.HNoise()),
        vNoise_(lines.VNoise()),
        lines_(lines),
        b_(b),
        header_(headerMode),
        sink_(sink) {}

  void run() {
    const long hn = static_cast<long>(h_.size()), vn = static_cast<long>(v_.size());
    std::vector<long> L(static_cast<std::size_t>(vn), -1), R(static_cast<std::size_t>(vn), -1);
    for (long i = 0; i < hn; ++i) {
      long prev = -1;
      for (long j = 0; j < vn; ++j) {
        if (!crosses(i, j)) continue;
        long& Lj = L[static_cast<std::size_t>(j)];
        if (prev == -1) {
          if (atLeast5b(X(j) - left(i), i, j)) {
            if (Lj == -1) {
              if (atLeast5b(top(j) - Y(i), i, j)) close(-1, -1, i, j);
            } else if (tolTest(left(Lj), left(i))) {
              close(Lj, -1, i, j);
            }
          }
        } else if (Lj == -1) {
          if (atLeast5b(top(j) - Y(i), i, j)) {
            const bool found = searchUp(
                i, prev,
                [&](long k) {
                  return left(k) - 2 * b_ < X(prev) - e(k, prev) &&
                         atLeast5b(right(k) - X(prev), k, prev);
                },
                prev, j);
            if (!found && atLeast5b(top(prev) - Y(i), i, prev)) close(-1, prev, i, j);
          }
        } else {
          close(Lj, prev, i, j);
        }
        if (atLeast5b(top(j) - Y(i), i, j)) prev = j;
        if (atLeast5b(X(j) - left(i), i, j)) Lj = i;
        if (atLeast5b(right(i) - X(j), i, j)) R[static_cast<std::size_t>(j)] = i;
      }
      if (prev != -1) {
        if (atLeast5b(right(i) - X(prev), i, prev)) {
          const bool found = searchUp(
              i, prev, [&](long k) { return atLeast5b(right(k) - X(prev), k, prev); }, prev, -1);
          if (!found && over5b(top(prev) - Y(i), i, prev)) close(-1, prev, i, -1);
        }
      } else if (header_ && sink_.loneLine) {
        sink_.loneLine(h_[static_cast<std::size_t>(i)]);
      }
    }
    for (long j = 0; j < vn; ++j) {
      const long Lj = L[static_cast<std::size_t>(j)];
      if (Lj != -1 && over5b(Y(Lj) - bottom(j), Lj, j)) {
        bool found = false;
        for (long k = j - 1; k >= 0; --k) {
          if (X(k) < left(Lj) - e(Lj, k)) break;
          if (over5b(Y(Lj) - bottom(k), Lj, k)) {
            close(Lj, k, -1, j);
            found = true;
            break;
          }
        }
        if (!found && over5b(X(j) - left(Lj), Lj, j)) close(Lj, -1, -1, j);
      }
      const long Rj = R[static_cast<std::size_t>(j)];
      if (Rj != -1 && over5b(Y(Rj) - bottom(j), Rj, j)) {
        bool found = false;
        for (long k = j + 1; k < vn; ++k) {
          if (X(k) > right(Rj) + e(Rj, k)) break;
          if (over5b(Y(Rj) - bottom(k), Rj, k)) {
            found = true;  // that cell is closed from k
            break;
          }
        }
        if (!found) close(Rj, j, -1, -1);
      }
    }
  }

 private:
  double Y(long h) const { return h_[static_cast<std::size_t>(h)].PF[1]; }
  double left(long h) const { return h_[static_cast<std::size_t>(h)].PF[0]; }
  double right(long h) const { return h_[static_cast<std::size_t>(h)].pt[0]; }
  double X(long v) const { return v_[static_cast<std::size_t>(v)].PF[0]; }
  double bottom(long v) const { return v_[static_cast<std::size_t>(v)].PF[1]; }
  double top(long v) const { return v_[static_cast<std::size_t>(v)].pt[1]; }

  double e(long h, long v) const {
    return std::max(hNoise_[static_cast<std::size_t>(h)], vNoise_[static_cast<std::size_t>(v)]);
  }
  // A length between lines h and v is 5b at least, less rounding ...
  bool atLeast5b(double length, long h, long v) const { return length >= 5 * b_ - e(h, v); }
  // ... or more than 5b by more than rounding.
  bool over5b(double length, long h, long v) const { return length > 5 * b_ + e(h, v); }

  bool crosses(long i, long j) const {
    const double b2 = 2 * b_ + e(i, j);
    return bottom(j) - b2 <= Y(i) && Y(i) <= top(j) + b2 && left(i) - b2 <= X(j) &&
           X(j) <= right(i) + b2;
  }

  // Looks upward from line i, while the lines stay below the top of the vertical line prev, for
  // the first line that qualifies, and closes (k, left, i, right) there.
  template <class Qualifies>
  bool searchUp(long i, long prev, Qualifies qualifies, long left, long right) {
    for (long k = i - 1; k >= 0; --k) {
      if (Y(k) > top(prev) + e(k, prev)) return false;
      if (qualifies(k)) {
        close(k, left, i, right);
        return true;
      }
    }
    return false;
  }

  void close(long top, long left, long bottom, long right) {
    const GridCell c = cellCorners(lines_, top, left, bottom, right);
    // Every side of a cell is at least 5b long. A narrower one lies between two copies of one
    // ruling line that the lists keep apart (a line drawn over a longer one that had already
    // merged with another piece); listed first, such a sliver would keep the real cell out.
    if (c.right - c.left < 5 * b_ - c.noise || c.top - c.bottom < 5 * b_ - c.noise) return;
    if (sink_.cell) sink_.cell(c);
  }

  const std::vector<LineType>& h_;
  const std::vector<LineType>& v_;
  const std::vector<double>& hNoise_;
  const std::vector<double>& vNoise_;
  const LineLists& lines_;
  double b_;
  bool header_;
  const TableGridSink& sink_;
};

}  // namespace

GridCell cellCorners(const LineLists& lines, long top, long left, long bottom, long right) {
  const auto& h = lines.HLines();
  const auto& v = lines.VLines();
  const auto H = [&](long i) -> const LineType& { return h[static_cast<std::size_t>(i)]; };
  const auto V = [&](long i) -> const LineType& { return v[static_cast<std::size_t>(i)]; };
  GridCell c;
  c.left = left != -1 ? V(left).PF[0] : (top != -1 ? H(top).PF[0] : H(bottom).PF[0]);
  c.top = top != -1 ? H(top).PF[1] : (left != -1 ? V(left).pt[1] : V(right).pt[1]);
  c.right = right != -1 ? V(right).PF[0] : (bottom != -1 ? H(bottom).pt[0] : H(top).pt[0]);
  c.bottom = bottom != -1 ? H(bottom).PF[1] : (right != -1 ? V(right).PF[1] : V(left).PF[1]);
  for (const long i : {top, bottom}) {
    if (i != -1) c.noise = std::max(c.noise, lines.HNoise()[static_cast<std::size_t>(i)]);
  }
  for (const long i : {left, right}) {
    if (i != -1) c.noise = std::max(c.noise, lines.VNoise()[static_cast<std::size_t>(i)]);
  }
  return c;
}

void buildTableGrid(const LineLists& lines, double baseTol, bool headerMode,
                    const TableGridSink& sink) {
  GridWalk(lines, baseTol, headerMode, sink).run();
}

}  // namespace tarvik
