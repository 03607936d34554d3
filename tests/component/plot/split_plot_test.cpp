// A split with plot settings plots every child it writes, named like the child, read back
// with pdfinfo, Ghostscript, pdftotext and hp2xx.

#include <QFileInfo>

#include "plot_files.h"
#include "plot_fixture.h"
#include "qstring_printer.h"
#include "sheetgen/sheet_set.h"

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

TEST_F(SplitPlotTest, EveryChildIsPlottedToAPdfOfTheMatchedSheet) {
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
    // An A3 frame at one drawing unit a millimetre needs an A2 sheet for 30 mm to spare.
    EXPECT_NEAR(info.width, 594 * 72 / 25.4, 0.5);
    EXPECT_NEAR(info.height, 420 * 72 / 25.4, 0.5);
  }

  // Scaled to fit from (1, 1): the border along the sheet's left, bottom and top edges, the
  // title block at the lower right, and the Chinese title as text.
  const std::string first = path("plots/" + plots()[0]).toStdString();
  const plottest::GreyImage img =
      plottest::renderWithGhostscript(first, 50.8, path("").toStdString());
  ASSERT_EQ(img.width, 1188);
  ASSERT_EQ(img.height, 840);
  EXPECT_GT(img.inkIn(0, 100, 8, 740), 500);
  EXPECT_GT(img.inkIn(100, 832, 1000, 840), 700);
  EXPECT_GT(img.inkIn(100, 0, 1000, 8), 700);
  EXPECT_GT(img.inkIn(800, 680, 1180, 830), 2000);
  const plottest::RunResult text = plottest::run({"pdftotext", first, "-"});
  EXPECT_NE(text.output.find("某市建筑设计研究院"), std::string::npos) << text.output;
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
