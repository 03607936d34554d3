// Words of texts, the drawing's text list, lone lines named from their words, frame-region
// texts and the block-table analysis, on drawings written by python3-ezdxf.

#include <gtest/gtest.h>

#include <sheetcut/error.h>

#include <QFile>
#include <QFileInfo>
#include <cmath>
#include <numbers>

#include "drawing_fixture.h"
#include "qstring_printer.h"
#include "recognition_test_access.h"

namespace tarvik {
namespace {

using Access = RecognitionTestAccess;
using recogtest::Host;

class DrawingTest : public recogtest::SuiteDrawings<DrawingTest> {
 protected:
  static void SetUpTestSuite() {
    ASSERT_EQ(recogtest::writeWithEzdxf(file("words.dxf"), R"(
msp.add_text('AB   CD', dxfattribs={'insert': (0, 0), 'height': 2.5, 'width': 0.8})
msp.add_text('   ', dxfattribs={'insert': (0, 20), 'height': 2.5})
msp.add_mtext('{\\H2.5;\\C1;图号} A-01', dxfattribs={'insert': (0, 40), 'char_height': 2.5})
msp.add_text('竖排', dxfattribs={'insert': (100, 0), 'height': 2.5, 'rotation': 90})
msp.add_text('  A ', dxfattribs={'insert': (0, 60), 'height': 2.5})
blk = doc.blocks.new(name='TB')
for i, tag in enumerate(['NO', 'NAME', 'SCALE']):
    blk.add_attdef(tag, (0, i * 5), dxfattribs={'height': 2.5})
ref = msp.add_blockref('TB', (200, 0))
ref.add_auto_attribs({'NO': 'A-01', 'NAME': '平面图', 'SCALE': '1:100'})
)"),
              "");
    ASSERT_EQ(recogtest::writeWithEzdxf(file("header.dxf"), R"(
msp.add_line((0, 0), (40, 0))
msp.add_text('共', dxfattribs={'insert': (-6, 0.5), 'height': 3.5})
msp.add_text('张', dxfattribs={'insert': (42, 0.5), 'height': 3.5})
msp.add_line((0, -30), (40, -30))
msp.add_text('设计', dxfattribs={'insert': (-10, -29.5), 'height': 3.5})
msp.add_text('张三', dxfattribs={'insert': (5, -29.5), 'height': 3.5})
)"),
              "");
    ASSERT_EQ(recogtest::writeWithEzdxf(file("tb1.dxf"), recogtest::titleBlockPython(0, 0, 0)), "");
    // A 2 x 2 table with a label in the left half of each cell, alone and with one stray line
    // far away.
    const std::string table = R"(
for y in (0, 10, 20):
    msp.add_line((0, y), (60, y))
for x in (0, 30, 60):
    msp.add_line((x, 0), (x, 20))
for x, y, s in ((2, 12, '图号'), (32, 12, '比例'), (2, 2, '设计'), (32, 2, '审核')):
    msp.add_text(s, dxfattribs={'insert': (x, y), 'height': 3})
)";
    ASSERT_EQ(recogtest::writeWithEzdxf(file("t2x2.dxf"), table), "");
    ASSERT_EQ(recogtest::writeWithEzdxf(file("s1e11.dxf"),
                                        table + "msp.add_line((1e11, 0), (1e11, 20))\n"),
              "");
    ASSERT_EQ(recogtest::writeWithEzdxf(file("s1e12.dxf"),
                                        table + "msp.add_line((1e12, 0), (1e12, 20))\n"),
              "");
    ASSERT_EQ(
        recogtest::writeWithEzdxf(file("turned.dxf"), recogtest::titleBlockPython(-300, 200, 90)),
        "");
  }
  static cadhost::Entity textAt(const cadhost::Document& doc, double x, double y) {
    for (const cadhost::Entity& e : doc.modelSpace().entities()) {
      if (e.dxfType() != "TEXT" && e.dxfType() != "MTEXT") continue;
      const cadhost::Point3 p = e.insertionPoint();
      if (std::fabs(p.x - x) < 1e-9 && std::fabs(p.y - y) < 1e-9) return e;
    }
    ADD_FAILURE() << "no text at " << x << "," << y;
    return {};
  }
};

TEST_F(DrawingTest, WordsOfATextAreMeasuredOnTheTextItself) {
  Host h;
  cadhost::Document doc = h.open(file("words.dxf"));
  const int before = doc.modelSpace().count();
  const cadhost::Entity spaced = textAt(doc, 0, 0);
  cadhost::Point3 lo, hi;
  spaced.getBoundingBox(lo, hi);
  const std::vector<TextType> w = h.cad.TextSplit(spaced);
  ASSERT_EQ(w.size(), 3u);
  EXPECT_EQ(w[0].s, "");
  EXPECT_EQ(w[1].s, "AB");
  EXPECT_EQ(w[2].s, "CD");
  EXPECT_NEAR(w[2].XR, hi.x, 1e-9);  // the last word ends where the text does
  EXPECT_NEAR(w[1].XL, lo.x, 1e-9);
  EXPECT_NEAR(w[1].XR, lo.x + 2 * 0.65 * 2.5 * 0.8, 1e-9);  // its own prefix, width factor 0.8
  EXPECT_EQ(w[1].H, 2.5);
  EXPECT_EQ(w[1].Y, lo.y);
  // Only spaces: no word and nothing made in the drawing.
  EXPECT_EQ(h.cad.TextSplit(textAt(doc, 0, 20)).size(), 1u);
  // A multi-line text's codes never become words.
  const auto m = h.cad.TextSplit(textAt(doc, 0, 40));
  ASSERT_EQ(m.size(), 3u);
  EXPECT_EQ(m[1].s, "图号");
  EXPECT_EQ(m[2].s, "A-01");
  EXPECT_LT(m[1].XR, m[2].XL);
  // One word: the text's own box, no scratch text.
  const auto one = h.cad.TextSplit(textAt(doc, 100, 0));
  ASSERT_EQ(one.size(), 2u);
  EXPECT_EQ(one[1].s, "竖排");
  EXPECT_EQ(doc.modelSpace().count(), before);
}

// Words cut where a %% code meets a space, characters beyond the basic plane, runs of spaces at
// either end: each word's right end is the width of the text up to it.
TEST_F(DrawingTest, WordEndsAreTheWidthsOfTheTextUpToThem) {
  Host h;
  cadhost::Document doc = h.open(file("words.dxf"));
  const cadhost::Entity text = doc.modelSpace().addText(
      QString::fromUcs4(U" %%dA%%  图 \U00020000x ").toStdString(), {0, 0, 0}, 2);
  const int before = doc.modelSpace().count();
  const std::vector<TextType> w = h.cad.TextSplit(text);
  ASSERT_EQ(w.size(), 4u);
  const struct {
    QString s;
    double XL, XR;
  } words[] = {
      {"%%dA%%", 1.0, 6.2}, {"图", 8.2, 10.2}, {QString::fromUcs4(U"\U00020000x"), 11.2, 14.5}};
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(w[i + 1].s, words[i].s);
    EXPECT_NEAR(w[i + 1].XL, words[i].XL, 1e-9) << i;
    EXPECT_NEAR(w[i + 1].XR, words[i].XR, 1e-9) << i;
    EXPECT_EQ(w[i + 1].H, 2);
  }
  EXPECT_EQ(doc.modelSpace().count(), before);
}

