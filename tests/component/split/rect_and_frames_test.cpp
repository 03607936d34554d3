// Rectangle corner test, frame clustering and strip count.

#include <gtest/gtest.h>

#include <tarvik/frame_clustering.h>
#include <tarvik/rect_tests.h>
#include <tarvik/strip_sizing.h>

#include <vector>

namespace tarvik {
namespace {

RectType rect(double x0, double y0, double x1, double y1, bool f = true) {
  return {x0, y0, x1, y1, f};
}

void expectRect(const RectType& r, double x0, double y0, double x1, double y1, bool f) {
  EXPECT_DOUBLE_EQ(r.X0, x0);
  EXPECT_DOUBLE_EQ(r.Y0, y0);
  EXPECT_DOUBLE_EQ(r.X1, x1);
  EXPECT_DOUBLE_EQ(r.Y1, y1);
  EXPECT_EQ(r.F, f);
}

TEST(RectTests, CornerTestUnitesTouchingRectangles) {
  EXPECT_TRUE(tolTest(1.05, 1.0));
  EXPECT_FALSE(tolTest(0, 0.1));  // strictly less than the tolerance
  struct Case {
    const char* what;
    RectType a, b;
    bool united;
    RectType expectB;
  } cases[] = {
      {"shared edge", rect(0, 0, 10, 10), rect(10, 0, 20, 10), true, rect(0, 0, 20, 10)},
      {"gap 0.05", rect(0, 0, 10, 10), rect(10.05, 0, 20, 10), true, rect(0, 0, 20, 10)},
      {"gap 0.2", rect(0, 0, 10, 10), rect(10.2, 0, 20, 10), false, rect(10.2, 0, 20, 10)},
      {"dead B", rect(0, 0, 10, 10), rect(5, 5, 6, 6, false), false, rect(5, 5, 6, 6, false)},
      {"cross", rect(0, 40, 100, 60), rect(40, 0, 60, 100), false, rect(40, 0, 60, 100)},
      {"cross swapped", rect(40, 0, 60, 100), rect(0, 40, 100, 60), false, rect(0, 40, 100, 60)},
      // Step 2 applies (B's left edge is in A's span) and A's corners are never tried.
      {"same left edge, B taller", rect(0, 0, 10, 10), rect(0, -5, 10, 15), false,
       rect(0, -5, 10, 15)},
      {"B contains A", rect(5, 5, 6, 6), rect(0, 0, 10, 10), true, rect(0, 0, 10, 10)},
      {"A's corner in B", rect(5, 5, 20, 6), rect(0, 0, 10, 10), true, rect(0, 0, 20, 10)},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.what);
    RectType a = c.a, b = c.b;
    EXPECT_EQ(rectOverlap(a, b), c.united);
    expectRect(b, c.expectB.X0, c.expectB.Y0, c.expectB.X1, c.expectB.Y1, c.expectB.F);
    EXPECT_EQ(a.F, c.united ? false : c.a.F);
    EXPECT_DOUBLE_EQ(a.X1, c.a.X1);  // A's coordinates never change
  }
}

class FrameListTest : public ::testing::Test {
 protected:
  void add(RectType r) { addFrameRect(frames, frameNum, r, -1); }
  std::vector<RectType> frames{RectType{}};
  long frameNum = 0;
};

TEST_F(FrameListTest, BoxesInsideABorderJoinItWhicheverComesFirst) {
  add(rect(10, 10, 50, 50));
  add(rect(0, 0, 420, 297));  // the inner box's slot ends holding the border
  add(rect(400, 0, 420, 20));
  ASSERT_EQ(frameNum, 1);
  expectRect(frames[1], 0, 0, 420, 297, true);
  add(rect(500, 0, 920, 297));  // beside it: a frame of its own, appended
  ASSERT_EQ(frameNum, 2);
  expectRect(frames[2], 500, 0, 920, 297, true);
}

TEST_F(FrameListTest, BridgeUnitesTwoSlotsAndFreesTheFirst) {
  add(rect(0, 0, 1, 1));
  add(rect(100, 0, 110, 10));  // slot 2
  add(rect(300, 0, 301, 1));
  add(rect(500, 0, 501, 1));
  add(rect(120, 0, 130, 10));  // slot 5
  ASSERT_EQ(frameNum, 5);
  add(rect(110, 0, 120, 10));  // touches slots 2 and 5
  EXPECT_EQ(frameNum, 5);
  EXPECT_FALSE(frames[2].F);
  expectRect(frames[5], 100, 0, 130, 10, true);
  add(rect(1000, 0, 1001, 1));  // merges nowhere: takes the freed slot
  EXPECT_EQ(frameNum, 5);
  expectRect(frames[2], 1000, 0, 1001, 1, true);
}

TEST_F(FrameListTest, ListGrowsPastAThousandFramesAndMergesThroughAChain) {
  const int count = 1500;
  for (int i = 0; i < count; ++i) add(rect(i * 10.0, 0, i * 10.0 + 5, 5));
  ASSERT_EQ(frameNum, count);
  for (long i = 1; i <= frameNum; ++i) ASSERT_TRUE(frames[i].F) << i;
  // One box over all of them: every slot is merged into the next, depth first.
  add(rect(-1, -1, count * 10.0, 6));
  int live = 0;
  for (long i = 1; i <= frameNum; ++i) live += frames[i].F ? 1 : 0;
  EXPECT_EQ(live, 1);
  expectRect(frames[count], -1, -1, count * 10.0, 6, true);
}

TEST(StripSizing, CountFollowsTheTextHeightAndStaysUsable) {
  EXPECT_EQ(stripCount(2000, 2.5, 100), 500);  // r = 800
  EXPECT_EQ(stripCount(100, 2.5, 100), 41);    // r = 40
  EXPECT_EQ(stripCount(499.5, 1, 100), 500);   // 500.5 rounds to even
  EXPECT_EQ(stripCount(499.6, 1, 100), 501);
  EXPECT_EQ(stripCount(1.5, 1, 100), 2);  // r + 1 = 2.5
  EXPECT_EQ(stripCount(597, 0, 37), 37);  // no text height: the count stays
  // Odd extents: never below one strip, never undefined.
  EXPECT_EQ(stripCount(-2e20, 2.5, 100), 1);
  EXPECT_EQ(stripCount(-1, 1, 100), 1);
  EXPECT_EQ(stripCount(5, -2.5, 100), 1);
}

}  // namespace
}  // namespace tarvik
