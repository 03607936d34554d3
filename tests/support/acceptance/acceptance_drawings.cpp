#include "acceptance_drawings.h"

#include "dxf/dxf_io.h"

namespace acceptance {

namespace {

using sheetgen::EntityBuilder;
using sheetgen::Point;

void defineTitleBlock(EntityBuilder& b) {
  b.beginBlock("TB", false);
  b.line("TITLE", {-180, 0}, {0, 0});
  b.line("TITLE", {0, 0}, {0, 56});
  b.line("TITLE", {0, 56}, {-180, 56});
  b.line("TITLE", {-180, 56}, {-180, 0});
  b.endBlock();
}

// Border, inner lines, title block, circle and "设计" of a 420 x 297 frame at (x, y).
void frame(EntityBuilder& b, double x, double y) {
  b.polyline("FRAME", {{x, y}, {x + 420, y}, {x + 420, y + 297}, {x, y + 297}}, true);
  const Point a{x + 25, y + 5}, c{x + 415, y + 292};
  b.line("FRAME", a, {c.x, a.y});
  b.line("FRAME", {c.x, a.y}, c);
  b.line("FRAME", c, {a.x, c.y});
  b.line("FRAME", {a.x, c.y}, a);
  b.insert("TITLE", "TB", {c.x, a.y}, {}, kStyle, kTextHeight);
  b.circle("FRAME", {x + 100, y + 150}, 30);
  b.text("TEXT", kStyle, {c.x - 170, a.y + 3}, kTextHeight, "设计");
}

}  // namespace

cadhost::model::Drawing newDrawing(const char* version, const char* codepage) {
  cadhost::model::Drawing d = cadhost::dxf::newDrawing();
  cadhost::dxf::setVersion(d, version);
  cadhost::dxf::setCodepage(d, codepage);
  return d;
}

void addLayersAndStyle(EntityBuilder& b) {
  b.addLayer("FRAME", 7);
  b.addLayer("TITLE", 3);
  b.addLayer("TEXT", 2);
  b.addTextStyle(kStyle, "gbenor.shx", "gbcbig.shx", 0.7);
}

const std::vector<Frame>& planFrames() {
  static const std::vector<Frame> frames = {{0, 300, 420, 597},
                                            {500, 300, 920, 597},
                                            {1000, 300, 1420, 597},
                                            {0, 0, 420, 297},
                                            {500, 0, 920, 297}};
  return frames;
}

void writePlan(const std::string& path) {
  cadhost::model::Drawing d = newDrawing("AC1018", "ANSI_936");
  EntityBuilder b(d);
  addLayersAndStyle(b);
  defineTitleBlock(b);
  // Frame 1: the number 90 units from the lower-right corner.
  frame(b, 0, 300);
  b.text("TEXT", kStyle, {420 - 72, 300 + 54}, kTextHeight, "A123-B567-08");
  // Frame 2: the number near the lower-right corner, a decoy far from every corner.
  frame(b, 500, 300);
  b.text("TEXT", kStyle, {920 - 60, 300 + 12}, kTextHeight, "A123-B567-09");
  b.text("TEXT", kStyle, {680, 448}, kTextHeight, "A123-B567-99");
  // Frame 5: a plain multi-line text.
  frame(b, 1000, 300);
  b.mtext("TEXT", kStyle, {1420 - 60, 300 + 16}, kTextHeight, 50, "A12/3-B4-05");
  // Frame 3: the number of frame 1 again.
  frame(b, 0, 0);
  b.text("TEXT", kStyle, {420 - 60, 12}, kTextHeight, "A123-B567-08");
  // Frame 4: no drawing number.
  frame(b, 500, 0);
  b.text("TEXT", kStyle, {920 - 60, 12}, kTextHeight, "123-456-7");
  cadhost::dxf::writeDxfFile(d, path);
}

void writeB(const std::string& path) {
  cadhost::model::Drawing d = newDrawing("AC1024", "ANSI_936");
  EntityBuilder b(d);
  addLayersAndStyle(b);
  defineTitleBlock(b);
  frame(b, 0, 0);
  b.text("TEXT", kStyle, {420 - 60, 12}, kTextHeight, "B001-C002-1");
  cadhost::dxf::writeDxfFile(d, path);
}

}  // namespace acceptance
