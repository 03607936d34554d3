// Plotted shapes read back by independent tools: fit-point splines against python3-ezdxf's
// own curve, bands of polylines with widths, hatches bounded by ellipses and splines, HP-GL/2 fills
// and pen widths (hp2xx), and the resolution a PNG plot carries.

#include <cairo.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <filesystem>
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

// Hatches bounded by elliptic and spline edges, written by ezdxf: solid ones and ANSI31
// patterns (numbers 1, 3 and 5). The script prints, for each hatch, grid points further
// than a millimetre from the boundary as ezdxf's own curves place it, inside (IN) and outside
// (OUT), with their distance from it.
const char* const kCurvedHatches = R"(
import math
from ezdxf import path as ezpath
from ezdxf.math import Vec2, fit_points_to_cad_cv, is_point_in_polygon_2d
doc = ezdxf.new("R2010")
msp = doc.modelspace()
msp.add_lwpolyline([(0, 0), (200, 0), (200, 200), (0, 200)], close=True)
rings = []

def edge_path(pattern):
    h = msp.add_hatch(color=5 if pattern else 1)
    if pattern:
        h.set_pattern_fill("ANSI31", scale=1)
    return h, h.paths.add_edge_path()

def ring_of(h):
    return [Vec2(v) for v in list(ezpath.from_hatch(h))[0].flattening(0.01)]

# 0, 1: a whole ellipse with a turned major axis.
for centre, pattern in (((35, 165), False), ((100, 100), True)):
    h, p = edge_path(pattern)
    p.add_ellipse(centre, major_axis=(25, 10), ratio=0.6)
    rings.append(ring_of(h))
# 2, 3: part of an ellipse closed by a line, counter-clockwise and clockwise.
for centre, ccw, pattern in (((100, 165), True, False), ((165, 100), False, True)):
    h, p = edge_path(pattern)
    e = p.add_ellipse(centre, major_axis=(0, 30), ratio=0.5, start_angle=40, end_angle=290,
                      ccw=ccw)
    p.add_line(e.end_point, e.start_point) if ccw else p.add_line(e.start_point, e.end_point)
    rings.append(ring_of(h))
# 4: a closed rational spline by its control points, the first repeated last.
h, p = edge_path(False)
p.add_spline(control_points=[(150, 150), (190, 150), (190, 185), (165, 195), (145, 180),
                             (150, 150)], weights=[1, 2, 1, 3, 1, 1])
rings.append(ring_of(h))
# 5: a closed spline through fit points with its control frame, as CAD programs write them.
fits = [(20, 20), (55, 15), (60, 45), (35, 60), (15, 45), (20, 20)]
h, p = edge_path(True)
p.add_spline_control_frame(fits)
rings.append(ring_of(h))
# 6: the same curve held by its fit points alone.
fits = [(x + 80, y) for x, y in fits]
h, p = edge_path(False)
p.add_spline(fit_points=fits, control_points=[], knot_values=[0.0])
rings.append([Vec2(v) for v in fit_points_to_cad_cv(fits).flattening(0.01)])
# 7: the lens where two turned ellipses overlap, an arc of each; their ends are the angles of
# the crossings seen from each centre.
ellipses = [((30, 100), (25, 5), 0.5), ((50, 101), (-2, 16), 0.7)]

def local(ellipse, q):
    (cx, cy), (mx, my), ratio = ellipse
    a = math.hypot(mx, my)
    dx, dy = q.x - cx, q.y - cy
    return (dx * mx + dy * my) / a, (dy * mx - dx * my) / a, a, a * ratio

def outside(ellipse, q):
    x, y, a, b = local(ellipse, q)
    return (x / a) ** 2 + (y / b) ** 2 > 1

def point(ellipse, t):
    (cx, cy), (mx, my), ratio = ellipse
    return Vec2(cx + mx * math.cos(t) - my * ratio * math.sin(t),
                cy + my * math.cos(t) + mx * ratio * math.sin(t))

def angle(ellipse, q):
    x, y, a, b = local(ellipse, q)
    return math.degrees(math.atan2(y, x))

crossings = []  # where the first ellipse goes into the second, then where it leaves
for k in range(3600):
    t0, t1 = k * math.tau / 3600, (k + 1) * math.tau / 3600
    if outside(ellipses[1], point(ellipses[0], t0)) != outside(ellipses[1], point(ellipses[0], t1)):
        entering = outside(ellipses[1], point(ellipses[0], t0))
        for _ in range(60):
            tm = (t0 + t1) / 2
            if outside(ellipses[1], point(ellipses[0], tm)) == entering:
                t0 = tm
            else:
                t1 = tm
        crossings.append((not entering, point(ellipses[0], t0)))
