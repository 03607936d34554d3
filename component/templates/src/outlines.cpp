#include "tarvik/outlines.h"

namespace tarvik {

std::vector<double> outlineVertices(double x1, double y1, double x2, double y2) {
  return {x1, y1, x2, y1, x2, y2, x1, y2};
}

cadhost::Entity addClosedOutline(cadhost::Block space, const std::vector<double>& xy) {
  cadhost::Entity outline = space.addLightWeightPolyline(xy);
  outline.setClosed(true);
  return outline;
}

}  // namespace tarvik
