#include "geom/transform.h"

#include "geom/matrix.h"

namespace cadhost::geom {

void transformEntity(model::Object&, const Matrix4&) {}
void rotateEntity(model::Object&, const Point3&, double) {}
Matrix4 insertMatrix(const model::Object&, const model::Block&, int, int) {
  return identityMatrix();
}

}  // namespace cadhost::geom
