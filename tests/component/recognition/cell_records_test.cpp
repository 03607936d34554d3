// Cell texts and header records of the working cell list, and the key elements that the
// block layouts get from the template cells.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "qstring_printer.h"
#include "recognition_test_access.h"
#include "tarvik/recognition/record_xml.h"

namespace tarvik {
namespace {

using Access = RecognitionTestAccess;

CellType cell(double l, double t, double r, double b, std::int16_t T = 0, const QString& name = {},
              const QString& s = {}) {
  return {name, Variant::point(l, t, 0), Variant::point(r, b, 0), T, s};
}

TextType word(const char* s, double xl, double xr, double y, double h = 2.5) {
  return {xl, xr, h, y, QString::fromUtf8(s)};
}

void setCells(CAD& cad, std::vector<CellType> cells) {
  Access::cellNum(cad) = static_cast<long>(cells.size());
  Access::cells(cad) = std::move(cells);
}

void setTexts(CAD& cad, std::vector<TextType> texts) {
  Access::textNum(cad) = static_cast<long>(texts.size());
  Access::texts(cad) = std::move(texts);
}

TEST(CellTexts, SelectionOrderAndLabelCells) {
  CAD cad;
  cad.State = 1;
  // Centres: on the top edge (not taken), on the bottom and left edges (taken), outside.
  setTexts(cad, {word("top", 8, 12, 8.75), word("R", 14, 16, 0), word("L", -1, 1, 0),
                 word("out", 30, 40, 3), word("A&B", 4, 6, 4)});
  setCells(cad, {cell(0, 10, 20, -1.25, 0, {}, QStringLiteral("old"))});
  EXPECT_EQ(Access::textsToXml(cad, 0), "A&BLR");
  const CellType& c = Access::cells(cad)[0];
  EXPECT_EQ(c.T, kLabelCellOrder);
  EXPECT_EQ(c.name, "A&BLR");
  EXPECT_TRUE(c.s.startsWith("<Root> <Text> <S>A&amp;B</S>")) << c.s.toStdString();
  // No word inside: T 0, s kept; a named cell keeps its name and T.
  setCells(cad, {cell(100, 10, 120, 0, 5, {}, QStringLiteral("old")),
                 cell(0, 10, 20, -1.25, 3, QStringLiteral("图号"))});
  EXPECT_EQ(Access::textsToXml(cad, 0), "");
  EXPECT_EQ(Access::cells(cad)[0].T, 0);
  EXPECT_EQ(Access::cells(cad)[0].s, "old");
  Access::textsToXml(cad, 1);
  EXPECT_EQ(Access::cells(cad)[1].name, "图号");
  EXPECT_EQ(Access::cells(cad)[1].T, 3);
}

TEST(CellTexts, HeaderModeSplitsCellsByTheHalfTheirWordsSitIn) {
  CAD cad;
  cad.State = 0;
  setTexts(cad, {word("设", 30, 33, 2), word("计", 33, 36, 2)});
  setCells(cad, {cell(0, 10, 40, 0)});
  EXPECT_EQ(Access::textsToXml(cad, 0), "设计");
  ASSERT_EQ(Access::cellNum(cad), 2);
  const CellType& value = Access::cells(cad)[0];
  const CellType& label = Access::cells(cad)[1];
  EXPECT_EQ(value.P2.coordinate(0), 30);
  EXPECT_EQ(value.T, 1);
  EXPECT_EQ(value.name, "设计");
  EXPECT_EQ(value.s, headerActionXml("设计", false));
  EXPECT_EQ(label.P1.coordinate(0), 30);
  EXPECT_EQ(label.P2.coordinate(0), 40);
  EXPECT_EQ(label.T, kLabelCellOrder);
  EXPECT_EQ(label.s, "");

  // Words in the left half: the right part becomes the value cell.
  setTexts(cad, {word("图 名", 2, 10, 2)});
  setCells(cad, {cell(0, 10, 40, 0)});
  Access::textsToXml(cad, 0);
  ASSERT_EQ(Access::cellNum(cad), 2);
  EXPECT_EQ(Access::cells(cad)[0].name, "图名");
  EXPECT_EQ(Access::cells(cad)[0].T, kLabelCellOrder);
  EXPECT_EQ(Access::cells(cad)[0].P2.coordinate(0), 10);
  EXPECT_EQ(Access::cells(cad)[1].P1.coordinate(0), 10);
  EXPECT_EQ(Access::cells(cad)[1].T, 1);
}

TEST(CellTexts, ANewCellThatWouldHoldAListedOneIsLeftOut) {
  CAD cad;
  for (double y : {20.0, 0.0}) Access::addGridLine(cad, {0, y, 0}, {30, y, 0});
  for (double x : {0.0, 30.0}) Access::addGridLine(cad, {x, 0, 0}, {x, 20, 0});
  // The first cell of the list counts as well.
  setCells(cad, {cell(5, 15, 10, 5, 3, "first")});
  Access::getTblRows(cad, 0, 0, 1, 1);
  EXPECT_EQ(Access::cellNum(cad), 1);
  setCells(cad, {cell(50, 15, 60, 5, 3, "elsewhere")});
  Access::getTblRows(cad, 0, 0, 1, 1);
  ASSERT_EQ(Access::cellNum(cad), 2);
  EXPECT_EQ(Access::cells(cad)[1].P1.toPoint(), (Point3d{0, 20, 0}));
  EXPECT_EQ(Access::cells(cad)[1].P2.toPoint(), (Point3d{30, 0, 0}));
  EXPECT_EQ(Access::cells(cad)[1].T, 0);  // no words in it
  // A missing left line: the left X comes from the top line's start.
  Access::getTblRows(cad, 0, -1, 1, 1);
  EXPECT_EQ(Access::cellNum(cad), 2);  // the same rectangle again: left out
}

TEST(HeaderRecords, RowsColumnsAndTheLeftNeighbour) {
  CAD cad;
  const QString record = headerActionXml("设计", true);
  // A label with two empty cells to its right, then three stacked cells below it.
  setCells(cad, {cell(0, 10, 20, 0, kLabelCellOrder, "设计"), cell(20, 10, 40, 0),
                 cell(40, 10.5, 60, -0.5), cell(0, 0, 20, -10), cell(0, -10, 20, -20),
                 cell(0, -20, 20, -30), cell(100, 10, 120, 0, 4, "x")});
  Access::anHeaderXml(cad);
  const auto& c = Access::cells(cad);
  EXPECT_EQ(c[1].name, "设计");
  EXPECT_EQ(c[2].name, "设计1");
  EXPECT_EQ(c[1].T, 1);
  EXPECT_EQ(c[2].T, 1);
  EXPECT_EQ(c[2].s, record);
  // Mixed layout: the column's own first cell is counted, nothing else is touched.
  EXPECT_EQ(c[3].T, 3);
  EXPECT_EQ(c[3].s, record);
  EXPECT_EQ(c[4].T, kLabelCellOrder);
  EXPECT_EQ(c[5].T, kLabelCellOrder);
  EXPECT_EQ(c[5].s, "");
  EXPECT_EQ(c[6].T, 4);  // a cell holding something is never taken
  EXPECT_EQ(c[6].name, "x");

  // Only a left neighbour; and a label with no neighbour at all.
  setCells(cad, {cell(-30, 10, 0, 0), cell(0, 10, 20, 0, kLabelCellOrder, "日期"),
                 cell(500, 10, 520, 0, kLabelCellOrder, "孤")});
  Access::anHeaderXml(cad);
  EXPECT_EQ(Access::cells(cad)[0].T, 1);
  EXPECT_EQ(Access::cells(cad)[0].name, "日期");
  EXPECT_EQ(Access::cells(cad)[2].s, "");

  // Two labels, the first takes a column cell and the second a row cell first and then a
  // column: the first label's column keeps its count.
  setCells(cad, {cell(0, 10, 20, 0, kLabelCellOrder, "A"), cell(0, 0, 20, -10),
                 cell(0, -10, 20, -20), cell(100, 10, 120, 0, kLabelCellOrder, "B"),
                 cell(120, 10, 140, 0), cell(100, 0, 120, -10), cell(100, -10, 120, -20)});
  Access::anHeaderXml(cad);
  const auto& d = Access::cells(cad);
  EXPECT_EQ(d[1].T, 2);
  EXPECT_EQ(d[2].T, kLabelCellOrder);
  EXPECT_EQ(d[4].T, 1);
  EXPECT_EQ(d[5].T, 2);  // B's own column, counted apart from its row cell
  EXPECT_EQ(d[6].T, kLabelCellOrder);
}

// A template folder with two templates, their cell files and block layouts.
class CellXml : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    QFile db(dir.filePath(QStringLiteral("db.xml")));
    ASSERT_TRUE(db.open(QIODevice::WriteOnly));
    db.write(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><r>"
        "<m n=\"T1\"><c>\xe5\x9b\xbe\xe7\xad\xbe\xe6\xa8\xa1\xe6\x9d\xbf</c><i>0,0</i></m>"
        "<m n=\"T2\"><c>\xe5\x9b\xbe\xe7\xad\xbe\xe6\xa8\xa1\xe6\x9d\xbf</c><i>0,0</i></m>"
        "</r>");
    db.close();
    cad.setModPath(dir.path());
    ASSERT_EQ(cad.ModCount(), 2);
  }
  QString layoutText(const std::vector<CellType>& cells, std::size_t i) {
    return i < cells.size() ? cells[i].s : QStringLiteral("<missing>");
  }
  QTemporaryDir dir;
  CAD cad;
};

