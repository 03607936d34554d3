#include "sheet_fixture.h"

#include <functional>

#include "dxf/dxf_io.h"
#include "entity_builder.h"

namespace apptest {

namespace {

using sheetgen::EntityBuilder;

constexpr double kTextHeight = 3.5;
const char* const kLayer = "0";
const char* const kStyle = "Standard";
const char* const kTitleBlock = "TB";

// Border, inner border, title block, circle and "设计"; the drawing number is added apart.
void addFrame(EntityBuilder& b, const Frame& f) {
  b.polyline(kLayer, {{f.minX, f.minY}, {f.maxX, f.minY}, {f.maxX, f.maxY}, {f.minX, f.maxY}},
             true);
  const double l = f.minX + 25, r = f.maxX - 5, bottom = f.minY + 5, top = f.maxY - 5;
  b.line(kLayer, {l, bottom}, {r, bottom});
  b.line(kLayer, {r, bottom}, {r, top});
  b.line(kLayer, {r, top}, {l, top});
  b.line(kLayer, {l, top}, {l, bottom});
  b.insert(kLayer, kTitleBlock, {f.maxX - 5, f.minY + 5}, {}, kStyle, kTextHeight);
  b.circle(kLayer, {f.minX + 100, f.minY + 150}, 20);
  b.text(kLayer, kStyle, {f.minX + 40, f.minY + 60}, kTextHeight, "设计");
}

void write(const QString& path, const std::function<void(EntityBuilder&)>& fill) {
  auto drawing = cadhost::dxf::newDrawing();
  EntityBuilder b(drawing);
  b.beginBlock(kTitleBlock, false);
  b.line(kLayer, {-180, 0}, {0, 0});
  b.line(kLayer, {0, 0}, {0, 56});
  b.line(kLayer, {0, 56}, {-180, 56});
  b.line(kLayer, {-180, 56}, {-180, 0});
  b.endBlock();
  fill(b);
  cadhost::dxf::writeDxfFile(drawing, path.toStdString());
}

}  // namespace

const std::vector<Frame>& sheetSetFrames() {
  static const std::vector<Frame> frames = {{0, 300, 420, 597},
                                            {500, 300, 920, 597},
                                            {1000, 300, 1420, 597},
                                            {0, 0, 420, 297},
                                            {500, 0, 920, 297}};
  return frames;
}

void writeSheetSet(const QString& path) {
  write(path, [](EntityBuilder& b) {
    const auto& f = sheetSetFrames();
    for (const Frame& frame : f) addFrame(b, frame);
    // 90 units from the lower-right corner of the first frame.
    b.text(kLayer, kStyle, {f[0].maxX - 72, f[0].minY + 54}, kTextHeight, "A123-B567-08");
    b.text(kLayer, kStyle, {f[1].maxX - 50, f[1].minY + 12}, kTextHeight, "A123-B567-09");
    b.text(kLayer, kStyle, {f[1].minX + 210, f[1].minY + 148}, kTextHeight, "A123-B567-99");
    b.mtext(kLayer, kStyle, {f[2].maxX - 50, f[2].minY + 16}, kTextHeight, 40, "A12/3-B4-05");
    b.text(kLayer, kStyle, {f[3].maxX - 50, f[3].minY + 12}, kTextHeight, "A123-B567-08");
    b.text(kLayer, kStyle, {f[4].maxX - 50, f[4].minY + 12}, kTextHeight, "123-456-7");
  });
}

void writeSingleSheet(const QString& path, const std::string& number) {
  write(path, [&number](EntityBuilder& b) {
    const Frame frame{0, 0, 420, 297};
    addFrame(b, frame);
    b.text(kLayer, kStyle, {frame.maxX - 50, frame.minY + 12}, kTextHeight, number);
  });
}

DrawingSummary summarize(const QString& path) {
  const auto drawing = cadhost::dxf::readDxfFile(path.toStdString());
  DrawingSummary s;
  for (const auto& block : drawing.blocks) {
    for (const auto& tag : block.begin.tags) {
      if (tag.code == 2) s.blocks.push_back(tag.value);
    }
  }
  for (const auto& entity : drawing.entities) {
    const std::string type = entity.tags.front().value;
    ++s.countByType[type];
    const bool border = type == "LWPOLYLINE" && s.borderVertices.empty();
    double x = 0;
    for (const auto& tag : entity.tags) {
      if ((type == "TEXT" || type == "MTEXT") && tag.code == 1) s.texts.push_back(tag.value);
      if (tag.code == 10) x = std::stod(tag.value);
      if (tag.code == 20) {
        s.points.emplace_back(x, std::stod(tag.value));
        if (border) s.borderVertices.emplace_back(x, std::stod(tag.value));
      }
      if (border && tag.code == 70) s.borderClosed = (std::stoi(tag.value) & 1) != 0;
    }
  }
  return s;
}

}  // namespace apptest
