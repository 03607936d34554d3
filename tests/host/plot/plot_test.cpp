// The host's plot: plotter configurations and media, the layout's settings and their failures,
// and plot files read back by independent tools (pdfinfo, Ghostscript, pdftotext, hp2xx).

#include <cmath>
#include <filesystem>
#include <fstream>

#include "../model/host_fixture.h"
#include "plot/fonts.h"
#include "plot/text_layout.h"
#include "plot_files.h"
#include "sheetgen/sheet_set.h"
#include "small_filesystem.h"

namespace {

using namespace hosttest;
using cadhost::HostError;
using cadhost::Layout;

constexpr double kPointsPerMm = 72.0 / 25.4;
const char* const kPdf = "CorvantisPDF Plus.pc3";
const char* const kA2Landscape = "ISO_A2_(594.00_x_420.00_MM)";
const char* const kA3Landscape = "ISO_A3_(420.00_x_297.00_MM)";

class PlotTest : public HostTest {
 protected:
  // One generated frame (border, title block with Chinese texts, filler) of w x h units.
  sheetgen::Rect openFrame(double w = 420, double h = 297) {
    sheetgen::Options options;
    options.frames = 1;
    options.width = w;
    options.height = h;
    options.fillerPerFrame = 40;
    const std::string path = tmp.path("frame.dxf");
    const sheetgen::SheetSet sheets = sheetgen::writeSheetSetFile(path, options);
    doc = app->documents().open(path);
    return sheets.frames[0];
  }

  Layout windowLayout(const sheetgen::Rect& r, const char* config, const char* media) {
    Layout layout = doc.activeLayout();
    layout.setConfigName(config);
    layout.setCanonicalMediaName(media);
    layout.setPaperUnits(1);
    layout.setWindowToPlot(pt(r.minX, r.minY), pt(r.maxX, r.maxY));
    layout.setPlotType(4);
    layout.setPlotOrigin(pt(1, 1));
    return layout;
  }

  // The active layout set to plot the window (0, 0)-(w, h) at 1:1 onto a sheet of the PDF plotter.
  Layout oneToOneLayout(const char* media, double w, double h) {
    Layout layout = doc.activeLayout();
    layout.setConfigName(kPdf);
    layout.setCanonicalMediaName(media);
    layout.setWindowToPlot(pt(0, 0), pt(w, h));
    layout.setPlotType(4);
    layout.setUseStandardScale(false);
    layout.setCustomScale(1, 1);
    return layout;
  }

  std::vector<std::string> folderEntries() const {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(tmp.path("")))
      names.push_back(e.path().filename().string());
    return names;
  }
};