crossings.sort(key=lambda c: c[0])
into, out = crossings[0][1], crossings[1][1]
h, p = edge_path(False)
for ellipse, a, b in ((ellipses[0], into, out), (ellipses[1], out, into)):
    p.add_ellipse(ellipse[0], major_axis=ellipse[1], ratio=ellipse[2],
                  start_angle=angle(ellipse, a), end_angle=angle(ellipse, b))
rings.append(ring_of(h))

def distance(q, a, b):
    t = max(0, min(1, (q - a).dot(b - a) / (b - a).dot(b - a)))
    return (q - a - (b - a) * t).magnitude

for i, ring in enumerate(rings):
    xs = [v.x for v in ring]
    ys = [v.y for v in ring]
    for y in range(int(min(ys)) - 4, int(max(ys)) + 5, 2):
        for x in range(int(min(xs)) - 4, int(max(xs)) + 5, 2):
            q = Vec2(x, y)
            d = min(distance(q, a, b) for a, b in zip(ring, ring[1:] + ring[:1]) if a != b)
            if d > 1:
                print("IN" if is_point_in_polygon_2d(q, ring) >= 0 else "OUT", i, d, x, y)
)";

bool patterned(int hatch) {
  return hatch == 1 || hatch == 3 || hatch == 5;
}

struct GridPoint {
  bool inside = false;
  int shape = 0;
  double distance = 0, x = 0, y = 0;
};

std::vector<GridPoint> gridPoints(const std::string& out) {
  std::vector<GridPoint> points;
  std::istringstream lines(out);
  std::string kind;
  GridPoint p;
  while (lines >> kind >> p.shape >> p.distance >> p.x >> p.y) {
    p.inside = kind == "IN";
    points.push_back(p);
  }
  return points;
}

TEST_F(PlotShapesTest, HatchesBoundedByEllipsesAndSplinesFillOrLineTheirInsideOnly) {
  const std::vector<GridPoint> points = gridPoints(ezdxfDrawing("curved.dxf", kCurvedHatches));
  ASSERT_GT(points.size(), 2000u);
  oneToOne(kPdf, kA4Portrait, 200, 200);
  const std::string pdf = tmp.path("curved.pdf");
  doc.plot().plotToFile(pdf);
  const Sheet sheet = renderPdf(pdf, tmp.path(""));
  // Per hatch: points inside, those inked, points outside inked, points inside with no
  // pattern line near.
  std::array<int, 8> inside{}, inked{}, outsideInked{}, bare{};
  for (const GridPoint& p : points) {
    const bool pattern = patterned(p.shape);
    if (!p.inside) {
      outsideInked[p.shape] += sheet.inkNear(p.x, p.y, 0.5) > 0;
      continue;
    }
    ++inside[p.shape];
    inked[p.shape] += sheet.inkNear(p.x, p.y, 0) > 0;
    // ANSI31 lines lie 3.175 apart: one passes within 1.6 of any point.
    if (pattern && p.distance > 2.5) bare[p.shape] += sheet.inkNear(p.x, p.y, 2) == 0;
  }
  for (int i = 0; i < 8; ++i) {
    ASSERT_GT(inside[i], 40) << i;
    EXPECT_EQ(outsideInked[i], 0) << i;
    EXPECT_EQ(bare[i], 0) << i;
    if (!patterned(i))
      EXPECT_EQ(inked[i], inside[i]) << i;
    else  // lines, not a fill
      EXPECT_LT(inked[i], inside[i] / 2) << i;
  }

  // The HP-GL/2 plot fills the same areas: hp2xx's picture spans the frame (0, 0)-(200, 200),
  // to within a pixel or two of its coarser image.
  oneToOne("HP-GL2 Plotter.pc3", kA4Portrait, 200, 200);
  const std::string plt = tmp.path("curved.plt");
  doc.plot().plotToFile(plt);
  const std::string pbm = tmp.path("curved.pbm");
  const plottest::RunResult r = plottest::run({"hp2xx", "-q", "-m", "pbm", "-f", pbm, plt});
  ASSERT_EQ(r.status, 0) << r.output;
  const plottest::GreyImage img = plottest::readNetpbm(pbm);
  ASSERT_GT(img.width, 200);
  auto dark = [&](double x, double y) {
    return img.dark(static_cast<int>(std::lround(x / 200 * (img.width - 1))),
                    static_cast<int>(std::lround((1 - y / 200) * (img.height - 1))));
  };
  std::array<int, 8> solidInside{}, solidInked{}, solidOutside{}, solidOutsideInked{};
  for (const GridPoint& p : points) {
    if (patterned(p.shape) || p.distance < 3) continue;
    ++(p.inside ? solidInside : solidOutside)[p.shape];
    (p.inside ? solidInked : solidOutsideInked)[p.shape] += dark(p.x, p.y);
  }
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(solidInked[i], solidInside[i]) << i;
    EXPECT_EQ(solidOutsideInked[i], 0) << i << " of " << solidOutside[i];
  }
}

