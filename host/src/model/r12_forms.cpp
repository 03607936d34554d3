#include "model/r12_forms.h"

#include <cmath>

#include "cadhost/host_error.h"
#include "dxf/text_codec.h"
#include "geom/text_metrics.h"
#include "model/document_core.h"
#include "model/entity_factory.h"
#include "model/tag_edit.h"
#include "model/tags.h"
#include "model/text_util.h"

namespace cadhost::detail {

using model::Object;
using model::Tag;
using model::Tags;

namespace {

// Codes an R12 entity or table entry keeps: the plain groups below 100 that R12 knows, the
// extrusion and extended data.
bool r12Code(int code) {
  if (code == 48 || code == 60 || code == 92)
    return false;  // line type scale, visibility,
                   // proxy graphics: R13 on
  return (code >= 0 && code < 100) || (code >= 210 && code <= 239) || code >= 1000;
}

void stripTags(Tags& tags) {
  Tags out;
  out.reserve(tags.size());
  bool embedded = false;  // a text's embedded multi-line object (101) up to its extended data
  for (const Tag& t : tags) {
    if (t.code == 101) embedded = true;
    if (t.code >= 1000) embedded = false;
    if (!embedded && r12Code(t.code)) out.push_back(t);
  }
  tags = std::move(out);
}

std::string layerOf(const Object& o) {
  const Tag* t = model::findTag(o.tags, 8);
  return t ? t->value.str() : std::string("0");
}

// The head every converted entity carries: type, handle, layer, and the colour, line type and
// thickness of the original when it had them.
Tags headOf(const Object& from, const char* type, std::string handle) {
  Tags tags{Tag{0, type}, Tag{5, std::move(handle)}, Tag{8, layerOf(from)}};
  for (int code : {6, 62, 39})
    if (const Tag* t = model::findTag(from.tags, code)) tags.push_back(*t);
  return tags;
}

Object polylineFromLightweight(DocumentCore& doc, const Object& lw) {
  const Tags& src = lw.tags;
  const std::string elevation = formatNumber(model::tagDouble(src, 38));
  Object pl;
  const Tag* own = model::findTag(src, 5);
  pl.tags = headOf(lw, "POLYLINE", own ? own->value.str() : doc.newHandle());
  pl.tags.push_back(Tag{66, "1"});
  pl.tags.push_back(Tag{10, "0.0"});
  pl.tags.push_back(Tag{20, "0.0"});
  pl.tags.push_back(Tag{30, elevation});
  pl.tags.push_back(Tag{70, std::to_string(model::tagInt(src, 70) & (1 | 128))});
  const double constant = model::tagDouble(src, 43);
  if (constant != 0) {
    pl.tags.push_back(Tag{40, formatNumber(constant)});
    pl.tags.push_back(Tag{41, formatNumber(constant)});
  }
  for (int code : {210, 220, 230})
    if (const Tag* t = model::findTag(src, code)) pl.tags.push_back(*t);

  // Vertices: each 10 starts one; 20, 40, 41, 42 up to the next 10 belong to it.
  Object* vertex = nullptr;
  for (const Tag& t : src) {
    if (t.code == 10) {
      Object v;
      v.tags = {Tag{0, "VERTEX"}, Tag{5, doc.newHandle()}, Tag{8, layerOf(lw)}, t,
                Tag{20, "0.0"},   Tag{30, elevation}};
      pl.subs.push_back(std::move(v));
      vertex = &pl.subs.back();
    } else if (vertex && t.code == 20) {
      model::setTag(vertex->tags, 20, t.value);
    } else if (vertex && (t.code == 40 || t.code == 41 || t.code == 42)) {
      vertex->tags.push_back(t);
    }
  }
  Object end;
  end.tags = {Tag{0, "SEQEND"}, Tag{5, doc.newHandle()}, Tag{8, layerOf(lw)}};
  pl.subs.push_back(std::move(end));
  return pl;
}

// One TEXT per line of the multi-line text, placed where its lines stand (horizontal
// multi-line texts in the drawing plane, which is what title blocks hold).
std::vector<Object> textsFromMText(DocumentCore& doc, const Object& mt) {
  const Tags& src = mt.tags;
  const double h = std::max(model::tagDouble(src, 40), 1e-9);
  const std::vector<std::string> lines = geom::wrapMTextLines(
      geom::plainMText(dxf::mtextContents(src)), h, 1.0, model::tagDouble(src, 41));
  const double spacing = geom::mtextLineSpacing(h, model::tagDouble(src, 44, 1.0));
  const double total = h + spacing * static_cast<double>(lines.empty() ? 0 : lines.size() - 1);
  double angle = model::tagDouble(src, 50) * M_PI / 180;
  if (model::findTag(src, 11)) {
    const Point3 d = pointTag(src, 11);
    if (d.x != 0 || d.y != 0) angle = std::atan2(d.y, d.x);
  }
  long long attach = model::tagInt(src, 71, 1);
  if (attach < 1 || attach > 9) attach = 1;
  const int column = static_cast<int>((attach - 1) % 3), row = static_cast<int>((attach - 1) / 3);
  const double top = row == 0 ? 0 : row == 1 ? total / 2 : total;
  const Point3 base = pointTag(src, 10);
  const double c = std::cos(angle), s = std::sin(angle);
  const Tag* style = model::findTag(src, 7);
  const Tag* own = model::findTag(src, 5);

  std::vector<Object> out;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].empty()) continue;
    const double w = geom::textWidth(lines[i], h, 1.0);
    const double x = -w * column / 2.0;
    const double y = top - h - spacing * static_cast<double>(i);
    Object t;
    t.tags = headOf(mt, "TEXT", out.empty() && own ? own->value.str() : doc.newHandle());
    t.tags.push_back(Tag{10, formatNumber(base.x + x * c - y * s)});
    t.tags.push_back(Tag{20, formatNumber(base.y + x * s + y * c)});
    t.tags.push_back(Tag{30, formatNumber(base.z)});
    t.tags.push_back(Tag{40, formatNumber(h)});
    t.tags.push_back(Tag{1, lines[i]});
    if (angle != 0) t.tags.push_back(Tag{50, formatNumber(angle * 180 / M_PI)});
    if (style) t.tags.push_back(*style);
    out.push_back(std::move(t));
  }
  return out;
}

}  // namespace