TEST_F(PlotTest, PlottersOfferTheIsoSheetsInAFixedOrderAndRefuseUnknownSettings) {
  Layout layout = doc.activeLayout();
  EXPECT_EQ(layout.configName(), "None");
  EXPECT_HOST_ERROR(layout.setCanonicalMediaName(kA3Landscape), NotFound);
  layout.setConfigName("corvantispdf plus.PC3");  // names without regard to case
  EXPECT_EQ(layout.configName(), kPdf);
  const std::vector<std::string> media = layout.getCanonicalMediaNames();
  ASSERT_EQ(media.size(), 20u);
  EXPECT_EQ(media.front(), "ISO_A4_(297.00_x_210.00_MM)");
  EXPECT_EQ(media[1], "ISO_A4_(210.00_x_297.00_MM)");
  EXPECT_EQ(media[2], "340×250mm");
  EXPECT_EQ(media[4], kA3Landscape);
  EXPECT_EQ(media.back(), "890×1230mm");
  layout.setCanonicalMediaName(kA3Landscape);
  double w = 0, h = 0;
  layout.getPaperSize(w, h);
  EXPECT_EQ(w, 420);
  EXPECT_EQ(h, 297);
  layout.setPaperUnits(0);
  layout.getPaperSize(w, h);
  EXPECT_NEAR(w, 420 / 25.4, 1e-9);

  // Every refused setting keeps the old value.
  EXPECT_HOST_ERROR(layout.setConfigName("Vendor Plotter.pc3"), NotFound);
  EXPECT_EQ(layout.configName(), kPdf);
  EXPECT_HOST_ERROR(layout.setCanonicalMediaName("Letter"), NotFound);
  EXPECT_EQ(layout.canonicalMediaName(), kA3Landscape);
  EXPECT_HOST_ERROR(layout.setStyleSheet("vendor.ctb"), NotFound);
  layout.setStyleSheet("MONOCHROME.ctb");
  EXPECT_EQ(layout.styleSheet(), "monochrome.ctb");
  EXPECT_HOST_ERROR(layout.setPlotType(4), Refused);  // no window yet
  EXPECT_HOST_ERROR(layout.setPlotType(3), Refused);
  EXPECT_HOST_ERROR(layout.setWindowToPlot(pt(5, 5), pt(5, 9)), Refused);
  EXPECT_HOST_ERROR(layout.setWindowToPlot(pt(0, 0), pt(NAN, 9)), Refused);
  EXPECT_HOST_ERROR(layout.setCustomScale(1, 0), Refused);
  EXPECT_HOST_ERROR(layout.setPlotRotation(4), Refused);
  EXPECT_HOST_ERROR(layout.setPaperUnits(3), Refused);
  layout.setWindowToPlot(pt(10, 20), pt(0, 0));
  layout.setPlotType(4);
  cadhost::Point3 ll, ur;
  layout.getWindowToPlot(ll, ur);
  expectNear(ll, pt(0, 0));
  expectNear(ur, pt(10, 20));

  // The other plotters, and a plotter listed in the host's plotter folder.
  for (const char* name : {"CorvantisEPS Plus.pc3", "HP-GL2 Plotter.pc3", "PNG Raster.pc3"})
    EXPECT_NO_THROW(layout.setConfigName(name)) << name;
  {
    std::ofstream list(tmp.path("plotters.txt"));
    list << "# site plotters\nOffice Plotter.pc3 | plt\nbroken line\n";
  }
  cadhost::HostConfig config;
  config.plotterFolder = tmp.path("");
  auto other = cadhost::Application::create(config);
  Layout extra = other->documents().add().activeLayout();
  extra.setConfigName("office plotter.pc3");
  EXPECT_EQ(extra.configName(), "Office Plotter.pc3");
  EXPECT_EQ(cadhost::plotterNames(config.plotterFolder).back(), "Office Plotter.pc3");
  other->quit();
}

TEST_F(PlotTest, EachIsoFrameFindsItsOversizeSheetFirstAndOnlyThePdfPlotterCutsAnySize) {
  // The first sheet, in the plotter's order, with 30 mm to spare each way (unturned or turned)
  // for a frame of each ISO size in both orientations: never the next ISO size up.
  struct Iso {
    double shortSide, longSide;
  };
  for (const char* plotter : {"CorvantisEPS Plus.pc3", "HP-GL2 Plotter.pc3", "PNG Raster.pc3"}) {
    Layout layout = doc.activeLayout();
    layout.setConfigName(plotter);
    for (const Iso iso :
         {Iso{210, 297}, Iso{297, 420}, Iso{420, 594}, Iso{594, 841}, Iso{841, 1189}}) {
      for (const bool portrait : {false, true}) {
        const double fw = portrait ? iso.shortSide : iso.longSide;
        const double fh = portrait ? iso.longSide : iso.shortSide;
        SCOPED_TRACE(std::string(plotter) + " " + std::to_string(fw) + " x " + std::to_string(fh));
        double pw = 0, ph = 0;
        std::string found;
        for (const std::string& name : layout.getCanonicalMediaNames()) {
          layout.setCanonicalMediaName(name);
          layout.getPaperSize(pw, ph);
          if ((pw - fw >= 30 && ph - fh >= 30) || (pw - fh >= 30 && ph - fw >= 30)) {
            found = name;
            break;
          }
        }
        ASSERT_FALSE(found.empty());
        EXPECT_EQ(found.find("ISO"), std::string::npos) << found;
        // No more than 50 mm beyond the frame either way.
        EXPECT_LE(std::max(pw, ph) - iso.longSide, 50) << found;
        EXPECT_LE(std::min(pw, ph) - iso.shortSide, 50) << found;
      }
    }
    EXPECT_HOST_ERROR(layout.setCanonicalMediaName("440×320mm"), NotFound);
  }

  // The PDF plotter takes any sheet named by its size, width first.
  Layout pdf = doc.activeLayout();
  pdf.setConfigName(kPdf);
  double w = 0, h = 0;
  pdf.setCanonicalMediaName("440×320mm");
  pdf.getPaperSize(w, h);
  EXPECT_EQ(w, 440);
  EXPECT_EQ(h, 320);
  EXPECT_EQ(pdf.canonicalMediaName(), "440×320mm");
  pdf.setCanonicalMediaName("861x1210.5MM");
  pdf.getPaperSize(w, h);
  EXPECT_EQ(w, 861);
  EXPECT_EQ(h, 1210.5);
  for (const char* bad : {"0×320mm", "440×320", "440×320cm", "×320mm", "440×-3mm", "40000×10mm",
                          "440×320mm ", "nan×10mm"}) {
    SCOPED_TRACE(bad);
    EXPECT_HOST_ERROR(pdf.setCanonicalMediaName(bad), NotFound);
  }
  EXPECT_EQ(pdf.canonicalMediaName(), "861x1210.5MM");

  // A cut page plots the window 1:1 in its middle.
  doc.modelSpace().addLightWeightPolyline({0, 0, 297, 0, 297, 210, 0, 210, 0, 0});
  pdf.setCanonicalMediaName("320×230mm");
  pdf.setWindowToPlot(pt(0, 0), pt(297, 210));
  pdf.setPlotType(4);
  pdf.setUseStandardScale(false);
  pdf.setCustomScale(1, 1);
  pdf.setCenterPlot(true);
  const std::string file = tmp.path("cut.pdf");
  doc.plot().plotToFile(file);
  const plottest::PdfInfo info = plottest::pdfInfo(file);
  EXPECT_NEAR(info.width, 320 * kPointsPerMm, 0.5);
  EXPECT_NEAR(info.height, 230 * kPointsPerMm, 0.5);
  const plottest::GreyImage img = plottest::renderWithGhostscript(file, 25.4, tmp.path(""));
  EXPECT_EQ(img.inkIn(0, 0, 10, img.height) + img.inkIn(img.width - 10, 0, img.width, img.height),
            0);
  EXPECT_GT(img.inkIn(10, 20, 13, 210), 150);    // the border 11.5 mm from the left
  EXPECT_GT(img.inkIn(307, 20, 310, 210), 150);  // and from the right
}

