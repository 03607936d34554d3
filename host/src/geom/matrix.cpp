#include "geom/matrix.h"

#include <cmath>

namespace cadhost::geom {

Matrix4 identityMatrix() {
  return {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
}

Matrix4 translationMatrix(const Point3& o) {
  return {1, 0, 0, o.x, 0, 1, 0, o.y, 0, 0, 1, o.z, 0, 0, 0, 1};
}

Matrix4 scalingMatrix(double sx, double sy, double sz) {
  return {sx, 0, 0, 0, 0, sy, 0, 0, 0, 0, sz, 0, 0, 0, 0, 1};
}

Matrix4 rotationZMatrix(double radians) {
  const double c = std::cos(radians), s = std::sin(radians);
  return {c, -s, 0, 0, s, c, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
}

Matrix4 multiply(const Matrix4& a, const Matrix4& b) {
  Matrix4 r{};
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) {
      double s = 0;
      for (int k = 0; k < 4; ++k) s += a[i * 4 + k] * b[k * 4 + j];
      r[i * 4 + j] = s;
    }
  return r;
}

Point3 transformPoint(const Matrix4& m, const Point3& p) {
  return {m[0] * p.x + m[1] * p.y + m[2] * p.z + m[3], m[4] * p.x + m[5] * p.y + m[6] * p.z + m[7],
          m[8] * p.x + m[9] * p.y + m[10] * p.z + m[11]};
}

Point3 transformVector(const Matrix4& m, const Point3& v) {
  return {m[0] * v.x + m[1] * v.y + m[2] * v.z, m[4] * v.x + m[5] * v.y + m[6] * v.z,
          m[8] * v.x + m[9] * v.y + m[10] * v.z};
}

double linearDeterminant(const Matrix4& m) {
  return m[0] * (m[5] * m[10] - m[6] * m[9]) - m[1] * (m[4] * m[10] - m[6] * m[8]) +
         m[2] * (m[4] * m[9] - m[5] * m[8]);
}

Point3 add(const Point3& a, const Point3& b) {
  return {a.x + b.x, a.y + b.y, a.z + b.z};
}
Point3 subtract(const Point3& a, const Point3& b) {
  return {a.x - b.x, a.y - b.y, a.z - b.z};
}
Point3 scale(const Point3& a, double f) {
  return {a.x * f, a.y * f, a.z * f};
}
double dot(const Point3& a, const Point3& b) {
  return a.x * b.x + a.y * b.y + a.z * b.z;
}
Point3 cross(const Point3& a, const Point3& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
double length(const Point3& a) {
  return std::sqrt(dot(a, a));
}
Point3 normalized(const Point3& a) {
  const double l = length(a);
  return l > 0 ? scale(a, 1.0 / l) : a;
}

Ocs Ocs::fromExtrusion(const Point3& extrusion) {
  Ocs o;
  const Point3 n = normalized(extrusion);
  if (length(n) == 0 || (n.x == 0 && n.y == 0 && n.z == 1)) return o;
  // The arbitrary-axis algorithm: take the world Y axis unless the normal is close to it.
  constexpr double kLimit = 1.0 / 64.0;
  const Point3 ax = (std::fabs(n.x) < kLimit && std::fabs(n.y) < kLimit)
                        ? normalized(cross(Point3{0, 1, 0}, n))
                        : normalized(cross(Point3{0, 0, 1}, n));
  o.az = n;
  o.ax = ax;
  o.ay = normalized(cross(n, ax));
  return o;
}

Point3 Ocs::toWcs(const Point3& p) const {
  if (isWorld()) return p;
  return add(add(scale(ax, p.x), scale(ay, p.y)), scale(az, p.z));
}

Point3 Ocs::fromWcs(const Point3& p) const {
  if (isWorld()) return p;
  return {dot(p, ax), dot(p, ay), dot(p, az)};
}

Matrix4 Ocs::matrix() const {
  return {ax.x, ay.x, az.x, 0, ax.y, ay.y, az.y, 0, ax.z, ay.z, az.z, 0, 0, 0, 0, 1};
}

}  // namespace cadhost::geom
