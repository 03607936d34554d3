// A split with plot settings plots every child it writes, named like the child, read back
// with pdfinfo, Ghostscript, pdftotext and hp2xx.

#include <sheetcut/error.h>

#include <QFileInfo>

#include "plot_files.h"
#include "plot_fixture.h"
#include "qstring_printer.h"
#include "sheetgen/sheet_set.h"
#include "tarvik/paper_rules.h"

namespace tarvik {
namespace {

using plottest::PlotFixture;

class SplitPlotTest : public PlotFixture {
 protected:
  sheetgen::SheetSet splitSheets(int frames) {
    sheetgen::Options options;
    options.frames = frames;
    options.fillerPerFrame = 30;
    const std::string drawing = path("sheets.dxf").toStdString();
    sheetgen::SheetSet sheets = sheetgen::writeSheetSetFile(drawing, options);
    cad.dwgIDMask = QStringLiteral("@*-@*-#*");
    cad.setChildFileSavePath(path("children"));
    cad.SplitDwg(QString::fromStdString(drawing), true);
    return sheets;
  }
};

TEST_F(SplitPlotTest, EveryChildIsPlottedOneToOneOnAPdfPageCutToItsFrame) {
  settings("CorvantisPDF Plus.pc3", "auto", "", "zoom");
  const sheetgen::SheetSet sheets = splitSheets(4);
  QStringList expected;
  for (const std::string& n : sheets.numbers)
    expected << QString::fromStdString(n).toUpper() + ".pdf";
  expected.sort();
  EXPECT_EQ(QDir(path("children")).entryList(QDir::Files).size(), 4);
  ASSERT_EQ(plots(), expected);
  EXPECT_TRUE(ui->messages().empty());

  for (const QString& name : plots()) {
    SCOPED_TRACE(name.toStdString());
    const plottest::PdfInfo info = plottest::pdfInfo(path("plots/" + name).toStdString());
    EXPECT_EQ(info.pages, 1);
    // An A3 frame at one drawing unit a millimetre, on a page 440 x 320 mm.
    EXPECT_NEAR(info.width, 440 * 72 / 25.4, 0.5);
    EXPECT_NEAR(info.height, 320 * 72 / 25.4, 0.5);
  }

  // Two pixels a millimetre: the border 10 mm in from the left and right edges and 11.5 mm
  // from the top and bottom, the title block at the lower right, the Chinese title as text.
  const std::string first = path("plots/" + plots()[0]).toStdString();
  const plottest::GreyImage img =
      plottest::renderWithGhostscript(first, 50.8, path("").toStdString());
  ASSERT_EQ(img.width, 880);
  ASSERT_EQ(img.height, 640);
  EXPECT_EQ(img.inkIn(0, 0, 16, 640) + img.inkIn(864, 0, 880, 640), 0);
  EXPECT_EQ(img.inkIn(0, 0, 880, 19) + img.inkIn(0, 621, 880, 640), 0);
  EXPECT_GT(img.inkIn(16, 100, 24, 540), 400);
  EXPECT_GT(img.inkIn(856, 100, 864, 540), 400);
  EXPECT_GT(img.inkIn(100, 19, 780, 27), 600);
  EXPECT_GT(img.inkIn(100, 613, 780, 621), 600);
  EXPECT_GT(img.inkIn(500, 450, 860, 615), 2000);
  const plottest::RunResult text = plottest::run({"pdftotext", first, "-"});
  EXPECT_NE(text.output.find("某市建筑设计研究院"), std::string::npos) << text.output;
}

TEST_F(SplitPlotTest, FramesOfEverySheetSizeEachLandOnTheirOwnPageOneToOne) {
  // One frame of each ISO size, landscape and portrait, side by side: an outer border, an
  // inner one 25 mm in on the binding side and 5 mm on the others, and the drawing number.
  struct Frame {
    const char* number;
    double w, h;
  };
  const std::vector<Frame> frames{
      {"S-A4L-1", 297, 210},  {"S-A4P-2", 210, 297},  {"S-A3L-3", 420, 297}, {"S-A3P-4", 297, 420},
      {"S-A2L-5", 594, 420},  {"S-A2P-6", 420, 594},  {"S-A1L-7", 841, 594}, {"S-A1P-8", 594, 841},
      {"S-A0L-9", 1189, 841}, {"S-A0P-10", 841, 1189}};
  cadhost::Document d = app->documents().add();
  double x = 0;
  for (const Frame& f : frames) {
    d.modelSpace().addLightWeightPolyline({x, 0, x + f.w, 0, x + f.w, f.h, x, f.h, x, 0});
    d.modelSpace().addLightWeightPolyline(
        {x + 25, 5, x + f.w - 5, 5, x + f.w - 5, f.h - 5, x + 25, f.h - 5, x + 25, 5});
    d.modelSpace().addText(f.number, {x + f.w - 60, 10, 0}, 5);
    x += f.w + 200;
  }
  d.saveAs(path("sizes.dxf").toStdString());
  app->documents().close();
  settings("CorvantisPDF Plus.pc3", "auto", "", "zoom");
  cad.dwgIDMask = QStringLiteral("@*-@*-#*");
  cad.setChildFileSavePath(path("children"));
  cad.SplitDwg(path("sizes.dxf"), true);
  EXPECT_TRUE(ui->messages().empty());
  EXPECT_EQ(QDir(path("children")).entryList(QDir::Files).size(), 10);
  ASSERT_EQ(plots().size(), 10u) << plots().join(", ").toStdString();

  for (const Frame& f : frames) {
    const QString name = QString::fromUtf8(f.number) + ".pdf";
    SCOPED_TRACE(name.toStdString());
    const std::string pdf = path("plots/" + name).toStdString();
    // The page is the frame and about 10 mm round it, as the suggested paper has it.
    const QString page = *PaperSizeName(static_cast<int>(f.w), static_cast<int>(f.h));
    const double pw = page.section(u'×', 0, 0).toDouble();
    const double ph = page.section(u'×', 1).chopped(2).toDouble();
    const plottest::PdfInfo info = plottest::pdfInfo(pdf);
    ASSERT_EQ(info.pages, 1);
    EXPECT_NEAR(info.width, pw * 72 / 25.4, 0.5);
    EXPECT_NEAR(info.height, ph * 72 / 25.4, 0.5);
    // One pixel a millimetre: the border where a 1:1 frame in the middle of the page has it,
    // and nothing in the margin round it.
    const plottest::GreyImage img =
        plottest::renderWithGhostscript(pdf, 25.4, path("").toStdString());
    ASSERT_NEAR(img.width, pw, 1);
    ASSERT_NEAR(img.height, ph, 1);
    const int left = static_cast<int>((pw - f.w) / 2), bottom = static_cast<int>((ph - f.h) / 2);
    const int right = left + static_cast<int>(f.w),
              top = img.height - bottom - static_cast<int>(f.h);
    EXPECT_EQ(img.inkIn(0, 0, left - 2, img.height), 0);
    EXPECT_EQ(img.inkIn(right + 2, 0, img.width, img.height), 0);
    EXPECT_EQ(img.inkIn(0, 0, img.width, top - 2), 0);
    EXPECT_EQ(img.inkIn(0, img.height - bottom + 2, img.width, img.height), 0);
    const int along = static_cast<int>(f.h) / 2, across = static_cast<int>(f.w) / 2;
    EXPECT_GT(img.inkIn(left - 1, top + 10, left + 2, top + 10 + along), along / 2);
    EXPECT_GT(img.inkIn(right - 2, top + 10, right + 1, top + 10 + along), along / 2);
    EXPECT_GT(img.inkIn(left + 10, top - 1, left + 10 + across, top + 2), across / 2);
    EXPECT_GT(
        img.inkIn(left + 10, img.height - bottom - 2, left + 10 + across, img.height - bottom + 1),
        across / 2);
  }
}

TEST_F(SplitPlotTest, OnlyFramesThatFailToPlotAreListedInTheSplitsError) {
  // An A4 paper takes no A3 frame, and the settings ask for nothing else: the child is
  // written, no plot is made, and the split ends as it should, without a message.
  settings("CorvantisEPS Plus.pc3", "ISO_A4_(297.00_x_210.00_MM)", "", "1", "eps");
  EXPECT_NO_THROW(splitSheets(1));
  EXPECT_EQ(QDir(path("children")).entryList(QDir::Files).size(), 1);
  EXPECT_TRUE(plots().isEmpty());
  EXPECT_TRUE(ui->messages().empty());

  // A plot that fails (its folder is missing) is listed with the host's reason and its message.
  QDir(path("children")).removeRecursively();
  settings("CorvantisEPS Plus.pc3", "auto", "", "1", "eps", path("missing"));
  try {
    splitSheets(2);
    FAIL() << "the split did not report the failed plots";
  } catch (const sheetcut::Error& e) {
    const QString text = QString::fromStdString(e.description());
    EXPECT_TRUE(text.startsWith("2 of the frames of")) << e.description();
    EXPECT_EQ(text.count("not plotted: 设置【打印文件】出错: "), 2) << e.description();
  }
  EXPECT_EQ(ui->messages().size(), 2u);
  EXPECT_EQ(QDir(path("children")).entryList(QDir::Files).size(), 2);
}

TEST_F(SplitPlotTest, HpglPlotsOfTheChildrenAreReadByHp2xx) {
  settings("HP-GL2 Plotter.pc3", "auto", "", "zoom", "plt");
  const sheetgen::SheetSet sheets = splitSheets(2);
  ASSERT_EQ(plots().size(), 2);
  for (const QString& name : plots()) {
    SCOPED_TRACE(name.toStdString());
    EXPECT_TRUE(name.endsWith(".plt"));
    const std::string pbm = path("out.pbm").toStdString();
    const plottest::RunResult r =
        plottest::run({"hp2xx", "-q", "-m", "pbm", "-f", pbm, path("plots/" + name).toStdString()});
    ASSERT_EQ(r.status, 0) << r.output;
    const plottest::GreyImage img = plottest::readNetpbm(pbm);
    EXPECT_NEAR(static_cast<double>(img.width) / img.height, 420.0 / 297.0, 0.03);
    EXPECT_GT(img.inkIn(0, 0, img.width, img.height), img.width);
  }
}

}  // namespace
}  // namespace tarvik
