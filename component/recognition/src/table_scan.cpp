// The window and block table scans.

#include "table_scan.h"

#include <cadhost/application.h>

#include <algorithm>

#include "host_calls.h"
#include "tarvik/recognition/table_grid.h"
#include "tarvik/recognition/word_order.h"
#include "ucs_words.h"

namespace tarvik {

namespace {

cadhost::Filter typeFilter(const char* types) {
  return {cadhost::FilterItem{0, std::string(types)}};
}

cadhost::Filter blockFilter() {
  cadhost::Filter f{{-4, std::string("<or")}};
  for (const char* t : {"TEXT", "MTEXT", "LINE", "INSERT", "POLYLINE", "LWPOLYLINE", "ATTDEF"}) {
    f.push_back({0, std::string(t)});
  }
  f.push_back({-4, std::string("or>")});
  return f;
}

// The window p-q as a world polygon (q, (q.x, p.y), p, (p.x, q.y)) and its bounding box.
SelectionWindow worldWindow(const cadhost::Document& doc, const Point3d& p, const Point3d& q) {
  std::vector<cadhost::Point3> polygon;
  const cadhost::Utility u = doc.utility();
  for (const Point3d& c : {q, Point3d{q[0], p[1], 0}, p, Point3d{p[0], q[1], 0}}) {
    cadhost::Point3 t = u.translateCoordinates(hostPoint(c), cadhost::CoordSys::User,
                                               cadhost::CoordSys::World, false);
    t.z = 0;
    polygon.push_back(t);
  }
  return windowOf(std::move(polygon));
}

void selectWindow(CAD& cad, cadhost::SelectionSet& set, const std::optional<Point3d>& p,
                  const std::optional<Point3d>& q, const SelectionWindow* named,
                  cadhost::SelectMode polygonMode, const cadhost::Filter& filter) {
  if (!p) {
    attemptStep([&] { set.select(cadhost::SelectMode::All, nullptr, nullptr, filter); });
  } else if (named != nullptr) {
    attemptStep([&] { cad.acadApp->zoomWindow(named->lo, named->hi); });
    attemptStep([&] { set.selectByPolygon(polygonMode, named->polygon, filter); });
  } else {
    const cadhost::Point3 a = hostPoint(*p), b = hostPoint(q.value_or(*p));
    attemptStep([&] { cad.acadApp->zoomWindow(a, b); });
    attemptStep([&] { set.select(cadhost::SelectMode::Crossing, &a, &b, filter); });
  }
}

// Empties the line lists when the scan ends, on every path.
struct LinesEmptied {
  LineLists& lines;
  ~LinesEmptied() { lines.reset(); }
};

}  // namespace

void TableScan::addSegment(const cadhost::Document& doc, bool named, Point3d a, Point3d b) {
  // The rounding of a conversion into the user system scales with the world coordinates.
  const Point3d worldA = a, worldB = b;
  if (named) {
    const cadhost::Utility u = doc.utility();
    const auto toUser = [&](const Point3d& x) {
      return plainPoint(u.translateCoordinates(hostPoint(x), cadhost::CoordSys::World,
                                               cadhost::CoordSys::User, false));
    };
    if (!attemptStep([&] {
          a = toUser(a);
          b = toUser(b);
        })) {
      return;
    }
  }
  LineLists& lines = cad_.recognition().lines;
  for (const double c : {worldA[0], worldA[1], worldB[0], worldB[1]}) lines.noteMagnitude(c);
  cad_.AddGridLine(a, b);
}

void TableScan::addPolyline(const cadhost::Document& doc, bool named, const cadhost::Entity& e) {
  std::vector<double> xy;
  if (!attemptStep([&] { xy = e.coordinates(); })) return;
  const long ub = static_cast<long>(xy.size()) - 1;
  long i = 0;
  for (; i + 3 <= ub; i += 2) {  // each vertex to the next
    const auto at = [&](long k) { return xy[static_cast<std::size_t>(k)]; };
    addSegment(doc, named, {at(i), at(i + 1), 0}, {at(i + 2), at(i + 3), 0});
  }
  bool closed = false;
  attemptStep([&] { closed = e.closed(); });
  if (closed && xy.size() >= 4) {
    // From the first vertex to the last one visited.
    const std::size_t last = static_cast<std::size_t>(i);
    addSegment(doc, named, {xy[0], xy[1], 0}, {xy[last], xy[last + 1], 0});
  }
}

void TableScan::addTextWords(cadhost::Document& doc, const std::string& ucsName,
                             const cadhost::Entity& e) {
  for (TextType& w : wordsInUcs(cad_, doc, ucsName, e)) cad_.Texts.push_back(std::move(w));
  cad_.TextNum = static_cast<long>(cad_.Texts.size());
}

std::vector<CellType> TableScan::scan(const std::optional<Point3d>& p,
                                      const std::optional<Point3d>& q, bool blockMode) {
  RecognitionState& state = cad_.recognition();
  state.lines.reset();
  LinesEmptied emptied{state.lines};
  cad_.Texts.clear();
  cad_.TextNum = 0;
  cad_.Cells.clear();
  cad_.CellNum = 0;

  if (blockMode) {
    if (!cad_.acadApp) {
      throw sheetcut::Error(sheetcut::errnum::kGeneric, "The drawing host is not running",
                            "CAD.AnBlkTable");
    }
    cad_.AcadDoc = hostCall("CAD.AnBlkTable", [&] { return cad_.acadApp->activeDocument(); });
  } else if (cad_.acadApp) {
    attemptStep([&] { cad_.AcadDoc = cad_.acadApp->activeDocument(); });
  }
  if (!cad_.acadApp || !cad_.AcadDoc) return {};
  cadhost::Document doc = *cad_.AcadDoc;
  UcsRestore restore(doc);
  const std::string& ucsName = restore.name();
  const bool named = !ucsName.empty();

  std::optional<SelectionWindow> window;
  if (named && p) {
    attemptStep([&] { window = worldWindow(doc, *p, q.value_or(*p)); });
  }
  if (named) attemptStep([&] { doc.sendCommand(kWorldUcsCommand); });
  const SelectionWindow* polygon = window ? &*window : nullptr;
  cadhost::SelectionSet set;
  if (blockMode) {
    attemptStep([&] { doc.selectionSets().item("SS").remove(); });
    if (!attemptStep([&] { set = doc.selectionSets().add("SS"); })) return {};
  } else if (!attemptStep([&] { set = freshSelectionSet(doc, "SS"); })) {
    return {};
  }

  const auto lineWork = [&](const cadhost::Entity& e, const std::string& kind) {
    if (kind == "AcDbLine") {
      attemptStep(
          [&] { addSegment(doc, named, plainPoint(e.startPoint()), plainPoint(e.endPoint())); });
    } else if (kind == "AcDbPolyline") {
      addPolyline(doc, named, e);
    }
  };
  const auto textWork = [&](const cadhost::Entity& e, const std::string& kind) {
    if (kind != "AcDbText" && kind != "AcDbMText") return;
    QString s;
    if (!attemptStep([&] { s = QString::fromStdString(e.textString()); })) return;
    if (s.trimmed().isEmpty()) return;
    addTextWords(doc, ucsName, e);
  };
  const auto kindOf = [](const cadhost::Entity& e) {
    std::string kind;
    attemptStep([&] { kind = e.objectName(); });
    return kind;
  };

  if (blockMode) {
    selectWindow(cad_, set, p, q, polygon, cadhost::SelectMode::CrossingPolygon, blockFilter());
    activateUcs(doc, ucsName);
    std::vector<cadhost::Entity> items;
    attemptStep([&] { items = set.items(); });
    for (const cadhost::Entity& e : items) {
      const std::string kind = kindOf(e);
      lineWork(e, kind);
      textWork(e, kind);
    }
  } else {
    selectWindow(cad_, set, p, q, polygon, cadhost::SelectMode::CrossingPolygon,
                 typeFilter("LINE,LWPOLYLINE,POLYLINE"));
    activateUcs(doc, ucsName);
    std::vector<cadhost::Entity> items;
    attemptStep([&] { items = set.items(); });
    for (const cadhost::Entity& e : items) lineWork(e, kindOf(e));
    if (state.lines.HLineNum() == 0 || (state.lines.VLineNum() == 0 && cad_.State == 1)) {
      cad_.Cells.clear();
      cad_.CellNum = 0;
      return {};
    }
    attemptStep([&] { set.clear(); });
    attemptStep([&] { doc.sendCommand(kWorldUcsCommand); });
    const auto mode =
        cad_.State != 0 ? cadhost::SelectMode::WindowPolygon : cadhost::SelectMode::CrossingPolygon;
    selectWindow(cad_, set, p, q, polygon, mode, typeFilter("TEXT,MTEXT"));
    activateUcs(doc, ucsName);
    items.clear();
    attemptStep([&] { items = set.items(); });
    for (const cadhost::Entity& e : items) textWork(e, kindOf(e));
  }

  sortCellWords(cad_.Texts, 0, cad_.Texts.size());
  buildTableGrid();
  cad_.Cells.resize(static_cast<std::size_t>(cad_.CellNum));
  return cad_.Cells;
}

void TableScan::buildTableGrid() {
  RecognitionState& state = cad_.recognition();
  const double b = cad_.BaseTol;
  state.lines.JoinLine(b);
  TableGridSink sink;
  sink.cell = [&](const GridCell& c) { appendCell(c); };
  sink.loneLine = [&](const LineType& line) { attemptStep([&] { anCellTexts(line); }); };
  ::tarvik::buildTableGrid(state.lines, b, cad_.State == 0, sink);
}

}  // namespace tarvik
