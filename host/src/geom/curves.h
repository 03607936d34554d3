#pragma once

// Line work as pieces in WCS: straight segments and elliptic arcs. Extents bound the arcs
// exactly; selection tests flatten them into short chords.

#include <optional>
#include <vector>

#include "cadhost/types.h"
#include "geom/matrix.h"
#include "model/drawing.h"

namespace cadhost::geom {

// The points c + u cos t + v sin t for t from t0 up to t1 (t0 <= t1).
struct EllipseArc {
  Point3 c, u, v;
  double t0 = 0, t1 = 0;

  Point3 at(double t) const;
};

struct CurvePiece {
  enum Kind { Segment, Arc } kind = Segment;
  Point3 a, b;     // Segment
  EllipseArc arc;  // Arc
};

// A polyline's vertices with their bulges (group 42) and the widths at the start and end of
// the segment that leaves each (groups 40 and 41, else the polyline's constant width 43 or its
// own 40 and 41); a 3D polyline or mesh keeps only the points.
struct PolylineVertex {
  Point3 p;  // OCS for a flat polyline, else WCS
  double bulge = 0, startWidth = 0, endWidth = 0;
};
struct PolylineShape {
  std::vector<PolylineVertex> vertices;  // on the curve: no spline frame points, no faces
  bool closed = false;
  bool flat = true;  // not a 3D polyline or mesh
  Ocs ocs;           // the plane of a flat polyline
};

// The shape of a LWPOLYLINE or POLYLINE; nullopt for other types.
std::optional<PolylineShape> polylineShapeOf(const model::Object& entity);

// The pieces of LINE, LWPOLYLINE, POLYLINE, CIRCLE, ARC and ELLIPSE; nullopt for other types.
// Polyline arcs come from the bulges (group 42), in the polyline's OCS.
std::optional<std::vector<CurvePiece>> curvePieces(const model::Object& entity);

// The arc of a polyline segment from a to b with this bulge (tan of a quarter of the included
// angle; positive turns counter-clockwise), in the XY plane of a and b. nullopt when the
// segment is straight.
std::optional<EllipseArc> bulgeArc(const Point3& a, const Point3& b, double bulge);

// The chords of a piece; every chord stays within 1e-4 of the arc's larger radius.
std::vector<Point3> flatten(const CurvePiece& piece);

// The point of [t0, t0 + 2 pi) equivalent to t.
double normalizeFrom(double t, double t0);

// The points of the entity's group pair (x code, x code + 10, x code + 20), in tag order.
std::vector<Point3> pointTags(const model::Tags& tags, int xCode);
// The first such point, or `fallback`.
Point3 pointTag(const model::Tags& tags, int xCode, const Point3& fallback = {});
// Where an attribute's embedded multi-line text object (101 "Embedded Object") starts: the
// index of the first 101 tag, or tags.size() when there is none.
std::size_t embeddedObjectStart(const model::Tags& tags);

// The extrusion direction (210/220/230), (0, 0, 1) when missing.
Point3 extrusionOf(const model::Tags& tags);

}  // namespace cadhost::geom
