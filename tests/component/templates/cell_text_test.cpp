// Writing text into cells: heights, rows, alignment, squeezing and wrapping by the host's width
// model; text styles; text between two points.

#include <sheetcut/error.h>

#include <cmath>

#include "writing_fixture.h"

namespace tarvik {
namespace {

using Point = cadhost::Point3;

void expectPoint(const Point& p, double x, double y) {
  EXPECT_NEAR(p.x, x, 1e-9);
  EXPECT_NEAR(p.y, y, 1e-9);
}

// Twelve full-width characters take 36 units at height 3: one line of a 40 x 8 cell (38 wide).
const QString kChinese = QStringLiteral("工程设计图纸目录编号名称比例日期审核批准");

class CellText : public WritingTest {};

TEST_F(CellText, ShortTextTakesOneLineAtTheLettersPlace) {
  const CellType cell = cellBetween("名称", 0, 0, 40, 8, 1, "AB");
  QString letter;
  EXPECT_EQ(cad.Wri_Cell_Text(cell, 1, letter), 1);
  EXPECT_EQ(letter, "C");  // chosen and written back
  letter = "R";
  EXPECT_EQ(cad.Wri_Cell_Text(cell, 1, letter), 1);
  letter = "L";
  EXPECT_EQ(cad.Wri_Cell_Text(cell, 1, letter), 1);
  letter = "c";  // not a letter the writer knows: left
  EXPECT_EQ(cad.Wri_Cell_Text(cell, 1, letter), 1);
  CellType works = cell;
  works.name = "工程";
  letter.clear();
  cad.Wri_Cell_Text(works, 1, letter);
  EXPECT_EQ(letter, "R");

  const auto texts = entities("TEXT");
  ASSERT_EQ(texts.size(), 5u);
  for (const auto& t : texts) {
    EXPECT_DOUBLE_EQ(t.height(), 3.0);        // a cell up to 9 high
    expectPoint(t.insertionPoint(), 1, 2.5);  // left margin 1, centred on the row middle 4
  }
  EXPECT_EQ(texts[0].alignment(), 1);
  expectPoint(texts[0].textAlignmentPoint(), 20, 2.5);
  EXPECT_EQ(texts[1].alignment(), 2);
  expectPoint(texts[1].textAlignmentPoint(), 39, 2.5);
  EXPECT_EQ(texts[2].alignment(), 0);
  EXPECT_EQ(texts[3].alignment(), 0);
  EXPECT_EQ(texts[4].alignment(), 2);
}

TEST_F(CellText, TextJustOverALineIsSqueezedIntoIt) {
  // 14 characters: 42 wide, 1.1 lines, squeezed into one fitted line.
  const CellType cell = cellBetween("名称", 0, 0, 40, 8, 1, kChinese.left(14));
  QString letter = "L";
  EXPECT_EQ(cad.Wri_Cell_Text(cell, 1, letter), 1);
  const auto texts = entities("TEXT");
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].textString(), kChinese.left(14).toStdString());
  EXPECT_EQ(texts[0].alignment(), 5);
  expectPoint(texts[0].insertionPoint(), 1, 2.5);
  expectPoint(texts[0].textAlignmentPoint(), 39, 2.5);
  EXPECT_NEAR(boxWidth(texts[0]), 38, 1e-9);

  // 17 characters (51 wide, 1.34 lines) need a second line, aligned by the letter.
  const CellType longer = cellBetween("名称", 0, 0, 40, 8, 1, kChinese.left(17));
  letter = "C";
  EXPECT_EQ(cad.Wri_Cell_Text(longer, 1, letter), 2);
  const auto all = entities("TEXT");
  ASSERT_EQ(all.size(), 3u);
  EXPECT_EQ(all[1].alignment(), 5);
  EXPECT_EQ(all[2].alignment(), 1);
  expectPoint(all[2].textAlignmentPoint(), 20, -5.5);  // one cell height lower
  EXPECT_EQ(all[1].textString() + all[2].textString(), kChinese.left(17).toStdString());
}

