#include "model/subclass_markers.h"

#include <algorithm>
#include <array>
#include <initializer_list>
#include <optional>
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

// The subclasses of a type, from the DXF reference: the first starts right after the common
// group, the second (when there is one) at the first of its opening codes.
struct Layout {
  std::string_view type;
  const char* first;
  const char* second = nullptr;
  std::array<int, 5> secondOpens = {};  // unused places are 0
};

const Layout kLayouts[] = {
    {"LINE", "AcDbLine"},
    {"POINT", "AcDbPoint"},
    {"CIRCLE", "AcDbCircle"},
    {"ARC", "AcDbCircle", "AcDbArc", {50}},
    {"SOLID", "AcDbTrace"},
    {"TRACE", "AcDbTrace"},
    {"3DFACE", "AcDbFace"},
    {"LWPOLYLINE", "AcDbPolyline"},
    {"MTEXT", "AcDbMText"},
    {"TEXT", "AcDbText", "AcDbText", {73}},
    {"ATTDEF", "AcDbText", "AcDbAttributeDefinition", {3, 2, 70, 73, 74}},
    {"ATTRIB", "AcDbText", "AcDbAttribute", {2, 70, 73, 74}},
    {"BLOCK", "AcDbBlockBegin"},
    {"ENDBLK", "AcDbBlockEnd"},
};

// The layout of a type, also for the types whose subclass depends on their flags; nullopt for
// types without a known layout.
std::optional<Layout> layoutOf(std::string_view type, const Tags& tags) {
  for (const Layout& l : kLayouts)
    if (l.type == type) return l;
  const long long flags = model::tagInt(tags, 70);
  if (type == "INSERT") {
    bool grid = model::tagInt(tags, 70, 1) > 1 || model::tagInt(tags, 71, 1) > 1;
    return Layout{type, grid ? "AcDbMInsertBlock" : "AcDbBlockReference"};
  }
  if (type == "POLYLINE") {
    return Layout{type, (flags & 16)   ? "AcDbPolygonMesh"
                        : (flags & 64) ? "AcDbPolyFaceMesh"
                        : (flags & 8)  ? "AcDb3dPolyline"
                                       : "AcDb2dPolyline"};
  }
  if (type == "VERTEX")
    return Layout{type, "AcDbVertex", (flags & 32) ? "AcDb3dPolylineVertex" : "AcDb2dVertex", {10}};
  return std::nullopt;
}

void addMarkers(model::Object& o) {
  const std::string_view type = model::typeOf(o);
  if (type.empty() || model::findTag(o.tags, 100)) return;
  const std::optional<Layout> layout = layoutOf(type, o.tags);
  Tags out;
  out.reserve(o.tags.size() + 3);
  std::size_t i = 0;
  // Type, handle and owner come first.
  while (i < o.tags.size() && oneOf(o.tags[i].code, {0, 5, 330, 102})) out.push_back(o.tags[i++]);
  out.push_back(Tag{100, "AcDbEntity"});
  while (i < o.tags.size() && commonCode(o.tags[i].code)) out.push_back(o.tags[i++]);
  if (layout) out.push_back(Tag{100, layout->first});
  bool secondOpen = !layout || !layout->second;
  for (; i < o.tags.size() && o.tags[i].code < 1000; ++i) {
    const int code = o.tags[i].code;
    if (!secondOpen && code != 0 &&
        std::find(layout->secondOpens.begin(), layout->secondOpens.end(), code) !=
            layout->secondOpens.end()) {
      out.push_back(Tag{100, layout->second});
      secondOpen = true;
    }
    out.push_back(o.tags[i]);
  }
  // A second subclass whose groups are all missing still gets its marker, before the xdata.
  if (!secondOpen) out.push_back(Tag{100, layout->second});
  out.insert(out.end(), o.tags.begin() + static_cast<std::ptrdiff_t>(i), o.tags.end());
  o.tags = std::move(out);
}

}  // namespace

std::string markerlessClassName(const model::Object& entity) {
  const std::optional<Layout> layout = layoutOf(model::typeOf(entity), entity.tags);
  if (!layout) return {};
  return layout->second ? layout->second : layout->first;
}

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
