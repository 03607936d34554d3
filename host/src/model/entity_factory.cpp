#include "model/entity_factory.h"

#include <cmath>

#include "cadhost/host_error.h"
#include "model/document_core.h"
#include "model/system_variables.h"
#include "model/tag_edit.h"
#include "model/tags.h"
#include "model/text_util.h"

namespace cadhost::detail {

using model::Object;
using model::Tag;
using model::Tags;

namespace {

std::string variableText(DocumentCore& doc, const char* name) {
  return std::get<std::string>(getSystemVariable(doc, name));
}

void checkPoint(const Point3& p) {
  if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z))
    throw HostError(HostError::Refused, "a point coordinate is not a finite number");
}

void pushPoint(Tags& tags, int code, const Point3& p) {
  tags.push_back(Tag{static_cast<std::int16_t>(code), formatNumber(p.x)});
  tags.push_back(Tag{static_cast<std::int16_t>(code + 10), formatNumber(p.y)});
  tags.push_back(Tag{static_cast<std::int16_t>(code + 20), formatNumber(p.z)});
}

}  // namespace

Object newEntityHead(DocumentCore& doc, std::int32_t container, const char* type,
                     const char* subclass) {
  Object o;
  Tags& t = o.tags;
  t.push_back(Tag{0, type});
  t.push_back(Tag{5, doc.newHandle()});
  const bool markers = doc.hasSubclassMarkers();
  if (markers) {
    const std::string owner = doc.ownerHandle(container);
    if (!owner.empty()) t.push_back(Tag{330, owner});
    t.push_back(Tag{100, "AcDbEntity"});
  }
  t.push_back(Tag{8, variableText(doc, "CLAYER")});
  const std::string color = variableText(doc, "CECOLOR");
  if (color == "BYBLOCK") {
    t.push_back(Tag{62, "0"});
  } else if (color != "BYLAYER") {
    t.push_back(Tag{62, color});
  }
  const std::string linetype = variableText(doc, "CELTYPE");
  if (!equalsNoCase(linetype, "BYLAYER")) t.push_back(Tag{6, linetype});
  if (markers && subclass) t.push_back(Tag{100, subclass});
  return o;
}

EntityRef addText(DocumentCore& doc, std::int32_t container, std::string_view text, const Point3& p,
                  double height) {
  checkPoint(p);
  if (!(height > 0) || !std::isfinite(height))
    throw HostError(HostError::Refused, "a text height must be positive");
  Object o = newEntityHead(doc, container, "TEXT", "AcDbText");
  pushPoint(o.tags, 10, p);
  o.tags.push_back(Tag{40, formatNumber(height)});
  o.tags.push_back(Tag{1, std::string(text)});
  // The text takes its style's width factor as its own: a TEXT without 41 is 1.0 wide in every
  // reader, whatever its style says.
  const std::string style = variableText(doc, "TEXTSTYLE");
  double width = 1.0;
  if (const Object* entry = doc.tableEntry("STYLE", style)) {
    width = model::tagDouble(entry->tags, 41, 1.0);
    if (!(width > 0) || !std::isfinite(width)) width = 1.0;
  }
  o.tags.push_back(Tag{41, formatNumber(width)});
  o.tags.push_back(Tag{7, style});
  if (doc.hasSubclassMarkers()) o.tags.push_back(Tag{100, "AcDbText"});
  return doc.appendEntity(container, std::move(o));
}