TEST_F(DrawingTest, TextListAttributesAndCorners) {
  Host h;
  cadhost::Document doc = h.open(file("words.dxf"));
  Access::getDwgTexts(h.cad);
  std::vector<QString> got;
  for (long i = 0; i < Access::textNum(h.cad); ++i) got.push_back(Access::texts(h.cad)[i].s);
  // The turned text and the text of blanks are left out; "  A " is kept as stored.
  ASSERT_EQ(got.size(), 3u);
  EXPECT_EQ(got[0], "AB   CD");
  EXPECT_TRUE(got[1].contains("A-01"));
  EXPECT_EQ(got[2], "  A ");
  EXPECT_EQ(Access::texts(h.cad)[2].XL, 0);
  EXPECT_EQ(Access::texts(h.cad)[2].Y, 60);

  cadhost::Entity ref;
  for (const cadhost::Entity& e : doc.modelSpace().entities()) {
    if (e.dxfType() == "INSERT") ref = e;
  }
  Access::textNum(h.cad) = 0;
  Access::texts(h.cad).clear();
  Access::getBlkAttTexts(h.cad, ref);
  Access::getBlkAttTexts(h.cad, ref);
  ASSERT_EQ(Access::textNum(h.cad), 6);
  EXPECT_EQ(Access::texts(h.cad)[4].s, "平面图");
  EXPECT_THROW(Access::getBlkAttTexts(h.cad, textAt(doc, 0, 0)), sheetcut::Error);

  // Corners: one text fills every slot; of two at the same distance the first wins.
  Access::texts(h.cad) = {{5, 9, 2.5, 7, "only"}};
  Access::textNum(h.cad) = 1;
  Access::findCornerTexts(h.cad);
  ASSERT_EQ(Access::cornerTexts(h.cad).size(), 5u);
  EXPECT_EQ(Access::cornerTexts(h.cad)[0].s, "");
  for (int i = 1; i <= 4; ++i) EXPECT_EQ(Access::cornerTexts(h.cad)[i].s, "only");
  Access::texts(h.cad) = {
      {0, 1, 1, 0, "a"}, {10, 11, 1, 10, "b"}, {10, 11, 1, 10, "c"}, {0, 1, 1, 10, "d"}};
  Access::textNum(h.cad) = 4;
  Access::findCornerTexts(h.cad);
  EXPECT_EQ(Access::cornerTexts(h.cad)[1].s, "d");
  EXPECT_EQ(Access::cornerTexts(h.cad)[2].s, "b");
  EXPECT_EQ(Access::cornerTexts(h.cad)[4].s, "a");

  // Joining a cell's texts: the marker only for a cell named with it.
  Access::texts(h.cad) = {{0, 10, 2, 0, "DRAWING"}, {0, 8, 2, 5, "图名"}};
  Access::textNum(h.cad) = 2;
  const CellType marked{"图名|*|", Variant::point(-1, -1, 0), Variant::point(20, 10, 0), 0, {}};
  EXPECT_EQ(Access::joinTextRecs(h.cad, marked), "图名|*|DRAWING");
  EXPECT_EQ(Access::texts(h.cad)[0].s, "");  // used once only
  Access::texts(h.cad) = {{0, 10, 2, 0, "DRAWING"}, {0, 8, 2, 5, "图名"}};
  CellType plain = marked;
  plain.name = "图名";
  EXPECT_EQ(Access::joinTextRecs(h.cad, plain), "图名DRAWING");
}

