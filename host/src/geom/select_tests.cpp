#include "geom/select_tests.h"

namespace cadhost::geom {

SelectionArea SelectionArea::rectangle(SelectMode mode, const Point3& p1, const Point3& p2) {
  SelectionArea a;
  a.mode_ = mode;
  a.bounds_ = boxOf(p1, p2);
  return a;
}
SelectionArea SelectionArea::polygon(SelectMode mode, std::vector<Point3> vertices) {
  SelectionArea a;
  a.mode_ = mode;
  for (const Point3& p : vertices) a.bounds_.extend(p);
  a.polygon_ = std::move(vertices);
  return a;
}
bool SelectionArea::selects(const model::Object&, const Box& box) const {
  return bounds_.overlapsXY(box);
}

}  // namespace cadhost::geom
