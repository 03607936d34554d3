#pragma once

// The exact test of the window, crossing and polygon selection modes for one entity.
//
// Use: query the spatial index with area.bounds() (every entity the area can select has a box
// that overlaps it), then call area.selects(entity, box, ctx) for each candidate.

#include <vector>

#include "cadhost/types.h"
#include "geom/box.h"
#include "geom/extents.h"
#include "model/drawing.h"

namespace cadhost::geom {

class SelectionArea {
 public:
  // Window (0) or Crossing (1) rectangle, axis-aligned in WCS XY, from two opposite corners.
  // Throws HostError(Refused) for another mode or a corner that is not finite.
  static SelectionArea rectangle(SelectMode mode, const Point3& p1, const Point3& p2);
  // WindowPolygon (6) or CrossingPolygon (7) in WCS XY, closed implicitly. Throws
  // HostError(Refused) for another mode, fewer than 3 points or a point that is not finite.
  static SelectionArea polygon(SelectMode mode, std::vector<Point3> vertices);

  SelectMode mode() const { return mode_; }
  const Box& bounds() const { return bounds_; }

  // Window modes: the entity lies wholly inside (edges inclusive, with a tolerance of 1e-9 of
  // the area's size). Crossing modes: the entity lies inside or crosses the boundary. Curves
  // (see outlineOf) are tested by their segments, block references (with `ctx`) by the parts of
  // their block and their attributes, texts in a window polygon (with `ctx`) by their outline,
  // other entities by their box. A block reference whose parts cannot be listed (a MINSERT
  // array, a missing block) or that needs more than 50,000 parts looked at is tested by its box.
  // `box` is the entity's extents (extentsOf). A rectangle's tolerance follows its width across
  // and its height up and down, so a long thin strip reaches no further up than it is high.
  bool selects(const model::Object& entity, const Box& box, const ExtentsContext& ctx) const;
  // The same without block lookup: block references are tested by their box.
  bool selects(const model::Object& entity, const Box& box) const;

  // One part of an entity as the tests see it: segments in WCS, or a box when it has none.
  struct Shape {
    std::vector<std::pair<Point3, Point3>> segments;
    Box box;
  };

 private:
  class PartsWalk;

  SelectionArea() = default;
  bool polygonContains(double x, double y) const;
  bool segmentTouchesArea(const Point3& a, const Point3& b) const;
  bool segmentCrossesBoundary(const Point3& a, const Point3& b) const;
  bool boxInside(const Box& box) const;
  bool boxTouches(const Box& box) const;
  // Wholly inside (window modes) and inside-or-crossing (crossing modes).
  bool within(const Shape& shape) const;
  bool touches(const Shape& shape) const;

  SelectMode mode_ = SelectMode::Window;
  Box bounds_;
  std::vector<Point3> polygon_;  // empty for rectangles
  double tolerance_ = 0;
};

}  // namespace cadhost::geom