TEST(PlotFonts, StyleFontsMapToInstalledCjkFamilies) {
  using cadhost::plot::substituteFamily;
  const std::string sans = cadhost::plot::kSansFamily, serif = cadhost::plot::kSerifFamily;
  EXPECT_EQ(substituteFamily("txt.shx", "gbcbig.shx"), sans);
  EXPECT_EQ(substituteFamily("", ""), sans);
  EXPECT_EQ(substituteFamily("黑体", ""), sans);
  EXPECT_EQ(substituteFamily("仿宋_GB2312", ""), serif);
  EXPECT_EQ(substituteFamily("宋体", ""), serif);
  EXPECT_EQ(substituteFamily("SimSun.ttf", ""), serif);
  EXPECT_EQ(substituteFamily("romans.shx", "hztxt.shx"), serif);
  // fontconfig finds both families among the installed fonts.
  for (const std::string& family : {sans, serif}) {
    const plottest::RunResult r = plottest::run({"fc-match", family});
    EXPECT_NE(r.output.find("CJK"), std::string::npos) << family << ": " << r.output;
  }
  // A full-width character is one text height wide, as the text width model has it.
  EXPECT_NEAR(cadhost::plot::characterAdvance(U'图', sans), 1.0, 0.01);
}

TEST_F(PlotTest, PdfOfAFrameHasTheSheetSizeAndInkOnItsBorder) {
  const sheetgen::Rect r = openFrame();
  Layout layout = windowLayout(r, kPdf, kA2Landscape);
  layout.setUseStandardScale(false);
  layout.setCustomScale(1, 1);
  layout.setStyleSheet("acad.ctb");
  const std::string pdf = tmp.path("FRAME-1.pdf");
  ASSERT_TRUE(doc.plot().plotToFile(pdf));

  const plottest::PdfInfo info = plottest::pdfInfo(pdf);
  EXPECT_EQ(info.pages, 1) << info.raw;
  EXPECT_NEAR(info.width, 594 * kPointsPerMm, 0.5);
  EXPECT_NEAR(info.height, 420 * kPointsPerMm, 0.5);

  // One pixel a millimetre: the border runs from (1, 1) to (421, 298) mm on the sheet.
  const plottest::GreyImage img = plottest::renderWithGhostscript(pdf, 25.4, tmp.path(""));
  ASSERT_EQ(img.width, 594);
  ASSERT_EQ(img.height, 420);
  auto row = [&](double ymm) { return 420 - static_cast<int>(ymm); };
  EXPECT_GT(img.inkIn(0, row(250), 4, row(50)), 150);      // left edge
  EXPECT_GT(img.inkIn(418, row(250), 424, row(50)), 150);  // right edge
  EXPECT_GT(img.inkIn(50, row(300), 380, row(296)), 250);  // top edge
  EXPECT_GT(img.inkIn(50, row(3), 380, row(0)), 250);      // bottom edge
  EXPECT_GT(img.inkIn(240, row(60), 420, row(0)), 100);    // the title block
  EXPECT_EQ(img.inkIn(430, 0, 594, 420), 0);               // right of the frame
  EXPECT_EQ(img.inkIn(0, 0, 594, row(305)), 0);            // above it

  // Nothing but the plot is left in the folder.
  for (const std::string& name : folderEntries()) EXPECT_EQ(name.find(".tmp"), std::string::npos);
}