bool r12CanHold(std::string_view type) {
  for (const char* t :
       {"LINE", "POINT", "CIRCLE", "ARC", "TRACE", "SOLID", "TEXT", "SHAPE", "INSERT", "ATTDEF",
        "ATTRIB", "POLYLINE", "VERTEX", "SEQEND", "3DFACE", "LWPOLYLINE", "MTEXT"})
    if (type == t) return true;
  return false;
}

bool toR12TableEntry(Object& entry, std::string_view table) {
  if (equalsNoCase(table, "DIMSTYLE")) return false;
  if (equalsNoCase(table, "LTYPE")) {
    const Tag* name = model::findTag(entry.tags, 2);
    if (name && (equalsNoCase(name->value, "ByBlock") || equalsNoCase(name->value, "ByLayer")))
      return false;
  }
  stripTags(entry.tags);
  return true;
}

void stripToR12(Object& o) {
  stripTags(o.tags);
  for (Object& s : o.subs) stripToR12(s);
}

std::vector<Object> toR12Entities(DocumentCore& doc, Object entity) {
  const std::string type(model::typeOf(entity));
  if (!r12CanHold(type))
    throw HostError(HostError::Unsupported, "an R12 drawing cannot hold a " + type);
  if (type == "LWPOLYLINE") return {polylineFromLightweight(doc, entity)};
  if (type == "MTEXT") return textsFromMText(doc, entity);
  stripToR12(entity);
  return {std::move(entity)};
}

}  // namespace cadhost::detail
