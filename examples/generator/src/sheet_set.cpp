#include "sheetgen/sheet_set.h"

#include <cmath>
#include <cstdio>
#include <stdexcept>
#include <string_view>

#include "dxf/dxf_io.h"
#include "sheetgen/entity_builder.h"

namespace sheetgen {
namespace {

// Title block: 180 x 56, its base point at the lower-right corner.
constexpr double kTitleWidth = 180, kTitleHeight = 56;
constexpr double kMargin = 5, kBindingMargin = 25;
constexpr const char* kStyle = "HZTXT";

void defineTitleBlock(EntityBuilder& b) {
  b.beginBlock(kTitleBlockName, true);
  const double w = kTitleWidth, h = kTitleHeight;
  b.line("TITLE", {-w, 0}, {0, 0});
  b.line("TITLE", {0, 0}, {0, h});
  b.line("TITLE", {0, h}, {-w, h});
  b.line("TITLE", {-w, h}, {-w, 0});
  for (double y : {8.0, 16.0, 24.0, 32.0}) b.line("TITLE", {-w, y}, {-50, y});
  b.line("TITLE", {-50, 0}, {-50, h});
  b.line("TITLE", {-130, 0}, {-130, 32});
  b.circle("TITLE", {-165, 44}, 6);
  const char* labels[] = {"设计", "审核", "比例", "日期"};
  for (int i = 0; i < 4; ++i) b.text("TITLE", kStyle, {-w + 3, 2.5 + 8.0 * i}, 3.5, labels[i]);
  b.text("TITLE", kStyle, {-47, 20}, 3.5, "图号");
  b.mtext("TITLE", kStyle, {-150, 52}, 4, 95, "某市建筑设计研究院\\P施工图设计");
  b.attdef("TITLE", kStyle, {-125, 12}, 5, kTitleAttributeTag, "图名", "图名");
  b.endBlock();
}

// The shared definitions of a realistic set: layers, line types, the dimension style and its
// arrows, the nested block, and what nothing uses.
void defineRealisticTables(EntityBuilder& b) {
  b.addLinetype("DASHED", "__ __ __", {6, -3});
  b.addLinetype("HIDDEN-UNUSED", "_ _ _", {3, -1.5});
  b.addLayer("DIM", 1);
  b.addLayer("Defpoints", 7);
  b.addLayer("HATCH", 8);
  b.addLayer("CENTER", 5, "DASHED");
  b.addLayer("DETAIL", 6);
  b.addLayer("OLD-UNUSED", 9, "HIDDEN-UNUSED");
  b.addTextStyle("DIMTXT", "gbenor.shx", "gbcbig.shx", 0.7);
  b.beginBlock(kArrowBlockName, false);
  b.polyline("0", {{-0.5, -0.5}, {0.5, 0.5}}, false);
  b.endBlock();
  b.beginBlock(kOverrideArrowBlockName, false);
  b.line("0", {-0.5, -0.5}, {0.5, 0.5});
  b.endBlock();
  b.addDimStyle("GB-DIM", "DIMTXT", kArrowBlockName, 2.5, 2.5);
  b.beginBlock(kSharedBlockName, false);
  b.circle("0", {0, 0}, 1.5);
  b.line("0", {-2, 0}, {2, 0});
  b.line("0", {0, -2}, {0, 2});
  b.endBlock();
  b.beginBlock(kUnusedBlockName, false);
  b.line("OLD-UNUSED", {0, 0}, {40, 0});
  b.text("OLD-UNUSED", kStyle, {0, 2}, 3.5, "图例");
  b.endBlock();
}

void defineDetailBlock(EntityBuilder& b, int index) {
  b.beginBlock(detailBlockName(index), true);
  b.polyline("DETAIL", {{0, 0}, {20, 0}, {20, 14}, {0, 14}}, true);
  b.circle("DETAIL", {10, 7}, 4);
  b.insert("DETAIL", kSharedBlockName, {3, 3}, {}, kStyle, 0);
  b.insert("DETAIL", kSharedBlockName, {17, 3}, {}, kStyle, 0);
  b.attdef("DETAIL", kStyle, {1, 15}, 2.5, "MARK", "详图编号", "D");
  b.endBlock();
}

// a followed by b. (GCC 12 at -O3 raises a false -Wrestrict on `"literal" + std::string`.)
std::string join(std::string_view a, std::string_view b) {
  std::string s;
  s.reserve(a.size() + b.size());
  s.append(a);
  s.append(b);
  return s;
}

// A small deterministic generator, so that every run gives the same drawing.
class Lcg {
 public:
  explicit Lcg(unsigned seed) : state_(seed * 2654435761u + 1) {}
  double uniform(double lo, double hi) {
    state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
    return lo + (hi - lo) * static_cast<double>(state_ >> 11) / 9007199254740992.0;
  }