TEST_F(PlotTest, ScaleToFitWithAQuarterTurnFillsALandscapeSheetWithAPortraitFrame) {
  const sheetgen::Rect r = openFrame(297, 420);
  Layout layout = windowLayout(r, kPdf, kA3Landscape);
  layout.setUseStandardScale(true);
  layout.setStandardScale(0);
  layout.setPlotRotation(3);
  const std::string pdf = tmp.path("portrait.pdf");
  doc.plot().plotToFile(pdf);
  // Four pixels a millimetre.
  const plottest::GreyImage img = plottest::renderWithGhostscript(pdf, 101.6, tmp.path(""));
  ASSERT_EQ(img.width, 1680);
  ASSERT_EQ(img.height, 1188);
  auto ink = [&](int x0, int y0, int x1, int y1) {
    return img.inkIn(4 * x0, 4 * y0, 4 * x1, 4 * y1);
  };
  // The frame's 420 units run across the sheet's 420 - 1 mm (origin 1, 1), so the picture
  // fills it: the border lies along the sheet's left and top edges.
  EXPECT_GT(ink(0, 20, 3, 270), 600);
  EXPECT_GT(ink(20, 0, 400, 4), 1000);
  EXPECT_GT(ink(408, 20, 420, 270), 80);
  // Turned clockwise: the frame's lower-right title block lands at the sheet's lower left.
  EXPECT_GT(ink(12, 120, 60, 285), 2 * ink(360, 12, 408, 177));
}

TEST_F(PlotTest, ChineseTextIsDrawnWithCjkGlyphsAtTheWidthOfTheTextModel) {
  doc.modelSpace().addText("图纸目录", pt(20, 100), 10);
  doc.modelSpace().addLightWeightPolyline({0, 0, 200, 0, 200, 200, 0, 200, 0, 0});
  oneToOneLayout("ISO_A4_(210.00_x_297.00_MM)", 200, 200);
  const std::string pdf = tmp.path("title.pdf");
  doc.plot().plotToFile(pdf);

  const plottest::RunResult text = plottest::run({"pdftotext", pdf, "-"});
  EXPECT_NE(text.output.find("图纸目录"), std::string::npos) << text.output;
  const plottest::RunResult fonts = plottest::run({"pdffonts", pdf});
  EXPECT_NE(fonts.output.find("NotoS"), std::string::npos) << fonts.output;

  // Ten pixels a millimetre; the text's row lies 100..110 mm up the sheet.
  const plottest::GreyImage img = plottest::renderWithGhostscript(pdf, 254, tmp.path(""));
  const int top = img.height - 1120, bottom = img.height - 980;
  int minX = img.width, maxX = -1;
  for (int y = top; y < bottom; ++y)
    for (int x = 50; x < 1900; ++x)
      if (img.dark(x, y)) minX = std::min(minX, x), maxX = std::max(maxX, x);
  ASSERT_GT(maxX, minX);
  const double inkMm = (maxX - minX + 1) / 10.0;
  EXPECT_NEAR(inkMm, 40.0, 4.0);  // four full-width characters of height 10
  EXPECT_NEAR(minX / 10.0, 20.0, 2.0);
  // Glyphs, not boxes: the middle of the characters' box is not all ink and not all paper.
  const int ink = img.inkIn(minX, top, maxX, bottom);
  const int area = (maxX - minX) * (bottom - top);
  EXPECT_GT(ink, area / 30);
  EXPECT_LT(ink, area / 2);
}

