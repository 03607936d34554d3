// Drawing numbers and attribute values read from title blocks, and the error log.

#include <gtest/gtest.h>

#include <cadhost/host_error.h>

#include <QDir>
#include <QFile>

#include "analysis_fixture.h"
#include "analysis_test_access.h"
#include "mobrel/ini_file.h"
#include "qstring_printer.h"

namespace {

using tarvik::AnalysisTestAccess;

class TitleBlockTest : public ::testing::Test, public antest::Host {
 protected:
  antest::Frame attributed(double x, const QString& number) {
    antest::Frame f;
    f.sheet = antest::standardSheets()[1];
    f.x = x;
    f.attributes = true;
    f.number = number;
    f.name = "总平面图";
    return f;
  }
  cadhost::Document open(const QString& file) {
    cadhost::Document doc = app->documents().open(file.toStdString());
    cad.AcadDoc = doc;
    return doc;
  }
};

TEST_F(TitleBlockTest, DrawingNumberFromAttributeDefinitionsAndBlockAttributes) {
  // A loose attribute definition whose prompt spells the number with a space: its tag.
  ASSERT_EQ(antest::writeWithEzdxf(spath("def.dxf"), R"(
msp.add_attdef('DWG_NO', (10, 10), dxfattribs={'prompt': '图 号', 'height': 3})
msp.add_attdef('OTHER', (10, 20), dxfattribs={'prompt': '名称', 'height': 3})
)"),
            "");
  open(path("def.dxf"));
  EXPECT_EQ(cad.GetTuHao({0, 0, 0}, {100, 100, 0}), "DWG_NO");

  // A tag "图纸编号" with an unrelated prompt: the attribute's value.
  ASSERT_EQ(antest::writeWithEzdxf(spath("tag.dxf"), R"(
blk = doc.blocks.new(name='TB')
blk.add_attdef('图纸编号', (0, 0), dxfattribs={'prompt': 'number', 'height': 3})
ref = msp.add_blockref('TB', (50, 50))
ref.add_auto_attribs({'图纸编号': 'S-07'})
)"),
            "");
  open(path("tag.dxf"));
  EXPECT_EQ(cad.GetTuHao({0, 0, 0}, {100, 100, 0}), "S-07");
  // Nothing in the window: "".
  EXPECT_EQ(cad.GetTuHao({500, 500, 0}, {600, 600, 0}), "");

  // Two frame blocks: the first enumerated wins; each window finds its own.
  ASSERT_EQ(
      antest::writeFrames(spath("two.dxf"), {attributed(0, "JG-01"), attributed(600, "JG-02")}),
      "");
  open(path("two.dxf"));
  EXPECT_EQ(cad.GetTuHao({-1, -1, 0}, {1100, 300, 0}), "JG-01");
  EXPECT_EQ(cad.GetTuHao({590, -1, 0}, {1100, 300, 0}), "JG-02");
  // The selection set is deleted afterwards.
  EXPECT_THROW(cad.AcadDoc->selectionSets().item("BlkSS"), cadhost::HostError);
}

TEST_F(TitleBlockTest, TitleBlockAttributesGoToTheReportAndTheUsersDrawingStaysOpen) {
  ASSERT_EQ(
      antest::writeFrames(spath("two.dxf"), {attributed(0, "JG-01"), attributed(600, "JG-02")}),
      "");
  ASSERT_EQ(antest::writeWithEzdxf(spath("mine.dxf"), "msp.add_line((0, 0), (1, 1))"), "");
  const cadhost::Document mine = open(path("mine.dxf"));
  QStringList names{"TK_A3"}, tags{"TUHAO", "TUMING", "SHEJI"}, descs{"图号", "图名", "设计"};
  cad.SetBlkArr(names, tags, descs);
  names[0] = "OTHER";  // the object keeps its own copy
  AnalysisTestAccess::readTitleBlkAtt(cad, path("two.dxf"));

  const mobrel::IniFile report(path("AnRpt.txt"));
  const QString section = path("two.dxf").toLower();
  EXPECT_EQ(report.GetIniKey(section, "图号"), "JG-01");  // only the first title block
  EXPECT_EQ(report.GetIniKey(section, "图名"), "总平面图");
  EXPECT_EQ(antest::sectionKeys(path("AnRpt.txt"), section), (QStringList{"图号", "图名"}));
  EXPECT_TRUE(ui->messages().empty());
  // The user's drawing is still open and the object's drawing again; the report's drawing
  // was closed.
  ASSERT_EQ(app->documents().count(), 1);
  EXPECT_TRUE(app->documents().item(0) == mine);
  ASSERT_TRUE(cad.AcadDoc);
  EXPECT_TRUE(*cad.AcadDoc == mine);

  AnalysisTestAccess::readTitleBlkAtt(cad, path("missing.dxf"));
  ASSERT_EQ(ui->messages().size(), 1u);
  EXPECT_EQ(ui->messages()[0].title, "提示");
  EXPECT_TRUE(ui->messages()[0].text.startsWith("提取图签属性值异常, 原因:"));
  EXPECT_EQ(app->documents().count(), 1);
}

TEST_F(TitleBlockTest, TitleBlockReportOfAFolderWithBracketsAndUnholdableDescriptions) {
  ASSERT_TRUE(QDir(dir.path()).mkpath("we]ird[br]"));
  ASSERT_EQ(antest::writeFrames(spath("we]ird[br]/s.dxf"), {attributed(0, "JG-01")}), "");
  QStringList names{"TK_A3"}, tags{"TUHAO", "TUMING"}, descs{"图号", "图名"};
  cad.SetBlkArr(names, tags, descs);
  AnalysisTestAccess::readTitleBlkAtt(cad, path("we]ird[br]/s.dxf"));
  const mobrel::IniFile report(path("AnRpt.txt"));
  const QString section = path("we]ird[br]/s.dxf").toLower();
  EXPECT_EQ(report.GetIniKey(section, "图号"), "JG-01");
  EXPECT_EQ(report.GetIniKey(section, "图名"), "总平面图");
  EXPECT_TRUE(ui->messages().empty());

  // A description the report cannot hold as a key is not written raw, and is reported; the
  // other attributes are still written.
  for (const QString& bad : {QString("图号=伪"), QString("[图号]")}) {
    const size_t shown = ui->messages().size();
    QStringList badDescs{bad, "名称"};
    cad.SetBlkArr(names, tags, badDescs);
    AnalysisTestAccess::readTitleBlkAtt(cad, path("we]ird[br]/s.dxf"));
    ASSERT_EQ(ui->messages().size(), shown + 1) << bad.toStdString();
    const QString text = ui->messages().back().text;
    EXPECT_TRUE(text.startsWith("提取图签属性值异常, 原因:"));
    EXPECT_TRUE(text.contains("\"" + bad + "\"")) << text.toStdString();
    EXPECT_TRUE(text.contains(path("AnRpt.txt"))) << text.toStdString();
    EXPECT_EQ(report.GetIniKey(section, "名称"), "总平面图");
    EXPECT_EQ(report.GetIniKey(section, "图号"), "JG-01");
  }
  EXPECT_EQ(antest::sectionKeys(path("AnRpt.txt"), section), (QStringList{"图号", "图名", "名称"}));
}

TEST_F(TitleBlockTest, ErrorLogKeepsEveryMessageOfOneSecond) {
  AnalysisTestAccess::errLogPath(cad) = path("ErrLog.txt");
  for (int i = 0; i < 3; ++i) AnalysisTestAccess::writeErrLog(cad, QString("message %1").arg(i));
  const QStringList keys = antest::sectionKeys(path("ErrLog.txt"), "ErrInfo");
  ASSERT_EQ(keys.size(), 3);
  const mobrel::IniFile log(path("ErrLog.txt"));
  QStringList values;
  for (const QString& k : keys) values << log.GetIniKey("ErrInfo", k);
  EXPECT_EQ(values, (QStringList{"message 0", "message 1", "message 2"}));
  // Within one second the later keys are the first one with a count.
  if (keys[0].size() == 19 && keys[2].startsWith(keys[0])) {
    EXPECT_EQ(keys[1], keys[0] + " (2)");
    EXPECT_EQ(keys[2], keys[0] + " (3)");
  }
}

}  // namespace
