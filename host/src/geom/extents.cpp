#include "geom/extents.h"

namespace cadhost::geom {

std::optional<Box> extentsOf(const model::Object&, const ExtentsContext&) {
  return std::nullopt;
}
std::optional<Box> transformedExtentsOf(const model::Object&, const Matrix4&,
                                        const ExtentsContext&) {
  return std::nullopt;
}
std::vector<std::vector<Point3>> outlineOf(const model::Object&) {
  return {};
}

}  // namespace cadhost::geom