TEST_F(PlotTest, ColoursFollowTheStyleTableAndHiddenLayersAreNotPlotted) {
  cadhost::Layer red = doc.layers().add("RED");
  red.setColor(1);
  doc.setActiveLayer(red);
  doc.modelSpace().addLightWeightPolyline({10, 100, 190, 100});
  cadhost::Layer hidden = doc.layers().add("HIDDEN");
  doc.setActiveLayer(hidden);
  doc.modelSpace().addLightWeightPolyline({10, 50, 190, 50});
  hidden.setLayerOn(false);
  Layout layout = oneToOneLayout("ISO_A4_(210.00_x_297.00_MM)", 200, 200);
  // The darkest pixel of the sheet's rows at 50 and 100 mm from its foot (one pixel a mm).
  auto darkest = [&](const std::string& pdf, int ymm) {
    const plottest::GreyImage img = plottest::renderWithGhostscript(pdf, 25.4, tmp.path(""));
    int v = 255;
    for (int y = img.height - ymm - 3; y < img.height - ymm + 2; ++y)
      for (int x = 0; x < img.width; ++x)
        v = std::min<int>(v, img.pixels[static_cast<std::size_t>(y) * img.width + x]);
    return v;
  };
  layout.setStyleSheet("acad.ctb");
  doc.plot().plotToFile(tmp.path("colour.pdf"));
  const int redGrey = darkest(tmp.path("colour.pdf"), 101);
  EXPECT_GT(redGrey, 40);  // red, not black
  EXPECT_LT(redGrey, 200);
  EXPECT_EQ(darkest(tmp.path("colour.pdf"), 51), 255);  // the layer that is off
  layout.setStyleSheet("monochrome.ctb");
  doc.plot().plotToFile(tmp.path("mono.pdf"));
  EXPECT_LT(darkest(tmp.path("mono.pdf"), 101), 20);
  layout.setPlotWithPlotStyles(false);  // no style table: the colours again
  doc.plot().plotToFile(tmp.path("plain.pdf"));
  EXPECT_GT(darkest(tmp.path("plain.pdf"), 101), 40);
}

TEST_F(PlotTest, ArcsRunCounterClockwiseFromTheirStartAngle) {
  // An arc from 0 to 90 degrees about (100, 100), radius 50, and one from 180 to 270 degrees
  // inside a block reference mirrored in x (so it shows from 0 to -90 degrees).
  doc = openDxf("arcs.dxf", R"(0 SECTION
2 BLOCKS
0 BLOCK
2 Q
70 0
10 0
20 0
30 0
0 ARC
8 0
10 0
20 0
30 0
40 50
50 180
51 270
0 ENDBLK
0 ENDSEC
0 SECTION
2 ENTITIES
0 ARC
8 0
10 100
20 100
30 0
40 50
50 0
51 90
0 INSERT
8 0
2 Q
10 100
20 100
30 0
41 -1
42 1
43 1
0 ENDSEC
0 EOF
)");
  oneToOneLayout("ISO_A4_(210.00_x_297.00_MM)", 200, 200);
  const std::string pdf = tmp.path("arcs.pdf");
  doc.plot().plotToFile(pdf);
  // Two pixels a millimetre; the centre lies at (100, 100) mm, 297 - 100 mm from the top.
  const plottest::GreyImage img = plottest::renderWithGhostscript(pdf, 50.8, tmp.path(""));
  const int cx = 200, cy = img.height - 200;
  EXPECT_GT(img.inkIn(cx + 10, cy - 110, cx + 110, cy - 10), 100);  // upper right
  EXPECT_EQ(img.inkIn(cx - 110, cy - 110, cx - 10, cy - 10), 0);    // upper left
  EXPECT_EQ(img.inkIn(cx - 110, cy + 10, cx - 10, cy + 110), 0);    // lower left
  EXPECT_GT(img.inkIn(cx + 10, cy + 10, cx + 110, cy + 110), 100);  // lower right (mirrored)
}

