#include "sheetgen/sheet_set.h"

#include <cmath>
#include <cstdio>
#include <stdexcept>

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

void addFrame(EntityBuilder& b, const Rect& r, const std::string& number, int index, int filler,
              Lcg& rng) {
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

}  // namespace

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
  b.addTextStyle(kStyle, "gbenor.shx", "gbcbig.shx", 0.7);
  defineTitleBlock(b);

  int columns =
      o.columns > 0 ? o.columns : std::max(1, static_cast<int>(std::ceil(std::sqrt(o.frames))));
  Lcg rng(o.seed);
  for (int i = 0; i < o.frames; ++i) {
    double x = (i % columns) * (o.width + o.gap);
    double y = -(i / columns) * (o.height + o.gap);
    Rect r{x, y, x + o.width, y + o.height};
    set.frames.push_back(r);
    set.numbers.push_back(drawingNumber(i));
    addFrame(b, r, set.numbers.back(), i, o.fillerPerFrame, rng);
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
