// Analyses whose cost must follow what the drawing holds, not what a template declares: a cell
// of many rows, a template list naming one block many times, and template lists that cannot be
// read, which every frame's failure then names once.

#include <gtest/gtest.h>

#include <sheetcut/error.h>
#include <QDir>
#include <QFile>

#include "analysis_fixture.h"
#include "mobrel/ini_file.h"
#include "qstring_printer.h"

namespace {

using antest::Frame;
using antest::Sheet;
using tarvik::Variant;

class ReportCostTest : public ::testing::Test, public antest::Host {
 protected:
  void SetUp() override { QDir().mkpath(path("mods")); }

  QString report() const { return path("AnRpt.txt"); }
  QString key(const QString& section, const QString& k) const {
    return mobrel::IniFile(report()).GetIniKey(section, k);
  }
  void writeFile(const QString& name, const QByteArray& bytes) {
    QFile file(path(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
  }
  // "db.xml" naming TK_A3 `entries` times, and its cells: the standard ones with the note cell
  // spanning `noteRows` rows.
  void makeA3Templates(int entries, int noteRows) {
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<mods>\n";
    for (int i = 0; i < entries; ++i) {
      xml += QStringLiteral("<mod name=\"TK_A3\"><type>图签模板</type><ins>0,0</ins></mod>\n")
                 .toUtf8();
    }
    xml += "</mods>\n";
    writeFile("mods/db.xml", xml);
    cad.setModPath(path("mods"));
    cad.ReadMod("TK_A3");
    const double W = a3().W;
    cad.newCell(QStringLiteral("图号"), 1, QString(), Variant::point(W - 150, 40, 0),
                Variant::point(W - 80, 30, 0));
    cad.newCell(QStringLiteral("备注"), noteRows, QString(), Variant::point(W - 80, 40, 0),
                Variant::point(W, 30, 0));
    cad.SaveMod("TK_A3");
  }
  static Sheet a3() { return antest::standardSheets()[1]; }
  static Frame frame() {
    Frame f;
    f.sheet = a3();
    f.number = "JG-01";
    f.name = "平面图";
    f.scaleText = "1:100";
    f.note1 = "甲";
    f.note2 = "乙";
    return f;
  }
};

TEST_F(ReportCostTest, ACellOfManyRowsReportsTheRowsThatHoldTexts) {
  // 32,767 rows declared: two hold texts, and a text lies far below in the 20,000th row.
  makeA3Templates(1, 32767);
  ASSERT_EQ(antest::writeFrames(spath("rows.dxf"), {frame()},
                                "msp.add_text('丙', dxfattribs={'insert': (343, -199968), "
                                "'height': 3.5})\n"),
            "");
  ASSERT_TRUE(cad.FXDWG(path("rows.dxf")));
  const QString section = path("rows.dxf").toLower();
  EXPECT_EQ(key(section, "图号"), "JG-01");
  EXPECT_EQ(key(section, "Line000"), "备注:甲");
  EXPECT_EQ(key(section, "Line001"), "备注:乙");
  EXPECT_EQ(key(section, "Line002"), "备注:丙");
  EXPECT_EQ(
      antest::sectionKeys(report(), section),
      (QStringList{"模版", "_比例", "GUID", "图号", "Line000", "Line001", "Line002", "图幅"}));
}

TEST_F(ReportCostTest, ManyTemplatesOfOneBlockKeepTheTemplateLineWithinAProfileRead) {
  constexpr int kEntries = 300;  // 1,800 bytes of names: past a profile read
  makeA3Templates(kEntries, 2);
  ASSERT_EQ(cad.ModCount(), kEntries);
  ASSERT_EQ(antest::writeFrames(spath("one.dxf"), {frame()}), "");
  ASSERT_TRUE(cad.FXDWG(path("one.dxf")));
  const QString section = path("one.dxf").toLower();
  const QString templates = key(section, "模版");
  EXPECT_TRUE(templates.startsWith("TK_A3,TK_A3,")) << templates.left(40).toStdString();
  EXPECT_LE(templates.toUtf8().size(), 1023);
  // Each match extends what a profile read gives back by one name: the line stays that short.
  QFile file(report());
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_LT(file.size(), 1023 + 300);
  EXPECT_EQ(key(section, "图号"), "JG-01");
}

TEST_F(ReportCostTest, TemplatesOfOneBlockWithOtherOffsetsReadTheirOwnPlaces) {
  makeA3Templates(1, 2);
  // The same template again, its title block 10 units lower: its number cell lies on the name.
  writeFile("mods/db.xml",
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<mods>"
            "<mod name=\"TK_A3\"><type>图签模板</type><ins>0,0</ins></mod>"
            "<mod name=\"TK_A3\"><type>图签模板</type><ins>0,0</ins></mod>"
            "<mod name=\"TK_A3\"><type>图签模板</type><ins>0,10</ins></mod></mods>\n");
  cad.ReadMods();
  ASSERT_EQ(cad.ModCount(), 3);
  ASSERT_EQ(antest::writeFrames(spath("one.dxf"), {frame()}), "");
  ASSERT_TRUE(cad.FXDWG(path("one.dxf")));
  const QString section = path("one.dxf").toLower();
  EXPECT_EQ(key(section, "模版"), "TK_A3,TK_A3,TK_A3");
  EXPECT_EQ(key(section, "图号"), "平面图");
}

TEST_F(ReportCostTest, ATemplateListThatCannotBeReadIsNamedOnceWithItsReason) {
  ASSERT_EQ(antest::writeFrames(spath("set.dxf"), {frame()}), "");
  const QString list = path("mods/db.xml");

  // Entities that expand to 20 MB from a file of 100 KB, then a list that is not XML.
  QByteArray bomb = "<?xml version=\"1.0\"?>\n<!DOCTYPE mods [<!ENTITY e \"" +
                    QByteArray(1000, 'x') + "\">]>\n<mods><mod name=\"TK_A3\"><type>";
  for (int i = 0; i < 20000; ++i) bomb += "&e;";
  bomb += "</type><ins>0,0</ins></mod></mods>\n";
  const QByteArray broken = "<mods><mod name=\"TK_A3\"><type>图签模板</type>";
  // The list of the folder set before, whose cell files the new folder lacks, is not kept.
  QDir().mkpath(path("before"));
  for (const auto& [bytes, reason] :
       {std::pair{bomb, QStringLiteral("entities")}, std::pair{broken, QStringLiteral("line")}}) {
    antest::makeTemplates(cad, path("before"), antest::standardSheets());
    ASSERT_EQ(cad.ModCount(), 5);
    writeFile("mods/db.xml", bytes);
    cad.setModPath(path("mods"));
    EXPECT_EQ(cad.ModCount(), 0);
    EXPECT_TRUE(cad.ModListError().contains(list)) << cad.ModListError().toStdString();
    EXPECT_TRUE(cad.ModListError().contains(reason)) << cad.ModListError().toStdString();
    const QString error = splitWithAnalysis("set.dxf");
    EXPECT_EQ(error.count(QStringLiteral("could not be read")), 1) << error.toStdString();
    EXPECT_TRUE(error.contains(list)) << error.toStdString();
    EXPECT_TRUE(error.contains("not recognised")) << error.toStdString();
    EXPECT_FALSE(error.contains(".dat")) << error.toStdString();
  }

  // Read again once mended: the reason goes.
  makeA3Templates(1, 2);
  EXPECT_EQ(cad.ModListError(), "");
}

}  // namespace
