#include "sheetgen/entity_builder.h"

#include <cmath>
#include <stdexcept>

#include "dxf/dxf_io.h"
#include "model/tags.h"

namespace sheetgen {

using cadhost::model::Object;
using cadhost::model::Tag;

namespace {

Tag tag(int code, std::string value) {
  return Tag{static_cast<std::int16_t>(code), std::move(value)};
}

void point(cadhost::model::Tags& t, int code, Point p) {
  t.push_back(tag(code, num(p.x)));
  t.push_back(tag(code + 10, num(p.y)));
  t.push_back(tag(code + 20, "0.0"));
}

// The tags that TEXT, ATTDEF and ATTRIB share: position, height, value, style.
void textBody(cadhost::model::Tags& t, Point p, double height, const std::string& value,
              const std::string& style) {
  point(t, 10, p);
  t.push_back(tag(40, num(height)));
  t.push_back(tag(1, value));
  t.push_back(tag(7, style));
}

}  // namespace

std::string num(double v) {
  double r = std::round(v * 1e8) / 1e8;
  if (r == 0) r = 0;  // no "-0.0"
  return cadhost::model::formatDouble(r);
}

EntityBuilder::EntityBuilder(cadhost::model::Drawing& drawing) : d_(drawing) {
  for (const Object& e : table("BLOCK_RECORD").entries)
    if (const Tag* n = cadhost::model::findTag(e.tags, 2); n && n->value == "*Model_Space")
      modelSpaceRecord_ = std::string(cadhost::model::handleOf(e));
  owner_ = modelSpaceRecord_;
}

cadhost::model::Table& EntityBuilder::table(const std::string& name) {
  for (cadhost::model::Table& t : d_.tables)
    if (t.name == name) return t;
  throw std::logic_error("the drawing has no table " + name);
}

void EntityBuilder::addEntry(const std::string& tableName, Tags tags) {
  cadhost::model::Table& t = table(tableName);
  tags.insert(tags.begin() + 1, tag(5, cadhost::dxf::allocateHandle(d_)));
  tags.insert(tags.begin() + 2, tag(330, std::string(cadhost::model::handleOf(t.head))));
  t.entries.push_back(Object{std::move(tags), {}});
  cadhost::model::setTag(t.head.tags, 70, std::to_string(t.entries.size()));
}

void EntityBuilder::addLayer(const std::string& name, int color) {
  addEntry("LAYER",
           {tag(0, "LAYER"), tag(100, "AcDbSymbolTableRecord"), tag(100, "AcDbLayerTableRecord"),
            tag(2, name), tag(70, "0"), tag(62, std::to_string(color)), tag(6, "Continuous"),
            tag(370, "-3"), tag(390, "F")});
}

void EntityBuilder::addTextStyle(const std::string& name, const std::string& font,
                                 const std::string& bigFont, double widthFactor) {
  addEntry("STYLE", {tag(0, "STYLE"), tag(100, "AcDbSymbolTableRecord"),
                     tag(100, "AcDbTextStyleTableRecord"), tag(2, name), tag(70, "0"),
                     tag(40, "0.0"), tag(41, num(widthFactor)), tag(50, "0.0"), tag(71, "0"),
                     tag(42, "2.5"), tag(3, font), tag(4, bigFont)});
}

void EntityBuilder::beginBlock(const std::string& name, bool hasAttributes) {
  addEntry("BLOCK_RECORD", {tag(0, "BLOCK_RECORD"), tag(100, "AcDbSymbolTableRecord"),
                            tag(100, "AcDbBlockTableRecord"), tag(2, name), tag(340, "0")});
  owner_ = std::string(cadhost::model::handleOf(table("BLOCK_RECORD").entries.back()));
  cadhost::model::Block b;
  b.begin.tags = {tag(0, "BLOCK"),  tag(5, cadhost::dxf::allocateHandle(d_)),
                  tag(330, owner_), tag(100, "AcDbEntity"),
                  tag(8, "0"),      tag(100, "AcDbBlockBegin"),
                  tag(2, name),     tag(70, hasAttributes ? "2" : "0")};
  point(b.begin.tags, 10, {});
  b.begin.tags.push_back(tag(3, name));
  b.begin.tags.push_back(tag(1, ""));
  d_.blocks.push_back(std::move(b));
  openBlock_ = &d_.blocks.back();
}

void EntityBuilder::endBlock() {
  openBlock_->end.tags = {tag(0, "ENDBLK"), tag(5, cadhost::dxf::allocateHandle(d_)),
                          tag(330, owner_), tag(100, "AcDbEntity"),
                          tag(8, "0"),      tag(100, "AcDbBlockEnd")};
  openBlock_ = nullptr;
  owner_ = modelSpaceRecord_;
}

Object& EntityBuilder::add(const char* type, const std::string& layer, const char* subclass) {
  std::vector<Object>& into = openBlock_ ? openBlock_->entities : d_.entities;
  into.emplace_back();
  Object& o = into.back();
  o.tags = {tag(0, type),     tag(5, cadhost::dxf::allocateHandle(d_)),
            tag(330, owner_), tag(100, "AcDbEntity"),
            tag(8, layer),    tag(100, subclass)};
  return o;
}

void EntityBuilder::line(const std::string& layer, Point a, Point b) {
  Object& o = add("LINE", layer, "AcDbLine");
  point(o.tags, 10, a);
  point(o.tags, 11, b);
}

void EntityBuilder::circle(const std::string& layer, Point c, double r) {
  Object& o = add("CIRCLE", layer, "AcDbCircle");
  point(o.tags, 10, c);
  o.tags.push_back(tag(40, num(r)));
}

void EntityBuilder::arc(const std::string& layer, Point c, double r, double startDeg,
                        double endDeg) {
  Object& o = add("ARC", layer, "AcDbCircle");
  point(o.tags, 10, c);
  o.tags.push_back(tag(40, num(r)));
  o.tags.push_back(tag(100, "AcDbArc"));
  o.tags.push_back(tag(50, num(startDeg)));
  o.tags.push_back(tag(51, num(endDeg)));
}

void EntityBuilder::text(const std::string& layer, const std::string& style, Point p, double height,
                         const std::string& value) {
  Object& o = add("TEXT", layer, "AcDbText");
  textBody(o.tags, p, height, value, style);
  o.tags.push_back(tag(100, "AcDbText"));
}

void EntityBuilder::mtext(const std::string& layer, const std::string& style, Point p,
                          double height, double width, const std::string& value) {
  Object& o = add("MTEXT", layer, "AcDbMText");
  point(o.tags, 10, p);
  o.tags.push_back(tag(40, num(height)));
  o.tags.push_back(tag(41, num(width)));
  o.tags.push_back(tag(71, "1"));
  o.tags.push_back(tag(72, "1"));
  o.tags.push_back(tag(1, value));
  o.tags.push_back(tag(7, style));
}

void EntityBuilder::polyline(const std::string& layer, const std::vector<Point>& points,
                             bool closed) {
  Object& o = add("LWPOLYLINE", layer, "AcDbPolyline");
  o.tags.push_back(tag(90, std::to_string(points.size())));
  o.tags.push_back(tag(70, closed ? "1" : "0"));
  o.tags.push_back(tag(43, "0.0"));
  for (Point p : points) {
    o.tags.push_back(tag(10, num(p.x)));
    o.tags.push_back(tag(20, num(p.y)));
  }
}

void EntityBuilder::attdef(const std::string& layer, const std::string& style, Point p,
                           double height, const std::string& tagName, const std::string& prompt,
                           const std::string& value) {
  Object& o = add("ATTDEF", layer, "AcDbText");
  textBody(o.tags, p, height, value, style);
  o.tags.push_back(tag(100, "AcDbAttributeDefinition"));
  o.tags.push_back(tag(3, prompt));
  o.tags.push_back(tag(2, tagName));
  o.tags.push_back(tag(70, "0"));
}

void EntityBuilder::insert(const std::string& layer, const std::string& block, Point p,
                           const std::vector<std::pair<std::string, std::string>>& attributes,
                           const std::string& style, double height) {
  Object& o = add("INSERT", layer, "AcDbBlockReference");
  if (!attributes.empty()) o.tags.push_back(tag(66, "1"));
  o.tags.push_back(tag(2, block));
  point(o.tags, 10, p);
  if (attributes.empty()) return;
  std::string self(cadhost::model::handleOf(o));
  auto sub = [&](const char* type) -> Object& {
    o.subs.emplace_back();
    Object& s = o.subs.back();
    s.tags = {tag(0, type), tag(5, cadhost::dxf::allocateHandle(d_)), tag(330, self),
              tag(100, "AcDbEntity"), tag(8, layer)};
    return s;
  };
  double y = p.y + 40;
  for (const auto& [tagName, value] : attributes) {
    Object& a = sub("ATTRIB");
    a.tags.push_back(tag(100, "AcDbText"));
    textBody(a.tags, {p.x - 150, y}, height, value, style);
    a.tags.push_back(tag(100, "AcDbAttribute"));
    a.tags.push_back(tag(2, tagName));
    a.tags.push_back(tag(70, "0"));
    y -= height * 2;
  }
  sub("SEQEND");
}

}  // namespace sheetgen
