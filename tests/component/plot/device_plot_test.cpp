// Plots to the device reach a real print queue: a CUPS scheduler of the test's own with a PDF
// printer, whose printed file is read back.

#include <cadhost/layout.h>

#include <QFileInfo>

#include "plot_files.h"
#include "plot_fixture.h"
#include "print_queue_server.h"
#include "qstring_printer.h"

namespace tarvik {
namespace {

using plottest::PlotFixture;

class DevicePlotTest : public PlotFixture {
 protected:
  void SetUp() override {
    PlotFixture::SetUp();
    const std::string why = server.start();
    if (!why.empty()) GTEST_SKIP() << "no CUPS scheduler for the device plots: " << why;
  }

  plottest::PrintQueueServer server;
};

TEST_F(DevicePlotTest, ADevicePlotIsPrintedOnTheQueueItsConfigurationNames) {
  const QString queue = QString::fromStdString(server.queue());
  // The queue is a plot configuration of its own.
  const std::vector<std::string> names = cadhost::plotterNames("");
  EXPECT_NE(std::find(names.begin(), names.end(), server.queue()), names.end());

  // A built-in configuration prints on the default queue: the EPS plotter's sheet for an A3
  // frame, as a PDF on paper of that size.
  rectangleDrawing(420, 297);
  Point3d a{0, 0, 0}, b{420, 297, 0};
  settings("CorvantisEPS Plus.pc3", "auto", "", "1", "eps", "");
  ASSERT_EQ(PlotTestAccess::plotWindow(cad, "first", a, b), "");
  std::string printed = server.waitForPrintedPdf(60);
  ASSERT_FALSE(printed.empty()) << server.log();
  // The job is titled after the plot, and the PDF printer names its file after the title.
  EXPECT_TRUE(QFileInfo(QString::fromStdString(printed)).fileName().startsWith(u"first"))
      << printed;
  plottest::PdfInfo info = plottest::pdfInfo(printed);
  EXPECT_EQ(info.pages, 1);
  EXPECT_NEAR(info.width, 460 * 72 / 25.4, 2);
  EXPECT_NEAR(info.height, 340 * 72 / 25.4, 2);
  ASSERT_TRUE(QFile::remove(QString::fromStdString(printed)));

  // The queue's own configuration, a bare separator for the device.
  settings(queue, "ISO_A4_(210.00_x_297.00_MM)", "缩放", "1", "pdf", "\\");
  ASSERT_EQ(PlotTestAccess::plotWindow(cad, "second", a, b), "");
  EXPECT_EQ(cad.AcadDoc->activeLayout().configName(), server.queue());
  printed = server.waitForPrintedPdf(60);
  ASSERT_FALSE(printed.empty()) << server.log();
  EXPECT_TRUE(QFileInfo(QString::fromStdString(printed)).fileName().startsWith(u"second"))
      << printed;
  info = plottest::pdfInfo(printed);
  EXPECT_NEAR(info.width, 210 * 72 / 25.4, 2);
  EXPECT_NEAR(info.height, 297 * 72 / 25.4, 2);
  EXPECT_TRUE(ui->messages().empty());
  EXPECT_TRUE(plots().isEmpty());
}

}  // namespace
}  // namespace tarvik
