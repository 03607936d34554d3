// CAD::WindowsPlot over drawings written by python3-ezdxf: a window whose frame the analysis
// recognises, a window the user describes in the drawing-number dialog, a cancelled dialog;
// and the split with analysis, which plots each recognised frame.

#include <gtest/gtest.h>

#include <sheetcut/error.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <limits>

#include "analysis_fixture.h"
#include "analysis_test_access.h"
#include "mobrel/ini_file.h"
#include "plot_files.h"
#include "qstring_printer.h"

namespace tarvik {
namespace {

using antest::Frame;
using antest::Sheet;

const QString kPdf = QStringLiteral("CorvantisPDF Plus.pc3");
const QString kEps = QStringLiteral("CorvantisEPS Plus.pc3");
const QRegularExpression kGuid(QStringLiteral("^[0-9A-F]{32}$"));

QByteArray fileBytes(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Runs in `folder` until it goes.
struct WorkingFolder {
  explicit WorkingFolder(const QString& folder) : previous(QDir::currentPath()) {
    QDir::setCurrent(folder);
  }
  ~WorkingFolder() { QDir::setCurrent(previous); }
  QString previous;
};

class WindowPlotTest : public ::testing::Test, public antest::Host {
 protected:
  void SetUp() override {
    ASSERT_TRUE(QDir().mkpath(path("mods")));
    ASSERT_TRUE(QDir().mkpath(path("plots")));
    ASSERT_TRUE(QDir().mkpath(path("children")));
    antest::makeTemplates(cad, path("mods"), antest::standardSheets());
    ASSERT_EQ(cad.ModCount(), 5);
    cad.setChildFileSavePath(path("children"));
  }

  void settings(const QString& driver, const QString& scale, const QString& pathKind,
                const QString& extension = "pdf") {
    PlotSettings s;
    s.set("驱动", driver);
    s.set("样式", "acad.ctb");
    s.set("输出路径", path("plots"));
    s.set("路径类型", pathKind);
    s.set("输出类别", extension);
    s.set("纸张大小", "auto");
    s.set("纸张匹配失败", "");
    s.set("比例", scale);
    s.set("绘图类别", "");
    ASSERT_EQ(cad.SetPlotCfg(s), "");
  }
  QString plotScale() const { return *AnalysisTestAccess::plotCfg(cad).find(kPlotScaleKey); }

  static Frame frame(const Sheet& s, double scale, bool asBlock) {
    Frame f;
    f.sheet = s;
    f.scale = scale;
    f.asBlock = asBlock;
    f.number = "JG-" + s.sheet + "-07";
    f.name = "基础平面图";
    f.scaleText = "1:" + QString::number(scale * 100);
    return f;
  }
  // Writes the frames with ezdxf and opens the drawing as the user's, with one change of the
  // user's own made before the plot (a line, in an undo group of its own).
  cadhost::Document userDrawing(const QString& name, const std::vector<Frame>& frames) {
    const std::string error = antest::writeFrames(spath(name), frames);
    EXPECT_EQ(error, "");
    cadhost::Document d = app->documents().open(spath(name));
    d.startUndoMark();
    d.modelSpace().addLightWeightPolyline({-50, -50, -40, -40});
    d.endUndoMark();
    return d;
  }

  QString report() const { return path("AnRpt.txt"); }
  QString key(const QString& section, const QString& k) const {
    return mobrel::IniFile(report()).GetIniKey(section, k);
  }
  QString section(const QString& work) const {
    return (path("children") + "/" + work + ".dxf").toLower();
  }
  QStringList files(const QString& folder) const {
    return QDir(path(folder)).entryList(QDir::Files, QDir::Name);
  }

  // What the plot changed in the drawing is taken back; the user's own change stays.
  void expectUndone(cadhost::Document& d, int entities, int systems) {
    ASSERT_EQ(app->documents().count(), 1);
    ASSERT_TRUE(app->activeDocument() == d);
    EXPECT_FALSE(d.readOnly());
    EXPECT_EQ(std::get<std::int32_t>(d.getVariable("BACKGROUNDPLOT")), 1);
    EXPECT_EQ(d.userCoordinateSystems().count(), systems);
    EXPECT_EQ(d.modelSpace().count(), entities);
  }
};

TEST_F(WindowPlotTest, ARecognisedFrameIsReportedByTheAnalysisPlottedAtItsScaleAndWrittenOut) {
  const Sheet a1 = antest::standardSheets()[3];
  cadhost::Document d = userDrawing("Sheet 1.dxf", {frame(a1, 2, true)});
  const QByteArray before = fileBytes(path("Sheet 1.dxf"));
  const int entities = d.modelSpace().count();
  const int systems = d.userCoordinateSystems().count();
  settings(kPdf, "auto", "WORK");

  const QString result = cad.WindowsPlot({-10, -10, 0}, {2 * 841 + 10, 2 * 594 + 10, 0});
  EXPECT_EQ(result, path("Sheet 1.dxf"));
  EXPECT_EQ(ui->drawingNumberDialogs(), 0);
  EXPECT_TRUE(ui->messages().empty());

  // The plot and the window drawing carry the work name, the analysis's section names both.
  const QStringList plotted = files("plots");
  ASSERT_EQ(plotted.size(), 1);
  const QString work = plotted[0].chopped(4);
  EXPECT_TRUE(kGuid.match(work).hasMatch()) << work.toStdString();
  EXPECT_EQ(files("children"), QStringList{work + ".dxf"});
  EXPECT_EQ(key(section(work), "GUID"), work);
  EXPECT_EQ(key(section(work), "图号"), "JG-A1-07");
  EXPECT_EQ(key(section(work), "_比例"), "2");
  EXPECT_EQ(key(section(work), "图幅"), "A1");

  // "auto" became the frame's scale for this plot (an A1 sheet at 1:2, the window 10 units
  // round it: a page of 851 x 604 mm and 20 more) and is "auto" again.
  const plottest::PdfInfo info = plottest::pdfInfo(path("plots/" + plotted[0]).toStdString());
  EXPECT_EQ(info.pages, 1);
  EXPECT_NEAR(info.width, 871 * 72 / 25.4, 0.5);
  EXPECT_NEAR(info.height, 630 * 72 / 25.4, 0.5);
  EXPECT_EQ(plotScale(), "auto");

  // The window drawing holds the frame: the analysis recognises it on its own.
  {
    cadhost::Document child = app->documents().open(spath("children/" + work + ".dxf"), true);
    EXPECT_EQ(child.modelSpace().count(), entities - 1);  // everything but the user's line
    child.close(false);
  }
  expectUndone(d, entities, systems);
  EXPECT_EQ(fileBytes(path("Sheet 1.dxf")), before);
}

TEST_F(WindowPlotTest, AnUnrecognisedWindowIsDescribedInTheDialogReportedInOrderAndPlotted) {
  const Sheet a3 = antest::standardSheets()[1];
  // The same sheet drawn loose, at 1:100: no frame block to recognise.
  cadhost::Document d = userDrawing("loose.dxf", {frame(a3, 100, false)});
  const int entities = d.modelSpace().count();
  const int systems = d.userCoordinateSystems().count();
  settings(kPdf, "zoom", "WORK");
  ui->queueDrawingNumber({DrawingNumberEntry{"JG-01", "总平面图", "100"},
                          DrawingNumberEntry{" JG-01-001 ", " 总平面图 ", " 100 "}});

  const QString work = cad.WindowsPlot({0, 0, 0}, {42000, 29700, 0});
  EXPECT_TRUE(kGuid.match(work).hasMatch()) << work.toStdString();
  EXPECT_EQ(ui->drawingNumberDialogs(), 1);
  ASSERT_EQ(ui->messages().size(), 1u);
  EXPECT_EQ(ui->messages()[0].text, "图号必须为*-*-*格式");

  EXPECT_EQ(antest::sectionKeys(report(), section(work)),
            (QStringList{"图号", "图名", "_比例", "GUID", "PLT", "图幅"}));
  EXPECT_EQ(key(section(work), "图号"), "JG-01-001");
  EXPECT_EQ(key(section(work), "图名"), "总平面图");
  EXPECT_EQ(key(section(work), "_比例"), "100");
  EXPECT_EQ(key(section(work), "GUID"), work);
  EXPECT_EQ(key(section(work), "PLT"), work + ".plt");
  EXPECT_EQ(key(section(work), "图幅"), "A3");

  // Plotted at the typed scale, which stays the plot scale: 420 x 297 mm on a page of its own.
  EXPECT_EQ(plotScale(), "100");
  EXPECT_EQ(files("plots"), QStringList{work + ".pdf"});
  const plottest::PdfInfo info = plottest::pdfInfo(path("plots/" + work + ".pdf").toStdString());
  EXPECT_NEAR(info.width, 440 * 72 / 25.4, 0.5);
  EXPECT_NEAR(info.height, 320 * 72 / 25.4, 0.5);
  EXPECT_EQ(files("children"), QStringList{work + ".dxf"});
  expectUndone(d, entities, systems);

  // A portrait window wider than 280 mm is a landscape A3; an A4 window is an A4.
  ui->queueDrawingNumber({DrawingNumberEntry{"a-b-c", "n", "100"}});
  const QString portrait = cad.WindowsPlot({0, 0, 0}, {29700, 42000, 0});
  EXPECT_EQ(key(section(portrait), "图幅"), "A3");
  ui->queueDrawingNumber({DrawingNumberEntry{"a-b-c", "n", "50"}});
  const QString a4 = cad.WindowsPlot({0, 0, 0}, {10500, 14850, 0});
  EXPECT_EQ(key(section(a4), "图幅"), "A4");
  EXPECT_EQ(key(section(a4), "_比例"), "50");
  EXPECT_EQ(plotScale(), "50");
  expectUndone(d, entities, systems);

  // A window drawing that cannot be written is reported; the plot is still made.
  cad.setChildFileSavePath(path("missing"));
  ui->queueDrawingNumber({DrawingNumberEntry{"a-b-c", "n", "100"}});
  const QString unwritten = cad.WindowsPlot({0, 0, 0}, {42000, 29700, 0});
  ASSERT_EQ(ui->messages().size(), 2u);
  EXPECT_TRUE(ui->messages()[1].text.startsWith("窗口图形未能写出: " + path("missing/") +
                                                unwritten + ".dxf"))
      << ui->messages()[1].text.toStdString();
  EXPECT_TRUE(files("plots").contains(unwritten + ".pdf"));
  EXPECT_FALSE(QDir(path("missing")).exists());
  expectUndone(d, entities, systems);
}

TEST_F(WindowPlotTest, ACancelledDialogWritesAndPlotsNothing) {
  const Sheet a3 = antest::standardSheets()[1];
  cadhost::Document d = userDrawing("loose.dxf", {frame(a3, 1, false)});
  const int entities = d.modelSpace().count();
  const int systems = d.userCoordinateSystems().count();
  settings(kPdf, "zoom", "WORK");
  ui->queueDrawingNumber({std::nullopt});
  EXPECT_EQ(cad.WindowsPlot({0, 0, 0}, {420, 297, 0}), "");
  EXPECT_EQ(ui->drawingNumberDialogs(), 1);
  EXPECT_TRUE(files("plots").isEmpty());
  EXPECT_TRUE(files("children").isEmpty());
  EXPECT_FALSE(fileBytes(report()).contains("PLT")) << fileBytes(report()).toStdString();
  EXPECT_EQ(plotScale(), "zoom");
  expectUndone(d, entities, systems);
}

TEST_F(WindowPlotTest, ATemplateWhoseCellFileCannotBeReadIsNamedBeforeTheUserIsAsked) {
  const Sheet a1 = antest::standardSheets()[3];
  cadhost::Document d = userDrawing("Sheet 1.dxf", {frame(a1, 2, true)});
  const int entities = d.modelSpace().count();
  const int systems = d.userCoordinateSystems().count();
  settings(kPdf, "auto", "WORK");
  // The frame block matches its template, whose cell files are gone.
  const QDir cells(path("mods/mod"));
  ASSERT_FALSE(cells.entryList({"*.dat"}, QDir::Files).isEmpty());
  for (const QString& dat : cells.entryList({"*.dat"}, QDir::Files))
    ASSERT_TRUE(QFile::remove(cells.filePath(dat)));
  ui->queueDrawingNumber({std::nullopt});

  EXPECT_EQ(cad.WindowsPlot({-10, -10, 0}, {2 * 841 + 10, 2 * 594 + 10, 0}), "");
  ASSERT_EQ(ui->messages().size(), 1u);
  EXPECT_TRUE(ui->messages()[0].text.startsWith("模板单元文件无法读取: "));
  EXPECT_TRUE(ui->messages()[0].text.contains(".dat")) << ui->messages()[0].text.toStdString();
  EXPECT_EQ(ui->drawingNumberDialogs(), 1);
  expectUndone(d, entities, systems);
}

TEST_F(WindowPlotTest, OtherPathKindsNameThePlotAfterTheDrawingAndWriteNoWindowDrawing) {
  const Sheet a3 = antest::standardSheets()[1];
  cadhost::Document d = userDrawing("plan.dxf", {frame(a3, 1, true)});
  const int entities = d.modelSpace().count();
  const int systems = d.userCoordinateSystems().count();
  settings(kEps, "auto", "", "eps");
  // A drawing of the same name in the working folder is not the one plotted.
  ASSERT_EQ(antest::writeFrames(spath("children/plan.dxf"), {}), "");
  const WorkingFolder inChildren(path("children"));
  EXPECT_EQ(cad.WindowsPlot({-5, -5, 0}, {425, 302, 0}), path("plan.dxf"));
  EXPECT_EQ(files("plots"), QStringList{"plan.dxf.eps"});
  EXPECT_EQ(files("children"), QStringList{"plan.dxf"});  // only the one put there
  EXPECT_EQ(plotScale(), "auto");
  expectUndone(d, entities, systems);

  // The PDF plotter with a bare drawing name plots the drawing on screen, which stays open.
  settings(kPdf, "auto", "");
  EXPECT_EQ(cad.WindowsPlot({-5, -5, 0}, {425, 302, 0}), path("plan.dxf"));
  EXPECT_TRUE(files("plots").contains("PLAN.pdf")) << files("plots").join(",").toStdString();
  expectUndone(d, entities, systems);

  // A drawing never saved is plotted under the host's name for it.
  d.close(false);
  cadhost::Document untitled = app->documents().add();
  untitled.modelSpace().addLightWeightPolyline({0, 0, 420, 0, 420, 297, 0, 297, 0, 0});
  settings(kEps, "1", "", "eps");
  ui->queueDrawingNumber({DrawingNumberEntry{"a-b-c", "n", "1"}});
  const QString work = cad.WindowsPlot({0, 0, 0}, {420, 297, 0});
  EXPECT_TRUE(kGuid.match(work).hasMatch());
  EXPECT_TRUE(files("plots").contains(QString::fromStdString(untitled.name()) + ".eps"))
      << files("plots").join(",").toStdString();
}

TEST_F(WindowPlotTest, WithoutADrawingOrWithAWindowBeyondNumbersNothingIsAsked) {
  settings(kPdf, "zoom", "WORK");
  EXPECT_EQ(cad.WindowsPlot({0, 0, 0}, {420, 297, 0}), "");
  EXPECT_EQ(ui->drawingNumberDialogs(), 0);
  EXPECT_EQ(ui->messages().size(), 1u);
  cadhost::Document d = userDrawing("plan.dxf", {frame(antest::standardSheets()[1], 1, true)});
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(cad.WindowsPlot({0, nan, 0}, {420, 297, 0}), "");
  EXPECT_EQ(cad.WindowsPlot({0, 0, 0}, {inf, 297, 0}), "");
  EXPECT_EQ(ui->drawingNumberDialogs(), 0);
  EXPECT_EQ(ui->messages().size(), 3u);
  EXPECT_FALSE(QFile::exists(report()));
  cad.acadApp.reset();
  EXPECT_EQ(cad.WindowsPlot({0, 0, 0}, {420, 297, 0}), "");
  EXPECT_TRUE(files("plots").isEmpty());
}

TEST_F(WindowPlotTest, WithoutAFolderForSplitDrawingsNothingLandsInTheWorkingFolder) {
  cadhost::Document d = userDrawing("loose.dxf", {frame(antest::standardSheets()[1], 1, false)});
  const int entities = d.modelSpace().count();
  const int systems = d.userCoordinateSystems().count();
  settings(kPdf, "zoom", "WORK");
  cad.setChildFileSavePath("");
  ASSERT_TRUE(QDir().mkpath(path("cwd")));
  const WorkingFolder inCwd(path("cwd"));
  ui->queueDrawingNumber({DrawingNumberEntry{"a-b-c", "n", "1"}});
  EXPECT_EQ(cad.WindowsPlot({0, 0, 0}, {420, 297, 0}), "");
  EXPECT_EQ(ui->drawingNumberDialogs(), 0);
  ASSERT_EQ(ui->messages().size(), 1u);
  EXPECT_TRUE(ui->messages()[0].text.contains("保存目录")) << ui->messages()[0].text.toStdString();
  EXPECT_TRUE(files("cwd").isEmpty());
  EXPECT_TRUE(files("plots").isEmpty());
  EXPECT_FALSE(QFile::exists(report()));
  expectUndone(d, entities, systems);
}

// ---- The split with analysis plots each recognised frame --------------------------------------

TEST_F(WindowPlotTest, ASplitWithAnalysisPlotsEveryRecognisedFrameUnderItsGuid) {
  const Sheet a3 = antest::standardSheets()[1];
  Frame f1 = frame(a3, 1, true), f2 = frame(a3, 2, true), f3 = frame(a3, 1, false);
  f2.x = 600;
  f2.number = "JG-A3-08";
  f3.x = 1600;  // drawn loose: not recognised, not plotted
  ASSERT_EQ(antest::writeFrames(spath("set.dxf"), {f1, f2, f3}), "");
  settings(kPdf, "auto", "WORK");
  try {
    cad.SplitDwg(path("set.dxf"), false);
  } catch (const sheetcut::Error&) {
    // the frame that was not recognised is reported
  }
  const QStringList children = files("children");
  ASSERT_EQ(children.size(), 2);
  QStringList expected;
  for (const QString& child : children) expected << child.chopped(4) + ".pdf";
  EXPECT_EQ(files("plots"), expected);
  // Each at its own frame's scale: an A3 at 1:1 and at 1:2 both on a page 440 mm wide.
  for (const QString& name : files("plots")) {
    const plottest::PdfInfo info = plottest::pdfInfo(path("plots/" + name).toStdString());
    EXPECT_NEAR(info.width, 440 * 72 / 25.4, 0.5) << name.toStdString();
  }
  EXPECT_EQ(plotScale(), "auto");
}

}  // namespace
}  // namespace tarvik