TEST_F(DrawingTest, LoneLinesAreNamedFromTheirWordsInHeaderMode) {
  Host h;
  cadhost::Document doc = h.open(file("header.dxf"));
  h.cad.State = 1;
  EXPECT_TRUE(Access::anWinTable(h.cad).empty());  // horizontal lines only: no cells
  h.cad.State = 0;
  const auto cells = Access::anWinTable(h.cad);
  ASSERT_EQ(cells.size(), 2u);
  EXPECT_EQ(cells[0].name, "共X张");
  EXPECT_EQ(cells[0].T, 1);
  EXPECT_NEAR(cells[0].P1.coordinate(1), 3.5, 1e-9);  // one text height above the line
  EXPECT_EQ(cells[0].P2.coordinate(0), 40);
  EXPECT_TRUE(cells[0].s.contains("<表头名>共X张</表头名>"));
  EXPECT_EQ(cells[1].name, "设计");
}

TEST_F(DrawingTest, BlockTableAnalysisWritesItsLayout) {
  Host h;
  QTemporaryDir mods;
  h.cad.setModPath(mods.path());
  h.open(file("tb1.dxf"));
  h.cad.AN_block();
  EXPECT_EQ(h.cad.State, 0);
  EXPECT_EQ(Access::textNum(h.cad), 0);
  const std::vector<TextType> corners = Access::cornerTexts(h.cad);
  ASSERT_EQ(corners.size(), 5u);
  EXPECT_EQ(corners[1].s, "图号");  // nearest the top-left corner of the words
  std::vector<CellType> labels;
  for (const CellType& c : Access::cells(h.cad)) {
    if (c.T == kLabelCellOrder && !c.s.isEmpty()) labels.push_back(c);
  }
  ASSERT_FALSE(labels.empty());
  // The value cells beside labels got their records.
  bool valueCell = false;
  for (const CellType& c : Access::cells(h.cad)) {
    valueCell = valueCell || (c.T == 1 && c.s.contains("<是否人名>1 是</是否人名>"));
  }
  EXPECT_TRUE(valueCell);
  ASSERT_TRUE(QFileInfo::exists(mods.filePath("mod/tb1.bln")));
  Access::cornerTexts(h.cad).clear();
  const std::vector<CellType> back = Access::readBlockLayout(h.cad, "tb1");
  EXPECT_EQ(back, labels);
  ASSERT_EQ(Access::cornerTexts(h.cad).size(), 5u);
  for (int i = 1; i <= 4; ++i) EXPECT_EQ(Access::cornerTexts(h.cad)[i].s, corners[i].s);

  // A drawing whose name is too short to lose an extension is refused.
  const std::string shortName = dir().filePath("abc").toStdString();
  QFile::copy(QString::fromStdString(file("tb1.dxf")), QString::fromStdString(shortName));
  h.open(shortName);
  EXPECT_THROW(h.cad.AN_block(), sheetcut::Error);
}

