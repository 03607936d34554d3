// Title blocks read by their label layout, and the labels found by GetTextCell.

#include <gtest/gtest.h>

#include <QDir>
#include <cmath>

#include "analysis_fixture.h"
#include "analysis_test_access.h"
#include "mobrel/ini_file.h"
#include "qstring_printer.h"

namespace {

using tarvik::AnalysisTestAccess;
using tarvik::CellType;
using tarvik::Variant;

const antest::Sheet kLab{"LAB", 420, 297};

CellType label(const QString& name, const QString& key, double l, double t, double r, double b,
               std::int16_t T = 0) {
  CellType c;
  c.name = name;
  c.P1 = Variant::point(l, t, 0);
  c.P2 = Variant::point(r, b, 0);
  c.T = T;
  c.s =
      "<Root><KEY><Text>" + key + "</Text> <Height> 3.5</Height><CellLine></CellLine></KEY></Root>";
  return c;
}

class LabelLayoutTest : public ::testing::Test, public antest::Host {
 protected:
  void SetUp() override {
    QDir().mkpath(path("mods"));
    antest::makeTemplates(cad, path("mods"), {kLab});
    ASSERT_EQ(cad.ModCount(), 1);
    AnalysisTestAccess::errLogPath(cad) = path("ErrLog.txt");
  }
  // The title block drawn without a frame block, at `scale`.
  void draw(double scale) {
    antest::Frame f;
    f.sheet = kLab;
    f.scale = scale;
    f.asBlock = false;
    f.number = "LB-100";
    f.name = "立面图";
    f.scaleText = "1:50";
    ASSERT_EQ(antest::writeFrames(spath("lab.dxf"), {f}), "");
    app->documents().open(spath("lab.dxf"));
    AnalysisTestAccess::rptPath(cad) = path("AnRpt.txt");
    AnalysisTestAccess::rptSection(cad) = "lab";
  }
  void layout(const std::vector<CellType>& labels) {
    AnalysisTestAccess::saveBlockLayout(cad, "TK_LAB", labels);
  }
  QString key(const QString& k) const {
    return mobrel::IniFile(path("AnRpt.txt")).GetIniKey("lab", k);
  }
  // The number cell's label at the top left and the scale's label two rows below.
  static std::vector<CellType> twoLabels(double growLast = 1) {
    return {label("图号", "号", 240, 40, 270, 30),
            label("比例", "例", 240, 20, 240 + 30 * growLast, 20 - 10 * growLast)};
  }
};

TEST_F(LabelLayoutTest, ALayoutIsFoundAtScaleTwoAndItsCellsRead) {
  draw(2);
  layout(twoLabels());
  ASSERT_TRUE(AnalysisTestAccess::readFrameByLab(cad, 1, {}, {}, "G-1"));
  EXPECT_NEAR(AnalysisTestAccess::frameScale(cad), 2, 1e-6);
  EXPECT_EQ(key("模版"), "TK_LAB");
  EXPECT_EQ(key("GUID"), "G-1");
  EXPECT_EQ(key("图号"), "LB-100");
  EXPECT_EQ(key("图名"), "立面图");
  EXPECT_EQ(key("比例"), "1:50");
  const auto& found = AnalysisTestAccess::labCells(cad);
  ASSERT_FALSE(found.empty());
  EXPECT_NEAR(found[0].Width, 60, 1e-6);
  EXPECT_NEAR(found[0].Height, 20, 1e-6);
}

TEST_F(LabelLayoutTest, AnchorsThatDisagreeByMoreThanEightPercentRejectTheTemplate) {
  draw(1);
  layout(twoLabels(1.09));
  EXPECT_FALSE(AnalysisTestAccess::readFrameByLab(cad, 1));
  EXPECT_EQ(key("模版"), "");
  layout(twoLabels(1.07));
  EXPECT_TRUE(AnalysisTestAccess::readFrameByLab(cad, 1));
  EXPECT_EQ(key("模版"), "TK_LAB");
}

TEST_F(LabelLayoutTest, MissingLabelsLayoutsAndOneLabelLayoutsDoNotMatch) {
  draw(1);
  EXPECT_FALSE(AnalysisTestAccess::readFrameByLab(cad, 1));  // no layout file
  layout({label("图号", "号", 240, 40, 270, 30)});
  EXPECT_FALSE(AnalysisTestAccess::readFrameByLab(cad, 1));  // one label measures nothing
  layout({label("图号", "号", 240, 40, 270, 30), label("校对", "校", 240, 20, 270, 10)});
  EXPECT_FALSE(AnalysisTestAccess::readFrameByLab(cad, 1));  // a label that is not drawn
  EXPECT_FALSE(AnalysisTestAccess::readFrameByLab(cad, 7));  // no such template
  EXPECT_EQ(key("模版"), "");
}

TEST_F(LabelLayoutTest, AMultiLineLabelThatBreaksIsLogged) {
  draw(1);
  layout({label("图号", "号", 240, 40, 270, 30), label("图名", "名", 240, 30, 270, 20, 1),
          label("比例", "例", 240, 20, 270, 10, 2)});
  EXPECT_TRUE(AnalysisTestAccess::readFrameByLab(cad, 1));
  const QStringList keys = antest::sectionKeys(path("ErrLog.txt"), "ErrInfo");
  ASSERT_EQ(keys.size(), 1);
  EXPECT_EQ(mobrel::IniFile(path("ErrLog.txt")).GetIniKey("ErrInfo", keys[0]), "多行标签不连续");
}

TEST_F(LabelLayoutTest, LabelTextsAreMatchedLiterallyAndKnownCellsNotTwice) {
  draw(1);
  // "1:50" is in the drawing and within the label "1:50,X", which must not select it as the
  // alternatives "*1:50" or "X*".
  const CellType odd = label("1:50,X", "1:50,X", 270, 20, 340, 10);
  EXPECT_EQ(cad.GetTextCell(odd), "");
  EXPECT_TRUE(AnalysisTestAccess::labCells(cad).empty());

  const CellType number = label("图号", "号", 240, 40, 270, 30);
  const QString first = cad.GetTextCell(number);
  EXPECT_TRUE(first.startsWith("1")) << first.toStdString();  // a shape match: 10000 + k
  EXPECT_GE(first.section(',', 0, 0).toInt(), 10000);
  const std::size_t count = AnalysisTestAccess::labCells(cad).size();
  // The same text again lies in a cell found before: nothing is added.
  EXPECT_EQ(cad.GetTextCell(number), "");
  EXPECT_EQ(AnalysisTestAccess::labCells(cad).size(), count);
  // A label description that is not XML gives nothing at once.
  CellType broken = number;
  broken.s = "<Root><KEY>";
  EXPECT_EQ(cad.GetTextCell(broken), "");
}

}  // namespace
