// FXdwgDir and SplitdwgDir over folder trees.

#include <gtest/gtest.h>
#include <sheetcut/error.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>

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

// A split batch over drawings that hold things outside any recognised frame (a north arrow
// drawn as a stray line), while the caller has a drawing of its own open with a change it has
// not saved.
class SplitBatchTest : public FolderBatchTest {
 protected:
  void SetUp() override {
    FolderBatchTest::SetUp();
    ASSERT_TRUE(QDir().mkpath(path("Out")));
    ASSERT_TRUE(QDir().mkpath(path("mixed/sub")));
    cad.setChildFileSavePath(path("Out"));
    cad.setAnSubFolder(true);
    antest::Frame f;
    f.sheet = antest::standardSheets()[1];
    f.number = "JG-02";
    ASSERT_EQ(
        antest::writeFrames(spath("mixed/a.dxf"), {f}, "msp.add_line((1000, 100), (1010, 120))\n"),
        "");
    ASSERT_TRUE(QFile::copy(path("sheet.dxf"), path("mixed/b.dxf")));
    ASSERT_EQ(antest::writeFrames(spath("mixed/sub/c.dxf"), {f},
                                  "msp.add_circle((2000, 50), 5)\n"
                                  "msp.add_line((2000, 40), (2000, 60))\n"),
              "");
    events.root = path("mixed");
    caller = app->documents().add();
    unsaved = caller.modelSpace().addText("unsaved", {1, 2, 0}, 2.5);
  }
  void expectCallersDrawing() {
    ASSERT_EQ(app->documents().count(), 1);
    EXPECT_TRUE(app->activeDocument() == caller);
    EXPECT_EQ(caller.modelSpace().count(), 1);
    EXPECT_EQ(unsaved.textString(), "unsaved");
  }
  int children() const { return QDir(path("Out")).entryList(QDir::Files).size(); }

  cadhost::Document caller;
  cadhost::Entity unsaved;
};

TEST_F(SplitBatchTest, UnrecognisedFramesAreListedAfterTheWholeBatch) {
  try {
    cad.SplitdwgDir(path("mixed"));
    ADD_FAILURE() << "the unrecognised frames were passed over";
  } catch (const sheetcut::Error& e) {
    EXPECT_EQ(e.source(), "CAD.SplitdwgDir");
    const QString text = QString::fromStdString(e.description());
    // Both drawings with stray line work are named, with their frames; the sound one is not.
    EXPECT_TRUE(text.contains("2 drawing(s)")) << e.description();
    EXPECT_TRUE(text.contains("\"" + path("mixed/a.dxf") + "\"")) << e.description();
    EXPECT_TRUE(text.contains("\"" + path("mixed/sub/c.dxf") + "\"")) << e.description();
    EXPECT_FALSE(text.contains("b.dxf")) << e.description();
    EXPECT_TRUE(text.contains("its title block was not recognised")) << e.description();
  }
  // Every folder was walked to its end, and every recognised frame written.
  EXPECT_EQ(events.log.filter(QRegularExpression("^(dir|end)")),
            (QStringList{"dir ", "end ", "dir /sub", "end /sub"}));
  EXPECT_EQ(children(), 3);
  expectCallersDrawing();
}

TEST_F(SplitBatchTest, AnErrorThatEndsTheBatchStillEndsItAndCarriesTheList) {
  // A file that is no drawing cannot be opened: the batch ends there, without the folder's end
  // event, and its error also names the frames met before it.
  QFile bad(path("mixed/b2.dxf"));
  ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
  bad.write("not a drawing");
  bad.close();
  try {
    cad.SplitdwgDir(path("mixed"));
    ADD_FAILURE() << "a drawing that cannot be opened was passed over";
  } catch (const sheetcut::Error& e) {
    EXPECT_EQ(e.number(), sheetcut::errnum::kFileNotFound);
    const QString text = QString::fromStdString(e.description());
    EXPECT_TRUE(text.contains(path("mixed/b2.dxf"))) << e.description();
    EXPECT_TRUE(text.contains("\"" + path("mixed/a.dxf") + "\"")) << e.description();
  }
  EXPECT_EQ(events.log.filter(QRegularExpression("^(dir|end)")), QStringList{"dir "});
  EXPECT_EQ(children(), 2);  // a.dxf's and b.dxf's frames
  expectCallersDrawing();
}

}  // namespace