TEST_F(PlotTest, HatchesWrittenByEzdxfAreFilledOrLinedInsideTheirBoundaryOnly) {
  // A solid square with a square hole, and a square of ANSI31 lines, written by ezdxf.
  const std::string path = tmp.path("hatch.dxf");
  int exitCode = -1;
  const std::string out = dxftest::runPython(R"(
import ezdxf
doc = ezdxf.new("R2010")
msp = doc.modelspace()
solid = msp.add_hatch(color=1)
solid.paths.add_polyline_path([(10, 10), (90, 10), (90, 90), (10, 90)], is_closed=True)
solid.paths.add_polyline_path([(40, 40), (60, 40), (60, 60), (40, 60)], is_closed=True)
lined = msp.add_hatch(color=5)
lined.set_pattern_fill("ANSI31", scale=2)
lined.paths.add_edge_path().add_line((110, 10), (190, 10))
lined.paths[0].add_line((190, 10), (190, 90))
lined.paths[0].add_line((190, 90), (110, 90))
lined.paths[0].add_line((110, 90), (110, 10))
doc.saveas(")" + path + R"(")
)",
                                             exitCode);
  ASSERT_EQ(exitCode, 0) << out;
  doc = app->documents().open(path);
  oneToOneLayout("ISO_A4_(297.00_x_210.00_MM)", 200, 100);
  const std::string pdf = tmp.path("hatch.pdf");
  doc.plot().plotToFile(pdf);
  // Two pixels a millimetre; drawing (x, y) is pixel (2x + 2, height - 2y - 2) (origin 1, 1).
  const plottest::GreyImage img = plottest::renderWithGhostscript(pdf, 50.8, tmp.path(""));
  auto ink = [&](double x0, double y0, double x1, double y1) {
    return img.inkIn(static_cast<int>(2 * x0 + 2), img.height - static_cast<int>(2 * y1 + 2),
                     static_cast<int>(2 * x1 + 2), img.height - static_cast<int>(2 * y0 + 2));
  };
  const int area = 4 * 20 * 20;
  EXPECT_EQ(ink(15, 15, 35, 35), area);  // solid
  EXPECT_EQ(ink(45, 45, 55, 55), 0);     // its hole
  const int lined = ink(120, 20, 180, 80);
  EXPECT_GT(lined, 4 * 60 * 60 / 20);  // lines, not a fill
  EXPECT_LT(lined, 4 * 60 * 60 / 2);
  EXPECT_EQ(ink(100, 92, 200, 100), 0);  // nothing outside the boundaries
  EXPECT_EQ(ink(0, 0, 200, 8), 0);
}

TEST_F(PlotTest, DevicePlotsGoToTheConfiguredPrinterThroughLpWithoutAShell) {
  // An "lp" first in the path that records its arguments and keeps a copy of the file.
  std::filesystem::create_directories(tmp.path("bin"));
  const std::string log = tmp.path("lp-args.txt");
  {
    std::ofstream script(tmp.path("bin/lp"));
    script << "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" << log << "'\n"
           << "for a; do last=\"$a\"; done\ncp \"$last\" '" << tmp.path("printed.pdf") << "'\n";
  }
  std::filesystem::permissions(tmp.path("bin/lp"), std::filesystem::perms::owner_all);
  const std::string oldPath = getenv("PATH");
  setenv("PATH", (tmp.path("bin") + ":" + oldPath).c_str(), 1);
  cadhost::HostConfig config;
  config.printer = "Office; rm -rf x";  // a name with shell characters is only an argument
  auto other = cadhost::Application::create(config);
  cadhost::Document d = other->documents().add();
  d.modelSpace().addLightWeightPolyline({0, 0, 100, 100});
  Layout l = d.activeLayout();
  l.setConfigName("HP-GL2 Plotter.pc3");
  l.setCanonicalMediaName(kA3Landscape);
  const std::string drawingName = d.name();
  d.plot().plotToDevice();
  auto lpArguments = [&] {
    std::ifstream in(log);
    return std::string((std::istreambuf_iterator<char>(in)), {});
  };
  const std::string untitled = lpArguments();
  // A job is titled after its plot when it has a name, whatever characters it holds.
  d.plot().plotToDevice("A-01/002 图");
  EXPECT_EQ(lpArguments().rfind("-d\nOffice; rm -rf x\n-t\nA-01/002 图\n", 0), 0u) << lpArguments();
  // A queue that refuses the job: its reason reaches the caller.
  {
    std::ofstream script(tmp.path("bin/lp"));
    script << "#!/bin/sh\necho 'request id is none' ; echo 'lp: No such queue.' >&2; exit 1\n";
  }
  try {
    d.plot().plotToDevice();
    ADD_FAILURE() << "a refused job was taken for printed";
  } catch (const HostError& e) {
    EXPECT_EQ(e.code(), HostError::Io);
    EXPECT_EQ(std::string(e.what()),
              "the print queue \"Office; rm -rf x\" did not take the plot: lp: No such queue.");
  }
  setenv("PATH", oldPath.c_str(), 1);
  other->quit();
  // Without a name the job is titled after the drawing.
  const std::string& args = untitled;
  EXPECT_EQ(args.rfind("-d\nOffice; rm -rf x\n-t\n" + drawingName + "\n", 0), 0u) << args;
  EXPECT_NE(args.find("\n-o\nmedia=Custom.420x297mm\n--\n"), std::string::npos) << args;
  EXPECT_EQ(plottest::pdfInfo(tmp.path("printed.pdf")).pages, 1);
  // The temporary PDF handed to lp is gone.
  const std::string handed = args.substr(args.rfind("--\n") + 3);
  EXPECT_FALSE(std::filesystem::exists(handed.substr(0, handed.size() - 1)));
}