TEST_F(CellXml, KeysHeightsAndPositions) {
  // Template T1: cells of the cell file (|T| > 2 take part).
  setCells(cad, {cell(0, 50, 30, 40, 2, "a"), cell(0, 40, 30, 30, 3, "b"),
                 cell(30, 40, 60, 30, 3, "c"), cell(30, 60, 60, 50, -4, "d")});
  const CellType tc = Access::cells(cad)[1];
  // Layout of T1: 图号 (图 also in T2, 号 only here), 设计 (both in T2 too), "Name", and a cell
  // whose text was written before texts were escaped.
  const QString rows = QStringLiteral(
      "<Root> <Text> <S>图号</S> <XL>0</XL> <XR>1</XR> <Y>0</Y> <H>3.5</H> </Text>"
      " <Text> <S>号</S> <XL>0</XL> <XR>1</XR> <Y>0</Y> <H>2.5</H> </Text></Root>");
  Access::cornerTexts(cad) = std::vector<TextType>(5);
  Access::cornerTexts(cad)[1].s = QStringLiteral("corner");
  Access::saveBlockLayoutEx(
      cad, "T1",
      {cell(0, 50, 30, 40, kLabelCellOrder, "图号", rows),
       cell(30, 50, 60, 40, kLabelCellOrder, "设/*/计",
            QStringLiteral("<Root> <Text> <S>设计</S> <H>5</H> </Text></Root>")),
       cell(60, 50, 90, 40, kLabelCellOrder, "Name",
            QStringLiteral("<Root> <Text> <S>N</S> <H>4</H> </Text> <Text> <S>M</S> <H>1.5"
                           "</H> </Text></Root>")),
       cell(90, 50, 120, 40, kLabelCellOrder, "R&D",
            QStringLiteral("<Root> <Text> <S>R&D</S> <H>2</H> </Text></Root>")),
       cell(120, 50, 150, 40, kLabelCellOrder, "坏",
            QStringLiteral("<Root> <Text> <S>坏</S> <H>0.5</H> </Root>"))});
  Access::saveBlockLayoutEx(
      cad, "T2",
      {cell(0, 10, 10, 0, kLabelCellOrder, "设计图",
            QStringLiteral("<Root> <Text> <S>x</S> <H>1</H> </Text></Root>"))});
  cad.SaveMod("T2");  // an empty cell file for T2
  setCells(cad, {cell(0, 50, 30, 40, 2, "a"), tc, cell(30, 40, 60, 30, 3, "c"),
                 cell(30, 60, 60, 50, -4, "d")});
  cad.SaveMod("T1");  // writes T1's cells, then rebuilds every layout's keys

  const std::vector<CellType> t1 = Access::readBlockLayout(cad, "T1");
  ASSERT_EQ(t1.size(), 5u);
  EXPECT_EQ(Access::cornerTexts(cad)[1].s, "corner");
  // 号 occurs once: the key at once; its smallest height among texts holding it is 2.5; the
  // template cell 1 lies below it (T > 0, its top on the layout cell's bottom).
  EXPECT_EQ(t1[0].s,
            "<Root><KEY><Text>号</Text> <Height> 2.5</Height><CellLine>1</CellLine></KEY>"
            " <Text> <S>图号</S> <XL>0</XL> <XR>1</XR> <Y>0</Y> <H>3.5</H> </Text> <Text> "
            "<S>号</S> <XL>0</XL> <XR>1</XR> <Y>0</Y> <H>2.5</H> </Text></Root>");
  EXPECT_EQ(t1[0].T, 1);
  // 设 and 计 both occur twice: the first is the key. The cells 2 (below, T > 0) and 3 (above,
  // T < 0) both match; the last wins.
  EXPECT_TRUE(t1[1].s.startsWith(
      "<Root><KEY><Text>设</Text> <Height> 5</Height><CellLine>3</CellLine></KEY>"))
      << t1[1].s.toStdString();
  // No wide character: empty key, the smallest height of all texts; no template cell.
  EXPECT_TRUE(t1[2].s.startsWith(
      "<Root><KEY><Text></Text> <Height> 1.5</Height><CellLine></CellLine></KEY>"));
  EXPECT_EQ(t1[2].T, 0);
  // An old unescaped record still gives its height.
  EXPECT_TRUE(t1[3].s.startsWith("<Root><KEY><Text></Text> <Height> 2</Height>"));
  // A text that does not parse gives no height of its own, not the previous cell's.
  EXPECT_TRUE(t1[4].s.startsWith(
      "<Root><KEY><Text>坏</Text> <Height> 10000000</Height><CellLine></CellLine></KEY>"))
      << t1[4].s.toStdString();
  // T2: 设, 计 and 图 all occur twice, so 设 is the key; no text holds it: 10000000.
  const std::vector<CellType> t2 = Access::readBlockLayout(cad, "T2");
  ASSERT_EQ(t2.size(), 1u);
  EXPECT_TRUE(t2[0].s.startsWith(
      "<Root><KEY><Text>设</Text> <Height> 10000000</Height><CellLine></CellLine></KEY>"))
      << t2[0].s.toStdString();

  // Running it again replaces the key element instead of adding one.
  cad.SaveMod("T1");
  const std::vector<CellType> again = Access::readBlockLayout(cad, "T1");
  ASSERT_EQ(again.size(), 5u);
  EXPECT_EQ(again[0].s, t1[0].s);
  EXPECT_EQ(again[0].s.count("<KEY>"), 1);
}

}  // namespace
}  // namespace tarvik
