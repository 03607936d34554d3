// Reading orders, the joined cell text, number text and the XML records of cells.

#include <gtest/gtest.h>

#include <tarvik/recognition/number_text.h>
#include <tarvik/recognition/record_xml.h>
#include <tarvik/recognition/word_order.h>

#include <clocale>

#include "qstring_printer.h"

namespace tarvik {
namespace {

TextType word(const char* s, double xl, double y, double h = 2.5, double xr = -1) {
  return {xl, xr < 0 ? xl + 5 : xr, h, y, QString::fromUtf8(s)};
}

TEST(NumberText, RuntimeRulesInTheCLocale) {
  const char* old = std::setlocale(LC_NUMERIC, nullptr);
  const std::string saved = old ? old : "C";
  std::setlocale(LC_NUMERIC, "de_DE.UTF-8");  // a comma locale, where installed
  EXPECT_EQ(numberText(2.5), "2.5");
  EXPECT_EQ(numberText(-0.0), "0");
  EXPECT_EQ(numberText(0.0), "0");
  EXPECT_EQ(numberText(10000000), "10000000");
  EXPECT_EQ(numberText(0.1 + 0.2), "0.3");
  EXPECT_EQ(numberText(1e-5), "1E-05");
  EXPECT_EQ(numberText(0.0001), "0.0001");
  EXPECT_EQ(numberText(1e15), "1E+15");
  EXPECT_EQ(numberText(123456789012345.0), "123456789012345");
  EXPECT_EQ(numberText(-12.125), "-12.125");
  std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(WordOrder, SortArrAndCellOrder) {
  std::vector<TextType> line{word("b", 50, 0), word("a", 10, 0)};
  SortArr(line);
  EXPECT_EQ(line[0].s, "a");
  std::vector<TextType> rows{word("low", 0, 0), word("high", 30, 5)};
  SortArr(rows);
  EXPECT_EQ(rows[0].s, "high");

  // Cell order: right word listed first comes out second; a higher row comes first.
  std::vector<TextType> cell{word("x", 0, 0), word("R", 20, 0), word("L", 10, 0),
                             word("top", 30, 1.8)};
  sortCellWords(cell, 1, cell.size());
  EXPECT_EQ(cell[0].s, "x");  // outside the range
  EXPECT_EQ(cell[1].s, "top");
  EXPECT_EQ(cell[2].s, "L");
  EXPECT_EQ(cell[3].s, "R");
}

TEST(WordOrder, RowsJoinedWithOneMarkerAtMost) {
  double minX = 0, maxX = 0;
  // Chinese then digits: no marker (digits never get one).
  EXPECT_EQ(joinCellWords({word("图号", 0, 10), word("123", 2, 0)}, minX, maxX), "图号123");
  // Digits then Chinese then Latin: one marker before the Chinese row only.
  EXPECT_EQ(joinCellWords({word("12", 0, 20), word("图名", 0, 10), word("AB", -3, 0, 2.5, 40)},
                          minX, maxX),
            "12|*|图名AB");
  EXPECT_EQ(minX, -3);
  EXPECT_EQ(maxX, 40);
  // Same row: appended directly whatever the kind.
  EXPECT_EQ(joinCellWords({word("A", 0, 0), word("图", 6, 0)}, minX, maxX), "A图");
  EXPECT_EQ(joinCellWords({}, minX, maxX), "");
}

TEST(RecordXml, TextRowsAndHeaderRecords) {
  EXPECT_EQ(textRowsXml({word("A&B", 1.5, 2, 2.5, 3), word("<x>", -0.0, 1e-5, 3, 10)}),
            "<Root> <Text> <S>A&amp;B</S> <XL>1.5</XL> <XR>3</XR> <Y>2</Y> <H>2.5</H> </Text>"
            " <Text> <S>&lt;x&gt;</S> <XL>0</XL> <XR>10</XR> <Y>1E-05</Y> <H>3</H> </Text></Root>");
  EXPECT_EQ(headerActionXml("设计", false),
            "<action name=\"年度\"> <表头名>设计</表头名><单元类型>1 单行文本</单元类型>"
            "<文字高度>3</文字高度><文字样式>HZTXT</文字样式><对齐方式>1 左对齐</对齐方式>"
            "<是否人名>0 否</是否人名></action>");
  EXPECT_TRUE(headerActionXml("A", true).endsWith("<是否人名>1 是</是否人名></action>"));

  // What is written parses back to the same texts.
  XmlDocPtr doc = parseRecordXml(textRowsXml({word("A&B <c>", 0, 0)}));
  ASSERT_TRUE(doc);
  const xmlNode* root = xmlDocGetRootElement(doc.get());
  EXPECT_EQ(nodeText(root->children->next->children->next), "A&B <c>");
}

TEST(RecordXml, OldUnescapedRecordsStillRead) {
  XmlDocPtr doc = parseRecordXml(
      "<Root> <Text> <S>R&D <5 & a<b</S> <H>2.5</H> </Text> <Text> <S>&amp;</S></Text></Root>");
  ASSERT_TRUE(doc);
  const xmlNode* text = xmlDocGetRootElement(doc.get())->children->next;
  EXPECT_EQ(nodeText(text->children->next), "R&D <5 & a<b");
  EXPECT_FALSE(parseRecordXml("<Root><a></Root>"));
  EXPECT_FALSE(parseRecordXml(""));
}

}  // namespace
}  // namespace tarvik
