#pragma once

// Accumulates the box of points and arcs after an affine transform.

#include "cadhost/types.h"
#include "geom/box.h"
#include "geom/curves.h"
#include "geom/spline_fit.h"

namespace cadhost::geom {

class BoxBuilder {
 public:
  explicit BoxBuilder(const Matrix4& m) : m_(m) {}

  void point(const Point3& p);
  // Bounded through the extreme points of the transformed arc, not its control box.
  void arc(const EllipseArc& arc);
  void piece(const CurvePiece& piece);
  // Bounded through the extreme points of the transformed curve, not its control points.
  void bezier(const CubicBezier& curve);
  void box(const Box& b) { box_.extend(b); }

  const Matrix4& matrix() const { return m_; }
  const Box& result() const { return box_; }

 private:
  Matrix4 m_;
  Box box_;
};

}  // namespace cadhost::geom
