// Services of the drawing analysis that the template code calls: the frame UCS and template
// look-up by name. The rebuild of the block layouts' cell texts lives with the recognition.

#include <cmath>

#include "host_calls.h"
#include "tarvik/cad.h"

namespace tarvik {

void CAD::SetFrameUCS(const Point3d& origin, double angle, const QString& name) {
  cadhost::Document doc = requireDocument(*this, "CAD.SetFrameUCS");
  hostCall("CAD.SetFrameUCS", [&] {
    const cadhost::Utility utility = doc.utility();
    const cadhost::Point3 o{origin[0], origin[1], origin[2]};
    const double quarterTurn = 2 * std::atan(1.0);
    const cadhost::Point3 xPoint = utility.polarPoint(o, angle, 100);
    const cadhost::Point3 yPoint = utility.polarPoint(o, angle + quarterTurn, 100);
    cadhost::UserCoordinateSystems systems = doc.userCoordinateSystems();
    const cadhost::Ucs ucs = systems.add(o, xPoint, yPoint, name.toStdString());
    doc.setActiveUcs(ucs);
  });
}

BlkTYpe CAD::FindMod(const QString& name) const {
  const QString wanted = name.toLower();
  for (int i = 1; i <= ModNum && static_cast<size_t>(i) < ModList.size(); ++i) {
    const BlkTYpe& entry = ModList[static_cast<size_t>(i)];
    if (entry.n.toLower() == wanted) return entry;
  }
  return {};
}

}  // namespace tarvik
