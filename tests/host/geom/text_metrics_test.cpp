#include <gtest/gtest.h>

#include "geom/text_metrics.h"

namespace cadhost::geom {
namespace {

TEST(TextMetrics, WidthModel) {
  EXPECT_EQ(textWidth("", 10), 0);
  EXPECT_DOUBLE_EQ(textWidth("中文", 10), 20);
  EXPECT_DOUBLE_EQ(textWidth("ＡＢ", 1), 2);  // full-width Latin
  EXPECT_DOUBLE_EQ(textWidth("AB", 10, 0.5), 6.5);
  EXPECT_LT(textWidth("il1", 1), textWidth("abc", 1));
  // Every prefix is at most as wide as the text (shortening loops end).
  const std::string s = "图号 DWG-01.i,中";
  double previous = -1;
  for (std::size_t n = 0; n <= s.size(); ++n) {
    if (n < s.size() && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80) continue;
    const double w = textWidth(s.substr(0, n), 2.5);
    EXPECT_GT(w, previous) << n;
    previous = w;
  }
}

TEST(TextMetrics, PlainTexts) {
  EXPECT_EQ(plainSingleLineText("%%c50%%p0.1%%d %%uA%%u 100%%%"), "⌀50±0.1° A 100%");
  EXPECT_EQ(plainSingleLineText("%%065"), "A");
  EXPECT_EQ(plainMText("{\\fSimSun|b0|i0;图号}\\P\\H2.5x;A\\~B\\\\C\\{D\\}"), "图号\nA B\\C{D}");
  EXPECT_EQ(plainMText("\\S10/2;x\\Lu\\l"), "10xu");
  EXPECT_EQ(plainMText("\\A1;\\C3;\\pxqc;\\Q15;\\W0.8;\\T1.1;ab"), "ab");
}

TEST(TextMetrics, Wrapping) {
  using V = std::vector<std::string>;
  EXPECT_EQ(wrapMTextLines("AAAA BBBB", 1, 1, 0), V{"AAAA BBBB"});
  EXPECT_EQ(wrapMTextLines("AAAA BBBB", 1, 1, 3), (V{"AAAA", "BBBB"}));
  EXPECT_EQ(wrapMTextLines("AAAA BBBB", 1, 1, 100), V{"AAAA BBBB"});
  // A word wider than the width stays whole.
  EXPECT_EQ(wrapMTextLines("AAAAAAAA B", 1, 1, 2), (V{"AAAAAAAA", "B"}));
  EXPECT_EQ(wrapMTextLines("一二三四五", 1, 1, 2.5), (V{"一二", "三四", "五"}));
  EXPECT_EQ(wrapMTextLines("ab\n\ncd", 1, 1, 0), (V{"ab", "", "cd"}));
}

}  // namespace
}  // namespace cadhost::geom
