#include <gtest/gtest.h>

#include "cadhost/host_error.h"
#include "entity_builders.h"
#include "geom/filter.h"
#include "geom/wildcard.h"

namespace cadhost::geom {
namespace {

using testing::entity;

TEST(Wildcard, Table) {
  struct Case {
    const char* pattern;
    const char* text;
    bool expected;
  };
  const Case cases[] = {
      {"A123-B567-08", "A123-B567-08", true},
      {"@*-@*-#*", "A123-B567-08", true},
      {"@*-@*-#*", "1123-B567-08", false},
      {"@*-@*-#*", "A123-B567-X8", false},
      {"#", "7", true},
      {"#", "x", false},
      {"#", "77", false},
      {"@@", "ab", true},
      {"@", "中", false},  // letters are ASCII letters
      {".", "-", true},
      {".", " ", true},
      {".", "a", false},
      {".", "中", false},  // an ideograph is a letter of its script
      {".", "，", true},   // full-width comma is punctuation
      {"*", "", true},
      {"*", "anything", true},
      {"a*b*c", "aXXbYYc", true},
      {"a*b*c", "aXXbYY", false},
      {"?", "中", true},  // one code point, three bytes
      {"??", "中", false},
      {"", "", true},
      {"", "x", false},
      {"TEXT,MTEXT", "mtext", true},
      {"TEXT,MTEXT", "Text", true},
      {"TEXT,MTEXT", "ATTDEF", false},
      {"~TEXT", "LINE", true},
      {"~TEXT", "text", false},
      {"~TEXT,MTEXT", "MTEXT", false},  // a leading ~ negates every alternative
      {"LINE,~*A*", "BOX", true},       // a later ~ negates its own alternative
      {"LINE,~*A*", "ARC", false},
      {"[abc]x", "Bx", true},
      {"[abc]x", "dx", false},
      {"[a-f]#", "E5", true},
      {"[~a-f]#", "E5", false},
      {"[~a-f]#", "z5", true},
      {"[]]", "]", true},
      {"[abc", "[abc", true},  // an unclosed class is literal
      {"`#", "#", true},
      {"`#", "1", false},
      {"`*", "*", true},
      {"`*", "ab", false},
      {"a`,b", "a,b", true},
      {"a`,b", "a", false},
      {"[`]]", "]", true},
      {"x`", "x`", true},
      {"*图号*", "设计图号:A1", true},
      {"*图号*", "设计图名", false},
      {"*图*号*", "图纸编号", true},
      {"ÄBC", "äbc", true},  // Latin-1 letters fold
      {"ПРИВЕТ", "привет", true},
      {"ＡＢ", "ａｂ", true},  // full-width letters fold
  };
  for (const Case& c : cases)
    EXPECT_EQ(wildcardMatch(c.pattern, c.text), c.expected)
        << "pattern \"" << c.pattern << "\" text \"" << c.text << "\"";
}

TEST(Wildcard, CompiledPatternAndBadText) {
  const WildcardPattern p("*AB*");
  EXPECT_TRUE(p.matches("xxabyy"));
  EXPECT_FALSE(p.matches("xxa"));
  EXPECT_FALSE(WildcardPattern().matches(""));
  // Invalid UTF-8 bytes are single characters that match only ? and *.
  EXPECT_TRUE(wildcardMatch("a?b",
                            "a\xFF"
                            "b"));
  EXPECT_TRUE(wildcardMatch("*", "\xE4\xB8"));
  // Long runs of stars stay fast and correct.
  EXPECT_FALSE(wildcardMatch("*a*a*a*a*a*a*a*a*b", std::string(2000, 'a')));
}

// The match reads the text's bytes as it goes: fixed-length alternatives are decided on the
// length where it cannot hold their characters, backtracking steps over whole characters.
TEST(Wildcard, LongAndMultibyteTexts) {
  const std::string fourByte = "\xF0\xA0\x80\x80";  // U+20000, one character in four bytes
  EXPECT_TRUE(wildcardMatch("????", fourByte + fourByte + fourByte + fourByte));
  EXPECT_FALSE(wildcardMatch("???", fourByte + fourByte + fourByte + fourByte));
  EXPECT_TRUE(wildcardMatch("?", "\xFF"));
  EXPECT_FALSE(wildcardMatch("??", "\xFF"));

  std::string big;
  for (int i = 0; i < 200000; ++i) big += "%%c中";
  const WildcardPattern types("LINE,POLYLINE,LWPOLYLINE,INSERT");
  EXPECT_FALSE(types.matches(big));
  EXPECT_TRUE(WildcardPattern("~LINE,POLYLINE").matches(big));
  EXPECT_TRUE(WildcardPattern("*中").matches(big));
  EXPECT_TRUE(WildcardPattern("%%C中*c中").matches(big));
  EXPECT_FALSE(WildcardPattern("*中%").matches(big));
  EXPECT_TRUE(WildcardPattern("*c中%%c中").matches(big));
  EXPECT_TRUE(WildcardPattern("*.").matches(big + "!"));
}

TEST(Filter, TypeTextLayerAndGenericCodes) {
  const auto text = entity("TEXT", {{8, "Frame"}, {1, "DWG-001"}, {40, "2.5"}, {62, "3"}});
  const auto mtext = entity("MTEXT", {{8, "0"}, {3, "first "}, {3, "second "}, {1, "last"}});
  const auto line = entity("LINE", {{8, "Frame"}});

  EXPECT_TRUE(filterMatches({{0, std::string("TEXT,MTEXT")}}, text));
  EXPECT_TRUE(filterMatches({{0, std::string("TEXT,MTEXT")}}, mtext));
  EXPECT_FALSE(filterMatches({{0, std::string("TEXT,MTEXT")}}, line));
  EXPECT_TRUE(filterMatches({{8, std::string("frame")}}, line));
  EXPECT_TRUE(filterMatches({{0, std::string("text")}, {1, std::string("DWG-###")}}, text));
  EXPECT_FALSE(filterMatches({{0, std::string("TEXT")}, {8, std::string("0")}}, text));
  // MTEXT contents: the 3-chunks then the 1.
  EXPECT_TRUE(filterMatches({{1, std::string("first second last")}}, mtext));
  EXPECT_FALSE(filterMatches({{1, std::string("last")}}, mtext));
  // Numbers compare numerically, whatever the stored text looks like.
  EXPECT_TRUE(filterMatches({{40, 2.5}}, text));
  EXPECT_TRUE(filterMatches({{62, std::int32_t{3}}}, text));
  EXPECT_FALSE(filterMatches({{62, std::int32_t{4}}}, text));
  // A code the entity does not have fails, unless DXF leaves it out at its default.
  EXPECT_FALSE(filterMatches({{40, 2.5}}, line));
  EXPECT_FALSE(filterMatches({{62, std::int32_t{3}}}, line));
  EXPECT_TRUE(filterMatches({{62, std::int32_t{256}}}, line));
  EXPECT_TRUE(filterMatches({{6, std::string("ByLayer")}}, line));
  EXPECT_TRUE(filterMatches({}, line));
}

TEST(Filter, NestedGroupsAndEmptyOr) {
  const auto text = entity("TEXT", {{1, "A12"}});
  const auto attdef = entity("ATTDEF", {{1, "x"}, {2, "A12"}});
  const auto insert = entity("INSERT", {{2, "TB-A3"}});
  // Texts or attribute definitions that carry the drawing number.
  const Filter corner = {{-4, std::string("<or")},       {-4, std::string("<and")},
                         {0, std::string("TEXT,MTEXT")}, {1, std::string("@##")},
                         {-4, std::string("and>")},      {-4, std::string("<and")},
                         {0, std::string("ATTDEF")},     {2, std::string("@##")},
                         {-4, std::string("and>")},      {-4, std::string("or>")}};
  EXPECT_TRUE(filterMatches(corner, text));
  EXPECT_TRUE(filterMatches(corner, attdef));
  EXPECT_FALSE(filterMatches(corner, insert));

  // An OR group without operands selects nothing; an empty AND group is true.
  const Filter noTemplates = {{-4, std::string("<and")},
                              {0, std::string("INSERT")},
                              {-4, std::string("<or")},
                              {-4, std::string("or>")},
                              {-4, std::string("and>")}};
  EXPECT_FALSE(filterMatches(noTemplates, insert));
  EXPECT_TRUE(filterMatches({{-4, std::string("<AND")}, {-4, std::string("AND>")}}, insert));

  const Filter notText = {
      {-4, std::string("<not")}, {0, std::string("TEXT")}, {-4, std::string("not>")}};
  EXPECT_FALSE(filterMatches(notText, text));
  EXPECT_TRUE(filterMatches(notText, insert));
  const Filter xorFilter = {{-4, std::string("<xor")},
                            {0, std::string("INSERT")},
                            {2, std::string("TB-*")},
                            {-4, std::string("xor>")}};
  EXPECT_FALSE(filterMatches(xorFilter, insert));
  EXPECT_TRUE(filterMatches(xorFilter, entity("INSERT", {{2, "OTHER"}})));
}

TEST(Filter, MalformedGroupsAreRefused) {
  const Filter bad[] = {
      {{-4, std::string("<or")}, {0, std::string("TEXT")}},
      {{0, std::string("TEXT")}, {-4, std::string("or>")}},
      {{-4, std::string("<or")}, {-4, std::string("and>")}},
      {{-4, std::string("<not")}, {-4, std::string("not>")}},
      {{-4, std::string("<xor")}, {0, std::string("A")}, {-4, std::string("xor>")}},
      {{-4, std::string("<nand")}, {-4, std::string("nand>")}},
      {{-4, std::int32_t{1}}},
      {{8, Value{}}},
  };
  for (const Filter& f : bad) {
    try {
      CompiledFilter c(f);
      ADD_FAILURE() << "accepted a malformed filter of " << f.size() << " entries";
    } catch (const HostError& e) {
      EXPECT_EQ(e.code(), HostError::Refused);
    }
  }
}

TEST(Filter, RotationWithToleranceAndMTextDirection) {
  const Filter zero = {{50, 0.0}};
  EXPECT_TRUE(filterMatches(zero, entity("TEXT", {{1, "a"}})));  // missing 50 is 0
  EXPECT_TRUE(filterMatches(zero, entity("TEXT", {{50, "0.0000004"}})));
  EXPECT_TRUE(filterMatches(zero, entity("TEXT", {{50, "359.9999999"}})));
  EXPECT_FALSE(filterMatches(zero, entity("TEXT", {{50, "0.001"}})));
  EXPECT_TRUE(filterMatches({{50, 90.0}}, entity("TEXT", {{50, "90"}})));
  // MTEXT without 50 takes its angle from the direction vector.
  const auto up = entity("MTEXT", {{11, "0"}, {21, "2.5"}, {31, "0"}});
  EXPECT_TRUE(filterMatches({{50, 90.0}}, up));
  EXPECT_FALSE(filterMatches(zero, up));
  EXPECT_TRUE(filterMatches(zero, entity("MTEXT", {{11, "1"}, {21, "0"}})));
}

TEST(Filter, PointValues) {
  const auto line = entity("LINE", {{10, "1"}, {20, "2"}, {30, "0"}, {11, "5"}, {21, "6"}});
  EXPECT_TRUE(filterMatches({{10, Point3{1, 2, 0}}}, line));
  EXPECT_TRUE(filterMatches({{11, Point3{5, 6, 0}}}, line));
  EXPECT_FALSE(filterMatches({{10, Point3{1, 3, 0}}}, line));
}

}  // namespace
}  // namespace cadhost::geom