TEST_F(PlotTest, LineTypesAreDrawnWithTheirDashesAtTheLineTypeScale) {
  // A dashed line (1.27 drawn, 0.254 left out, times $LTSCALE 5) above a continuous one, and a
  // dashed line by layer, written by ezdxf.
  const std::string path = tmp.path("linetypes.dxf");
  int exitCode = -1;
  const std::string out = dxftest::runPython(R"(
import ezdxf
doc = ezdxf.new("R2010", setup=True)
doc.header["$LTSCALE"] = 5
doc.layers.add("HIDDENLINES", linetype="DASHED")
msp = doc.modelspace()
msp.add_line((10, 60), (190, 60), dxfattribs={"linetype": "DASHED"})
msp.add_line((10, 40), (190, 40))
msp.add_line((10, 20), (190, 20), dxfattribs={"layer": "HIDDENLINES"})
doc.saveas(")" + path + R"(")
)",
                                             exitCode);
  ASSERT_EQ(exitCode, 0) << out;
  doc = app->documents().open(path);
  oneToOneLayout("ISO_A4_(297.00_x_210.00_MM)", 200, 100);
  const std::string pdf = tmp.path("linetypes.pdf");
  doc.plot().plotToFile(pdf);
  // Four pixels a millimetre: the gaps along the row of a line at height y.
  const plottest::GreyImage img = plottest::renderWithGhostscript(pdf, 101.6, tmp.path(""));
  auto gaps = [&](double y) {
    const int row = img.height - static_cast<int>(4 * y);
    int count = 0;
    bool ink = true;
    for (int x = 4 * 20; x < 4 * 180; ++x) {
      const bool now = img.inkIn(x, row - 2, x + 1, row + 3) > 0;
      if (ink && !now) ++count;
      ink = now;
    }
    return count;
  };
  EXPECT_NEAR(gaps(60), 160 / 7.62, 2);  // one gap every 7.62 mm
  EXPECT_EQ(gaps(40), 0);
  EXPECT_NEAR(gaps(20), 160 / 7.62, 2);
}

TEST_F(PlotTest, EpsHasItsBoundingBoxAndRendersTheBorder) {
  const sheetgen::Rect r = openFrame();
  Layout layout = windowLayout(r, "CorvantisEPS Plus.pc3", kA3Landscape);
  layout.setStandardScale(0);
  const std::string eps = tmp.path("frame.eps");
  doc.plot().plotToFile(eps);
  std::ifstream in(eps);
  std::string head((std::istreambuf_iterator<char>(in)), {});
  EXPECT_EQ(head.rfind("%!PS-Adobe-3.0 EPSF-3.0", 0), 0u);
  EXPECT_NE(head.find("%%BoundingBox: 0 0 1191 842"), std::string::npos) << head.substr(0, 300);
  const plottest::GreyImage img = plottest::renderWithGhostscript(eps, 25.4, tmp.path(""));
  EXPECT_GT(img.inkIn(0, 20, 5, 270), 150);
}