// A pattern whose dashes are all gaps draws nothing and ends, however short its gaps (a gap
// too short to move along the line used to be walked for ever); the hatches after it plot.
TEST_F(PlotShapesTest, PatternsOfGapsOnlyDrawNothingAndTheHatchesAfterThemPlot) {
  ezdxfDrawing("gaps.dxf", R"(
doc = ezdxf.new("R2010")
msp = doc.modelspace()
def square(x, dashes):
    h = msp.add_hatch(color=1)
    if dashes:
        h.set_pattern_fill("GAPS", definition=[[45, (0, 0), (-2.2, 2.2), dashes]])
    h.paths.add_polyline_path([(x, 20), (x + 40, 20), (x + 40, 60), (x, 60)], is_closed=True)
square(20, [-1e-20])
square(80, [-1])
square(140, None)
)");
  oneToOne(kPdf, kA4Portrait, 200, 200);
  const std::string pdf = tmp.path("gaps.pdf");
  doc.plot().plotToFile(pdf);
  const Sheet sheet = renderPdf(pdf, tmp.path(""));
  EXPECT_EQ(sheet.inkNear(40, 40, 18), 0);
  EXPECT_EQ(sheet.inkNear(100, 40, 18), 0);
  EXPECT_EQ(sheet.inkNear(160, 40, 18), 361 * 361);  // solid: every pixel of the 36.1 mm square
}

// Curves too large to place on paper (a hatch path and a wide polyline of bulges near 1e150,
// a circle of radius 1e20, a pattern whose base point lies 1e20 away) are no undefined
// conversion (the sanitizer build stops at one), and the sheet's other hatch plots in PDF and
// HP-GL/2 alike.
TEST_F(PlotShapesTest, CurvesTooLargeForThePaperLeaveTheRestOfTheSheet) {
  // Solid hatches of one polyline path: of two bulges, and the square that must plot.
  const std::string solid = "0 HATCH\n8 0\n2 SOLID\n70 1\n71 0\n91 1\n92 2\n";
  const std::string end = "97 0\n75 1\n76 1\n98 0\n";
  const std::string bulges = "72 1\n73 1\n93 2\n10 20\n20 20\n42 1e150\n10 60\n20 20\n42 1e300\n";
  const std::string square = R"(72 0
73 1
93 4
10 150
20 150
10 180
20 150
10 180
20 180
10 150
20 180
)";
  const std::string others = R"(0 HATCH
8 0
2 FAR
70 0
71 0
91 1
92 2
72 0
73 1
93 2
10 80
20 20
10 120
20 60
97 0
75 1
76 1
52 0
41 1
77 0
78 1
53 45
43 1e20
44 0
45 -2.2
46 2.2
79 0
98 0
0 CIRCLE
8 0
10 100
20 100
40 1e20
0 LWPOLYLINE
8 0
90 2
70 0
43 1
10 20
20 100
42 1e150
10 60
20 100
)";
  doc = openDxf("huge.dxf", "0 SECTION\n2 ENTITIES\n" + solid + bulges + end + others + solid +
                                square + end + "0 ENDSEC\n0 EOF\n");
  oneToOne(kPdf, kA4Portrait, 200, 200);
  const std::string pdf = tmp.path("huge.pdf");
  doc.plot().plotToFile(pdf);
  EXPECT_EQ(renderPdf(pdf, tmp.path("")).inkNear(165, 165, 10), 201 * 201);
  oneToOne("HP-GL2 Plotter.pc3", kA4Portrait, 200, 200);
  const std::string plt = tmp.path("huge.plt");
  doc.plot().plotToFile(plt);
  EXPECT_GT(std::filesystem::file_size(plt), 100u);
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
