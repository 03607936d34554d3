// Ruling-line lists and the grid rebuild over them.

#include <gtest/gtest.h>

#include <tarvik/recognition/line_lists.h>
#include <tarvik/recognition/table_grid.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <tuple>
#include <vector>

namespace tarvik {
namespace {

void add(LineLists& l, double x0, double y0, double x1, double y1, double b = 1.0) {
  Point3d p{x0, y0, 0}, q{x1, y1, 0};
  l.AddGridLine(p, q, b);
}

void expectLine(const LineType& l, double x0, double y0, double x1, double y1) {
  EXPECT_NEAR(l.PF[0], x0, 1e-9);
  EXPECT_NEAR(l.PF[1], y0, 1e-9);
  EXPECT_NEAR(l.pt[0], x1, 1e-9);
  EXPECT_NEAR(l.pt[1], y1, 1e-9);
}

TEST(LineLists, LengthDirectionAndSnapping) {
  LineLists l;
  add(l, 0, 0, 4.99, 0);
  EXPECT_EQ(l.HLineNum(), 0);
  add(l, 0, 0, 5, 0);
  EXPECT_EQ(l.HLineNum(), 1);
  // Angles: 0.2 degrees horizontal, 1 and 83 degrees slanted, 84 degrees vertical.
  for (const auto& [deg, h, v] : std::vector<std::tuple<double, int, int>>{
           {0.2, 1, 0}, {1.0, 0, 0}, {83.0, 0, 0}, {84.0, 0, 1}}) {
    LineLists a;
    const double r = deg * std::numbers::pi / 180;
    add(a, 100, 100, 100 + 50 * std::cos(r), 100 + 50 * std::sin(r));
    EXPECT_EQ(a.HLineNum(), h) << deg;
    EXPECT_EQ(a.VLineNum(), v) << deg;
  }
  // Snapped to the mean Y, oriented left to right, caller's points changed.
  LineLists s;
  Point3d p{10, 5.00, 0}, q{0, 5.04, 0};
  s.AddGridLine(p, q, 1.0);
  ASSERT_EQ(s.HLineNum(), 1);
  expectLine(s.HLines()[0], 0, 5.02, 10, 5.02);
  EXPECT_NEAR(p[1], 5.02, 1e-12);
  EXPECT_NEAR(q[1], 5.02, 1e-12);
  // A tolerance that is not above zero matches nothing.
  LineLists z;
  add(z, 0, 0, 100, 0, 0.0);
  add(z, 0, 0, 0, 100, -1.0);
  EXPECT_EQ(z.HLineNum() + z.VLineNum(), 0);
}

TEST(LineLists, MergeAlignOrderAndJoin) {
  LineLists gap;
  add(gap, 0, 0, 10, 0);
  add(gap, 10.8, 0, 20, 0);
  ASSERT_EQ(gap.HLineNum(), 1);
  expectLine(gap.HLines()[0], 0, 0, 20, 0);

  LineLists near;
  add(near, 0, 0, 10, 0);
  add(near, 0, 0.4, 10, 0.4);
  ASSERT_EQ(near.HLineNum(), 1);
  EXPECT_NEAR(near.HLines()[0].PF[1], 0.2, 1e-12);
  LineLists apart;
  add(apart, 0, 0, 10, 0);
  add(apart, 0, 0.6, 10, 0.6);
  ASSERT_EQ(apart.HLineNum(), 2);
  EXPECT_NEAR(apart.HLines()[0].PF[1], 0.6, 1e-12);
  EXPECT_NEAR(apart.HLines()[1].PF[1], 0.0, 1e-12);

  LineLists order;
  add(order, 0, 10, 100, 10);
  add(order, 0, 30, 100, 30);
  add(order, 0, 20, 100, 20);
  add(order, 50, 0, 60, 0);
  add(order, 0, 0, 10, 0);
  ASSERT_EQ(order.HLineNum(), 5);
  EXPECT_EQ(order.HLines()[0].PF[1], 30);
  EXPECT_EQ(order.HLines()[2].PF[1], 10);
  EXPECT_EQ(order.HLines()[3].PF[0], 0);
  EXPECT_EQ(order.HLines()[4].PF[0], 50);
  add(order, 30, 0, 30, 50);
  add(order, 10, 20, 10, 50);
  add(order, 10, 0, 10, 15);
  ASSERT_EQ(order.VLineNum(), 3);
  EXPECT_EQ(order.VLines()[0].PF[1], 0);
  EXPECT_EQ(order.VLines()[1].PF[1], 20);
  EXPECT_EQ(order.VLines()[2].PF[0], 30);

  // One merge per call; JoinLine then closes the gap of 0.2 but not one of 0.6.
  for (const auto& [end, joined] :
       std::vector<std::pair<double, bool>>{{19.8, true}, {19.4, false}}) {
    LineLists l;
    add(l, 0, 0, 10, 0);
    add(l, 20, 0, 30, 0);
    add(l, 10.2, 0, end, 0);
    ASSERT_EQ(l.HLineNum(), 2);
    expectLine(l.HLines()[0], 0, 0, end, 0);
    l.JoinLine(1.0);
    ASSERT_EQ(l.HLineNum(), joined ? 1 : 2) << end;
    if (joined) expectLine(l.HLines()[0], 0, 0, 30, 0);
  }
  // A chain of three joins into one; empty lists stay empty.
  LineLists chain;
  chain.JoinLine(1.0);
  add(chain, 0, 0, 0, 10);
  add(chain, 0, 20, 0, 30);
  add(chain, 0, 10.2, 0, 19.8);  // merges into the first: (0..19.8)
  chain.JoinLine(1.0);
  ASSERT_EQ(chain.VLineNum(), 1);
  expectLine(chain.VLines()[0], 0, 0, 0, 30);
}

struct Rect {
  double l, t, r, b;
};

std::vector<Rect> grid(const LineLists& lines, bool header = false,
                       std::vector<LineType>* lone = nullptr) {
  std::vector<Rect> out;
  TableGridSink sink;
  sink.cell = [&](const GridCell& c) { out.push_back({c.left, c.top, c.right, c.bottom}); };
  sink.loneLine = [&](const LineType& l) {
    if (lone) lone->push_back(l);
  };
  buildTableGrid(lines, 1.0, header, sink);
  return out;
}

void expectCells(const std::vector<Rect>& got, const std::vector<Rect>& want) {
  ASSERT_EQ(got.size(), want.size());
  for (std::size_t i = 0; i < want.size(); ++i) {
    EXPECT_NEAR(got[i].l, want[i].l, 1e-9) << i;
    EXPECT_NEAR(got[i].t, want[i].t, 1e-9) << i;
    EXPECT_NEAR(got[i].r, want[i].r, 1e-9) << i;
    EXPECT_NEAR(got[i].b, want[i].b, 1e-9) << i;
  }
}

LineLists table(bool leftBorder, bool bottomLine, double vBottomGap = 0) {
  LineLists l;
  for (double y : {20.0, 10.0}) add(l, 0, y, 30, y);
  if (bottomLine) add(l, 0, 0, 30, 0);
  for (double x : {0.0, 10.0, 20.0, 30.0}) {
    if (x == 0 && !leftBorder) continue;
    add(l, x, vBottomGap, x, 20);
  }
  l.JoinLine(1.0);
  return l;
}

TEST(TableGrid, FullGridMissingSidesAndTolerance) {
  expectCells(grid(table(true, true)), {{0, 20, 10, 10},
                                        {10, 20, 20, 10},
                                        {20, 20, 30, 10},
                                        {0, 10, 10, 0},
                                        {10, 10, 20, 0},
                                        {20, 10, 30, 0}});
  // Without the left border the first cell of each row takes the row's top line's left end.
  const auto noLeft = grid(table(false, true));
  ASSERT_EQ(noLeft.size(), 6u);
  EXPECT_EQ(noLeft[3].l, 0);
  EXPECT_EQ(noLeft[0].l, 0);
  EXPECT_EQ(noLeft[0].r, 10);
  // Without the bottom line the lower row hangs below line 10 and comes last.
  expectCells(grid(table(true, false)), {{0, 20, 10, 10},
                                         {10, 20, 20, 10},
                                         {20, 20, 30, 10},
                                         {0, 10, 10, 0},
                                         {10, 10, 20, 0},
                                         {20, 10, 30, 0}});
  // Vertical lines stopping 1.5 short of the bottom line still cross it; 2.5 short they do not.
  // (2.5 short, the lower cells hang from line 10 and take their bottom from the line ends).
  const auto crossing = grid(table(true, true, 1.5));
  ASSERT_EQ(crossing.size(), 6u);
  EXPECT_EQ(crossing[5].b, 0);
  const auto shortV = grid(table(true, true, 2.5));
  ASSERT_EQ(shortV.size(), 6u);
  EXPECT_EQ(shortV[5].b, 2.5);
}

TEST(TableGrid, MergedCellAndLoneLines) {
  // The middle vertical line of the lower row stops below line 10: the upper row has one cell
  // spanning two columns.
  LineLists l;
  for (double y : {20.0, 10.0, 0.0}) add(l, 0, y, 20, y);
  add(l, 0, 0, 0, 20);
  add(l, 20, 0, 20, 20);
  add(l, 10, 0, 10, 10);
  l.JoinLine(1.0);
  expectCells(grid(l), {{0, 20, 20, 10}, {0, 10, 10, 0}, {10, 10, 20, 0}});

  // Only horizontal lines: in header mode every line goes out as a lone line, top first.
  LineLists h;
  add(h, 0, 5, 40, 5);
  add(h, 0, 25, 40, 25);
  h.JoinLine(1.0);
  std::vector<LineType> lone;
  EXPECT_TRUE(grid(h, true, &lone).empty());
  ASSERT_EQ(lone.size(), 2u);
  EXPECT_EQ(lone[0].PF[1], 25);
  lone.clear();
  grid(h, false, &lone);
  EXPECT_TRUE(lone.empty());
}

// A stamp as real sheets draw it: rows 5 high (the least cell side at b = 1) whose vertical
// lines end a few units in the last place short of the row lines, as the program that wrote
// them computed them; then the same far from the origin, where rounding grows with the
// coordinates.
LineLists noisyStamp(double ox, double oy, double noise) {
  LineLists l;
  const auto line = [&](double x0, double y0, double x1, double y1) {
    Point3d p{ox + x0, oy + y0, 0}, q{ox + x1, oy + y1, 0};
    l.AddGridLine(p, q, 1.0);
  };
  line(20, 20, 205, 20);
  line(20, 15, 85, 15);
  line(85, 10, 20, 10);
  line(20, 5, 205, 5);
  line(20, 20, 20, 5);
  line(27, 20, 27, 5);
  line(37, 20 - noise, 37, 5 - noise);
  line(60, 20 - 2 * noise, 60, 5 - 2 * noise);
  line(85, 20 - 3 * noise, 85, 5 - 3 * noise);
  line(205, 5, 205, 20);
  l.JoinLine(1.0);
  return l;
}

TEST(TableGrid, RoundingNoiseLosesNoCell) {
  const std::vector<Rect> want = {
      {20, 20, 27, 15}, {27, 20, 37, 15}, {37, 20, 60, 15}, {60, 20, 85, 15}, {85, 20, 205, 5},
      {20, 15, 27, 10}, {27, 15, 37, 10}, {37, 15, 60, 10}, {60, 15, 85, 10}, {20, 10, 27, 5},
      {27, 10, 37, 5},  {37, 10, 60, 5},  {60, 10, 85, 5}};
  for (const auto& [ox, oy, noise] : std::vector<std::tuple<double, double, double>>{
           {0, 0, 4e-15}, {0, 0, -4e-15}, {1e6, 1e6, 3e-10}, {-1e6, 1e6, -3e-10}}) {
    SCOPED_TRACE(testing::Message() << ox << "," << oy << " noise " << noise);
    const LineLists l = noisyStamp(ox, oy, noise);
    EXPECT_GT(l.VNoise().back(), std::fabs(noise));
    const std::vector<Rect> got = grid(l);
    EXPECT_EQ(got.size(), want.size());
    for (const Rect& w : want) {
      const bool found = std::any_of(got.begin(), got.end(), [&](const Rect& g) {
        return std::fabs(g.l - w.l - ox) < 1e-6 && std::fabs(g.t - w.t - oy) < 1e-6 &&
               std::fabs(g.r - w.r - ox) < 1e-6 && std::fabs(g.b - w.b - oy) < 1e-6;
      });
      EXPECT_TRUE(found) << w.l << "," << w.t << " " << w.r << "," << w.b;
    }
  }
  // Noise stays far below any real size: 4.99 is still too short, near the origin and far
  // from it.
  LineLists l;
  add(l, 1e6, 1e6, 1e6 + 4.99, 1e6);
  EXPECT_EQ(l.HLineNum(), 0);
}

// Each line is compared within its own rounding: one line far away (a stray in a real drawing)
// widens no comparison among the lines of a table, so a 4.99 piece stays too short and every
// cell of a 2 x 2 table comes back.
TEST(TableGrid, AFarLineLeavesTheTableAlone) {
  for (double far : {1e11, 1e12}) {
    SCOPED_TRACE(far);
    LineLists l;
    add(l, far, 0, far, 20);
    for (double y : {0.0, 10.0, 20.0}) add(l, 0, y, 60, y);
    for (double x : {0.0, 30.0, 60.0}) add(l, x, 0, x, 20);
    add(l, 0, 30, 4.99, 30);
    EXPECT_EQ(l.HLineNum(), 3);
    l.JoinLine(1.0);
    expectCells(grid(l), {{0, 20, 30, 10}, {30, 20, 60, 10}, {0, 10, 30, 0}, {30, 10, 60, 0}});
  }
}

// A border line drawn twice, the second copy over the whole side after the first had merged
// with a lower piece: the lists keep two lines at one X (one merge per added piece), and the
// first cell of the row is not a sliver between them (which, listed first, would keep the real
// cell out of the cell list).
TEST(TableGrid, CopiesOfOneLineCloseNoSliverCell) {
  LineLists l;
  add(l, 0, 21, 0, 35);   // the upper piece of the border
  add(l, 0, 5, 0, 19.5);  // a lower piece
  add(l, 0, 5, 0, 35);    // the whole border: merges with the lower piece only
  ASSERT_EQ(l.VLineNum(), 2);
  for (double x : {30.0, 60.0}) add(l, x, 5, x, 35);
  for (double y : {35.0, 20.0, 5.0}) add(l, 0, y, 60, y);
  l.JoinLine(1.0);
  expectCells(grid(l), {{0, 35, 30, 20}, {30, 35, 60, 20}, {0, 20, 30, 5}, {30, 20, 60, 5}});
}

}  // namespace
}  // namespace tarvik
