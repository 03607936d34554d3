// Plotted shapes read back by independent tools: fit-point splines against python3-ezdxf's
// own curve, bands of polylines with widths, HP-GL/2 fills and pen widths (hp2xx), and the
// resolution a PNG plot carries.

#include <cairo.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <map>
#include <sstream>

#include "../model/host_fixture.h"
#include "plot_files.h"

namespace {

using namespace hosttest;
using cadhost::Layout;

class PlotShapesTest : public HostTest {
 protected:
  // Writes a drawing with a python3-ezdxf script that ends by saving to `path`; returns what
  // the script printed.
  std::string ezdxfDrawing(const std::string& name, const std::string& body) {
    const std::string path = tmp.path(name);
    const std::string out = python("import ezdxf\nfrom ezdxf import bbox\n" + body +
                                   "\ndoc.saveas(\"" + path + "\")\n");
    doc = app->documents().open(path);
    return out;
  }

  // The active layout set to plot the window (0, 0)-(w, h) at 1:1 from the sheet's corner.
  Layout oneToOne(const char* plotter, const char* media, double w, double h) {
    Layout layout = doc.activeLayout();
    layout.setConfigName(plotter);
    layout.setCanonicalMediaName(media);
    layout.setWindowToPlot(pt(0, 0), pt(w, h));
    layout.setPlotType(4);
    layout.setUseStandardScale(false);
    layout.setCustomScale(1, 1);
    layout.setPlotOrigin(pt(0, 0));
    return layout;
  }
};

const char* const kPdf = "CorvantisPDF Plus.pc3";
const char* const kA4Portrait = "ISO_A4_(210.00_x_297.00_MM)";
const char* const kA4Landscape = "ISO_A4_(297.00_x_210.00_MM)";

// An image of a sheet at ten pixels a millimetre, addressed in sheet millimetres.
struct Sheet {
  plottest::GreyImage img;
  int px(double xmm) const { return static_cast<int>(std::lround(xmm * 10)); }
  int py(double ymm) const { return img.height - static_cast<int>(std::lround(ymm * 10)); }
  // Ink within `r` millimetres of (x, y).
  int inkNear(double x, double y, double r) const {
    const int d = static_cast<int>(std::lround(r * 10));
    return img.inkIn(px(x) - d, py(y) - d, px(x) + d + 1, py(y) + d + 1);
  }
  // The length in millimetres of the run of ink in the column at x through height y.
  double verticalRun(double x, double y) const {
    const int col = px(x);
    int top = py(y), bottom = py(y);
    if (!img.dark(col, top)) return 0;
    while (img.dark(col, top - 1)) --top;
    while (img.dark(col, bottom + 1)) ++bottom;
    return (bottom - top + 1) / 10.0;
  }
};

Sheet renderPdf(const std::string& pdf, const std::string& workDir) {
  return {plottest::renderWithGhostscript(pdf, 254, workDir)};
}

TEST_F(PlotShapesTest, FitPointSplinesFollowEzdxfsCurveInThePlotAndInTheirExtents) {
  // Two splines written with fit points only, as ezdxf writes them: one with end tangents and
  // one without. The script prints each one's box, points of its curve (ON) and the middles of
  // the chords between fit points that lie well off the curve (OFF).
  const std::string out = ezdxfDrawing("splines.dxf", R"(
doc = ezdxf.new("R2010")
msp = doc.modelspace()
fits = [(10, 40), (40, 90), (60, 20), (120, 80), (150, 30), (185, 60)]
plain = msp.add_spline(fits)
tangents = msp.add_spline([(x, y + 100) for x, y in fits])
tangents.dxf.start_tangent = (1, 0, 0)
tangents.dxf.end_tangent = (0, -1, 0)
for s in (plain, tangents):
    box = bbox.extents([s])
    print("BOX", box.extmin.x, box.extmin.y, box.extmax.x, box.extmax.y)
    curve = s.construction_tool()
    dense = list(curve.points([i / 4000 for i in range(4001)]))
    for p in curve.points([i / 300 for i in range(301)]):
        print("ON", p.x, p.y)
    pts = ezdxf.math.Vec3.list(s.fit_points)
    for a, b in zip(pts, pts[1:]):
        m = (a + b) / 2
        if min((m - d).magnitude for d in dense) > 1.5:
            print("OFF", m.x, m.y)
)");
  std::istringstream lines(out);
  std::string kind;
  double x = 0, y = 0;
  std::vector<std::array<double, 4>> boxes;
  std::vector<std::pair<double, double>> on, off;
  while (lines >> kind) {
    if (kind == "BOX") {
      std::array<double, 4> b{};
      lines >> b[0] >> b[1] >> b[2] >> b[3];
      boxes.push_back(b);
    } else if (lines >> x >> y) {
      (kind == "ON" ? on : off).push_back({x, y});
    }
  }
  ASSERT_EQ(boxes.size(), 2u) << out;
  ASSERT_EQ(on.size(), 602u);
  ASSERT_GE(off.size(), 4u);

  // The extents hold the whole curve, swings past the fit points included.
  ASSERT_EQ(doc.modelSpace().count(), 2);
  for (int i = 0; i < 2; ++i) {
    cadhost::Point3 mn, mx;
    doc.modelSpace().item(i).getBoundingBox(mn, mx);
    EXPECT_NEAR(mn.x, boxes[i][0], 0.01) << i;
    EXPECT_NEAR(mn.y, boxes[i][1], 0.01) << i;
    EXPECT_NEAR(mx.x, boxes[i][2], 0.01) << i;
    EXPECT_NEAR(mx.y, boxes[i][3], 0.01) << i;
  }
  EXPECT_LT(boxes[0][1], 19.8);  // the curve swings below its lowest fit point

  oneToOne(kPdf, kA4Portrait, 200, 200);
  const std::string pdf = tmp.path("splines.pdf");
  doc.plot().plotToFile(pdf);
  const Sheet sheet = renderPdf(pdf, tmp.path(""));
  int missed = 0;
  for (const auto& [px, py] : on)
    if (sheet.inkNear(px, py, 0.2) == 0) ++missed;
  EXPECT_EQ(missed, 0) << "of " << on.size() << " points of ezdxf's curves";
  for (const auto& [px, py] : off) EXPECT_EQ(sheet.inkNear(px, py, 0.5), 0) << px << ", " << py;
}

TEST_F(PlotShapesTest, PolylinesWithWidthsPlotAsBandsOfThoseWidths) {
  ezdxfDrawing("widths.dxf", R"(
doc = ezdxf.new("R2010")
msp = doc.modelspace()
# 2 wide growing to 8, then a hairline up.
msp.add_lwpolyline([(20, 50, 2, 8, 0), (120, 50, 0, 0, 0), (120, 90, 0, 0, 0)], format="xyseb")
# An old-style polyline narrowing from 6 to a point.
msp.add_polyline2d([(20, 150, 6, 0, 0), (120, 150, 0, 0, 0)], format="xyseb")
# A half circle below its chord, 2 wide at its start and 6 at its end.
msp.add_lwpolyline([(140, 100, 2, 6, 1), (180, 100, 0, 0, 0)], format="xyseb")
# A closed square 3 wide.
msp.add_lwpolyline([(140, 140), (190, 140), (190, 190), (140, 190)], close=True,
                   dxfattribs={"const_width": 3})
)");
  oneToOne(kPdf, kA4Portrait, 200, 200);
  const std::string pdf = tmp.path("widths.pdf");
  doc.plot().plotToFile(pdf);
  const Sheet sheet = renderPdf(pdf, tmp.path(""));
  // Anti-aliased edges may add a pixel each side.
  constexpr double kTolerance = 0.25;
  EXPECT_NEAR(sheet.verticalRun(21, 50), 2.06, kTolerance);
  EXPECT_NEAR(sheet.verticalRun(70, 50), 5, kTolerance);
  EXPECT_NEAR(sheet.verticalRun(119, 50), 7.94, kTolerance);
  EXPECT_NEAR(sheet.verticalRun(30, 150), 5.4, kTolerance);
  EXPECT_NEAR(sheet.verticalRun(100, 150), 1.2, kTolerance);
  // The hairline stays a hairline.
  EXPECT_LT(sheet.img.inkIn(sheet.px(110), sheet.py(70), sheet.px(119), sheet.py(70) + 1), 3);
  // Half way round the arc, at its foot (160, 80): 4 wide across the radius.
  EXPECT_NEAR(sheet.verticalRun(160, 80), 4, kTolerance);
  // The square's outer corners are square, not rounded.
  for (const auto& [cx, cy] : {std::pair{138.7, 138.7}, {191.3, 191.3}, {138.7, 191.3}})
    EXPECT_GT(sheet.inkNear(cx, cy, 0), 0) << cx << ", " << cy;
  EXPECT_NEAR(sheet.verticalRun(165, 140), 3, kTolerance);
}

// The commands of an HP-GL/2 file, each as its two-letter name and parameter text.
std::vector<std::pair<std::string, std::string>> hpglCommands(const std::string& body) {
  std::vector<std::pair<std::string, std::string>> out;
  std::istringstream in(body);
  std::string command;
  while (std::getline(in, command, ';')) {
    while (!command.empty() && std::isspace(static_cast<unsigned char>(command.front())))
      command.erase(0, 1);
    if (command.size() >= 2) out.push_back({command.substr(0, 2), command.substr(2)});
  }
  return out;
}

TEST_F(PlotShapesTest, HpglFillsSolidsHatchesAndWidePolylinesAndSetsPenWidths) {
  ezdxfDrawing("fills.dxf", R"(
doc = ezdxf.new("R2010")
msp = doc.modelspace()
msp.add_lwpolyline([(0, 0), (200, 0), (200, 100), (0, 100)], close=True)
msp.add_solid([(10, 10), (50, 10), (10, 50), (50, 50)], dxfattribs={"color": 1})
hatch = msp.add_hatch(color=3)
hatch.paths.add_polyline_path([(60, 10), (120, 10), (120, 70), (60, 70)], is_closed=True)
hatch.paths.add_polyline_path([(80, 30), (100, 30), (100, 50), (80, 50)], is_closed=True)
msp.add_lwpolyline([(130, 50), (190, 50)], dxfattribs={"const_width": 6, "color": 5})
msp.add_line((10, 80), (190, 80), dxfattribs={"color": 2, "lineweight": 100})
msp.add_line((10, 90), (190, 90), dxfattribs={"color": 4, "lineweight": 13})
)");
  Layout layout = oneToOne("HP-GL2 Plotter.pc3", kA4Landscape, 200, 100);
  layout.setStyleSheet("acad.ctb");
  const std::string plt = tmp.path("fills.plt");
  doc.plot().plotToFile(plt);
  std::ifstream in(plt);
  const std::string body((std::istreambuf_iterator<char>(in)), {});

  // Polygon mode encloses each fill, which FP then fills; pens get the lines' widths.
  int polygons = 0, fills = 0, rings = 0;
  bool inPolygon = false;
  std::map<std::string, std::string> widthOfPen;  // pen number -> last width given
  std::vector<std::string> widthsOfLines;         // the width each PD of a line drew with
  std::string pen = "1";
  for (const auto& [name, args] : hpglCommands(body)) {
    if (name == "PM") {
      if (args == "0") ++polygons, inPolygon = true, ++rings;
      if (args == "1") ++rings;
      if (args == "2") inPolygon = false;
    } else if (name == "FP") {
      EXPECT_FALSE(inPolygon);
      ++fills;
    } else if (name == "SP") {
      pen = args;
    } else if (name == "PW") {
      const auto comma = args.find(',');
      ASSERT_NE(comma, std::string::npos) << args;
      widthOfPen[args.substr(comma + 1)] = args.substr(0, comma);
    } else if (name == "PD" && !inPolygon) {
      widthsOfLines.push_back(widthOfPen.count(pen) ? widthOfPen[pen] : "unset");
    }
  }
  EXPECT_GE(polygons, 3);  // the solid, the hatch, the band
  EXPECT_EQ(fills, polygons);
  EXPECT_GE(rings, 4);  // the hatch's hole is a ring of its own
  EXPECT_NE(std::find(widthsOfLines.begin(), widthsOfLines.end(), "1.00"), widthsOfLines.end());
  EXPECT_NE(std::find(widthsOfLines.begin(), widthsOfLines.end(), "0.13"), widthsOfLines.end());
  EXPECT_EQ(std::find(widthsOfLines.begin(), widthsOfLines.end(), "unset"), widthsOfLines.end());

  // hp2xx reads the fills: the picture spans the hairline frame (0, 0)-(200, 100).
  const std::string pbm = tmp.path("fills.pbm");
  const plottest::RunResult r = plottest::run({"hp2xx", "-q", "-m", "pbm", "-f", pbm, plt});
  ASSERT_EQ(r.status, 0) << r.output;
  const plottest::GreyImage img = plottest::readNetpbm(pbm);
  ASSERT_GT(img.width, 200);
  auto ink = [&](double x0, double y0, double x1, double y1) {
    auto X = [&](double x) { return static_cast<int>(x / 200 * (img.width - 1)); };
    auto Y = [&](double y) { return static_cast<int>((1 - y / 100) * (img.height - 1)); };
    const int area = (X(x1) - X(x0)) * (Y(y0) - Y(y1));
    return static_cast<double>(img.inkIn(X(x0), Y(y1), X(x1), Y(y0))) / area;
  };
  EXPECT_GT(ink(15, 15, 45, 45), 0.95);    // the solid
  EXPECT_GT(ink(63, 13, 117, 27), 0.95);   // the hatch
  EXPECT_LT(ink(83, 33, 97, 47), 0.01);    // its hole
  EXPECT_GT(ink(135, 48, 185, 52), 0.95);  // the band, 6 wide about y = 50
  EXPECT_LT(ink(135, 54, 185, 60), 0.01);
}

// The chunks of a PNG file, each as its type and data, checked against their CRCs.
std::vector<std::pair<std::string, std::string>> pngChunks(const std::string& bytes) {
  std::vector<std::pair<std::string, std::string>> out;
  auto u32 = [&](std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = v << 8 | static_cast<unsigned char>(bytes[at + i]);
    return v;
  };
  std::size_t at = 8;
  while (at + 12 <= bytes.size()) {
    const std::uint32_t size = u32(at);
    if (at + 12 + size > bytes.size()) break;
    const std::string typed = bytes.substr(at + 4, 4 + size);
    const auto crc = crc32(crc32(0, nullptr, 0), reinterpret_cast<const Bytef*>(typed.data()),
                           static_cast<uInt>(typed.size()));
    EXPECT_EQ(crc, u32(at + 8 + size)) << typed.substr(0, 4);
    out.push_back({typed.substr(0, 4), typed.substr(4)});
    at += 12 + size;
  }
  return out;
}

TEST_F(PlotShapesTest, PngPlotsCarryTheirResolutionSoTheyPrintAtTheirSheetSize) {
  doc.modelSpace().addLightWeightPolyline({10, 10, 190, 90});
  oneToOne("PNG Raster.pc3", kA4Landscape, 200, 100);
  const std::string png = tmp.path("sheet.png");
  doc.plot().plotToFile(png);
  std::ifstream in(png, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), {});
  ASSERT_EQ(bytes.substr(1, 3), "PNG");
  const auto chunks = pngChunks(bytes);
  ASSERT_GE(chunks.size(), 3u);
  EXPECT_EQ(chunks.front().first, "IHDR");
  auto u32 = [](const std::string& s, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = v << 8 | static_cast<unsigned char>(s[at + i]);
    return v;
  };
  const std::uint32_t widthPx = u32(chunks.front().second, 0);
  const std::uint32_t heightPx = u32(chunks.front().second, 4);
  bool found = false;
  for (const auto& [type, data] : chunks) {
    if (type == "IDAT") break;  // the resolution comes before the image data
    if (type != "pHYs") continue;
    found = true;
    ASSERT_EQ(data.size(), 9u);
    // 100 dots an inch, in dots a metre; unit 1 is the metre.
    EXPECT_EQ(u32(data, 0), 3937u);
    EXPECT_EQ(u32(data, 4), 3937u);
    EXPECT_EQ(data[8], 1);
    // So the image prints at the sheet's size.
    EXPECT_NEAR(widthPx / 3937.0 * 1000, 297, 0.3);
    EXPECT_NEAR(heightPx / 3937.0 * 1000, 210, 0.3);
  }
  EXPECT_TRUE(found);
  // libpng (through cairo) reads the file.
  cairo_surface_t* back = cairo_image_surface_create_from_png(png.c_str());
  EXPECT_EQ(cairo_surface_status(back), CAIRO_STATUS_SUCCESS);
  EXPECT_EQ(cairo_image_surface_get_width(back), static_cast<int>(widthPx));
  cairo_surface_destroy(back);
}

}  // namespace
