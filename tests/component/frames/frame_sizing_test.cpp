// Frame sizing: which sheet a border fits, lengthening, direction, the non-standard frame and
// the placement of the sized frame.

#include <gtest/gtest.h>

#include <sheetcut/error.h>
#include <tarvik/cad.h>
#include <tarvik/scripted_ui.h>
#include <QTemporaryDir>
#include <limits>

#include "frame_defs_fixture.h"
#include "qstring_printer.h"

namespace tarvik {
namespace {

class FrameSizing : public frametest::FrameDefsTest {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(FrameDefsTest::SetUp());
    QStringList list;
    cad.GetFrameType(defsPath, list);
    ASSERT_EQ(list.size(), 3);
  }
  // Sizes a border of w x h drawing units with its lower-left corner at (x, y).
  FrameType size(double x, double y, double w, double h, float scale, int direct = 0,
                 bool lab = false, int extNum = -1, int id = -1) {
    std::vector<double> p0{x, y, 0}, p1{x + w, y + h, 0};
    return cad.ComputeFrameSize("K1", p0, p1, scale, direct, lab, extNum, id);
  }
};

TEST_F(FrameSizing, ABorderOfTheInnerSizeTakesThatSheetScaledAndPlaced) {
  // A3: inner 420 - 25 - 5 = 390 by 297 - 5 - 5 = 287; at scale 2.
  const FrameType f = size(100, 100, 780, 574, 2);
  EXPECT_EQ(f.ID, 3);
  EXPECT_EQ(f.DirectFlag, 1);
  EXPECT_EQ(f.ExtCount, 0);
  EXPECT_EQ(f.Width, 840.0f);
  EXPECT_EQ(f.Height, 594.0f);
  EXPECT_EQ(f.Scale, 2.0);
  EXPECT_EQ(f.FrmSpacing, (std::array<float, 6>{0, 10, 10, 10, 50, 20}));
  // Widths scale, colour numbers do not.
  EXPECT_EQ(f.FrmLineStyle, (std::array<float, 5>{0, 1, 1, 0.4f, 3}));
  EXPECT_EQ(f.ValA1, 3.0f);
  // The inner border lies exactly on the measured border.
  EXPECT_DOUBLE_EQ(f.InsPoint[0] + f.FrmSpacing[4], 100);
  EXPECT_DOUBLE_EQ(f.InsPoint[0] + f.Width - f.FrmSpacing[2], 880);
  EXPECT_DOUBLE_EQ(f.InsPoint[1] + f.FrmSpacing[3], 100);
  EXPECT_DOUBLE_EQ(f.InsPoint[1] + f.Height - f.FrmSpacing[1], 674);
  EXPECT_EQ(f.BlkFile.size(), 2);

  // With the label allowance the A3 inner height is 277: the border needs the A2 sheet.
  EXPECT_EQ(size(100, 100, 780, 574, 2, 0, true).ID, 2);
}

TEST_F(FrameSizing, LengtheningDropsAnExcessOfOnePercentOfAStep) {
  // A3 steps are 105 long: 0.5 % of a step is no step, 2 % is one.
  FrameType f = size(0, 0, 390 + 0.005 * 105, 200, 1);
  EXPECT_EQ(f.ID, 3);
  EXPECT_EQ(f.ExtCount, 0);
  EXPECT_EQ(f.Width, 420.0f);
  f = size(0, 0, 390 + 0.02 * 105, 200, 1);
  EXPECT_EQ(f.ID, 3);
  EXPECT_EQ(f.ExtCount, 1);
  EXPECT_EQ(f.Width, 525.0f);
  EXPECT_EQ(f.ValA1, 3.5f);
  // Three and a bit steps.
  EXPECT_EQ(size(0, 0, 390 + 3.5 * 105, 200, 1).ExtCount, 4);
}

TEST_F(FrameSizing, AnImposedLengtheningTakesASheetThatFitsWithout) {
  // 440 long needs a step on A3; with two steps imposed A2 is taken, lengthened twice.
  const FrameType f = size(0, 0, 440, 200, 1, 0, false, 2);
  EXPECT_EQ(f.ID, 2);
  EXPECT_EQ(f.ExtCount, 2);
  EXPECT_EQ(f.Width, 594.0f + 2 * 148.5f);
  EXPECT_EQ(f.ValA1, 3.0f);
}

TEST_F(FrameSizing, AnImposedLengtheningOutsideTheRecordsRangeIsRefusedNamingIt) {
  for (int extNum : {40000, 32768, -5, -2}) {
    SCOPED_TRACE(extNum);
    try {
      const FrameType f = size(0, 0, 100, 100, 1, 0, false, extNum);
      ADD_FAILURE() << "sized a frame of width " << f.Width << " with " << f.ExtCount << " steps";
    } catch (const sheetcut::Error& e) {
      EXPECT_EQ(e.source(), "ComputeFrameSize");
      EXPECT_NE(e.description().find("lengthening count " + std::to_string(extNum)),
                std::string::npos)
          << e.description();
    }
  }
  // The ends of the range are counts like any other.
  EXPECT_EQ(size(0, 0, 100, 100, 1, 0, false, 0).ExtCount, 0);
  const FrameType most = size(0, 0, 100, 100, 1, 0, false, 32767);
  EXPECT_EQ(most.ExtCount, 32767);
  EXPECT_GT(most.Width, 0.0f);
}

TEST_F(FrameSizing, CornersInAnyOrderSizeTheSameBorder) {
  // A3 at scale 1, given from each corner to its opposite.
  std::vector<double> p0{0, 0, 0}, p1{420, 297, 0};
  const FrameType usual = cad.ComputeFrameSize("K1", p0, p1, 1, 0, false);
  const std::vector<std::pair<std::vector<double>, std::vector<double>>> orders{
      {{420, 297, 0}, {0, 0, 0}}, {{420, 0, 0}, {0, 297, 0}}, {{0, 297, 0}, {420, 0, 0}}};
  for (auto [a, b] : orders) {
    SCOPED_TRACE(testing::PrintToString(a));
    const std::vector<double> givenA = a, givenB = b;
    const FrameType f = cad.ComputeFrameSize("K1", a, b, 1, 0, false);
    EXPECT_EQ(f.ID, usual.ID);
    EXPECT_EQ(f.DirectFlag, usual.DirectFlag);
    EXPECT_EQ(f.ExtCount, usual.ExtCount);
    EXPECT_EQ(f.Width, usual.Width);
    EXPECT_EQ(f.Height, usual.Height);
    EXPECT_DOUBLE_EQ(f.InsPoint[0], usual.InsPoint[0]);
    EXPECT_DOUBLE_EQ(f.InsPoint[1], usual.InsPoint[1]);
    // The caller's points are left as given.
    EXPECT_EQ(a, givenA);
    EXPECT_EQ(b, givenB);
  }
}

TEST_F(FrameSizing, NoFitGivesANonStandardFrameFromTheFirstDefinition) {
  FrameType f = size(0, 0, 5000, 3000, 1);
  EXPECT_EQ(f.ID, -1);
  EXPECT_EQ(f.DirectFlag, 1);
  EXPECT_EQ(f.ExtCount, 0);
  EXPECT_EQ(f.Width, 25.0f + 5000 + 10);
  EXPECT_EQ(f.Height, 10.0f + 3000 + 10);
  // Taller than wide relative to A0: turned, the label allowance along the length.
  f = size(0, 0, 3000, 5000, 1, 0, true);
  EXPECT_EQ(f.ID, -1);
  EXPECT_EQ(f.DirectFlag, 2);
  EXPECT_EQ(f.Width, 10.0f + 3000 + 10);  // after turning: X holds the old height
  EXPECT_EQ(f.Height, 25.0f + 5000 + 10 + 10);
  // Only definition 1 may be taken, and it does not fit.
  f = size(0, 0, 900, 300, 1, 0, false, -1, 1);
  EXPECT_EQ(f.ID, 1);  // A1 lengthened
  EXPECT_EQ(f.ExtCount, 1);
  f = size(0, 0, 900, 300, 1, 0, false, 0, 1);
  EXPECT_EQ(f.ID, -1);
  EXPECT_EQ(f.Width, 935.0f);
}

TEST_F(FrameSizing, ASheetIsNeverTakenInADirectionItCannotHoldTheBorder) {
  // A4 allows direction 1 only; the caller forbids it. A3 then holds the border turned.
  const FrameType f = size(0, 0, 280 * 2, 400 * 2, 2, 2);
  EXPECT_EQ(f.ID, 3);
  EXPECT_EQ(f.DirectFlag, 2);
  // Margins turn one place: top <- left, right <- top, bottom <- right, left <- bottom.
  EXPECT_EQ(f.FrmSpacing, (std::array<float, 6>{0, 50, 10, 10, 10, 20}));
  EXPECT_EQ(f.Width, 594.0f);
  EXPECT_EQ(f.Height, 840.0f);
  EXPECT_DOUBLE_EQ(f.InsPoint[0], -17);
  EXPECT_DOUBLE_EQ(f.InsPoint[1], 0);
  // A small border that A4 could only hold in the forbidden direction.
  EXPECT_EQ(size(0, 0, 100, 100, 1, 2).ID, 3);
  EXPECT_EQ(size(0, 0, 100, 100, 1, 1).ID, 4);
}

TEST_F(FrameSizing, AFullySpecifiedCallCentresTheFrameOnTheOrigin) {
  std::vector<double> p0{500, 500}, p1{900, 800};
  const FrameType f = cad.ComputeFrameSize("K1", p0, p1, 1, 1, true, 1, 0);
  EXPECT_EQ(p0, (std::vector<double>{0, 0, 0}));
  EXPECT_EQ(p1, (std::vector<double>{0, 0, 0}));
  EXPECT_EQ(f.ID, 0);
  EXPECT_EQ(f.ExtCount, 1);
  EXPECT_EQ(f.Width, 1189.0f + 297);
  EXPECT_DOUBLE_EQ(f.InsPoint[0], -750.5);
  EXPECT_DOUBLE_EQ(f.InsPoint[1], -430.5);  // lowered by the label allowance
}

TEST_F(FrameSizing, AScaleOfZeroOrLessShowsTheMessageAndSizesNothing) {
  for (float scale : {0.0f, -2.0f}) {
    const FrameType f = size(0, 0, 780, 574, scale);
    EXPECT_EQ(f.ID, 0);
    EXPECT_EQ(f.Width, 0.0f);
    EXPECT_EQ(f.Scale, 0.0);
    EXPECT_TRUE(f.BlkFile.isEmpty());
  }
  ASSERT_EQ(ui->messages().size(), 2u);
  EXPECT_EQ(ui->messages()[0].text, QString::fromUtf8("请输入图纸比例"));
}

// A frame that no number holds is refused with an error naming the value, never returned.
TEST_F(FrameSizing, ScalesAndBordersBeyondNumbersAreRefusedNamingTheValue) {
  const auto refusal = [&](double x0, double w, float scale) -> std::string {
    try {
      const FrameType f = size(x0, 0, w, 574, scale);
      ADD_FAILURE() << "sized a frame of width " << f.Width << " at " << f.InsPoint[0];
    } catch (const sheetcut::Error& e) {
      EXPECT_EQ(e.source(), "ComputeFrameSize");
      return e.description();
    }
    return {};
  };
  const double nan = std::numeric_limits<double>::quiet_NaN();
  // A border of a few hundred units at 1e-38 is a sheet beyond every number; at 1e38 the sheet
  // is scaled beyond them.
  EXPECT_NE(refusal(0, 780, 1e-38f).find("scale 1e-38 gives a frame whose Width is inf"),
            std::string::npos);
  EXPECT_NE(refusal(0, 780, 1e38f).find("scale 1e+38 gives a frame whose Width is inf"),
            std::string::npos);
  EXPECT_NE(refusal(nan, 780, 1).find("corner (nan, 0) is not a finite point"), std::string::npos);
  EXPECT_NE(refusal(0, nan, 1).find("corner (nan, 574)"), std::string::npos);
  EXPECT_NE(refusal(0, 780, std::numeric_limits<float>::infinity()).find("scale inf"),
            std::string::npos);
  // Far from the origin but within numbers: sized as usual.
  EXPECT_EQ(size(1e15, 1e15, 780, 574, 2).ID, 3);
  EXPECT_TRUE(ui->messages().empty());
}

TEST_F(FrameSizing, FailuresRaiseClearErrors) {
  std::vector<double> p0{0, 0}, p1{100, 100}, shortPoint{1};
  EXPECT_THROW(cad.ComputeFrameSize("nope", p0, p1, 1, 0, false), sheetcut::Error);
  EXPECT_THROW(cad.ComputeFrameSize("K1", shortPoint, p1, 1, 0, false), sheetcut::Error);
  // K2 has one definition that lacks its elements.
  EXPECT_THROW(cad.ComputeFrameSize("K2", p0, p1, 1, 0, false), sheetcut::Error);
  // Sheets of size 0 fit nothing and give no frame to build around the border.
  try {
    cad.ComputeFrameSize("Z", p0, p1, 1, 0, false);
    ADD_FAILURE() << "sized a frame from a definition of size 0";
  } catch (const sheetcut::Error& e) {
    EXPECT_NE(e.description().find("no width or height"), std::string::npos);
  }
  CAD fresh;
  EXPECT_THROW(fresh.ComputeFrameSize("K1", p0, p1, 1, 0, false), sheetcut::Error);
}

}  // namespace
}  // namespace tarvik
