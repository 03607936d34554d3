#include "model/subclass_markers.h"

#include <initializer_list>
#include <string_view>

#include "model/tags.h"

namespace cadhost::detail {

using model::Tag;
using model::Tags;

namespace {

// Codes of the common entity group (AcDbEntity).
bool commonCode(int code) {
  for (int c : {8, 6, 62, 67, 370, 48, 60, 420, 430, 440, 390, 284, 347, 92, 310})
    if (code == c) return true;
  return false;
}

bool oneOf(int code, std::initializer_list<int> codes) {
  for (int c : codes)
    if (code == c) return true;
  return false;
}

// One subclass of a type: its marker and, for later subclasses, the codes that open it.
struct Subclass {
  const char* marker;
  std::initializer_list<int> opens;  // empty: starts right after the common group
};

// The subclasses of the types whose layout is known, from the DXF reference.
std::initializer_list<Subclass> layoutOf(std::string_view type, const Tags& tags) {
  static const std::initializer_list<Subclass> none = {};
  if (type == "LINE") {
    static const std::initializer_list<Subclass> s = {{"AcDbLine", {}}};
    return s;
  }
  if (type == "POINT") {
    static const std::initializer_list<Subclass> s = {{"AcDbPoint", {}}};
    return s;
  }
  if (type == "CIRCLE") {
    static const std::initializer_list<Subclass> s = {{"AcDbCircle", {}}};
    return s;
  }
  if (type == "ARC") {
    static const std::initializer_list<Subclass> s = {{"AcDbCircle", {}}, {"AcDbArc", {50}}};
    return s;
  }
  if (type == "SOLID" || type == "TRACE") {
    static const std::initializer_list<Subclass> s = {{"AcDbTrace", {}}};
    return s;
  }
  if (type == "3DFACE") {
    static const std::initializer_list<Subclass> s = {{"AcDbFace", {}}};
    return s;
  }
  if (type == "TEXT") {
    static const std::initializer_list<Subclass> s = {{"AcDbText", {}}, {"AcDbText", {73}}};
    return s;
  }
  if (type == "ATTDEF") {
    static const std::initializer_list<Subclass> s = {
        {"AcDbText", {}}, {"AcDbAttributeDefinition", {3, 2, 70, 73, 74}}};
    return s;
  }
  if (type == "ATTRIB") {
    static const std::initializer_list<Subclass> s = {{"AcDbText", {}},
                                                      {"AcDbAttribute", {2, 70, 73, 74}}};
    return s;
  }
  if (type == "INSERT") {
    bool grid = model::tagInt(tags, 70, 1) > 1 || model::tagInt(tags, 71, 1) > 1;
    static const std::initializer_list<Subclass> single = {{"AcDbBlockReference", {}}};
    static const std::initializer_list<Subclass> array = {{"AcDbMInsertBlock", {}}};
    return grid ? array : single;
  }
  if (type == "POLYLINE") {
    static const std::initializer_list<Subclass> d2 = {{"AcDb2dPolyline", {}}};
    static const std::initializer_list<Subclass> d3 = {{"AcDb3dPolyline", {}}};
    static const std::initializer_list<Subclass> mesh = {{"AcDbPolygonMesh", {}}};
    static const std::initializer_list<Subclass> face = {{"AcDbPolyFaceMesh", {}}};
    long long flags = model::tagInt(tags, 70);
    return (flags & 16) ? mesh : (flags & 64) ? face : (flags & 8) ? d3 : d2;
  }
  if (type == "VERTEX") {
    static const std::initializer_list<Subclass> d2 = {{"AcDbVertex", {}}, {"AcDb2dVertex", {10}}};
    static const std::initializer_list<Subclass> d3 = {{"AcDbVertex", {}},
                                                       {"AcDb3dPolylineVertex", {10}}};
    return (model::tagInt(tags, 70) & 32) ? d3 : d2;
  }
  if (type == "BLOCK") {
    static const std::initializer_list<Subclass> s = {{"AcDbBlockBegin", {}}};
    return s;
  }
  if (type == "ENDBLK") {
    static const std::initializer_list<Subclass> s = {{"AcDbBlockEnd", {}}};
    return s;
  }
  return none;
}

void addMarkers(model::Object& o) {
  const std::string_view type = model::typeOf(o);
  if (type.empty() || model::findTag(o.tags, 100)) return;
  const auto layout = layoutOf(type, o.tags);
  Tags out;
  out.reserve(o.tags.size() + 2 + layout.size());
  std::size_t i = 0;
  // Type, handle and owner come first.
  while (i < o.tags.size() && oneOf(o.tags[i].code, {0, 5, 330, 102})) out.push_back(o.tags[i++]);
  out.push_back(Tag{100, "AcDbEntity"});
  while (i < o.tags.size() && commonCode(o.tags[i].code)) out.push_back(o.tags[i++]);
  auto sub = layout.begin();
  if (sub != layout.end()) out.push_back(Tag{100, (sub++)->marker});
  for (; i < o.tags.size() && o.tags[i].code < 1000; ++i) {
    const Tag& t = o.tags[i];
    if (sub != layout.end() && oneOf(t.code, sub->opens)) out.push_back(Tag{100, (sub++)->marker});
    out.push_back(t);
  }
  // Subclasses whose groups are all missing still get their markers, before the xdata.
  for (; sub != layout.end(); ++sub) out.push_back(Tag{100, sub->marker});
  out.insert(out.end(), o.tags.begin() + static_cast<std::ptrdiff_t>(i), o.tags.end());
  o.tags = std::move(out);
}

}  // namespace

void addTableRecordMarkers(model::Object& entry, std::string_view table) {
  if (model::findTag(entry.tags, 100)) return;
  static constexpr std::pair<std::string_view, const char*> kRecords[] = {
      {"LAYER", "AcDbLayerTableRecord"},       {"STYLE", "AcDbTextStyleTableRecord"},
      {"LTYPE", "AcDbLinetypeTableRecord"},    {"APPID", "AcDbRegAppTableRecord"},
      {"DIMSTYLE", "AcDbDimStyleTableRecord"}, {"UCS", "AcDbUCSTableRecord"},
      {"VIEW", "AcDbViewTableRecord"},         {"VPORT", "AcDbViewportTableRecord"}};
  const char* record = nullptr;
  for (const auto& [name, marker] : kRecords)
    if (name == table) record = marker;
  std::size_t i = 0;
  while (i < entry.tags.size() && oneOf(entry.tags[i].code, {0, 5, 105, 330, 102})) ++i;
  Tags markers = {Tag{100, "AcDbSymbolTableRecord"}};
  if (record) markers.push_back(Tag{100, record});
  entry.tags.insert(entry.tags.begin() + static_cast<std::ptrdiff_t>(i), markers.begin(),
                    markers.end());
}

void addSubclassMarkers(model::Object& entity) {
  addMarkers(entity);
  for (model::Object& s : entity.subs) addMarkers(s);
}

}  // namespace cadhost::detail
