#include "sheetgen/entity_builder.h"

#include <algorithm>
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

// The tags that TEXT, ATTDEF and ATTRIB share: position, height, value, width factor, style.
// The width factor is written as a CAD program writes it, the style's own: a text without one
// is drawn at 1.0 by every reader.
void textBody(cadhost::model::Tags& t, Point p, double height, const std::string& value,
              const std::string& widthFactor, const std::string& style) {
  point(t, 10, p);
  t.push_back(tag(40, num(height)));
  t.push_back(tag(1, value));
  t.push_back(tag(41, widthFactor));
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

std::string EntityBuilder::addEntry(const std::string& tableName, Tags tags, int handleCode) {
  cadhost::model::Table& t = table(tableName);
  std::string handle = cadhost::dxf::allocateHandle(d_);
  tags.insert(tags.begin() + 1, tag(handleCode, handle));
  tags.insert(tags.begin() + 2, tag(330, std::string(cadhost::model::handleOf(t.head))));
  t.entries.push_back(Object{std::move(tags), {}});
  cadhost::model::setTag(t.head.tags, 70, std::to_string(t.entries.size()));
  return handle;
}

std::string EntityBuilder::entryHandle(const std::string& tableName, const std::string& name) {
  for (const Object& e : table(tableName).entries) {
    const Tag* n = cadhost::model::findTag(e.tags, 2);
    if (!n || n->value != name) continue;
    const Tag* h = cadhost::model::findTag(e.tags, tableName == "DIMSTYLE" ? 105 : 5);
    return h ? h->value.str() : std::string();
  }
  return {};
}

std::string EntityBuilder::styleWidth(const std::string& style) {
  for (const Object& e : table("STYLE").entries) {
    const Tag* n = cadhost::model::findTag(e.tags, 2);
    if (!n || n->value != style) continue;
    const Tag* w = cadhost::model::findTag(e.tags, 41);
    return w ? w->value.str() : std::string("1.0");
  }
  return "1.0";
}

std::string EntityBuilder::addLayer(const std::string& name, int color, const std::string& linetype,
                                    int flags) {
  return addEntry(
      "LAYER", {tag(0, "LAYER"), tag(100, "AcDbSymbolTableRecord"),
                tag(100, "AcDbLayerTableRecord"), tag(2, name), tag(70, std::to_string(flags)),
                tag(62, std::to_string(color)), tag(6, linetype), tag(370, "-3"), tag(390, "F")});
}

std::string EntityBuilder::addLinetype(const std::string& name, const std::string& description,
                                       const std::vector<double>& pattern) {
  double total = 0;
  for (double d : pattern) total += std::fabs(d);
  Tags tags{tag(0, "LTYPE"),
            tag(100, "AcDbSymbolTableRecord"),
            tag(100, "AcDbLinetypeTableRecord"),
            tag(2, name),
            tag(70, "0"),
            tag(3, description),
            tag(72, "65"),
            tag(73, std::to_string(pattern.size())),
            tag(40, num(total))};
  for (double d : pattern) {
    tags.push_back(tag(49, num(d)));
    tags.push_back(tag(74, "0"));
  }
  return addEntry("LTYPE", std::move(tags));
}

std::string EntityBuilder::addTextStyle(const std::string& name, const std::string& font,
                                        const std::string& bigFont, double widthFactor) {
  return addEntry("STYLE", {tag(0, "STYLE"), tag(100, "AcDbSymbolTableRecord"),
                            tag(100, "AcDbTextStyleTableRecord"), tag(2, name), tag(70, "0"),
                            tag(40, "0.0"), tag(41, num(widthFactor)), tag(50, "0.0"), tag(71, "0"),
                            tag(42, "2.5"), tag(3, font), tag(4, bigFont)});
}

std::string EntityBuilder::addDimStyle(const std::string& name, const std::string& textStyle,
                                       const std::string& arrowBlock, double textHeight,
                                       double arrowSize) {
  const std::string styleHandle = entryHandle("STYLE", textStyle);
  const std::string arrowHandle = entryHandle("BLOCK_RECORD", arrowBlock);
  if (styleHandle.empty() || arrowHandle.empty())
    throw std::logic_error("dimension style " + name + ": its text style or arrow is missing");
  const std::string handle = addEntry(
      "DIMSTYLE",
      {tag(0, "DIMSTYLE"), tag(100, "AcDbSymbolTableRecord"), tag(100, "AcDbDimStyleTableRecord"),
       tag(2, name), tag(70, "0"), tag(41, num(arrowSize)), tag(42, "0.625"), tag(44, "1.25"),
       tag(140, num(textHeight)), tag(147, "0.625"), tag(77, "1"), tag(340, styleHandle),
       tag(342, arrowHandle)},
      105);
  // The table head lists its entries (71 count, 340 handles).
  cadhost::model::Table& t = table("DIMSTYLE");
  cadhost::model::setTag(t.head.tags, 71, std::to_string(t.entries.size()));
  t.head.tags.push_back(tag(340, handle));
  return handle;
}

void EntityBuilder::beginBlock(const std::string& name, bool hasAttributes) {
  addEntry("BLOCK_RECORD", {tag(0, "BLOCK_RECORD"), tag(100, "AcDbSymbolTableRecord"),
                            tag(100, "AcDbBlockTableRecord"), tag(2, name), tag(340, "0")});
  owner_ = std::string(cadhost::model::handleOf(table("BLOCK_RECORD").entries.back()));
  cadhost::model::Block b;
  const int flags = (hasAttributes ? 2 : 0) | (!name.empty() && name[0] == '*' ? 1 : 0);
  b.begin.tags = {tag(0, "BLOCK"),  tag(5, cadhost::dxf::allocateHandle(d_)),
                  tag(330, owner_), tag(100, "AcDbEntity"),
                  tag(8, "0"),      tag(100, "AcDbBlockBegin"),
                  tag(2, name),     tag(70, std::to_string(flags))};
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
  textBody(o.tags, p, height, value, styleWidth(style), style);
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
  textBody(o.tags, p, height, value, styleWidth(style), style);
  o.tags.push_back(tag(100, "AcDbAttributeDefinition"));
  o.tags.push_back(tag(3, prompt));
  o.tags.push_back(tag(2, tagName));
  o.tags.push_back(tag(70, "0"));
}

void EntityBuilder::insert(const std::string& layer, const std::string& block, Point p,
                           const std::vector<std::pair<std::string, std::string>>& attributes,
                           const std::string& style, double height, double scale,
                           Point attributeOffset) {
  Object& o = add("INSERT", layer, "AcDbBlockReference");
  if (!attributes.empty()) o.tags.push_back(tag(66, "1"));
  o.tags.push_back(tag(2, block));
  point(o.tags, 10, p);
  if (scale != 1) {
    o.tags.push_back(tag(41, num(scale)));
    o.tags.push_back(tag(42, num(scale)));
    o.tags.push_back(tag(43, num(scale)));
  }
  if (attributes.empty()) return;
  std::string self(cadhost::model::handleOf(o));
  auto sub = [&](const char* type) -> Object& {
    o.subs.emplace_back();
    Object& s = o.subs.back();
    s.tags = {tag(0, type), tag(5, cadhost::dxf::allocateHandle(d_)), tag(330, self),
              tag(100, "AcDbEntity"), tag(8, layer)};
    return s;
  };
  double y = p.y + attributeOffset.y;
  for (const auto& [tagName, value] : attributes) {
    Object& a = sub("ATTRIB");
    a.tags.push_back(tag(100, "AcDbText"));
    textBody(a.tags, {p.x + attributeOffset.x, y}, height, value, styleWidth(style), style);
    a.tags.push_back(tag(100, "AcDbAttribute"));
    a.tags.push_back(tag(2, tagName));
    a.tags.push_back(tag(70, "0"));
    y -= height * 2;
  }
  sub("SEQEND");
}

}  // namespace sheetgen

