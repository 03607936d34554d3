// FXDWG over frame-block sheets, and the split with analysis.

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <sheetcut/error.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <chrono>
#include <functional>
#include <utility>

#include "analysis_fixture.h"
#include "analysis_test_access.h"
#include "mobrel/ini_file.h"
#include "qstring_printer.h"
#include "small_filesystem.h"
#include "tarvik/cad_events.h"

namespace {

using antest::Frame;
using antest::Sheet;

struct Recorder : tarvik::CADEvents {
  QStringList log;
  void AnDwgFileBigen(const QString& p) override { log << "begin " + p; }
  void AnDwgFileEnd(const QString& p, const QString& r) override { log << "end " + p + " " + r; }
  void AnDwgDirBigen(const QString& p) override { log << "dir " + p; }
  void AnDwgDirEnd(const QString& p, const QString& r) override { log << "dirend " + p + "|" + r; }
};

class FrameAnalysisTest : public ::testing::Test, public antest::Host {
 protected:
  void SetUp() override {
    QDir().mkpath(path("mods"));
    antest::makeTemplates(cad, path("mods"), antest::standardSheets());
    ASSERT_EQ(cad.ModCount(), 5);
  }
  QString report() const { return path("AnRpt.txt"); }
  QString key(const QString& section, const QString& k) const {
    return mobrel::IniFile(report()).GetIniKey(section, k);
  }
  static Frame frameOf(const Sheet& s, double scale = 1, double degrees = 0) {
    Frame f;
    f.sheet = s;
    f.scale = scale;
    f.degrees = degrees;
    f.number = "JG-" + s.sheet + "-01";
    f.name = "结构平面图" + s.sheet;
    f.scaleText = scale == 1 ? "1:100" : "1:200";
    f.note1 = "甲";
    f.note2 = "乙";
    return f;
  }
};

TEST_F(FrameAnalysisTest, EverySheetIsReadWithItsClassCellsAndKeysInOrder) {
  for (const double scale : {1.0, 2.0}) {
    for (const Sheet& s : antest::standardSheets()) {
      const QString file = path(QStringLiteral("%1-%2.dxf").arg(s.sheet).arg(scale));
      ASSERT_EQ(antest::writeFrames(file.toStdString(), {frameOf(s, scale)}), "");
      Recorder events;
      cad.addEventHandler(&events);
      EXPECT_TRUE(cad.FXDWG(file)) << file.toStdString();
      cad.removeEventHandler(&events);
      const QString section = file.toLower();
      EXPECT_EQ(events.log, (QStringList{"begin " + file, "end " + file + " " + report()}));
      EXPECT_EQ(key(section, "图幅"), s.sheet) << file.toStdString();
      EXPECT_EQ(key(section, "模版"), "TK_" + s.sheet);
      EXPECT_EQ(key(section, "_比例"), scale == 1 ? "1" : "2");
      EXPECT_EQ(key(section, "图号"), "JG-" + s.sheet + "-01");
      EXPECT_EQ(key(section, "图名"), "结构平面图" + s.sheet);
      EXPECT_EQ(key(section, "比例"), scale == 1 ? "1:100" : "1:200");
      EXPECT_EQ(key(section, "Line000"), "备注:甲");
      EXPECT_EQ(key(section, "Line001"), "备注:乙");
      EXPECT_EQ(antest::sectionKeys(report(), section),
                (QStringList{"模版", "_比例", "GUID", "图号", "图名", "比例", "Line000", "Line001",
                             "图幅"}));
    }
  }
  // The drawings were opened for the analysis and closed again.
  EXPECT_EQ(app->documents().count(), 0);
}

TEST_F(FrameAnalysisTest, ARotatedFrameBasedAtItsCornerReadsLikeAnUprightOne) {
  const Sheet a3 = antest::standardSheets()[1];
  Frame upright = frameOf(a3);
  Frame turned = frameOf(a3, 2, 90);
  turned.baseAtRight = true;  // the block's origin is not its base point
  turned.x = 1000;
  turned.y = 300;
  ASSERT_EQ(antest::writeFrames(spath("up.dxf"), {upright}), "");
  ASSERT_EQ(antest::writeFrames(spath("turned.dxf"), {turned}), "");
  ASSERT_TRUE(cad.FXDWG(path("up.dxf")));
  ASSERT_TRUE(cad.FXDWG(path("turned.dxf")));
  for (const char* k : {"图幅", "模版", "图号", "图名", "Line000", "Line001"}) {
    EXPECT_EQ(key(path("turned.dxf").toLower(), k), key(path("up.dxf").toLower(), k)) << k;
  }
  EXPECT_EQ(key(path("turned.dxf").toLower(), "_比例"), "2");
}

TEST_F(FrameAnalysisTest, NoFrameBlockNoTemplatesAndNoHost) {
  const Sheet a3 = antest::standardSheets()[1];
  Frame loose = frameOf(a3);
  loose.asBlock = false;
  ASSERT_EQ(antest::writeFrames(spath("loose.dxf"), {loose}), "");
  Recorder events;
  cad.addEventHandler(&events);
  EXPECT_FALSE(cad.FXDWG(path("loose.dxf")));
  EXPECT_EQ(events.log.size(), 2);
  EXPECT_EQ(key(path("loose.dxf").toLower(), "图幅"), "");
  // A drawing that cannot be opened: no end event.
  events.log.clear();
  EXPECT_FALSE(cad.FXDWG(path("missing.dxf")));
  EXPECT_EQ(events.log, QStringList{"begin " + path("missing.dxf")});
  cad.removeEventHandler(&events);
  EXPECT_EQ(app->documents().count(), 0);

  cad.acadApp.reset();
  EXPECT_THROW(cad.FXDWG(path("loose.dxf")), sheetcut::Error);
}

TEST_F(FrameAnalysisTest, AnalysingTheSameDrawingTwiceAppendsTheTemplateAgain) {
  const Sheet a2 = antest::standardSheets()[2];
  Frame second = frameOf(a2);
  second.x = 700;
  second.number = "JG-A2-02";
  ASSERT_EQ(antest::writeFrames(spath("two.dxf"), {frameOf(a2), second}), "");
  ASSERT_TRUE(cad.FXDWG(path("two.dxf")));
  const QString section = path("two.dxf").toLower();
  EXPECT_EQ(key(section, "模版"), "TK_A2,TK_A2");
  ASSERT_TRUE(cad.FXDWG(path("two.dxf")));
  EXPECT_EQ(key(section, "模版"), "TK_A2,TK_A2,TK_A2,TK_A2");
}

TEST_F(FrameAnalysisTest, DrawingsInFoldersNamedWithBracketsGetTheirOwnSections) {
  const Sheet a3 = antest::standardSheets()[1];
  // A folder holding "]" and ";" too: the report holds its section and the INI functions find
  // it by the drawing's path.
  for (const QString& folder : {QString("we]ird"), QString("[br]"), QString("x];y"),
                                QString("x] ;y"), QString("x ] ; y]")}) {
    ASSERT_TRUE(QDir(dir.path()).mkpath(folder));
    const QString file = path(folder + "/s.dxf");
    ASSERT_EQ(antest::writeFrames(file.toStdString(), {frameOf(a3)}), "");
    ASSERT_TRUE(cad.FXDWG(file));
    const QString section = file.toLower();
    EXPECT_EQ(key(section, "图号"), "JG-A3-01") << folder.toStdString();
    EXPECT_EQ(antest::sectionKeys(report(), section),
              (QStringList{"模版", "_比例", "GUID", "图号", "图名", "比例", "Line000", "Line001",
                           "图幅"}));
  }
}

// Reading or writing a named pipe in the report's place would wait for a writer for ever.
TEST_F(FrameAnalysisTest, AReportThatIsNoRegularFileEndsTheAnalysisAtOnce) {
  ASSERT_EQ(antest::writeFrames(spath("s.dxf"), {frameOf(antest::standardSheets()[1])}), "");
  ASSERT_EQ(::mkfifo(report().toLocal8Bit().constData(), 0644), 0);
  const auto start = std::chrono::steady_clock::now();
  try {
    cad.FXDWG(path("s.dxf"));
  } catch (const sheetcut::Error& e) {
    EXPECT_TRUE(QString::fromStdString(e.description()).contains(report())) << e.description();
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  EXPECT_FALSE(QFileInfo(report()).isFile());
}

TEST_F(FrameAnalysisTest, AutoPlotScaleTakesTheFrameScale) {
  tarvik::PlotSettings settings;
  for (const QString& k : tarvik::kPlotCfgKeys) settings.set(k, "1");
  settings.set(tarvik::kPlotScaleKey, "auto");
  ASSERT_EQ(cad.SetPlotCfg(settings), "");
  const Sheet a1 = antest::standardSheets()[3];
  ASSERT_EQ(antest::writeFrames(spath("a1.dxf"), {frameOf(a1, 2)}), "");
  // The window analysis of an open drawing, as the plot calls it.
  cadhost::Document doc = app->documents().open(spath("a1.dxf"));
  ASSERT_TRUE(cad.FXDWG(path("win.dxf"), tarvik::Point3d{-10, -10, 0},
                        tarvik::Point3d{2 * 841 + 10, 2 * 594 + 10, 0}, "GUID1"));
  EXPECT_EQ(key(path("win.dxf").toLower(), "GUID"), "GUID1");
  EXPECT_EQ(key(path("win.dxf").toLower(), "图幅"), "A1");
  EXPECT_EQ(app->documents().count(), 1);  // the open drawing stays open
  EXPECT_EQ(*tarvik::AnalysisTestAccess::plotCfg(cad).find(tarvik::kPlotScaleKey), "auto2");
}

// ---- Split with analysis ----------------------------------------------------------------------

class SplitAnalysisTest : public FrameAnalysisTest {};

TEST_F(SplitAnalysisTest, RecognisedFramesBecomeGuidChildrenWithTheirReportSections) {
  const Sheet a3 = antest::standardSheets()[1];
  Frame f1 = frameOf(a3), f2 = frameOf(a3, 1, 0), f3 = frameOf(a3);
  f2.x = 600;
  f2.number = "JG-A3-02";
  f3.x = 1200;
  f3.asBlock = false;  // not a frame block: not recognised
  ASSERT_EQ(antest::writeFrames(spath("set.dxf"), {f1, f2, f3}), "");
  QFile src(path("set.dxf"));
  ASSERT_TRUE(src.open(QIODevice::ReadOnly));
  const QByteArray before = src.readAll();
  src.close();
  const QString error = splitWithAnalysis("set.dxf");
  EXPECT_TRUE(error.contains("1 of the frames")) << error.toStdString();
  EXPECT_TRUE(error.contains("not recognised")) << error.toStdString();

  const QStringList children = QDir(path("Out")).entryList(QDir::Files, QDir::Name);
  ASSERT_EQ(children.size(), 2);
  QStringList numbers;
  for (const QString& child : children) {
    EXPECT_TRUE(QRegularExpression("^[0-9A-F]{32}\\.dxf$").match(child).hasMatch())
        << child.toStdString();
    const QString section = (path("Out") + "/" + child).toLower();
    EXPECT_EQ(key(section, "GUID"), child.left(32));
    EXPECT_EQ(key(section, "_比例"), "1");
    EXPECT_EQ(key(section, "图幅"), "A3");
    numbers << key(section, "图号");
  }
  numbers.sort();
  EXPECT_EQ(numbers, (QStringList{"JG-A3-01", "JG-A3-02"}));
  EXPECT_FALSE(key(path("set.dxf").toLower(), "SCount").isEmpty());

  ASSERT_TRUE(src.open(QIODevice::ReadOnly));
  EXPECT_EQ(src.readAll(), before);
  EXPECT_EQ(app->documents().count(), 0);
}

// Drawings and children in folders whose names hold "]", and "]" with ";" after it: the report
// holds their sections, found by the INI functions under their paths.
TEST_F(SplitAnalysisTest, ChildrenInFoldersNamedWithBracketsKeepTheirReportSections) {
  for (const auto& [source, out] : {std::pair<QString, QString>{"a", "out]x"}, {"x];y", "x] ;y"}}) {
    ASSERT_TRUE(QDir().mkpath(path(source)));
    ASSERT_TRUE(QDir().mkpath(path(out)));
    const QString set = path(source + "/set.dxf");
    ASSERT_EQ(antest::writeFrames(set.toStdString(), {frameOf(antest::standardSheets()[1])}), "");
    cad.setChildFileSavePath(path(out));
    cad.SplitDwg(set, false);
    const QStringList children = QDir(path(out)).entryList(QDir::Files);
    ASSERT_EQ(children.size(), 1) << out.toStdString();
    const QString section = (path(out) + "/" + children[0]).toLower();
    EXPECT_EQ(key(section, "图号"), "JG-A3-01");
    EXPECT_EQ(key(section, "GUID"), children[0].left(32));
    EXPECT_EQ(key(section, "图幅"), "A3");
    EXPECT_EQ(key(set.toLower(), "SCount"), "1");
  }
}

}  // namespace

namespace {

// A child that the full disk does not take gets no report section; once there is room, the
// same split writes the children and their sections.
TEST_F(SplitAnalysisTest, OnlyChildrenThatWereWrittenHaveReportSections) {
  sheetcut::testing::SmallFileSystem fs(256 * 1024);
  SHEETCUT_REQUIRE_SMALL_FS(fs);
  const Sheet a3 = antest::standardSheets()[1];
  Frame f2 = frameOf(a3);
  f2.x = 600;
  f2.number = "JG-A3-02";
  ASSERT_EQ(antest::writeFrames(spath("set.dxf"), {frameOf(a3), f2}), "");
  const QString out = QString::fromStdString((fs.root() / "out").string());
  ASSERT_TRUE(QDir().mkpath(out));
  cad.setChildFileSavePath(out);
  const auto childSections = [&] {
    QFile file(report());
    if (!file.open(QIODevice::ReadOnly)) return QStringList();
    QStringList sections;
    for (const QString& line : QString::fromUtf8(file.readAll()).split(u'\n'))
      if (line.startsWith(u'[') && line.contains(out.toLower())) sections << line;
    return sections;
  };

  fs.fill();
  try {
    cad.SplitDwg(path("set.dxf"), false);
    ADD_FAILURE() << "no error";
  } catch (const sheetcut::Error& e) {
    EXPECT_TRUE(QString::fromUtf8(e.what()).contains("2 of the frames")) << e.what();
  }
  EXPECT_TRUE(QDir(out).entryList(QDir::Files).isEmpty());
  EXPECT_EQ(childSections(), QStringList());
  EXPECT_EQ(key(path("set.dxf").toLower(), "SCount"), "2");  // the frames were analysed

  fs.release();
  cad.SplitDwg(path("set.dxf"), false);
  const QStringList children = QDir(out).entryList(QDir::Files, QDir::Name);
  ASSERT_EQ(children.size(), 2);
  EXPECT_EQ(childSections().size(), 2);
  for (const QString& child : children)
    EXPECT_EQ(key((out + "/" + child).toLower(), "GUID"), child.left(32));
}

// A caller reads the report when a drawing's analysis is announced as ended: for a child of the
// split, its drawing and its section are there by then; a frame without a child is announced
// too, with no section.
TEST_F(SplitAnalysisTest, TheEndOfAChildsAnalysisIsAnnouncedOnceItsSectionIsWritten) {
  struct Reader : tarvik::CADEvents {
    std::function<QString(const QString&)> guidOf;
    QStringList seen;
    void AnDwgFileEnd(const QString& p, const QString&) override {
      seen << QStringLiteral("%1 %2 %3")
                  .arg(QFileInfo(p).fileName().left(32), QFileInfo::exists(p) ? "file" : "none",
                       guidOf(p.toLower()));
    }
  } events;
  events.guidOf = [&](const QString& section) { return key(section, "GUID"); };
  const Sheet a3 = antest::standardSheets()[1];
  Frame f2 = frameOf(a3), f3 = frameOf(a3);
  f2.x = 600;
  f2.asBlock = false;  // not recognised: no child
  f3.x = 1200;
  f3.number = "JG-A3-03";
  ASSERT_EQ(antest::writeFrames(spath("set.dxf"), {frameOf(a3), f2, f3}), "");
  cad.addEventHandler(&events);
  const QString error = splitWithAnalysis("set.dxf");
  cad.removeEventHandler(&events);
  EXPECT_TRUE(error.contains("1 of the frames")) << error.toStdString();
  const QStringList children = QDir(path("Out")).entryList(QDir::Files, QDir::Name);
  ASSERT_EQ(children.size(), 2);
  ASSERT_EQ(events.seen.size(), 3) << events.seen.join(" | ").toStdString();
  QStringList expected;
  for (const QString& child : children) expected << child.left(32) + " file " + child.left(32);
  QStringList written = events.seen.filter(" file ");
  written.sort();
  EXPECT_EQ(written, expected);
  const QStringList none = events.seen.filter(" none ");
  ASSERT_EQ(none.size(), 1) << events.seen.join(" | ").toStdString();
  EXPECT_TRUE(none[0].endsWith(" none ")) << none[0].toStdString();
}

TEST_F(SplitAnalysisTest, AReportThatCannotBeWrittenFailsTheAnalysisNamingTheReport) {
  // The work folder lies beneath a file: the report cannot be created.
  QFile blocker(path("blocker"));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  cad.setWorkPath(path("blocker/work"));
  const QString report = path("blocker/work/AnRpt.txt");
  const Sheet a3 = antest::standardSheets()[1];
  ASSERT_EQ(antest::writeFrames(spath("set.dxf"), {frameOf(a3)}), "");

  EXPECT_FALSE(cad.FXDWG(path("set.dxf")));
  ASSERT_EQ(ui->messages().size(), 1u);
  EXPECT_TRUE(ui->messages()[0].text.contains(report)) << ui->messages()[0].text.toStdString();
  EXPECT_TRUE(ui->messages()[0].text.contains(path("blocker")))
      << ui->messages()[0].text.toStdString();

  // The split lists it with the frame, and writes no child that the report does not name.
  const QString error = splitWithAnalysis("set.dxf");
  EXPECT_TRUE(error.contains("1 of the frames")) << error.toStdString();
  EXPECT_TRUE(error.contains(report)) << error.toStdString();
  EXPECT_FALSE(error.contains("not recognised")) << error.toStdString();
  EXPECT_TRUE(QDir(path("Out")).isEmpty());

  // The folder batch ends with it at the first drawing.
  QDir().mkpath(path("batch"));
  ASSERT_TRUE(QFile::copy(path("set.dxf"), path("batch/a.dxf")));
  ASSERT_TRUE(QFile::copy(path("set.dxf"), path("batch/b.dxf")));
  try {
    cad.FXdwgDir(path("batch"));
    ADD_FAILURE() << "the batch did not fail";
  } catch (const sheetcut::Error& e) {
    EXPECT_TRUE(QString::fromUtf8(e.what()).contains(report)) << e.what();
  }
  EXPECT_EQ(ui->messages().size(), 1u);  // no message per drawing
  EXPECT_EQ(app->documents().count(), 0);
}

TEST_F(FrameAnalysisTest, NewAnalysisCollectsEveryTextAndReadsEveryFrameBlock) {
  const Sheet a3 = antest::standardSheets()[1];
  Frame first = frameOf(a3), second = frameOf(a3);
  first.attributes = true;
  second.x = 600;
  // More texts than the old fixed list held, and one of spaces only.
  const std::string many = R"(
for i in range(10050):
    msp.add_text('t%d' % i, dxfattribs={'insert': (2000 + (i % 100) * 20, (i // 100) * 10), 'height': 2})
msp.add_text('   ', dxfattribs={'insert': (2000, -50), 'height': 2})
)";
  ASSERT_EQ(antest::writeFrames(spath("New.dxf"), {first, second}, many), "");
  Recorder events;
  cad.addEventHandler(&events);
  cad.NewFXDWG(path("New.dxf"));
  cad.removeEventHandler(&events);
  EXPECT_EQ(events.log,
            (QStringList{"begin " + path("New.dxf"), "end " + path("New.dxf") + " " + report()}));
  // The section is the file name alone.
  EXPECT_EQ(key("new.dxf", "模版"), "TK_A3,TK_A3");
  EXPECT_EQ(key("new.dxf", "图号"), "JG-A3-01");  // the second frame's cell texts
  EXPECT_EQ(app->documents().count(), 0);
  // The window texts (the cell texts of both frames: 3 + 5, the 10050 but not the blank one)
  // and the first frame's three attributes.
  EXPECT_EQ(tarvik::AnalysisTestAccess::textNum(cad), 8 + 10050 + 3);
  EXPECT_FALSE(cad.ZN_FXDWG(path("New.dxf")));
}

}  // namespace

namespace {

TEST_F(FrameAnalysisTest, AStopEndsTheAnalysisAtOnceWithoutItsEndEvent) {
  const Sheet a3 = antest::standardSheets()[1];
  ASSERT_EQ(antest::writeFrames(spath("stop.dxf"), {frameOf(a3)}), "");
  Recorder events;
  cad.addEventHandler(&events);
  cad.Quit();
  EXPECT_FALSE(cad.FXDWG(path("stop.dxf")));
  EXPECT_EQ(events.log, QStringList{"begin " + path("stop.dxf")});
  EXPECT_EQ(key(path("stop.dxf").toLower(), "图幅"), "");
  // The drawing opened for the analysis is left open, as the stop found it.
  EXPECT_EQ(app->documents().count(), 1);
  cad.removeEventHandler(&events);
}

}  // namespace