TEST_F(CellText, LongChineseTextWrapsIntoLinesThatFitTheCell) {
  QString text;
  while (text.size() < 35) text += kChinese;
  text = text.left(35);  // 105 wide: 2.76 lines, three lines
  const CellType cell = cellBetween("说明", 0, 0, 40, 8, 1, text);
  QString letter = "L";
  EXPECT_EQ(cad.Wri_Cell_Text(cell, 1, letter), 3);
  const auto texts = entities("TEXT");
  ASSERT_EQ(texts.size(), 3u);
  std::string joined;
  for (std::size_t i = 0; i < texts.size(); ++i) {
    joined += texts[i].textString();
    expectPoint(texts[i].insertionPoint(), 1, 2.5 - 8.0 * static_cast<double>(i));
    cadhost::Point3 lo, hi;
    texts[i].getBoundingBox(lo, hi);
    EXPECT_GE(lo.x, 1 - 1e-9);
    EXPECT_LE(hi.x, 39 + 1e-9);
  }
  EXPECT_EQ(joined, text.toStdString());  // nothing lost, nothing doubled, in order
  EXPECT_EQ(texts[0].alignment(), 5);
  EXPECT_EQ(texts[1].alignment(), 5);
  EXPECT_EQ(texts[2].alignment(), 0);
  EXPECT_EQ(QString::fromStdString(texts[2].textString()).size(), 10);  // the last line's rest

  // Two and a third lines are squeezed into two fitted lines.
  const CellType squeezed = cellBetween("说明", 0, 100, 40, 108, 1, text.left(30));  // 2.37
  EXPECT_EQ(cad.Wri_Cell_Text(squeezed, 1, letter), 2);
}

TEST_F(CellText, CharactersOutsideTheBasicPlaneAreNeverCut) {
  QString text;
  for (int i = 0; i < 20; ++i) text += QString::fromUcs4(U"\U00020000");  // 60 wide
  const CellType cell = cellBetween("x", 0, 0, 40, 8, 1, text);
  EXPECT_EQ(cad.Wri_Cell_Text(cell, 1), 2);
  std::string joined;
  for (const auto& t : entities("TEXT")) {
    const QString line = QString::fromStdString(t.textString());
    EXPECT_EQ(line.toUcs4().size() * 2, static_cast<std::size_t>(line.size()));
    joined += t.textString();
  }
  EXPECT_EQ(joined, text.toStdString());
}

// Lines of mixed narrow, regular and full-width characters and %% codes end where the text
// left before them first fits the lines above; a code cut short measures as its characters.
TEST_F(CellText, WrappedLinesEndWhereTheRestFits) {
  const QString texts[] = {
      QStringLiteral("%%d1.5图号ABC,il%%c设计审核 工程abc%%%"),
      QStringLiteral("%%d%%d%%d%%d%%d%%d%%d%%d%%d%%d%%d%%d%%d%%d"),
      QStringLiteral("图%%123图%%123图%%123图%%123图%%123图%%123"),
      QStringLiteral("iiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiii%%"),
  };
  double y = 0;
  for (const QString& text : texts) {
    QString letter = "L";
    cad.Wri_Cell_Text(cellBetween("x", 0, y, 20, y + 8, 1, text), 1, letter);
    y += 100;
  }
  std::vector<std::string> lines;
  for (const auto& t : entities("TEXT")) lines.push_back(t.textString());
  EXPECT_EQ(lines,
            (std::vector<std::string>{
                "%%d1.5图号ABC", ",il%%c设计审核", " 工程abc%%%", "%%d%%d%%d%%d%%d%%d%%d%%d%%d",
                "%%d%%d%%d%%d%%d", "图%%123图%%123图%%123图%%123", "图%%123图%%123",
                "iiiiiiiiiiiiiiiiii", "iiiiiiiiiiiiiiiiiii", "iiiiiiiiiiiiiiii%%"}));
}

TEST_F(CellText, RowsLieBeyondTheCellBySignOfItsOrder) {
  QString letter = "L";
  cad.Wri_Cell_Text(cellBetween("a", 0, 0, 40, 8, 1, "x"), 1, letter, 3);   // towards P2
  cad.Wri_Cell_Text(cellBetween("a", 0, 0, 40, 8, 0, "x"), 1, letter, 3);   // towards P1
  cad.Wri_Cell_Text(cellBetween("a", 0, 0, 40, 8, -4, "x"), 1, letter, 2);  // one row on
  // A cell 12 high at scale 2: height 8, margins and rows scaled.
  cad.Wri_Cell_Text(cellBetween("a", 0, 0, 40, 12, 1, "x"), 2, letter, 1);
  const auto texts = entities("TEXT");
  ASSERT_EQ(texts.size(), 4u);
  expectPoint(texts[0].insertionPoint(), 1, 20 - 1.5);
  expectPoint(texts[1].insertionPoint(), 1, -12 - 1.5);
  expectPoint(texts[2].insertionPoint(), 1, -4 - 1.5);
  EXPECT_DOUBLE_EQ(texts[3].height(), 8);
  expectPoint(texts[3].insertionPoint(), 2, 12 - 4);
  EXPECT_DOUBLE_EQ(cad.Wri_Cell_Text(cellBetween("a", 0, 0, 40, 20, 1, "x"), 1), 1);
  EXPECT_DOUBLE_EQ(entities("TEXT").back().height(), 5);
}

