#pragma once

// Affine transforms (row-major 4 x 4, last row 0 0 0 1) and object coordinate systems.

#include "cadhost/types.h"

namespace cadhost::geom {

Matrix4 identityMatrix();
Matrix4 translationMatrix(const Point3& offset);
Matrix4 scalingMatrix(double sx, double sy, double sz);
// Rotation about the Z axis through the origin, counter-clockwise in radians.
Matrix4 rotationZMatrix(double radians);
// a * b: applies b first, then a.
Matrix4 multiply(const Matrix4& a, const Matrix4& b);

Point3 transformPoint(const Matrix4& m, const Point3& p);
// The linear part only (no translation): for directions and offsets.
Point3 transformVector(const Matrix4& m, const Point3& v);
// The determinant of the linear part; negative when the transform mirrors.
double linearDeterminant(const Matrix4& m);

Point3 add(const Point3& a, const Point3& b);
Point3 subtract(const Point3& a, const Point3& b);
Point3 scale(const Point3& a, double f);
double dot(const Point3& a, const Point3& b);
Point3 cross(const Point3& a, const Point3& b);
double length(const Point3& a);
// a / |a|; a zero vector stays zero.
Point3 normalized(const Point3& a);

// The object coordinate system of a planar entity, derived from its extrusion direction
// (group 210) by the arbitrary-axis algorithm of the DXF format.
struct Ocs {
  Point3 ax{1, 0, 0}, ay{0, 1, 0}, az{0, 0, 1};

  static Ocs fromExtrusion(const Point3& extrusion);
  // True for the world plane (extrusion 0,0,1), where OCS and WCS coincide.
  bool isWorld() const { return az.x == 0 && az.y == 0 && az.z == 1; }

  Point3 toWcs(const Point3& p) const;
  Point3 fromWcs(const Point3& p) const;
  // The matrix taking OCS points to WCS.
  Matrix4 matrix() const;
};

}  // namespace cadhost::geom
