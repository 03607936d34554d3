// The rules of a window plot that need no host.

#include <gtest/gtest.h>

#include "qstring_printer.h"
#include "tarvik/paper_rules.h"

namespace tarvik {
namespace {

TEST(PaperRules, SuggestedPaperAddsTwentyMillimetresRoundedUpToTen) {
  EXPECT_EQ(PaperSizeName(297, 420), QStringLiteral("320×440mm"));
  EXPECT_EQ(PaperSizeName(281, 400), QStringLiteral("301×420mm"));
  EXPECT_EQ(PaperSizeName(400, 570), QStringLiteral("420×590mm"));
  EXPECT_EQ(PaperSizeName(290, 0), QStringLiteral("310×20mm"));
  EXPECT_EQ(PaperSizeName(32739, 10), QStringLiteral("32760×30mm"));
  EXPECT_FALSE(PaperSizeName(32740, 10).has_value());  // beyond the 16-bit rule
  EXPECT_FALSE(PaperSizeName(10, 40000).has_value());
}

TEST(PaperRules, PlotScaleIsZoomANumberOrAutoAndAnythingElseIsRefused) {
  EXPECT_EQ(parsePlotScale("zoom").kind, PlotScale::Zoom);
  EXPECT_EQ(parsePlotScale("zoom").scale, 1);
  EXPECT_EQ(parsePlotScale("100").kind, PlotScale::Number);
  EXPECT_EQ(parsePlotScale(" 2.5 ").scale, 2.5);
  const PlotScale once = parsePlotScale("auto100");
  EXPECT_EQ(once.kind, PlotScale::AutoOnce);
  EXPECT_EQ(once.scale, 100);
  EXPECT_EQ(parsePlotScale("50auto").kind, PlotScale::AutoOnce);
  EXPECT_EQ(parsePlotScale("auto").kind, PlotScale::AutoNone);
  EXPECT_EQ(parsePlotScale("auto0").kind, PlotScale::AutoNone);
  for (const char* bad : {"", "0", "-5", "abc", "Zoom", "AUTO100", "auto-3", "1e999", "nan"})
    EXPECT_EQ(parsePlotScale(bad).kind, PlotScale::Bad) << bad;
}

TEST(PaperRules, StyleTablesFillTheirSlotsInEitherOrder) {
  using Slots = std::pair<QString, QString>;
  EXPECT_EQ(styleTableSlots("acad.ctb,acad.stb"), Slots("acad.ctb", "acad.stb"));
  EXPECT_EQ(styleTableSlots("Acad.STB,MONOCHROME.CTB"), Slots("monochrome.ctb", "acad.stb"));
  EXPECT_EQ(styleTableSlots("monochrome.ctb"), Slots("monochrome.ctb", ""));
  EXPECT_EQ(styleTableSlots("acad.stb"), Slots("", "acad.stb"));
  EXPECT_EQ(styleTableSlots("无"), Slots());
}

TEST(PaperRules, APaperFitsWithThirtyMillimetresToSpareEachWay) {
  EXPECT_TRUE(paperFits(297, 420, 267, 390));
  EXPECT_FALSE(paperFits(297, 420, 267.1, 390));
  EXPECT_FALSE(paperFits(297, 420, 267, 390.1));
  EXPECT_TRUE(paperFits(297, 420, 260, 380));
  EXPECT_FALSE(paperFits(297, 420, 380, 260));
}

TEST(PaperRules, OnlyAnEmptyFolderOrBareSeparatorsMeanTheDevice) {
  for (const char* device : {"", "/", "\\", "\\/"}) EXPECT_TRUE(plotsToDevice(device)) << device;
  for (const char* folder : {"o/", "o", "D:/", "./", "/tmp/plots/", "\\\\server\\share\\x"})
    EXPECT_FALSE(plotsToDevice(folder)) << folder;
}

}  // namespace
}  // namespace tarvik
