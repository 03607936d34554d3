// Stored texts read into the runs the plot draws, and tabs and stacked texts on a line.

#include <gtest/gtest.h>

#include <malloc.h>

#include <cmath>

#include <string>
#include <tuple>

#include "plot/mtext_lines.h"
#include "plot/text_runs.h"

namespace {

using cadhost::plot::mtextParagraphs;
using cadhost::plot::MTextRun;
using cadhost::plot::singleLineRuns;

TEST(TextRuns, MTextCodesSetWidthLinesAndStacksInTheirBraces) {
  // The style's width factor, an absolute and a relative change; lines kept to their braces.
  auto p = mtextParagraphs("A\\W0.5;B{\\W2x;\\LC}D\\OE\\o\\LF\\l", 10, 0.7);
  ASSERT_EQ(p.size(), 1u);
  const auto& runs = p[0].runs;
  ASSERT_EQ(runs.size(), 6u);
  const std::vector<std::tuple<std::string, double, bool, bool>> expected{
      {"A", 0.7, false, false}, {"B", 0.5, false, false}, {"C", 1.0, true, false},
      {"D", 0.5, false, false}, {"E", 0.5, false, true},  {"F", 0.5, true, false}};
  for (std::size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(runs[i].text, std::get<0>(expected[i]));
    EXPECT_DOUBLE_EQ(runs[i].widthFactor, std::get<1>(expected[i]));
    EXPECT_EQ(runs[i].underline, std::get<2>(expected[i]));
    EXPECT_EQ(runs[i].overline, std::get<3>(expected[i]));
  }

  // Stacks: the kind, escaped separators as characters, a space after ^ left out, codes of
  // the parts decoded; a stack without a separator is text.
  auto s = mtextParagraphs("1\\S1\\/2^ 3;x\\S3#4;%%c\\S+%%d^-1;\\S5;", 2)[0].runs;
  ASSERT_EQ(s.size(), 7u);
  EXPECT_EQ(s[1].kind, MTextRun::Stack);
  EXPECT_EQ(s[1].stack, '^');
  EXPECT_EQ(s[1].text, "1/2");
  EXPECT_EQ(s[1].lower, "3");
  EXPECT_EQ(s[2].text, "x");
  EXPECT_EQ(s[3].stack, '#');
  EXPECT_EQ(s[3].text + s[3].lower, "34");
  EXPECT_EQ(s[4].text, "⌀");
  EXPECT_EQ(s[5].text, "+°");
  EXPECT_EQ(s[5].lower, "-1");
  EXPECT_EQ(s[6].kind, MTextRun::Text);
  EXPECT_EQ(s[6].text, "5");
}

TEST(TextRuns, CaretsTabsAndTabStops) {
  // ^I a tab, ^J a new paragraph, "^ " a caret, ^M nothing; a caret before other characters
  // is itself.
  auto p = mtextParagraphs("1.^IA^JB^ C^Mx^2", 1);
  ASSERT_EQ(p.size(), 2u);
  ASSERT_EQ(p[0].runs.size(), 3u);
  EXPECT_EQ(p[0].runs[0].text, "1.");
  EXPECT_EQ(p[0].runs[1].kind, MTextRun::Tab);
  EXPECT_EQ(p[0].runs[2].text, "A");
  ASSERT_EQ(p[1].runs.size(), 1u);
  EXPECT_EQ(p[1].runs[0].text, "B^Cx^2");

  // Tab stops in text heights, kept by later paragraphs until another code sets them.
  auto t = mtextParagraphs("\\pxi-3,l3,t2,c5;a\\Pb\\P\\pxtz;c\\P\\pxqc;d", 2);
  ASSERT_EQ(t.size(), 4u);
  EXPECT_EQ(t[0].tabStops, (std::vector<double>{4, 10}));
  EXPECT_EQ(t[1].tabStops, (std::vector<double>{4, 10}));
  EXPECT_TRUE(t[2].tabStops.empty());
  EXPECT_TRUE(t[3].tabStops.empty());
  // A stop that is no number in drawing units is left out.
  EXPECT_EQ(mtextParagraphs("\\pxt3,1e308;a", 10)[0].tabStops.values(), (std::vector<double>{30}));

  // TEXT: %%u and %%o toggle, ^I is a tab, ^J is not drawn, %%% stays a percent sign.
  auto r = singleLineRuns("%%uAB%%u C^ID^JE%%%u%%o", 0.8);
  ASSERT_EQ(r.size(), 4u);
  EXPECT_EQ(r[0].text, "AB");
  EXPECT_TRUE(r[0].underline);
  EXPECT_EQ(r[1].text, " C");
  EXPECT_FALSE(r[1].underline);
  EXPECT_EQ(r[2].kind, MTextRun::Tab);
  EXPECT_EQ(r[3].text, "DE%u");
  for (const MTextRun& run : r) EXPECT_DOUBLE_EQ(run.widthFactor, 0.8);
}

TEST(TextRuns, TabsAndStacksTakeTheirPlaceOnTheLine) {
  using cadhost::plot::wrapMText;
  // Every character one unit wide a unit of height.
  auto advance = [](char32_t, double h) { return h; };
  auto one = [&](const std::string& contents, double width = 0) {
    return wrapMText(mtextParagraphs(contents, 1), 1, width, advance);
  };
  // Default stops every four heights; a tab on a stop goes on to the next.
  auto lines = one("ab^Ic^Idefg^Ih");
  ASSERT_EQ(lines.size(), 1u);
  std::vector<double> xs;
  for (const MTextRun& run : lines[0].runs)
    if (run.kind == MTextRun::Text) xs.push_back(run.x);
  EXPECT_EQ(xs, (std::vector<double>{0, 4, 8, 16}));
  EXPECT_DOUBLE_EQ(lines[0].width, 17);
  // Given stops, then the default ones; a tab counts in the width the lines wrap at.
  lines = one("\\pxt2.5;a^Ib^Ic");
  EXPECT_DOUBLE_EQ(lines[0].runs[2].x, 2.5);
  EXPECT_DOUBLE_EQ(lines[0].runs[4].x, 4);
  EXPECT_EQ(one("ab cd^Ie", 6).size(), 2u);
  // Default stops too close to count to a run of another height (a note of a vanishing
  // height) leave the line of a finite width.
  lines = wrapMText(mtextParagraphs("{\\H5;a}^Ib", 1e-320), 1e-320, 0, advance);
  EXPECT_TRUE(std::isfinite(lines[0].width));
  EXPECT_DOUBLE_EQ(lines[0].runs[2].x, 5);
  // A stack is as wide as its wider part (at 0.6 of the height), a diagonal one as its parts
  // and the slash; the width factor narrows both.
  lines = one("a\\S123/4;b{\\W0.5;\\S1#2;}c");
  ASSERT_EQ(lines[0].runs.size(), 5u);
  EXPECT_DOUBLE_EQ(lines[0].runs[1].width, 1.8);
  EXPECT_DOUBLE_EQ(lines[0].runs[3].width, 0.5 * (0.6 + 1 + 0.6));
  EXPECT_DOUBLE_EQ(lines[0].runs[4].x, 1 + 1.8 + 1 + 1.1);
}

// A text of thousands of tab stops and thousands of paragraphs (a hostile file, or a broken
// list) is read and wrapped without a copy of the stops for each paragraph and line.
TEST(TextRuns, ManyTabStopsInManyParagraphsTakeTheRoomOfTheStops) {
  using cadhost::plot::wrapMText;
  constexpr int kCount = 4000;
  std::string contents = "\\pxt";
  for (int i = 1; i <= kCount; ++i) contents += std::to_string(i) + ",";
  contents += ";";
  for (int i = 0; i < kCount; ++i) contents += "^IA^J";
  auto inUse = [] {
    const struct mallinfo2 m = mallinfo2();
    return static_cast<long long>(m.uordblks + m.hblkhd);
  };
  const long long before = inUse();
  const auto paragraphs = mtextParagraphs(contents, 1);
  const auto lines = wrapMText(paragraphs, 1, 0, [](char32_t, double h) { return h; });
  const long long after = inUse();
  ASSERT_EQ(lines.size(), kCount + 1u);
  EXPECT_DOUBLE_EQ(lines[kCount - 1].runs[1].x, 1);
  // Each paragraph's copy would take 4000 stops of 8 bytes, 128 MB in all (twice over).
  EXPECT_LT(after - before, 16 << 20);
}

}  // namespace