 private:
  unsigned long long state_;
};

void addRealisticContent(EntityBuilder& b, const Options& o, int index, int& dimensions, double x0,
                         double x1, double y0, double y1, Lcg& rng);

void addFrame(EntityBuilder& b, const Rect& r, const std::string& number, int index,
              const Options& o, int& dimensions, Lcg& rng) {
  const int filler = o.fillerPerFrame;
  b.polyline("FRAME", {{r.minX, r.minY}, {r.maxX, r.minY}, {r.maxX, r.maxY}, {r.minX, r.maxY}},
             true);
  // The inner border, as four lines.
  const Point a{r.minX + kBindingMargin, r.minY + kMargin}, c{r.maxX - kMargin, r.maxY - kMargin};
  b.line("FRAME", a, {c.x, a.y});
  b.line("FRAME", {c.x, a.y}, c);
  b.line("FRAME", c, {a.x, c.y});
  b.line("FRAME", {a.x, c.y}, a);
  char title[64];
  std::snprintf(title, sizeof title, "第%d张 平面布置图", index + 1);
  b.insert("TITLE", kTitleBlockName, {c.x, a.y}, {{kTitleAttributeTag, title}}, kStyle, 5);
  b.text("TEXT", kStyle, {c.x - 47, a.y + 10}, 3.5, number);

  // Filler in the drawing area above the title block.
  const double x0 = a.x + 5, x1 = c.x - 5, y0 = a.y + kTitleHeight + 5, y1 = c.y - 5;
  addRealisticContent(b, o, index, dimensions, x0, x1, y0, y1, rng);
  for (int i = 0; i < filler; ++i) {
    Point p{rng.uniform(x0, x1 - 20), rng.uniform(y0, y1 - 20)};
    switch (i % 4) {
      case 0:
        b.line("GEOMETRY", p, {p.x + rng.uniform(1, 20), p.y + rng.uniform(1, 20)});
        break;
      case 1:
        b.arc("GEOMETRY", {p.x + 10, p.y + 10}, rng.uniform(1, 9), rng.uniform(0, 180),
              rng.uniform(180, 360));
        break;
      case 2: {
        char t[96];
        std::snprintf(t, sizeof t, "%d. 钢筋混凝土楼板 详见结施-%02d", i / 4 + 1, i % 100);
        b.text("TEXT", kStyle, p, 2.5, t);
        break;
      }
      default: {
        std::vector<Point> points;
        for (int k = 0; k < 6; ++k) points.push_back({p.x + 3 * k, p.y + rng.uniform(0, 20)});
        b.polyline("GEOMETRY", points, false);
      }
    }
  }
}

// A dimension and its anonymous block: dimension line, extension lines, arrows (references
// of the style's arrow block, or drawn ticks where the arrows are overridden), the measured
// text, and the definition points.
void addDimension(EntityBuilder& b, int number, Point a, Point c, double lineY, bool override) {
  const std::string block = join("*D", std::to_string(number));
  b.beginBlock(block, false);
  b.line("DIM", {a.x, lineY}, {c.x, lineY});
  b.line("DIM", {a.x, a.y + 0.625}, {a.x, lineY + 1.25});
  b.line("DIM", {c.x, c.y + 0.625}, {c.x, lineY + 1.25});
  if (override) {
    b.line("DIM", {a.x - 1.25, lineY - 1.25}, {a.x + 1.25, lineY + 1.25});
    b.line("DIM", {c.x - 1.25, lineY - 1.25}, {c.x + 1.25, lineY + 1.25});
  } else {
    b.insert("DIM", kArrowBlockName, {a.x, lineY}, {}, kStyle, 0, 2.5);
    b.insert("DIM", kArrowBlockName, {c.x, lineY}, {}, kStyle, 0, 2.5);
  }
  b.mtext("DIM", "DIMTXT", {(a.x + c.x) / 2, lineY + 1.5}, 2.5, 0, num(std::fabs(c.x - a.x)));
  b.pointEntity("Defpoints", a);
  b.pointEntity("Defpoints", c);
  b.pointEntity("Defpoints", {c.x, lineY});
  b.endBlock();
  b.linearDimension("DIM", block, "GB-DIM", a, c, lineY, override ? kOverrideArrowBlockName : "");
}

// The realistic content of one frame inside its drawing area [x0, x1] x [y0, y1].
void addRealisticContent(EntityBuilder& b, const Options& o, int index, int& dimensions, double x0,
                         double x1, double y0, double y1, Lcg& rng) {
  for (int i = 0; i < o.dimensionsPerFrame; ++i) {
    const Point a{rng.uniform(x0, x1 - 40), rng.uniform(y0, y1 - 12)};
    const Point c{a.x + rng.uniform(5, 35), a.y};
    addDimension(b, ++dimensions, a, c, a.y + rng.uniform(4, 8), i % 10 == 9);
  }
  for (int i = 0; i < o.hatchesPerFrame; ++i) {
    const Point p{rng.uniform(x0, x1 - 30), rng.uniform(y0, y1 - 20)};
    const double w = rng.uniform(8, 28), h = rng.uniform(6, 18);
    b.hatch("HATCH", "ANSI31", {p, {p.x + w, p.y}, {p.x + w, p.y + h}, {p.x, p.y + h}}, 1);
  }
  for (int i = 0; i < o.splinesPerFrame; ++i) {
    std::vector<Point> points;
    const Point p{rng.uniform(x0, x1 - 40), rng.uniform(y0, y1 - 20)};
    for (int k = 0; k < 6; ++k) points.push_back({p.x + 7 * k, p.y + rng.uniform(0, 18)});
    b.spline("CENTER", points);
  }
  for (int i = 0; i < o.mtextsPerFrame; ++i) {
    const Point p{rng.uniform(x0, x1 - 80), rng.uniform(y0 + 12, y1)};
    b.mtext("TEXT", kStyle, p, 3, 70,
            join(join("说明:\\P", std::to_string(i + 1)),
                 ". 本图尺寸以毫米计\\P2. 未注明者详见总说明"));
  }
  for (int i = 0; i < o.detailRefsPerFrame; ++i) {
    const Point p{rng.uniform(x0, x1 - 22), rng.uniform(y0, y1 - 20)};
    b.insert("DETAIL", detailBlockName(index), p, {{"MARK", join("D", std::to_string(i + 1))}},
             kStyle, 2.5, 1, {1, 15});
  }
}

}  // namespace

Options Options::realistic(int frames) {
  Options o;
  o.frames = frames;
  o.version = "AC1024";
  o.dimensionsPerFrame = 175;
  o.hatchesPerFrame = 8;
  o.splinesPerFrame = 12;
  o.mtextsPerFrame = 6;
  o.detailRefsPerFrame = 3;
  o.fillerPerFrame = 1600;
  return o;
}

int entitiesPerFrame(const Options& o) {
  return kFixedEntitiesPerFrame + o.fillerPerFrame + o.dimensionsPerFrame + o.hatchesPerFrame +
         o.splinesPerFrame + o.mtextsPerFrame + o.detailRefsPerFrame;
}

std::string detailBlockName(int index) {
  return join("DETAIL-", drawingNumber(index));
}

std::string drawingNumber(int index) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "A%03d-B%03d-%02d", 100 + index % 900, 500 + (index * 7) % 500,
                index % 100);
  return buf;
}