void setMTextContents(Tags& tags, std::string_view text) {
  // Drop the old chunks, then put the new ones where the 1 stood.
  std::size_t pos = tags.size();
  Tags kept;
  kept.reserve(tags.size() + text.size() / 250 + 1);
  const std::size_t xdata = xdataStart(tags);
  for (std::size_t i = 0; i < tags.size(); ++i) {
    if (i >= xdata) {
      kept.insert(kept.end(), tags.begin() + static_cast<std::ptrdiff_t>(i), tags.end());
      break;
    }
    if (tags[i].code == 3 || tags[i].code == 1) {
      if (pos == tags.size()) pos = kept.size();
      continue;
    }
    kept.push_back(tags[i]);
  }
  if (pos == tags.size()) pos = std::min(kept.size(), xdataStart(kept));
  Tags chunks;
  std::size_t start = 0;
  while (text.size() - start > 250) {
    std::size_t len = 250;
    // Never split a UTF-8 sequence.
    while (len > 0 && (static_cast<unsigned char>(text[start + len]) & 0xC0) == 0x80) --len;
    chunks.push_back(Tag{3, std::string(text.substr(start, len))});
    start += len;
  }
  chunks.push_back(Tag{1, std::string(text.substr(start))});
  kept.insert(kept.begin() + static_cast<std::ptrdiff_t>(pos), chunks.begin(), chunks.end());
  tags = std::move(kept);
}

EntityRef addMText(DocumentCore& doc, std::int32_t container, const Point3& p, double width,
                   std::string_view text) {
  checkPoint(p);
  if (!doc.hasSubclassMarkers())
    throw HostError(HostError::Unsupported, "this drawing version has no multi-line text");
  if (!std::isfinite(width) || width < 0)
    throw HostError(HostError::Refused, "the width of a multi-line text must not be negative");
  Object o = newEntityHead(doc, container, "MTEXT", "AcDbMText");
  pushPoint(o.tags, 10, p);
  o.tags.push_back(Tag{40, formatNumber(std::get<double>(getSystemVariable(doc, "TEXTSIZE")))});
  o.tags.push_back(Tag{41, formatNumber(width)});
  o.tags.push_back(Tag{71, "1"});
  o.tags.push_back(Tag{72, "1"});
  o.tags.push_back(Tag{1, ""});
  setMTextContents(o.tags, text);
  o.tags.push_back(Tag{7, variableText(doc, "TEXTSTYLE")});
  return doc.appendEntity(container, std::move(o));
}

EntityRef addPolyline(DocumentCore& doc, std::int32_t container, const std::vector<double>& xy) {
  if (xy.size() < 4 || xy.size() % 2 != 0)
    throw HostError(HostError::Refused, "a polyline needs pairs of coordinates, at least two");
  for (double v : xy)
    if (!std::isfinite(v)) throw HostError(HostError::Refused, "a coordinate is not finite");
  const std::size_t n = xy.size() / 2;
  if (doc.hasSubclassMarkers()) {
    Object o = newEntityHead(doc, container, "LWPOLYLINE", "AcDbPolyline");
    o.tags.push_back(Tag{90, std::to_string(n)});
    o.tags.push_back(Tag{70, "0"});
    for (std::size_t i = 0; i < n; ++i) {
      o.tags.push_back(Tag{10, formatNumber(xy[2 * i])});
      o.tags.push_back(Tag{20, formatNumber(xy[2 * i + 1])});
    }
    return doc.appendEntity(container, std::move(o));
  }
  // Drawings before lightweight polylines get the old form: POLYLINE, VERTEX..., SEQEND.
  Object o = newEntityHead(doc, container, "POLYLINE", nullptr);
  o.tags.push_back(Tag{66, "1"});
  pushPoint(o.tags, 10, Point3{});
  o.tags.push_back(Tag{70, "0"});
  const std::string layer = variableText(doc, "CLAYER");
  for (std::size_t i = 0; i < n; ++i) {
    Object v;
    v.tags = {Tag{0, "VERTEX"}, Tag{5, doc.newHandle()}, Tag{8, layer}};
    pushPoint(v.tags, 10, Point3{xy[2 * i], xy[2 * i + 1], 0});
    o.subs.push_back(std::move(v));
  }
  Object end;
  end.tags = {Tag{0, "SEQEND"}, Tag{5, doc.newHandle()}, Tag{8, layer}};
  o.subs.push_back(std::move(end));
  return doc.appendEntity(container, std::move(o));
}

}  // namespace cadhost::detail