TEST_F(CellText, EmptyTextAndNarrowCellsAreSafe) {
  QString letter;
  EXPECT_EQ(cad.Wri_Cell_Text(cellBetween("a", 0, 0, 40, 8, 1, ""), 1, letter), 0);
  EXPECT_EQ(letter, "C");
  EXPECT_TRUE(entities("TEXT").empty());
  // No usable width: one line, not wrapped, however long the text.
  letter = "L";
  EXPECT_EQ(cad.Wri_Cell_Text(cellBetween("a", 0, 0, 2, 8, 1, kChinese), 1, letter), 1);
  EXPECT_EQ(cad.Wri_Cell_Text(cellBetween("a", 5, 0, 0, 8, 1, kChinese), 1, letter), 1);
  const auto texts = entities("TEXT");
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0].textString(), kChinese.toStdString());
  EXPECT_EQ(texts[0].alignment(), 0);

  // A character wider than the usable width goes whole to the second line; no empty text
  // is left on the first.
  EXPECT_EQ(cad.Wri_Cell_Text(cellBetween("a", 0, 50, 4, 58, 1, "工"), 1, letter), 2);
  ASSERT_EQ(entities("TEXT").size(), 3u);
  EXPECT_EQ(entities("TEXT").back().textString(), "工");
  expectPoint(entities("TEXT").back().insertionPoint(), 1, 52.5 - 8);

  cad.AcadDoc.reset();
  EXPECT_THROW(cad.Wri_Cell_Text(cellBetween("a", 0, 0, 40, 8, 1, "x"), 1), sheetcut::Error);
  cad.AcadDoc = doc;
  EXPECT_THROW(cad.Wri_Cell_Text(CellType{"a", {}, {}, 1, "x"}, 1), sheetcut::Error);
  EXPECT_THROW(cad.Wri_Cell_Text(cellBetween("a", 0, 0, 40, 8, 1, "x"), 0), sheetcut::Error);
}

TEST_F(CellText, TextGoesThroughTheActiveUcs) {
  doc.setActiveUcs(doc.userCoordinateSystems().add({100, 200, 0}, {100, 300, 0}, {0, 200, 0},
                                                   "QZUCS"));  // turned a quarter left
  QString letter = "L";
  cad.Wri_Cell_Text(cellBetween("a", 0, 0, 40, 8, 1, "x"), 1, letter);
  const auto texts = entities("TEXT");
  ASSERT_EQ(texts.size(), 1u);
  expectPoint(texts[0].insertionPoint(), 100 - 2.5, 200 + 1);
  EXPECT_NEAR(texts[0].rotation(), 2 * std::atan(1.0), 1e-9);

  const cadhost::Entity m = cad.WirCell(cellBetween("a", 0, 0, 40, 8, 1, "x"), 1, letter);
  EXPECT_NEAR(m.rotation(), 0, 1e-9);  // the multi-line writer turns it back
}

TEST_F(CellText, MultiLineTextByAttachment) {
  QString letter;
  const cadhost::Entity c = cad.WirCell(cellBetween("a", 0, 0, 40, 12, 1, "x"), 2, letter);
  EXPECT_EQ(letter, "C");
  EXPECT_DOUBLE_EQ(c.height(), 10);  // 5 for a 12 high cell, times 2
  EXPECT_EQ(c.attachmentPoint(), 5);
  expectPoint(c.insertionPoint(), 40, 12);
  letter = "R";
  const cadhost::Entity r = cad.Wri_Cell_MText(cellBetween("a", 0, 0, 40, 20, 1, "x"), 1, letter);
  EXPECT_DOUBLE_EQ(r.height(), 7);
  EXPECT_EQ(r.attachmentPoint(), 6);
  expectPoint(r.insertionPoint(), 39, 10);
  letter = "L";
  const cadhost::Entity l = cad.WirCell(cellBetween("a", 0, 0, 40, 4, 1, "x"), 1, letter);
  EXPECT_DOUBLE_EQ(l.height(), 3);
  EXPECT_EQ(l.attachmentPoint(), 4);
  expectPoint(l.insertionPoint(), 1, 2);
  letter = "r";  // not known: the host's default attachment
  const cadhost::Entity d = cad.WirCell(cellBetween("a", 0, 0, 40, 4, 1, "x"), 1, letter);
  EXPECT_EQ(d.attachmentPoint(), 1);
  EXPECT_TRUE(ezdxfAudit(save("mtext.dxf")).empty());
}

