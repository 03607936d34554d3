// CAD::DwgPlotCmd through the host: scale, paper choice and rotation, the PDF plotter's flow,
// output to file or device, and the messages of what cannot be plotted.

#include <sys/stat.h>

#include <QFileInfo>
#include <limits>

#include "tarvik/paper_rules.h"

#include "callers_drawing.h"
#include "plot_files.h"
#include "plot_fixture.h"
#include "qstring_printer.h"

namespace tarvik {
namespace {

using plottest::PlotFixture;

const QString kEps = QStringLiteral("CorvantisEPS Plus.pc3");
const QString kPdf = QStringLiteral("CorvantisPDF Plus.pc3");
const QString kA3Portrait = QStringLiteral("ISO_A3_(297.00_x_420.00_MM)");
const QString kA2Landscape = QStringLiteral("ISO_A2_(594.00_x_420.00_MM)");
const QString kA3Oversize = QStringLiteral("460×340mm");

class DwgPlotCmdTest : public PlotFixture {
 protected:
  void plot(const QString& name, double w, double h) {
    Point3d a{0, 0, 0}, b{w, h, 0};
    cad.DwgPlotCmd(name, a, b);
  }
  cadhost::Layout layout() { return cad.AcadDoc->activeLayout(); }
};

TEST_F(DwgPlotCmdTest, ANamedPaperIsUsedUnrotatedOrTurnedWhenItFitsBothWays) {
  rectangleDrawing(260, 380);
  settings(kEps, kA3Portrait, "", "1", "eps");
  plot("tall", 260, 380);
  EXPECT_EQ(plots(), QStringList{"tall.eps"});
  EXPECT_EQ(layout().canonicalMediaName(), kA3Portrait.toStdString());
  EXPECT_EQ(layout().plotRotation(), 0);
  EXPECT_FALSE(layout().useStandardScale());
  double n = 0, d = 0;
  layout().getCustomScale(n, d);
  EXPECT_EQ(n / d, 1.0);
  EXPECT_EQ(layout().plotOrigin(), (cadhost::Point3{1, 1, 0}));
  EXPECT_EQ(layout().plotType(), 4);
  EXPECT_EQ(layout().styleSheet(), "acad.ctb");

  plot("square", 250, 250);  // fits both ways: used turned
  EXPECT_EQ(layout().plotRotation(), 3);
  EXPECT_TRUE(QFileInfo::exists(path("plots/square.eps")));
  EXPECT_TRUE(ui->messages().empty());
}

TEST_F(DwgPlotCmdTest, AutoPaperTakesTheFirstMediumWithThirtyMillimetresToSpare) {
  rectangleDrawing(42000, 29700);
  settings(kEps, "AUTO", "", "auto100", "eps");
  plot("sheet", 42000, 29700);  // 420 x 297 mm at 1:100: the sheet made for A3 frames
  EXPECT_EQ(layout().canonicalMediaName(), kA3Oversize.toStdString());
  EXPECT_EQ(layout().plotRotation(), 0);
  EXPECT_TRUE(layout().centerPlot());
  double n = 0, d = 0;
  layout().getCustomScale(n, d);
  EXPECT_EQ(d / n, 100.0);
  ASSERT_TRUE(QFile::remove(path("plots/sheet.eps")));
  // "auto" and a scale serve one plot: the next one waits for a new scale.
  plot("sheet", 42000, 29700);
  EXPECT_TRUE(plots().isEmpty());

  // A window that no medium takes: the message with the suggested size, nothing plotted.
  settings(kEps, "auto", "", "zoom", "eps");
  plot("huge", 2000, 1300);
  ASSERT_EQ(ui->messages().size(), 1u);
  EXPECT_EQ(ui->messages()[0].title, "纸张匹配失败");
  EXPECT_EQ(ui->messages()[0].text,
            "没有找到与当前图纸范围匹配的纸张!\r\n系统分析图纸大小为: 1300×2000, 请自定义纸张! "
            "\r\n建议大小: 1320×2020mm,页边距设为10mm!");
  EXPECT_TRUE(plots().isEmpty());
}

TEST_F(DwgPlotCmdTest, APaperThatDoesNotFitIsMatchedScaledOrNotPlotted) {
  rectangleDrawing(420, 297);
  settings(kEps, kA3Portrait, "匹配", "1", "eps");
  plot("match", 420, 297);
  EXPECT_EQ(layout().canonicalMediaName(), kA3Oversize.toStdString());
  EXPECT_TRUE(QFileInfo::exists(path("plots/match.eps")));

  settings(kEps, kA3Portrait, "缩放", "1", "eps");
  plot("scaled", 420, 297);
  EXPECT_EQ(layout().canonicalMediaName(), kA3Portrait.toStdString());
  EXPECT_EQ(layout().plotRotation(), 3);  // a landscape window on a portrait sheet
  EXPECT_TRUE(layout().useStandardScale());
  EXPECT_EQ(layout().standardScale(), 0);
  EXPECT_TRUE(QFileInfo::exists(path("plots/scaled.eps")));

  // Any other rule asks for no plot: nothing is plotted, and that is no failure.
  settings(kEps, kA3Portrait, "", "1", "eps");
  Point3d a{0, 0, 0}, b{420, 297, 0};
  EXPECT_EQ(PlotTestAccess::plotWindow(cad, "none", a, b), "");
  EXPECT_FALSE(QFileInfo::exists(path("plots/none.eps")));
  EXPECT_TRUE(ui->messages().empty());

  // A paper the plotter does not have is no paper too small: it is a failure, and says so.
  settings(kEps, "Letter", "", "1", "eps");
  EXPECT_EQ(PlotTestAccess::plotWindow(cad, "unknown", a, b), "设置【纸张】出错: Letter");
  ASSERT_EQ(ui->messages().size(), 1u);
  EXPECT_EQ(ui->messages()[0].text, "设置【纸张】出错: Letter");
  EXPECT_FALSE(QFileInfo::exists(path("plots/unknown.eps")));
}

TEST_F(DwgPlotCmdTest, AScaleThatIsNoPositiveNumberIsRefusedWithAMessage) {
  rectangleDrawing(100, 100);
  for (const char* scale : {"abc", "0", "-5", ""}) {
    SCOPED_TRACE(scale);
    settings(kEps, "auto", "", scale, "eps");
    const std::size_t before = ui->messages().size();
    plot("bad", 100, 100);
    ASSERT_EQ(ui->messages().size(), before + 1);
    EXPECT_TRUE(ui->messages().back().text.contains(scale))
        << ui->messages().back().text.toStdString();
  }
  settings(kEps, "auto", "", "auto", "eps");
  plot("later", 100, 100);  // the frame's scale is not known yet: silently nothing
  EXPECT_EQ(ui->messages().size(), 4u);
  EXPECT_TRUE(plots().isEmpty());
}

TEST_F(DwgPlotCmdTest, AWindowBeyondEveryPaperOrBeyondNumbersIsNotPlotted) {
  rectangleDrawing(100, 100);
  // 10^15 mm a side: the sizes in full, no suggested paper (beyond its 16-bit rule).
  settings(kEps, "auto", "", "0.000001", "eps");
  plot("vast", 1e9, 1e9);
  ASSERT_EQ(ui->messages().size(), 1u);
  EXPECT_EQ(ui->messages()[0].text,
            "没有找到与当前图纸范围匹配的纸张!\r\n系统分析图纸大小为: 1000000000000000×"
            "1000000000000000, 请自定义纸张! \r\n建议大小: ,页边距设为10mm!");
  // A size that is no finite number.
  settings(kEps, "auto", "", "1e-300", "eps");
  plot("endless", 1e300, 10);
  ASSERT_EQ(ui->messages().size(), 2u);
  EXPECT_EQ(ui->messages()[1].text, "打印范围不是有限的大小, 未打印: endless");
  Point3d a{0, 0, 0}, b{std::numeric_limits<double>::quiet_NaN(), 10, 0};
  settings(kEps, "auto", "", "1", "eps");
  cad.DwgPlotCmd("nan", a, b);
  EXPECT_EQ(ui->messages().size(), 3u);
  EXPECT_TRUE(plots().isEmpty());
}

TEST_F(DwgPlotCmdTest, FailuresAreShownAndReturnedAndOnlyAnEmptyFolderMeansTheDevice) {
  rectangleDrawing(100, 100);
  Point3d a{0, 0, 0}, b{100, 100, 0};
  settings("Vendor.pc3", "auto", "", "1", "eps");
  const QString unknown = PlotTestAccess::plotWindow(cad, "x", a, b);
  ASSERT_FALSE(ui->messages().empty());
  EXPECT_EQ(ui->messages()[0].text, "设置【打印驱动】出错: Vendor.pc3");
  EXPECT_TRUE(unknown.startsWith("设置【打印驱动】出错: Vendor.pc3")) << unknown.toStdString();

  // A relative folder is a folder: the plot goes there, not to the device.
  const QString cwd = QDir::currentPath();
  ASSERT_TRUE(QDir::setCurrent(tmp.path()));
  ASSERT_TRUE(QDir().mkpath("o"));
  settings(kEps, "auto", "", "1", "eps", "o");
  const QString relative = PlotTestAccess::plotWindow(cad, "rel", a, b);
  QDir::setCurrent(cwd);
  EXPECT_EQ(relative, "");
  EXPECT_TRUE(QFileInfo::exists(path("o/rel.eps")));

  // An empty folder or a bare separator is the device; with no print queue at all nothing is
  // written anywhere and the caller is told.
  for (const char* folder : {"", "\\", "/"}) {
    SCOPED_TRACE(folder);
    settings(kEps, "auto", "", "1", "eps", folder);
    const std::size_t before = ui->messages().size();
    const QString device = PlotTestAccess::plotWindow(cad, "device", a, b);
    EXPECT_TRUE(device.startsWith("设置【打印机】出错: there is no printer"))
        << device.toStdString();
    ASSERT_EQ(ui->messages().size(), before + 1);
    EXPECT_EQ(ui->messages().back().text, device);
  }
  EXPECT_TRUE(plots().isEmpty());
  EXPECT_FALSE(QFileInfo::exists(path("device.eps")));

  // The extents when no window is given.
  settings(kEps, "auto", "", "1", "eps");
  cad.DwgPlotCmd("extents");
  EXPECT_TRUE(QFileInfo::exists(path("plots/extents.eps")));
  cadhost::Point3 ll, ur;
  layout().getWindowToPlot(ll, ur);
  EXPECT_NEAR(ur.x - ll.x, 100, 1e-9);
}

TEST_F(DwgPlotCmdTest, ThePdfPlotterReopensOnlyAnExistingDrawingAndNamesThePlotInCapitals) {
  cadhost::Document caller = rectangleDrawing(420, 297, "caller.dxf");
  settings(kPdf, kA2Landscape, "", "zoom");
  // A bare name (a child's name, a GUID) plots the current drawing, which stays open.
  plot("a001-b002-01", 420, 297);
  EXPECT_EQ(plots(), QStringList{"A001-B002-01.pdf"});
  ASSERT_TRUE(cad.AcadDoc.has_value());
  EXPECT_TRUE(*cad.AcadDoc == caller);
  EXPECT_EQ(app->documents().count(), 1);
  const plottest::PdfInfo info = plottest::pdfInfo(path("plots/A001-B002-01.pdf").toStdString());
  EXPECT_NEAR(info.width, 594 * 72 / 25.4, 0.5);

  // A drawing file is opened read-only beside the caller's, plotted and closed again: the
  // caller's drawing is open, active and keeps its unsaved change.
  rectangleDrawing(200, 100, "Other Plan.dxf").close(false);
  cad.AcadDoc = caller;
  const CallersDrawing unsaved(app, cad, caller);
  plot(path("Other Plan.dxf"), 200, 100);
  EXPECT_TRUE(QFileInfo::exists(path("plots/OTHER PLAN.pdf"))) << plots().join(", ").toStdString();
  unsaved.check();
}

TEST_F(DwgPlotCmdTest, ThePdfPlotterPlotsNothingForAPathThatNamesNoReadableDrawing) {
  // The caller's drawing has never been plotted: its layout is as a new drawing's.
  cadhost::Document caller = rectangleDrawing(420, 297, "caller.dxf");
  const CallersDrawing unsaved(app, cad, caller);
  settings(kPdf, "auto", "", "zoom");
  QFile bad(path("bad.dxf"));
  ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
  bad.write("not a drawing");
  bad.close();
  ASSERT_TRUE(QFile::copy(path("bad.dxf"), path("notes.txt")));
  ASSERT_TRUE(QDir().mkpath(path("folder.dxf")));
  ASSERT_EQ(mkfifo(path("pipe.dxf").toUtf8().constData(), 0600), 0);
  const QStringList names{path("missing.dxf"), path("bad.dxf"),  path("notes.txt"),
                          path("folder.dxf"),  path("pipe.dxf"), "sub/missing.dxf"};
  for (const QString& name : names) {
    SCOPED_TRACE(name.toStdString());
    const std::size_t before = ui->messages().size();
    Point3d a{0, 0, 0}, b{420, 297, 0};
    EXPECT_TRUE(PlotTestAccess::plotWindow(cad, name, a, b).contains(name));
    unsaved.check();
    ASSERT_EQ(ui->messages().size(), before + 1);
    EXPECT_TRUE(ui->messages().back().text.contains(name))
        << ui->messages().back().text.toStdString();
  }
  EXPECT_TRUE(plots().isEmpty()) << plots().join(", ").toStdString();
}

TEST_F(DwgPlotCmdTest, ThePdfPlotterTakesThePaperAsGivenAndTurnsTallWideWindows) {
  rectangleDrawing(297, 420);
  settings(kPdf, "ISO_A3_(420.00_x_297.00_MM)", "", "zoom");
  plot("tall", 297, 420);  // narrower than high and wider than 280 mm: turned
  EXPECT_EQ(layout().plotRotation(), 3);
  EXPECT_EQ(layout().canonicalMediaName(), "ISO_A3_(420.00_x_297.00_MM)");
  EXPECT_TRUE(layout().useStandardScale());
  plot("narrow", 250, 420);
  EXPECT_EQ(layout().plotRotation(), 0);
  plot("wide", 420, 297);  // no fit test: the paper is used as given
  EXPECT_EQ(layout().plotRotation(), 0);
  EXPECT_EQ(plots(), (QStringList{"NARROW.pdf", "TALL.pdf", "WIDE.pdf"}));
}

TEST_F(DwgPlotCmdTest, ThePdfPlottersAutoPaperIsAPageCutToTheWindowAtItsScale) {
  rectangleDrawing(42000, 29700);
  Point3d a{0, 0, 0}, b{42000, 29700, 0};
  settings(kPdf, "auto", "", "auto100");
  EXPECT_EQ(PlotTestAccess::plotWindow(cad, "cut", a, b), "");
  EXPECT_EQ(layout().canonicalMediaName(), "440×320mm");
  EXPECT_EQ(layout().plotRotation(), 0);
  EXPECT_TRUE(layout().centerPlot());
  EXPECT_FALSE(layout().useStandardScale());
  double n = 0, d = 0;
  layout().getCustomScale(n, d);
  EXPECT_EQ(d / n, 100.0);
  const plottest::PdfInfo info = plottest::pdfInfo(path("plots/CUT.pdf").toStdString());
  EXPECT_NEAR(info.width, 440 * 72 / 25.4, 0.5);
  EXPECT_NEAR(info.height, 320 * 72 / 25.4, 0.5);

  // "zoom" measures the window at one unit a millimetre and plots it so: a tall window keeps
  // a tall page, unturned.
  rectangleDrawing(297, 420);
  Point3d c{0, 0, 0}, e{297, 420, 0};
  settings(kPdf, "AUTO", "", "zoom");
  EXPECT_EQ(PlotTestAccess::plotWindow(cad, "tall", c, e), "");
  EXPECT_EQ(layout().canonicalMediaName(), "320×440mm");
  EXPECT_EQ(layout().plotRotation(), 0);
  EXPECT_FALSE(layout().useStandardScale());
  layout().getCustomScale(n, d);
  EXPECT_EQ(d / n, 1.0);

  // A window beyond the page sizes the rule can name: the message without a suggestion.
  Point3d f{0, 0, 0}, g{40000, 100, 0};
  const QString huge = PlotTestAccess::plotWindow(cad, "huge", f, g);
  ASSERT_EQ(ui->messages().size(), 1u);
  EXPECT_EQ(ui->messages()[0].text,
            "没有找到与当前图纸范围匹配的纸张!\r\n系统分析图纸大小为: 100×40000, 请自定义纸张! "
            "\r\n建议大小: ,页边距设为10mm!");
  EXPECT_TRUE(huge.startsWith("没有找到与当前图纸范围匹配的纸张! ")) << huge.toStdString();
  EXPECT_EQ(plots(), (QStringList{"CUT.pdf", "TALL.pdf"}));
}

TEST_F(DwgPlotCmdTest, AWindowScaledToFitItsPaperKeepsOffThePagesEdges) {
  rectangleDrawing(420, 297);
  settings(kPdf, "ISO_A3_(420.00_x_297.00_MM)", "", "zoom");
  plot("fit", 420, 297);
  // Two pixels a millimetre: the border 1 mm inside the page on all four sides.
  const plottest::GreyImage img = plottest::renderWithGhostscript(
      path("plots/FIT.pdf").toStdString(), 50.8, path("").toStdString());
  ASSERT_EQ(img.width, 840);
  ASSERT_EQ(img.height, 594);
  EXPECT_EQ(img.inkIn(0, 0, 1, img.height), 0);
  EXPECT_EQ(img.inkIn(img.width - 1, 0, img.width, img.height), 0);
  EXPECT_EQ(img.inkIn(0, 0, img.width, 1), 0);
  EXPECT_EQ(img.inkIn(0, img.height - 1, img.width, img.height), 0);
  EXPECT_GT(img.inkIn(1, 100, 4, 500), 300);
  EXPECT_GT(img.inkIn(img.width - 4, 100, img.width - 1, 500), 300);
  EXPECT_GT(img.inkIn(100, 1, 700, 4), 500);
  EXPECT_GT(img.inkIn(100, img.height - 4, 700, img.height - 1), 500);
}

TEST_F(DwgPlotCmdTest, SetLayoutPaperReportsTheSheetsOrientation) {
  cadhost::Document d = rectangleDrawing(10, 10);
  EXPECT_EQ(SetLayoutPaper(d, kPdf, "ISO_A3_(420.00_x_297.00_MM)"), "H");
  EXPECT_EQ(d.modelSpace().layout().configName(), kPdf.toStdString());
  EXPECT_EQ(SetLayoutPaper(d, kPdf, kA3Portrait), "Z");
  EXPECT_EQ(d.activeLayout().canonicalMediaName(), kA3Portrait.toStdString());
  // An unknown medium keeps the last one.
  EXPECT_EQ(SetLayoutPaper(d, kPdf, "Letter"), "Z");
}

}  // namespace
}  // namespace tarvik
