// FXdwgDir and SplitdwgDir over folder trees.

#include <gtest/gtest.h>
#include <sheetcut/error.h>

#include <QDir>
#include <QFile>

#include "analysis_fixture.h"
#include "mobrel/ini_file.h"
#include "qstring_printer.h"
#include "tarvik/cad_events.h"

namespace {

struct Recorder : tarvik::CADEvents {
  QString root;
  QStringList log;
  std::function<void(const QString&)> onFileEnd, onDirBegin;
  QString rel(const QString& p) const { return QString(p).remove(root); }
  void AnDwgFileBigen(const QString& p) override { log << "file " + rel(p); }
  void AnDwgFileEnd(const QString& p, const QString&) override {
    if (onFileEnd) onFileEnd(p);
  }
  void AnDwgDirBigen(const QString& p) override {
    log << "dir " + rel(p);
    if (onDirBegin) onDirBegin(p);
  }
  void AnDwgDirEnd(const QString& p, const QString& r) override {
    log << "end " + rel(p) + (r.isEmpty() ? "" : " " + r);
  }
};

class FolderBatchTest : public ::testing::Test, public antest::Host {
 protected:
  void SetUp() override {
    QDir().mkpath(path("mods"));
    antest::makeTemplates(cad, path("mods"), antest::standardSheets());
    antest::Frame f;
    f.sheet = antest::standardSheets()[1];
    f.number = "JG-01";
    ASSERT_EQ(antest::writeFrames(spath("sheet.dxf"), {f}), "");
    // root: a.dxf, B.DXF, c.dxf.bak, readme.txt; sub1: c.dxf; sub1/deeper: d.dxf; sub2: e.dxf;
    // "link": a link to sub1.
    for (const char* dir : {"tree/sub1/deeper", "tree/sub2"}) QDir().mkpath(path(dir));
    for (const char* file : {"tree/a.dxf", "tree/B.DXF", "tree/c.dxf.bak", "tree/sub1/c.dxf",
                             "tree/sub1/deeper/d.dxf", "tree/sub2/e.dxf"}) {
      ASSERT_TRUE(QFile::copy(path("sheet.dxf"), path(file)));
    }
    QFile readme(path("tree/readme.txt"));
    ASSERT_TRUE(readme.open(QIODevice::WriteOnly));
    readme.close();
    ASSERT_TRUE(QFile::link(path("tree/sub1"), path("tree/link")));
    events.root = path("tree");
    cad.addEventHandler(&events);
  }
  void TearDown() override { cad.removeEventHandler(&events); }
  Recorder events;
};

TEST_F(FolderBatchTest, FoldersComeInPreOrderWithOnlyTheirDrawings) {
  cad.FXdwgDir(path("tree"));
  EXPECT_EQ(events.log, (QStringList{"dir ", "file /B.DXF", "file /a.dxf", "end "}));
  events.log.clear();
  cad.setAnSubFolder(true);
  cad.FXdwgDir(path("tree"));
  EXPECT_EQ(events.log, (QStringList{"dir ", "file /B.DXF", "file /a.dxf", "end ", "dir /sub1",
                                     "file /sub1/c.dxf", "end /sub1", "dir /sub1/deeper",
                                     "file /sub1/deeper/d.dxf", "end /sub1/deeper", "dir /sub2",
                                     "file /sub2/e.dxf", "end /sub2"}));
  // Each drawing was analysed into its own section.
  EXPECT_EQ(antest::sectionKeys(path("AnRpt.txt"), path("tree/sub2/e.dxf").toLower()).last(),
            "图幅");
}

TEST_F(FolderBatchTest, QuitStopsAtTheNextDrawingAndEntersNoFurtherFolder) {
  cad.setAnSubFolder(true);
  events.onFileEnd = [&](const QString&) { cad.Quit(); };
  cad.FXdwgDir(path("tree"));
  EXPECT_EQ(events.log, (QStringList{"dir ", "file /B.DXF", "end "}));

  // Quit before a batch has no effect on it; Quit as a folder begins handles none of its
  // drawings.
  events.onFileEnd = nullptr;
  events.log.clear();
  events.onDirBegin = [&](const QString&) { cad.Quit(); };
  cad.FXdwgDir(path("tree/sub1"));
  EXPECT_EQ(events.log, (QStringList{"dir /sub1", "end /sub1"}));
}

TEST_F(FolderBatchTest, MissingFolderFailsBeforeAnyEvent) {
  EXPECT_THROW(cad.FXdwgDir(path("nowhere")), sheetcut::Error);
  EXPECT_THROW(cad.SplitdwgDir(path("tree/a.dxf")), sheetcut::Error);
  EXPECT_TRUE(events.log.isEmpty());
}

TEST_F(FolderBatchTest, SplitBatchWritesGuidChildrenOfEveryDrawing) {
  QDir().mkpath(path("Out"));
  cad.setChildFileSavePath(path("Out"));
  cad.SplitdwgDir(path("tree/sub1"));
  // The frame's analysis announces the child it names.
  ASSERT_EQ(events.log.size(), 3);
  EXPECT_EQ(events.log[0], "dir /sub1");
  EXPECT_TRUE(events.log[1].startsWith("file " + path("Out") + "/"));
  EXPECT_EQ(events.log[2], "end /sub1");
  EXPECT_EQ(QDir(path("Out")).entryList(QDir::Files).size(), 1);
  EXPECT_EQ(
      mobrel::IniFile(path("AnRpt.txt")).GetIniKey(path("tree/sub1/c.dxf").toLower(), "SCount"),
      "1");
}

}  // namespace