// The tolerance of a table follows the table's own lines: a stray line far from it, or a window
// far wider than it, changes none of its cells.
TEST_F(DrawingTest, FarStrayLinesAndWideWindowsKeepEveryCell) {
  Host h;
  QTemporaryDir mods;
  h.cad.setModPath(mods.path());
  h.open(file("t2x2.dxf"));
  h.cad.AN_block();
  const std::vector<CellType> want = Access::cells(h.cad);
  ASSERT_EQ(want.size(), 8u);  // each cell split into its label and its value
  const std::vector<CellType> layout = Access::readBlockLayout(h.cad, "t2x2");
  for (const char* name : {"s1e11", "s1e12"}) {
    h.open(file((std::string(name) + ".dxf").c_str()));
    h.cad.AN_block();
    EXPECT_EQ(Access::cells(h.cad), want) << name;
    EXPECT_EQ(Access::readBlockLayout(h.cad, name), layout) << name;
  }

  h.cad.State = 1;
  const auto tight = Access::anWinTable(h.cad, Point3d{-1, -1, 0}, Point3d{61, 21, 0});
  ASSERT_EQ(tight.size(), 4u);
  EXPECT_EQ(Access::anWinTable(h.cad, Point3d{-1e12, -1e12, 0}, Point3d{1e12, 1e12, 0}), tight);
}

TEST_F(DrawingTest, FrameRegionTextsOfATurnedFrame) {
  Host h;
  cadhost::Document doc = h.open(file("turned.dxf"));
  std::vector<double> rotations;
  for (const cadhost::Entity& e : doc.modelSpace().entities()) {
    if (e.dxfType() == "TEXT") rotations.push_back(e.rotation());
  }
  Access::setFrameUcs(h.cad, {-300, 200, 0}, std::numbers::pi / 2, "QX_UCS");
  EXPECT_EQ(Access::getFrameTexts(h.cad, {0, 40, 0}, {30, 30, 0}), "图号");
  EXPECT_EQ(Access::getFrameTexts(h.cad, {0, 20, 0}, {80, 30, 0}), "Scale1:100");
  // A border through a text keeps only the words whose centres lie inside.
  EXPECT_EQ(Access::getFrameTexts(h.cad, {0, 20, 0}, {30, 30, 0}), "Scale");
  EXPECT_EQ(Access::getFrameTexts(h.cad, {130, 0, 0}, {180, 10, 0}), "");
  EXPECT_EQ(doc.activeUcs().name(), "QX_UCS");
  std::size_t k = 0;
  for (const cadhost::Entity& e : doc.modelSpace().entities()) {
    if (e.dxfType() == "TEXT") {
      EXPECT_EQ(e.rotation(), rotations[k++]);
    }
  }
}

}  // namespace
}  // namespace tarvik
