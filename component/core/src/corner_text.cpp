// GetCornerText: the drawing number of a frame, found by the host's selection filter.

#include <cadhost/document.h>

#include <limits>

#include "host_calls.h"
#include "tarvik/attempt.h"
#include "tarvik/cad.h"
#include "tarvik/child_naming.h"

namespace tarvik {

QString CAD::GetCornerText(const QString& file, const Point3d& MinPoint, const Point3d& MaxPoint) {
  (void)file;  // the split always gives a window
  if (acadApp) attempt([&] { acadApp->setVisible(true); });
  // The split's own document, never whatever happens to be active in the host.
  if (!AcadDoc) return {};
  cadhost::Document doc = *AcadDoc;

  const std::string mask = dwgIDMask.toStdString();
  const cadhost::Filter filter{{-4, std::string("<or")},       {-4, std::string("<and")},
                               {0, std::string("TEXT,MTEXT")}, {1, mask},
                               {-4, std::string("and>")},      {-4, std::string("<and")},
                               {0, std::string("ATTDEF")},     {2, mask},
                               {-4, std::string("and>")},      {-4, std::string("or>")}};
  cadhost::SelectionSet set;
  if (!attemptGet(set, [&] { return freshSelectionSet(doc, "BlkSS"); })) return {};
  const cadhost::Point3 p1{MinPoint[0], MinPoint[1], MinPoint[2]};
  const cadhost::Point3 p2{MaxPoint[0], MaxPoint[1], MaxPoint[2]};
  if (acadApp) attempt([&] { acadApp->zoomWindow(p1, p2); });
  attempt([&] { set.select(cadhost::SelectMode::Crossing, &p1, &p2, filter); });

  std::vector<cadhost::Entity> found;
  attemptGet(found, [&] { return set.items(); });
  if (found.empty()) return {};
  int chosen = 0;
  if (found.size() > 1) {
    // A text whose position cannot be read is never nearest.
    const double nan = std::numeric_limits<double>::quiet_NaN();
    std::vector<Point3d> points(found.size(), Point3d{nan, nan, nan});
    for (std::size_t i = 0; i < found.size(); ++i) {
      attempt([&] {
        const cadhost::Point3 p = found[i].insertionPoint();
        points[i] = {p.x, p.y, p.z};
      });
    }
    chosen = nearestToCorner(points, MinPoint, MaxPoint);
  }

  QString text = QStringLiteral("NULL");
  if (chosen >= 0) {
    const cadhost::Entity& entity = found[static_cast<std::size_t>(chosen)];
    attempt([&] {
      const std::string kind = entity.objectName();
      if (kind == "AcDbText") {
        text = QString::fromStdString(entity.textString());
      } else if (kind == "AcDbMText") {
        text = GetMTextStr(QString::fromStdString(entity.textString()));
      } else {
        text = QString::fromStdString(entity.tagString());
      }
    });
  }
  ValidFileName(text, false);
  return text;
}

}  // namespace tarvik
