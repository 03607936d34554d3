// Window table scans of drawings written by python3-ezdxf: the title block upright and turned,
// words of texts, and lone lines named from their words in header mode.

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "drawing_fixture.h"
#include "qstring_printer.h"
#include "recognition_test_access.h"

namespace tarvik {
namespace {

using Access = RecognitionTestAccess;
using recogtest::Box;
using recogtest::Host;

struct Scanned {
  Box box;
  QString name;
  int T;
};

std::vector<Scanned> boxes(const std::vector<CellType>& cells) {
  std::vector<Scanned> out;
  for (const CellType& c : cells) {
    const Point3d a = c.P1.toPoint(), b = c.P2.toPoint();
    EXPECT_EQ(a[2], 0);
    out.push_back({{a[0], a[1], b[0], b[1]}, c.name, c.T});
  }
  return out;
}

// The scanned cell at the expected box (corners within 0.5), or null.
const Scanned* find(const std::vector<Scanned>& got, const Box& want, double ox = 0,
                    double oy = 0) {
  for (const Scanned& s : got) {
    if (std::fabs(s.box.l - (want.l + ox)) < 0.5 && std::fabs(s.box.t - (want.t + oy)) < 0.5 &&
        std::fabs(s.box.r - (want.r + ox)) < 0.5 && std::fabs(s.box.b - (want.b + oy)) < 0.5) {
      return &s;
    }
  }
  return nullptr;
}

void expectTitleBlock(const std::vector<CellType>& cells, double ox, double oy) {
  const std::vector<Scanned> got = boxes(cells);
  const auto want = recogtest::titleBlockCells();
  ASSERT_EQ(got.size(), want.size());
  for (const Box& b : want) {
    EXPECT_NE(find(got, b, ox, oy), nullptr) << b.l << "," << b.t << " " << b.r << "," << b.b;
  }
  const auto nameAt = [&](const Box& b) {
    const Scanned* s = find(got, b, ox, oy);
    return s ? s->name : QStringLiteral("<none>");
  };
  EXPECT_EQ(nameAt(want[0]), "图号");
  EXPECT_EQ(nameAt(want[1]), "A100-B500-00");
  EXPECT_EQ(nameAt(want[2]), "工程名称");  // formatting codes gone
  EXPECT_EQ(nameAt(want[3]), "Scale");     // one TEXT split over two cells
  EXPECT_EQ(nameAt(want[4]), "1:100");
  EXPECT_EQ(nameAt(want[5]), "钢结构Steel");
  EXPECT_EQ(nameAt(want[6]), "设计张三");  // blanks removed from the name
  const Scanned* empty = find(got, want[13], ox, oy);
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(empty->T, 0);
  EXPECT_EQ(find(got, want[0], ox, oy)->T, kLabelCellOrder);
}

class TableScanTest : public recogtest::SuiteDrawings<TableScanTest> {
 protected:
  static void SetUpTestSuite() {
    const std::string upright = recogtest::titleBlockPython(1000, 500, 0);
    const std::string turned = recogtest::titleBlockPython(-300, 200, 30);
    ASSERT_EQ(recogtest::writeWithEzdxf(file("upright.dxf"), upright), "");
    ASSERT_EQ(recogtest::writeWithEzdxf(file("turned.dxf"), turned), "");
  }
};

TEST_F(TableScanTest, TitleBlockCellsAndTexts) {
  Host h;
  cadhost::Document doc = h.open(file("upright.dxf"));
  const int before = doc.modelSpace().count();
  const auto cells = Access::anWinTable(h.cad, Point3d{995, 495, 0}, Point3d{1185, 545, 0});
  expectTitleBlock(cells, 1000, 500);
  EXPECT_EQ(doc.modelSpace().count(), before);  // no scratch text left behind
  EXPECT_EQ(Access::cellNum(h.cad), static_cast<long>(cells.size()));
  // The words in reading order: top row first.
  const auto& texts = Access::texts(h.cad);
  ASSERT_GE(texts.size(), 8u);
  EXPECT_EQ(texts[0].s, "图号");
  EXPECT_EQ(texts[1].s, "A100-B500-00");
  // A cell's record holds its words.
  for (const CellType& c : cells) {
    if (c.name == "1:100") {
      EXPECT_TRUE(c.s.startsWith("<Root> <Text> <S>1:100</S> <XL>")) << c.s.toStdString();
    }
  }
  // The whole drawing when no window is given; a window without lines gives nothing.
  EXPECT_EQ(Access::anWinTable(h.cad).size(), cells.size());
  EXPECT_TRUE(Access::anWinTable(h.cad, Point3d{0, 0, 0}, Point3d{100, 100, 0}).empty());
  EXPECT_EQ(Access::textNum(h.cad), 0);
}

TEST_F(TableScanTest, TurnedCopyGivesTheSameCellsInTheFrameSystem) {
  Host h;
  cadhost::Document doc = h.open(file("turned.dxf"));
  std::vector<double> rotations;
  for (const cadhost::Entity& e : doc.modelSpace().entities()) {
    if (e.dxfType() == "TEXT" || e.dxfType() == "MTEXT") rotations.push_back(e.rotation());
  }
  Access::setFrameUcs(h.cad, {-300, 200, 0}, 30 * std::numbers::pi / 180, "FRAME");
  const auto cells = Access::anWinTable(h.cad, Point3d{-5, -5, 0}, Point3d{185, 45, 0});
  expectTitleBlock(cells, 0, 0);
  // The frame's system is current again and every text is turned as before.
  EXPECT_EQ(doc.activeUcs().name(), "FRAME");
  std::size_t k = 0;
  for (const cadhost::Entity& e : doc.modelSpace().entities()) {
    if (e.dxfType() == "TEXT" || e.dxfType() == "MTEXT") {
      EXPECT_NEAR(e.rotation(), rotations[k++], 1e-12);
    }
  }
  // Words of one row share one Y.
  const auto& texts = Access::texts(h.cad);
  ASSERT_GE(texts.size(), 2u);
  EXPECT_NEAR(texts[0].Y, texts[1].Y, 1e-6);
  EXPECT_NEAR(texts[0].Y, 33, 1e-6);
}

}  // namespace
}  // namespace tarvik
