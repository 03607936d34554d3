// The compact tag value text: inline and heap texts, replacement (also from itself), moves, and
// the string-like reading the rest of the host relies on.

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "model/drawing.h"
#include "model/tags.h"

namespace {

using cadhost::model::Tag;
using cadhost::model::Tags;
using cadhost::model::TagText;

// Texts either side of the longest inline one, and one with a NUL inside.
std::vector<std::string> samples() {
  return {"",
          "0",
          "AcDbEntity",
          std::string(TagText::kInline - 1, 'a'),
          std::string(TagText::kInline, 'b'),
          std::string(TagText::kInline + 1, 'c'),
          std::string(300, 'd'),
          std::string("a\0b", 3),
          "\xc3\xa4\xe2\x82\xac multi-byte"};
}

TEST(TagText, HoldsEveryLengthAndReadsLikeAString) {
  for (const std::string& s : samples()) {
    SCOPED_TRACE(s.size());
    const TagText t(s);
    EXPECT_EQ(t.size(), s.size());
    EXPECT_EQ(t.empty(), s.empty());
    EXPECT_EQ(std::string_view(t), s);
    EXPECT_EQ(std::string(t), s);
    EXPECT_EQ(t.str(), s);
    EXPECT_EQ(t.c_str()[s.size()], '\0');
    EXPECT_TRUE(t == s);
    EXPECT_TRUE(t == std::string_view(s));
    EXPECT_FALSE(t == s + "x");
    EXPECT_EQ(t + "!", s + "!");
    EXPECT_EQ("<" + t, "<" + s);
    std::string grown = "x";
    grown += t;
    EXPECT_EQ(grown, "x" + s);
    std::ostringstream os;
    os << t;
    EXPECT_EQ(os.str(), s);
  }
  const TagText number("12.5");
  EXPECT_EQ(number[1], '2');
  EXPECT_EQ(number.front(), '1');
  EXPECT_EQ(number.back(), '5');
  EXPECT_EQ(number.substr(1, 2), "2.");
  EXPECT_EQ(number.find('.'), 2u);
  EXPECT_TRUE(TagText("ABC") < TagText("ABD"));
  EXPECT_TRUE(TagText("ABC") < std::string("B"));
}

TEST(TagText, CopiesMovesAndReplacementsKeepTheText) {
  const std::vector<std::string> all = samples();
  for (const std::string& from : all) {
    for (const std::string& to : all) {
      SCOPED_TRACE(std::to_string(from.size()) + " -> " + std::to_string(to.size()));
      TagText a(from);
      TagText copy(a);
      a = to;
      EXPECT_EQ(a, to);
      EXPECT_EQ(copy, from);
      TagText moved(std::move(a));
      EXPECT_EQ(moved, to);
      EXPECT_TRUE(a.empty());  // NOLINT: a moved-from text is empty and usable
      a = from;
      EXPECT_EQ(a, from);
      copy = std::move(moved);
      EXPECT_EQ(copy, to);
      copy = copy;  // NOLINT: self-assignment keeps the text
      EXPECT_EQ(copy, to);
      // Replaced by a part of itself (a view into its own text).
      TagText self(from);
      self = std::string_view(self).substr(from.size() / 2);
      EXPECT_EQ(self, from.substr(from.size() / 2));
    }
  }
}

TEST(TagText, TagsStayCompactAndWorkInContainers) {
  static_assert(sizeof(Tag) == 24);
  Tags tags;
  for (int i = 0; i < 1000; ++i)
    tags.push_back(Tag{10, std::string(i % 40, 'x') + std::to_string(i)});
  for (int i = 0; i < 1000; ++i)
    EXPECT_EQ(tags[i].value, std::string(i % 40, 'x') + std::to_string(i));
  Tags copy = tags;
  EXPECT_EQ(copy, tags);
  copy[999].value = "changed";
  EXPECT_NE(copy, tags);
  tags.erase(tags.begin(), tags.begin() + 500);
  EXPECT_EQ(tags.front().value, std::string(500 % 40, 'x') + "500");

  // Typed reading goes through the text as before.
  cadhost::model::setTag(tags, 40, "2.5");
  EXPECT_DOUBLE_EQ(cadhost::model::tagDouble(tags, 40), 2.5);
  std::map<std::string, int> byText;
  byText[tags.front().value] = 1;
  EXPECT_EQ(byText.count(std::string(501 % 40, 'x') + "501"), 0u);
  EXPECT_EQ(byText.count(tags.front().value), 1u);
}

}  // namespace
