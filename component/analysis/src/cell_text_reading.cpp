// GetTextCell: one label of a label layout found in the open drawing, with the table cells
// around it recorded in the found-label list.

#include <cadhost/application.h>

#include <cmath>
#include <limits>

#include "analysis_steps.h"
#include "host_calls.h"
#include "tarvik/analysis_report.h"
#include "tarvik/cad.h"
#include "tarvik/recognition/record_xml.h"

namespace tarvik {

namespace {

const xmlNode* childElement(const xmlNode* parent, const char* name) {
  if (parent == nullptr) return nullptr;
  for (const xmlNode* n = parent->children; n != nullptr; n = n->next) {
    if (n->type == XML_ELEMENT_NODE && xmlStrcmp(n->name, BAD_CAST name) == 0) return n;
  }
  return nullptr;
}

std::int16_t labelNumber(const QString& name) {
  bool ok = false;
  const int v = name.trimmed().toInt(&ok);
  if (!ok || v < std::numeric_limits<std::int16_t>::min() ||
      v > std::numeric_limits<std::int16_t>::max()) {
    return 0;
  }
  return static_cast<std::int16_t>(v);
}

bool hasShapeMatch(const QString& result) {
  return result.section(u',', 0, 0).toLong() >= 10000;
}

}  // namespace

QString CAD::GetTextCell(const CellType& Cell, const std::optional<Point3d>& MinPoint,
                         const std::optional<Point3d>& MaxPoint) {
  const XmlDocPtr xml = parseRecordXml(Cell.s);
  if (!xml) return {};
  const xmlNode* key = childElement(xmlDocGetRootElement(xml.get()), "KEY");
  QString label = nodeText(childElement(key, "Text"));
  label.remove(u' ');
  bool heightOk = false;
  const double templateHeight = nodeText(childElement(key, "Height")).trimmed().toDouble(&heightOk);
  QString result;
  if (!acadApp) return result;
  attemptStep([&] { AcadDoc = acadApp->activeDocument(); });
  if (!AcadDoc) return result;
  cadhost::Document doc = *AcadDoc;

  attemptStep([&] { acadApp->setVisible(true); });
  const cadhost::Filter filter{
      {0, std::string("TEXT,MTEXT")},
      {1, (QStringLiteral("*") + escapeWildcards(label) + QStringLiteral("*")).toStdString()}};
  cadhost::SelectionSet set;
  attemptStep([&] { set = freshSelectionSet(doc, "TSS"); });
  attemptStep([&] { doc.sendCommand(kWorldUcsCommand); });
  if (!MinPoint) {
    attemptStep([&] { set.select(cadhost::SelectMode::All, nullptr, nullptr, filter); });
  } else {
    const cadhost::Point3 a = hostPoint(*MinPoint), b = hostPoint(MaxPoint.value_or(*MinPoint));
    attemptStep([&] { acadApp->zoomWindow(a, b); });
    attemptStep([&] { set.select(cadhost::SelectMode::Crossing, &a, &b, filter); });
  }
  std::vector<cadhost::Entity> items;
  attemptStep([&] { items = set.items(); });

  const std::optional<double> labelAspect = [&]() -> std::optional<double> {
    try {
      return cellAspect(Cell);
    } catch (const sheetcut::Error&) {
      return std::nullopt;
    }
  }();

  for (const cadhost::Entity& e : items) {
    if (QuitFlag) break;
    attemptStep([&] {
      QString t = QString::fromStdString(e.textString());
      if (e.objectName() != "AcDbText") t = GetMTextStr(t);
      t.remove(u' ');
      if (!Cell.name.contains(t)) return;
      attemptStep([&] { doc.sendCommand(kWorldUcsCommand); });
      const cadhost::Point3 ip = e.insertionPoint();

      // A text inside a cell found before belongs to that cell.
      for (auto h = LabCells.rbegin(); h != LabCells.rend(); ++h) {
        if (!h->Text.contains(t)) continue;
        const Point3d lt = h->LTPoint.toPoint();
        const double dx = ip.x - lt[0], dy = ip.y - lt[1];
        const double c = std::cos(h->Angle), s = std::sin(h->Angle);
        const double x = dx * c + dy * s, y = -dx * s + dy * c;
        if (0 < x && x < h->Width && -h->Height < y && y < 0) return;
      }

      // A template text height of 0 gives no scale: the text cannot be measured.
      if (!heightOk || templateHeight == 0 || !std::isfinite(templateHeight)) return;
      cadhost::Point3 lo, hi;
      e.getBoundingBox(lo, hi);
      const double rotation = e.rotation();
      SetFrameUCS({(lo.x + hi.x) / 2, (lo.y + hi.y) / 2, 0}, rotation, QStringLiteral("QX_UCS"));
      BaseTol = e.height() / templateHeight;
      const Point3d v{2 * BaseTol * (Cell.P2.coordinate(0) - Cell.P1.coordinate(0)),
                      BaseTol * (Cell.P1.coordinate(1) - Cell.P2.coordinate(1)), 0};
      const std::vector<CellType> cells =
          AnWinTable(Point3d{v[0], v[1], 0}, Point3d{-v[0], -v[1], 0});
      for (const CellType& p : cells) {
        attemptStep([&] {
          if (p.T != kLabelCellOrder) return;
          const double x1 = p.P1.coordinate(0), y1 = p.P1.coordinate(1);
          const double x2 = p.P2.coordinate(0), y2 = p.P2.coordinate(1);
          const bool inside = std::fabs(x1) < std::fabs(v[0]) && std::fabs(x2) < std::fabs(v[0]) &&
                              std::fabs(y1) < std::fabs(v[1]) && std::fabs(y2) < std::fabs(v[1]);
          if (!inside && p.name != Cell.name) return;
          LabCellType found;
          found.Width = x2 - x1;
          found.Height = y1 - y2;
          const cadhost::Point3 lt = doc.utility().translateCoordinates(
              {x1, y1, 0}, cadhost::CoordSys::User, cadhost::CoordSys::World, false);
          found.LTPoint = Variant::point(lt.x, lt.y, lt.z);
          found.Angle = rotation;
          found.Text = p.name;
          found.name = labelNumber(Cell.name);
          const long k = static_cast<long>(LabCells.size());
          LabCells.push_back(found);
          if (p.name != Cell.name) return;
          const std::optional<double> foundAspect = cellAspect(p);
          const bool sameShape =
              labelAspect && foundAspect && std::fabs(*labelAspect - *foundAspect) <= 0.01;
          if (sameShape) {
            const QString marked = QString::number(k + 10000);
            result = result.isEmpty() ? marked : marked + u',' + result;
          } else {
            result = result.isEmpty() ? QString::number(k) : result + u',' + QString::number(k);
          }
        });
      }
    });
    if (hasShapeMatch(result)) break;
  }

  attemptStep([&] { set.clear(); });
  attemptStep([&] { doc.sendCommand(kWorldUcsCommand); });
  attemptStep([&] { doc.userCoordinateSystems().item("QX_UCS").erase(); });
  return result;
}

}  // namespace tarvik
