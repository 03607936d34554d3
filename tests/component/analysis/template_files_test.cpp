// Template cell files in the analysis and the split: found without regard to the case of their
// names, and a matched template whose cell file is missing or damaged failing its frame.

#include <gtest/gtest.h>

#include <sheetcut/error.h>

#include <QDir>
#include <QFile>

#include "analysis_fixture.h"
#include "mobrel/ini_file.h"
#include "qstring_printer.h"
#include "tarvik/cad_events.h"
#include "tarvik/cell_file.h"

namespace {

using antest::Frame;
using antest::Sheet;

struct Ends : tarvik::CADEvents {
  int ends = 0;
  void AnDwgFileBigen(const QString&) override {}
  void AnDwgFileEnd(const QString&, const QString&) override { ++ends; }
  void AnDwgDirBigen(const QString&) override {}
  void AnDwgDirEnd(const QString&, const QString&) override {}
};

class TemplateFilesTest : public ::testing::Test, public antest::Host {
 protected:
  void SetUp() override {
    ASSERT_TRUE(QDir().mkpath(path("mods")));
    antest::makeTemplates(cad, path("mods"), antest::standardSheets());
    ASSERT_EQ(cad.ModCount(), 5);
  }
  QString cellFile(const QString& name) const { return path("mods/mod/" + name + ".dat"); }
  QString key(const QString& section, const QString& k) const {
    return mobrel::IniFile(path("AnRpt.txt")).GetIniKey(section, k);
  }
  static Frame frameOf(const Sheet& s, double x) {
    Frame f;
    f.sheet = s;
    f.x = x;
    f.number = "JG-" + s.sheet;
    f.name = "结构平面图" + s.sheet;
    return f;
  }
  // The last `bytes` bytes of a file cut off.
  static bool cut(const QString& file, qint64 bytes) {
    QFile f(file);
    return f.resize(f.size() - bytes);
  }
};

TEST_F(TemplateFilesTest, ACellFileNamedInAnotherCaseIsRead) {
  const Sheet a3 = antest::standardSheets()[1];
  ASSERT_TRUE(QFile::rename(cellFile("TK_A3"), cellFile("tk_a3")));
  ASSERT_EQ(antest::writeFrames(spath("a3.dxf"), {frameOf(a3, 0)}), "");
  ASSERT_TRUE(cad.FXDWG(path("a3.dxf")));
  const QString section = path("a3.dxf").toLower();
  EXPECT_EQ(key(section, "图号"), "JG-A3");
  EXPECT_EQ(key(section, "图名"), "结构平面图A3");

  // Saving the template again replaces that file rather than adding a second one.
  cad.ReadMod("TK_A3");
  cad.SaveMod("TK_A3");
  EXPECT_EQ(QDir(path("mods/mod")).entryList({"tk_a3.dat"}, QDir::Files), QStringList{"tk_a3.dat"});
}

TEST_F(TemplateFilesTest, FramesWhoseCellFilesCannotBeReadFailTheSplitNamingFileAndReason) {
  const std::vector<Sheet> sheets = antest::standardSheets();
  ASSERT_TRUE(cut(cellFile("TK_A3"), 5));  // the last record ends early
  ASSERT_TRUE(QFile::remove(cellFile("TK_A2")));
  ASSERT_EQ(antest::writeFrames(spath("set.dxf"), {frameOf(sheets[0], 0), frameOf(sheets[1], 600),
                                                   frameOf(sheets[2], 1400)}),
            "");
  const QString error = splitWithAnalysis("set.dxf");
  EXPECT_TRUE(error.contains("2 of the frames")) << error.toStdString();
  EXPECT_TRUE(error.contains(cellFile("TK_A3") + "\" is damaged: record 4")) << error.toStdString();
  EXPECT_TRUE(error.contains(cellFile("TK_A2") + "\" of the template \"TK_A2\" is missing"))
      << error.toStdString();
  EXPECT_EQ(QDir(path("Out")).entryList(QDir::Files).size(), 1);  // the A4 frame
  EXPECT_EQ(app->documents().count(), 0);

  // The analysis alone reads what it can, announces its end, then raises.
  ASSERT_EQ(antest::writeFrames(spath("a3.dxf"), {frameOf(sheets[1], 0)}), "");
  Ends events;
  cad.addEventHandler(&events);
  EXPECT_THROW(cad.FXDWG(path("a3.dxf")), tarvik::CellFileError);
  cad.removeEventHandler(&events);
  EXPECT_EQ(events.ends, 1);
  EXPECT_EQ(key(path("a3.dxf").toLower(), "图号"), "");
  EXPECT_EQ(app->documents().count(), 0);
}

}  // namespace