TEST_F(PlotTest, HpglFileIsReadByHp2xxAndShowsTheBorder) {
  const sheetgen::Rect r = openFrame();
  Layout layout = windowLayout(r, "HP-GL2 Plotter.pc3", kA3Landscape);
  layout.setStandardScale(0);
  const std::string plt = tmp.path("frame.plt");
  doc.plot().plotToFile(plt);
  std::ifstream in(plt);
  std::string body((std::istreambuf_iterator<char>(in)), {});
  EXPECT_EQ(body.rfind("IN;", 0), 0u);
  EXPECT_NE(body.find("PD"), std::string::npos);

  const std::string pbm = tmp.path("frame.pbm");
  const plottest::RunResult r2 = plottest::run({"hp2xx", "-q", "-m", "pbm", "-f", pbm, plt});
  ASSERT_EQ(r2.status, 0) << r2.output;
  const plottest::GreyImage img = plottest::readNetpbm(pbm);
  ASSERT_GT(img.width, 100);
  // The picture spans the outer border; the inner border runs near all four of its edges
  // (hp2xx may leave out the outermost pixel row and column).
  const int w = img.width, h = img.height;
  EXPECT_NEAR(static_cast<double>(w) / h, 420.0 / 297.0, 0.03);
  const int bx = w * 8 / 100, by = h * 8 / 100;
  EXPECT_GT(img.inkIn(0, by, bx, h - by), h / 2);
  EXPECT_GT(img.inkIn(w - bx, by, w, h - by), h / 2);
  EXPECT_GT(img.inkIn(bx, 0, w - bx, by), w / 2);
  EXPECT_GT(img.inkIn(bx, h - by, w - bx, h), w / 2);
}

TEST_F(PlotTest, PngAndDevicePlotsAndAFailedPlotLeavesNoFile) {
  const sheetgen::Rect r = openFrame();
  Layout layout = windowLayout(r, "PNG Raster.pc3", "ISO_A4_(297.00_x_210.00_MM)");
  layout.setStandardScale(0);
  const std::string png = tmp.path("frame.png");
  doc.plot().plotToFile(png);
  std::ifstream in(png, std::ios::binary);
  char sig[8] = {};
  in.read(sig, 8);
  EXPECT_EQ(std::string(sig + 1, 3), "PNG");

  EXPECT_HOST_ERROR(doc.plot().plotToFile(tmp.path("missing/frame.png")), Io);
  EXPECT_FALSE(std::filesystem::exists(tmp.path("missing")));
  for (const std::string& name : folderEntries()) EXPECT_EQ(name.find(".tmp"), std::string::npos);

  // With no print queue at all a device plot fails and writes nothing.
  setenv("CUPS_SERVER", tmp.path("no-cups.sock").c_str(), 1);
  unsetenv("LPDEST");
  unsetenv("PRINTER");
  const std::vector<std::string> before = folderEntries();
  Layout l2 = doc.activeLayout();
  l2.setConfigName("HP-GL2 Plotter.pc3");
  l2.setCanonicalMediaName(kA3Landscape);
  EXPECT_HOST_ERROR(doc.plot().plotToDevice(), NotFound);
  EXPECT_EQ(folderEntries(), before);

  // A drawing without a plotter set cannot be plotted.
  doc.activeLayout();
  auto third = cadhost::Application::create();
  cadhost::Document bare = third->documents().add();
  EXPECT_HOST_ERROR(bare.plot().plotToFile(tmp.path("bare.pdf")), Refused);
  EXPECT_HOST_ERROR(bare.modelSpace().layout().setPlotType(3), Refused);
  third->quit();
}

TEST_F(PlotTest, APlotThatFindsNoRoomFailsAndKeepsTheFileItWouldReplace) {
  const sheetgen::Rect r = openFrame();
  for (const char* plotter :
       {kPdf, "CorvantisEPS Plus.pc3", "PNG Raster.pc3", "HP-GL2 Plotter.pc3"}) {
    SCOPED_TRACE(plotter);
    sheetcut::testing::SmallFileSystem fs(64 * 1024);
    SHEETCUT_REQUIRE_SMALL_FS(fs);
    const std::string target = (fs.root() / "frame.out").string();
    std::ofstream(target) << "earlier plot";
    fs.fill();
    windowLayout(r, plotter, "ISO_A4_(297.00_x_210.00_MM)").setStandardScale(0);
    try {
      doc.plot().plotToFile(target);
      ADD_FAILURE() << "a plot onto a full disk was written";
    } catch (const HostError& e) {
      EXPECT_EQ(e.code(), HostError::Io);
      EXPECT_EQ(std::string(e.what()),
                "cannot write the plot file " + target + ": No space left on device");
    }
    std::ifstream in(target);
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(in)), {}), "earlier plot");
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(fs.root()))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{".filler", "frame.out"}));
  }
}

}  // namespace
