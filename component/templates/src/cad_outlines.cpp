// Cell and rectangle outlines in model space, and erasing a layer's entities.

#include <cadhost/host_error.h>
#include <sheetcut/error.h>

#include <cstdlib>

#include "host_calls.h"
#include "tarvik/analysis_report.h"
#include "tarvik/attempt.h"
#include "tarvik/cad.h"
#include "tarvik/outlines.h"

namespace tarvik {

void CAD::DrawRect(const Variant& P1, const Variant& P2) {
  // Every failure skips the drawing: no document, or corners that are not points.
  if (!AcadDoc) return;
  std::vector<double> xy;
  try {
    xy = outlineVertices(P1.coordinate(0), P1.coordinate(1), P2.coordinate(0), P2.coordinate(1));
  } catch (const sheetcut::Error&) {
    return;
  }
  cadhost::Document doc = *AcadDoc;
  (void)attempt([&] { addClosedOutline(doc.modelSpace(), xy); });
}

void CAD::DrawCell(const CellType& CE) {
  cadhost::Document doc = requireDocument(*this, "CAD.DrawCell");
  const Point3d p1 = CE.P1.toPoint();
  const Point3d p2 = CE.P2.toPoint();
  hostCall("CAD.DrawCell", [&] {
    const cadhost::Utility utility = doc.utility();
    const auto toWorld = [&](const Point3d& p) {
      return utility.translateCoordinates(hostPoint(p), cadhost::CoordSys::User,
                                          cadhost::CoordSys::World, false);
    };
    const cadhost::Point3 a = toWorld(p1);
    const cadhost::Point3 b = toWorld(p2);
    std::vector<double> xy = outlineVertices(a.x, a.y, b.x, b.y);
    addClosedOutline(doc.modelSpace(), xy);

    if (std::abs(CE.T) > 1) {
      // The cell's column over the k rows below it (above it for a negative order).
      const double h = p2[1] - p1[1];
      const double k = CE.T > 1 ? CE.T : CE.T + 1;
      const double bottom = p1[1] - h * k;
      const cadhost::Point3 e = toWorld({p2[0], bottom, 0});
      const cadhost::Point3 f = toWorld({p1[0], bottom, 0});
      xy[5] = e.y;
      xy[7] = f.y;
      addClosedOutline(doc.modelSpace(), xy);
    }
  });
}

void CAD::DelEntLa(const QString& layerName) {
  // Failures are ignored: without a document, or with nothing on the layer, nothing happens.
  if (!AcadDoc) return;
  cadhost::Document doc = *AcadDoc;
  cadhost::SelectionSets sets = doc.selectionSets();
  (void)attempt([&] { sets.item("SSht").remove(); });
  cadhost::SelectionSet set;
  if (!attemptGet(set, [&] { return sets.add("SSht"); })) return;
  // The layer named exactly so: "A.1", "#", "@" or "," stand for themselves.
  const cadhost::Filter filter{{8, escapeWildcards(layerName).toStdString()}};
  if (!attempt([&] { set.select(cadhost::SelectMode::All, nullptr, nullptr, filter); })) return;
  (void)attempt([&] { set.erase(); });
}

CellType CAD::DrawCellRect(const QString& name, const Variant& x1, const Variant& y1,
                           const Variant& x2, const Variant& y2) {
  cadhost::Document doc = requireDocument(*this, "CAD.DrawCellRect");
  const std::vector<double> xy =
      outlineVertices(x1.toDouble(), y1.toDouble(), x2.toDouble(), y2.toDouble());
  hostCall("CAD.DrawCellRect", [&] { addClosedOutline(doc.modelSpace(), xy); });
  CellType cell;
  cell.name = name;
  cell.P1 = Variant::variants({x1, y2});
  cell.P2 = Variant::variants({x2, y1});
  cell.T = 1;
  if (Cells.size() <= static_cast<size_t>(CellNum)) Cells.resize(static_cast<size_t>(CellNum) + 1);
  Cells[static_cast<size_t>(CellNum)] = std::move(cell);
  ++CellNum;
  return {};
}

}  // namespace tarvik