int fillerForTotal(int totalEntities, int frames) {
  if (frames <= 0) return 0;
  return std::max(0, totalEntities / frames - kFixedEntitiesPerFrame);
}

SheetSet generateSheetSet(const Options& o) {
  if (o.version < "AC1015")
    throw std::invalid_argument("sheet sets are generated for AC1015 (R2000) and later");
  SheetSet set;
  set.drawing = cadhost::dxf::newDrawing();
  cadhost::dxf::setVersion(set.drawing, o.version);
  cadhost::dxf::setCodepage(set.drawing, o.codepage);

  EntityBuilder b(set.drawing);
  b.addLayer("FRAME", 7);
  b.addLayer("TITLE", 3);
  b.addLayer("TEXT", 2);
  b.addLayer("GEOMETRY", 4);
  for (int i = 0; i < o.extraLayers; ++i) {
    std::string name = "L";
    name.append(std::to_string(i));
    b.addLayer(name, 1 + i % 255, "Continuous", i % 2 == 0 ? 4 : 0);
  }
  b.addTextStyle(kStyle, "gbenor.shx", "gbcbig.shx", 0.7);
  defineTitleBlock(b);
  const bool realistic = o.dimensionsPerFrame > 0 || o.hatchesPerFrame > 0 ||
                         o.splinesPerFrame > 0 || o.mtextsPerFrame > 0 || o.detailRefsPerFrame > 0;
  if (realistic) defineRealisticTables(b);

  int columns =
      o.columns > 0 ? o.columns : std::max(1, static_cast<int>(std::ceil(std::sqrt(o.frames))));
  Lcg rng(o.seed);
  int dimensions = 0;
  for (int i = 0; i < o.frames; ++i) {
    double x = (i % columns) * (o.width + o.gap);
    double y = -(i / columns) * (o.height + o.gap);
    Rect r{x, y, x + o.width, y + o.height};
    set.frames.push_back(r);
    set.numbers.push_back(drawingNumber(i));
    if (o.detailRefsPerFrame > 0) defineDetailBlock(b, i);
    addFrame(b, r, set.numbers.back(), i, o, dimensions, rng);
  }
  set.entityCount = set.drawing.entities.size();
  return set;
}

SheetSet writeSheetSetFile(const std::string& path, const Options& options) {
  SheetSet set = generateSheetSet(options);
  cadhost::dxf::writeDxfFile(set.drawing, path);
  set.drawing = {};
  return set;
}

}  // namespace sheetgen