TEST_F(CellText, FontStyleAndTemplateLayer) {
  cad.SetFont();
  cad.SetFont();
  const cadhost::TextStyle style = doc.activeTextStyle();
  EXPECT_EQ(style.name(), "CHINESE");
  EXPECT_EQ(style.getFont().typeface, "仿宋_GB2312");
  EXPECT_DOUBLE_EQ(style.width(), 0.7);
  int named = 0;
  for (int i = 0; i < doc.textStyles().count(); ++i)
    named += doc.textStyles().item(i).name() == "CHINESE";
  EXPECT_EQ(named, 1);
  // Width factor 0.7: the squeeze and wrap follow the narrower text.
  QString letter = "L";
  EXPECT_EQ(cad.Wri_Cell_Text(cellBetween("a", 0, 0, 40, 8, 1, kChinese.left(17)), 1, letter), 1);

  doc.layers().add("QXMOD").setColor(3);
  cad.SetFont("宋体", 1.0, "Other");
  cad.SetLaFnt();
  EXPECT_EQ(doc.activeLayer().name(), "QXMOD");
  EXPECT_EQ(doc.activeLayer().color(), 6);
  EXPECT_EQ(doc.activeTextStyle().name(), "QXMOD");
  EXPECT_EQ(doc.activeTextStyle().getFont().typeface, "宋体");
  EXPECT_TRUE(ezdxfAudit(save("styles.dxf")).empty());

  cad.AcadDoc.reset();
  EXPECT_NO_THROW(cad.SetFont());
  EXPECT_NO_THROW(cad.SetLaFnt());
}

class TwoPointText : public WritingTest {};

TEST_F(TwoPointText, SingleLinePlacements) {
  const Point3d a{0, 0, 0}, b{50, 10, 0};
  cad.Add2PText(a, b, "mc", 1, "mc");
  cad.Add2PText(a, b, "BR", 1, "BR");
  cad.Add2PText(a, b, "F", 2, "f");
  cad.Add2PText(a, b, "other", 2, "XX");
  cad.Add2PText({0, 14, 0}, {50, 0, 0}, "high", 1, "BL");
  const auto t = entities("TEXT");
  ASSERT_EQ(t.size(), 5u);
  EXPECT_DOUBLE_EQ(t[0].height(), 7);
  EXPECT_EQ(t[0].alignment(), 10);
  expectPoint(t[0].textAlignmentPoint(), 25, 5);
  EXPECT_EQ(t[1].alignment(), 14);
  expectPoint(t[1].textAlignmentPoint(), 48.5, 0.5);
  EXPECT_EQ(t[2].alignment(), 5);
  expectPoint(t[2].insertionPoint(), 3, 1);         // left margin scaled
  expectPoint(t[2].textAlignmentPoint(), 48.5, 1);  // right margin not
  EXPECT_DOUBLE_EQ(t[2].height(), 14);
  EXPECT_EQ(t[3].alignment(), 0);
  expectPoint(t[3].insertionPoint(), 3, 1);
  EXPECT_DOUBLE_EQ(t[4].height(), 10);  // 14 high
  EXPECT_EQ(t[4].alignment(), 12);
  expectPoint(t[4].insertionPoint(), 1.5, 0.5);  // the lower edge of the two
}

TEST_F(TwoPointText, MultiLinePlacements) {
  const Point3d a{0, 0, 0}, b{50, 10, 0};
  cad.Add2PMtext(a, b, "c");
  cad.Add2PMtext(a, {50, 14, 0}, "r", 2, "R");
  cad.Add2PMtext(a, {50, 20, 0}, "l", 1, "L");
  cad.Add2PMtext(a, b, "x", 1, "l");
  const auto t = entities("MTEXT");
  ASSERT_EQ(t.size(), 4u);
  EXPECT_DOUBLE_EQ(t[0].height(), 7);
  EXPECT_EQ(t[0].attachmentPoint(), 5);
  expectPoint(t[0].insertionPoint(), 25, 5);
  EXPECT_DOUBLE_EQ(t[1].height(), 14);  // 7 for 14 high, times 2
  EXPECT_EQ(t[1].attachmentPoint(), 6);
  expectPoint(t[1].insertionPoint(), 49 * 2 - 1, 14);
  EXPECT_DOUBLE_EQ(t[2].height(), 10);
  EXPECT_EQ(t[2].attachmentPoint(), 4);
  expectPoint(t[2].insertionPoint(), 1, 10);
  EXPECT_EQ(t[3].attachmentPoint(), 1);

  doc.setActiveUcs(doc.userCoordinateSystems().add({10, 0, 0}, {20, 0, 0}, {10, 10, 0}, "U"));
  cad.Add2PMtext(a, b, "moved");
  expectPoint(entities("MTEXT").back().insertionPoint(), 35, 5);
  EXPECT_TRUE(ezdxfAudit(save("two_point.dxf")).empty());
}

}  // namespace
}  // namespace tarvik
