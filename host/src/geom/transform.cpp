#include "geom/transform.h"

#include <cmath>
#include <numbers>

#include "geom/curves.h"
#include "geom/matrix.h"
#include "model/tags.h"

namespace cadhost::geom {

namespace {
constexpr double kDegree = std::numbers::pi / 180.0;
}

void transformEntity(model::Object&, const Matrix4&) {}
void rotateEntity(model::Object&, const Point3&, double) {}

Matrix4 insertMatrix(const model::Object& insert, const model::Block& block, int column, int row) {
  const Point3 base = pointTag(block.begin.tags, 10);
  const Ocs ocs = Ocs::fromExtrusion(extrusionOf(insert.tags));
  Matrix4 m = multiply(ocs.matrix(), translationMatrix(pointTag(insert.tags, 10)));
  m = multiply(m, rotationZMatrix(model::tagDouble(insert.tags, 50) * kDegree));
  if (column != 0 || row != 0)
    m = multiply(m, translationMatrix({column * model::tagDouble(insert.tags, 44),
                                       row * model::tagDouble(insert.tags, 45), 0}));
  m = multiply(m, scalingMatrix(model::tagDouble(insert.tags, 41, 1),
                                model::tagDouble(insert.tags, 42, 1),
                                model::tagDouble(insert.tags, 43, 1)));
  return multiply(m, translationMatrix(scale(base, -1)));
}

}  // namespace cadhost::geom
