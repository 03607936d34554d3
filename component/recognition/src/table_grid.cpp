#include "tarvik/recognition/table_grid.h"

#include <vector>

#include "tarvik/rect_tests.h"

namespace tarvik {

namespace {

class GridWalk {
 public:
  GridWalk(const LineLists& lines, double b, bool headerMode, const TableGridSink& sink)
      : h_(lines.HLines()),
        v_(lines.VLines()),
        lines_(lines),
        b_(b),
        eps_(lines.noise()),
        header_(headerMode),
        sink_(sink) {}

  void run() {
    const long hn = static_cast<long>(h_.size()), vn = static_cast<long>(v_.size());
    std::vector<long> L(static_cast<std::size_t>(vn), -1), R(static_cast<std::size_t>(vn), -1);
    // The least side of a cell, less rounding: a side meant to be 5b long is long enough.
    const double b5 = 5 * b_ - eps_;
    // Strictly more than 5b: more than 5b by more than rounding.
    const double over5 = 5 * b_ + eps_;
    for (long i = 0; i < hn; ++i) {
      long prev = -1;
      for (long j = 0; j < vn; ++j) {
        if (!crosses(i, j)) continue;
        long& Lj = L[static_cast<std::size_t>(j)];
        if (prev == -1) {
          if (X(j) - left(i) >= b5) {
            if (Lj == -1) {
              if (top(j) - Y(i) >= b5) close(-1, -1, i, j);
            } else if (tolTest(left(Lj), left(i))) {
              close(Lj, -1, i, j);
            }
          }
        } else if (Lj == -1) {
          if (top(j) - Y(i) >= b5) {
            const bool found = searchUp(
                i, prev,
                [&](long k) {
                  return left(k) - 2 * b_ < X(prev) - eps_ && right(k) - X(prev) >= b5;
                },
                prev, j);
            if (!found && top(prev) - Y(i) >= b5) close(-1, prev, i, j);
          }
        } else {
          close(Lj, prev, i, j);
        }
        if (top(j) >= Y(i) + b5) prev = j;
        if (X(j) >= left(i) + b5) Lj = i;
        if (X(j) <= right(i) - b5) R[static_cast<std::size_t>(j)] = i;
      }
      if (prev != -1) {
        if (right(i) - X(prev) >= b5) {
          const bool found = searchUp(
              i, prev, [&](long k) { return right(k) - X(prev) >= b5; }, prev, -1);
          if (!found && top(prev) - Y(i) > over5) close(-1, prev, i, -1);
        }
      } else if (header_ && sink_.loneLine) {
        sink_.loneLine(h_[static_cast<std::size_t>(i)]);
      }
    }
    for (long j = 0; j < vn; ++j) {
      const long Lj = L[static_cast<std::size_t>(j)];
      if (Lj != -1 && Y(Lj) - bottom(j) > over5) {
        bool found = false;
        for (long k = j - 1; k >= 0; --k) {
          if (X(k) < left(Lj) - eps_) break;
          if (Y(Lj) - bottom(k) > over5) {
            close(Lj, k, -1, j);
            found = true;
            break;
          }
        }
        if (!found && X(j) - left(Lj) > over5) close(Lj, -1, -1, j);
      }
      const long Rj = R[static_cast<std::size_t>(j)];
      if (Rj != -1 && Y(Rj) - bottom(j) > over5) {
        bool found = false;
        for (long k = j + 1; k < vn; ++k) {
          if (X(k) > right(Rj) + eps_) break;
          if (Y(Rj) - bottom(k) > over5) {
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

  bool crosses(long i, long j) const {
    const double b2 = 2 * b_ + eps_;
    return bottom(j) - b2 <= Y(i) && Y(i) <= top(j) + b2 && left(i) - b2 <= X(j) &&
           X(j) <= right(i) + b2;
  }

  // Looks upward from line i, while the lines stay below the top of the vertical line prev, for
  // the first line that qualifies, and closes (k, left, i, right) there.
  template <class Qualifies>
  bool searchUp(long i, long prev, Qualifies qualifies, long left, long right) {
    for (long k = i - 1; k >= 0; --k) {
      if (Y(k) > top(prev) + eps_) return false;
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
    if (c.right - c.left < 5 * b_ - eps_ || c.top - c.bottom < 5 * b_ - eps_) return;
    if (sink_.cell) sink_.cell(c);
  }

  const std::vector<LineType>& h_;
  const std::vector<LineType>& v_;
  const LineLists& lines_;
  double b_;
  double eps_;  // the rounding noise of the lines' coordinates
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
  return c;
}

void buildTableGrid(const LineLists& lines, double baseTol, bool headerMode,
                    const TableGridSink& sink) {
  GridWalk(lines, baseTol, headerMode, sink).run();
}

}  // namespace tarvik