namespace sheetgen {

void EntityBuilder::pointEntity(const std::string& layer, Point p) {
  Object& o = add("POINT", layer, "AcDbPoint");
  point(o.tags, 10, p);
}

void EntityBuilder::solid(const std::string& layer, Point a, Point b, Point c, Point d) {
  Object& o = add("SOLID", layer, "AcDbTrace");
  point(o.tags, 10, a);
  point(o.tags, 11, b);
  point(o.tags, 12, c);
  point(o.tags, 13, d);
}

void EntityBuilder::spline(const std::string& layer, const std::vector<Point>& controlPoints) {
  const int degree = 3;
  const int n = static_cast<int>(controlPoints.size());
  if (n <= degree) throw std::logic_error("a cubic spline needs at least four control points");
  Object& o = add("SPLINE", layer, "AcDbSpline");
  o.tags.push_back(tag(210, "0.0"));
  o.tags.push_back(tag(220, "0.0"));
  o.tags.push_back(tag(230, "1.0"));
  o.tags.push_back(tag(70, "8"));
  o.tags.push_back(tag(71, std::to_string(degree)));
  o.tags.push_back(tag(72, std::to_string(n + degree + 1)));
  o.tags.push_back(tag(73, std::to_string(n)));
  o.tags.push_back(tag(74, "0"));
  o.tags.push_back(tag(42, "0.0000001"));
  o.tags.push_back(tag(43, "0.0000001"));
  const int spans = n - degree;
  for (int k = 0; k < n + degree + 1; ++k) {
    const int v = std::clamp(k - degree, 0, spans);
    o.tags.push_back(tag(40, num(v)));
  }
  for (Point p : controlPoints) point(o.tags, 10, p);
}

void EntityBuilder::hatch(const std::string& layer, const std::string& pattern,
                          const std::vector<Point>& boundary, double scale) {
  Object& o = add("HATCH", layer, "AcDbHatch");
  point(o.tags, 10, {});
  o.tags.push_back(tag(210, "0.0"));
  o.tags.push_back(tag(220, "0.0"));
  o.tags.push_back(tag(230, "1.0"));
  o.tags.push_back(tag(2, pattern));
  o.tags.push_back(tag(70, "0"));  // pattern fill
  o.tags.push_back(tag(71, "0"));  // not associative
  o.tags.push_back(tag(91, "1"));
  o.tags.push_back(tag(92, "3"));  // external polyline path
  o.tags.push_back(tag(72, "0"));
  o.tags.push_back(tag(73, "1"));
  o.tags.push_back(tag(93, std::to_string(boundary.size())));
  for (Point p : boundary) {
    o.tags.push_back(tag(10, num(p.x)));
    o.tags.push_back(tag(20, num(p.y)));
  }
  o.tags.push_back(tag(97, "0"));
  o.tags.push_back(tag(75, "1"));
  o.tags.push_back(tag(76, "1"));
  o.tags.push_back(tag(52, "0.0"));
  o.tags.push_back(tag(41, num(scale)));
  o.tags.push_back(tag(77, "0"));
  o.tags.push_back(tag(78, "1"));
  o.tags.push_back(tag(53, "45.0"));
  o.tags.push_back(tag(43, "0.0"));
  o.tags.push_back(tag(44, "0.0"));
  o.tags.push_back(tag(45, num(-3.175 * scale * std::sqrt(0.5))));
  o.tags.push_back(tag(46, num(3.175 * scale * std::sqrt(0.5))));
  o.tags.push_back(tag(79, "0"));
  o.tags.push_back(tag(98, "0"));
}

void EntityBuilder::linearDimension(const std::string& layer, const std::string& block,
                                    const std::string& dimStyle, Point a, Point b, double dimLineY,
                                    const std::string& arrowOverride) {
  Object& o = add("DIMENSION", layer, "AcDbDimension");
  o.tags.push_back(tag(2, block));
  point(o.tags, 10, {b.x, dimLineY});
  point(o.tags, 11, {(a.x + b.x) / 2, dimLineY + 1.5});
  o.tags.push_back(tag(70, "32"));
  o.tags.push_back(tag(71, "5"));
  o.tags.push_back(tag(42, num(std::fabs(b.x - a.x))));
  o.tags.push_back(tag(3, dimStyle));
  o.tags.push_back(tag(100, "AcDbAlignedDimension"));
  point(o.tags, 13, a);
  point(o.tags, 14, b);
  o.tags.push_back(tag(50, "0.0"));
  o.tags.push_back(tag(100, "AcDbRotatedDimension"));
  if (arrowOverride.empty()) return;
  const std::string arrow = entryHandle("BLOCK_RECORD", arrowOverride);
  if (arrow.empty()) throw std::logic_error("arrow block " + arrowOverride + " is missing");
  o.tags.push_back(tag(1001, "ACAD"));
  o.tags.push_back(tag(1000, "DSTYLE"));
  o.tags.push_back(tag(1002, "{"));
  o.tags.push_back(tag(1070, "173"));  // separate arrows
  o.tags.push_back(tag(1070, "1"));
  o.tags.push_back(tag(1070, "343"));  // first arrow block
  o.tags.push_back(tag(1005, arrow));
  o.tags.push_back(tag(1070, "344"));  // second arrow block
  o.tags.push_back(tag(1005, arrow));
  o.tags.push_back(tag(1002, "}"));
}

}  // namespace sheetgen
