#include "geom/curves.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "geom/matrix.h"
#include "model/tags.h"

namespace cadhost::geom {

namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;
constexpr double kDegree = std::numbers::pi / 180.0;

void addPolylinePieces(const std::vector<PolylineVertex>& vs, bool closed, const Ocs& ocs,
                       std::vector<CurvePiece>& out) {
  if (vs.empty()) return;
  if (vs.size() == 1) {
    const Point3 p = ocs.toWcs(vs.front().p);
    out.push_back({CurvePiece::Segment, p, p, {}});
    return;
  }
  const std::size_t n = closed ? vs.size() : vs.size() - 1;
  for (std::size_t i = 0; i < n; ++i) {
    const PolylineVertex& a = vs[i];
    const PolylineVertex& b = vs[(i + 1) % vs.size()];
    if (auto arc = bulgeArc(a.p, b.p, a.bulge)) {
      CurvePiece piece;
      piece.kind = CurvePiece::Arc;
      piece.arc = {ocs.toWcs(arc->c), ocs.toWcs(arc->u), ocs.toWcs(arc->v), arc->t0, arc->t1};
      out.push_back(piece);
    } else {
      out.push_back({CurvePiece::Segment, ocs.toWcs(a.p), ocs.toWcs(b.p), {}});
    }
  }
}

PolylineShape lwpolylineShape(const model::Object& e) {
  PolylineShape shape;
  const double elevation = model::tagDouble(e.tags, 38);
  const double width = model::tagDouble(e.tags, 43);
  for (const model::Tag& t : e.tags) {
    if (t.code == 10) {
      PolylineVertex v;
      v.p = {model::parseDouble(t.value).value_or(0), 0, elevation};
      v.startWidth = v.endWidth = width;
      shape.vertices.push_back(v);
    } else if (shape.vertices.empty()) {
      continue;
    } else if (t.code == 20) {
      shape.vertices.back().p.y = model::parseDouble(t.value).value_or(0);
    } else if (t.code == 40) {
      shape.vertices.back().startWidth = model::parseDouble(t.value).value_or(0);
    } else if (t.code == 41) {
      shape.vertices.back().endWidth = model::parseDouble(t.value).value_or(0);
    } else if (t.code == 42) {
      shape.vertices.back().bulge = model::parseDouble(t.value).value_or(0);
    }
  }
  shape.closed = model::tagInt(e.tags, 70) & 1;
  shape.ocs = Ocs::fromExtrusion(extrusionOf(e.tags));
  return shape;
}

PolylineShape polylineShape(const model::Object& e) {
  PolylineShape shape;
  const long long flags = model::tagInt(e.tags, 70);
  shape.flat = !(flags & (8 | 16 | 64));
  bool hasFitVertices = false;
  for (const model::Object& s : e.subs)
    if (model::typeOf(s) == "VERTEX" && (model::tagInt(s.tags, 70) & 8)) hasFitVertices = true;
  const double elevation = model::tagDouble(e.tags, 30);
  // The polyline's own widths hold for vertices that give none.
  const double startWidth = model::tagDouble(e.tags, 40), endWidth = model::tagDouble(e.tags, 41);
  for (const model::Object& s : e.subs) {
    if (model::typeOf(s) != "VERTEX") continue;
    const long long vf = model::tagInt(s.tags, 70);
    if ((vf & 128) && !(vf & 64)) continue;     // a polyface face record: no coordinates
    if ((vf & 16) && hasFitVertices) continue;  // a spline frame point, not on the curve
    PolylineVertex v;
    v.p = pointTag(s.tags, 10);
    if (shape.flat) {
      v.p.z = elevation;
      v.bulge = model::tagDouble(s.tags, 42);
      v.startWidth = model::tagDouble(s.tags, 40, startWidth);
      v.endWidth = model::tagDouble(s.tags, 41, endWidth);
    }
    shape.vertices.push_back(v);
  }
  shape.closed = flags & 1;
  if (shape.flat) shape.ocs = Ocs::fromExtrusion(extrusionOf(e.tags));
  return shape;
}

CurvePiece circularPiece(const model::Object& e, double t0, double t1) {
  const Ocs ocs = Ocs::fromExtrusion(extrusionOf(e.tags));
  const double r = model::tagDouble(e.tags, 40);
  CurvePiece piece;
  piece.kind = CurvePiece::Arc;
  piece.arc = {ocs.toWcs(pointTag(e.tags, 10)), scale(ocs.ax, r), scale(ocs.ay, r), t0, t1};
  return piece;
}

// Sorted end parameter of an arc that runs counter-clockwise from t0 to t1 (equal: full turn).
double arcEnd(double t0, double t1) {
  double end = normalizeFrom(t1, t0);
  if (end <= t0) end += kTwoPi;
  return end;
}

}  // namespace

Point3 EllipseArc::at(double t) const {
  return add(c, add(scale(u, std::cos(t)), scale(v, std::sin(t))));
}

double normalizeFrom(double t, double t0) {
  double d = std::fmod(t - t0, kTwoPi);
  if (d < 0) d += kTwoPi;
  return t0 + d;
}

std::vector<Point3> pointTags(const model::Tags& tags, int xCode) {
  std::vector<Point3> out;
  for (std::size_t i = 0; i < tags.size(); ++i) {
    if (tags[i].code != xCode) continue;
    Point3 p{model::parseDouble(tags[i].value).value_or(0), 0, 0};
    if (i + 1 < tags.size() && tags[i + 1].code == xCode + 10) {
      p.y = model::parseDouble(tags[++i].value).value_or(0);
      if (i + 1 < tags.size() && tags[i + 1].code == xCode + 20)
        p.z = model::parseDouble(tags[++i].value).value_or(0);
    }
    out.push_back(p);
  }
  return out;
}

Point3 pointTag(const model::Tags& tags, int xCode, const Point3& fallback) {
  if (!model::findTag(tags, xCode)) return fallback;
  return {model::tagDouble(tags, xCode), model::tagDouble(tags, xCode + 10),
          model::tagDouble(tags, xCode + 20)};
}

std::size_t embeddedObjectStart(const model::Tags& tags) {
  std::size_t i = 0;
  while (i < tags.size() && tags[i].code != 101) ++i;
  return i;
}

Point3 extrusionOf(const model::Tags& tags) {
  if (!model::findTag(tags, 210)) return {0, 0, 1};
  const Point3 n{model::tagDouble(tags, 210), model::tagDouble(tags, 220),
                 model::tagDouble(tags, 230, 1)};
  return length(n) > 0 ? n : Point3{0, 0, 1};
}

std::optional<EllipseArc> bulgeArc(const Point3& a, const Point3& b, double bulge) {
  const double dx = b.x - a.x, dy = b.y - a.y;
  const double chord = std::hypot(dx, dy);
  if (std::fabs(bulge) < 1e-12 || chord == 0 || !std::isfinite(bulge)) return std::nullopt;
  const double theta = 4 * std::atan(bulge);  // included angle, signed
  const double r = chord / (2 * std::fabs(std::sin(theta / 2)));
  // The centre lies on the chord's left normal, (1 - b^2) / (4 b) chords from its midpoint.
  const double h = (1 - bulge * bulge) / (4 * bulge);
  const Point3 c{(a.x + b.x) / 2 - dy * h, (a.y + b.y) / 2 + dx * h, a.z};
  const double start = std::atan2(a.y - c.y, a.x - c.x);
  EllipseArc arc{c, {r, 0, 0}, {0, r, 0}, start, start + theta};
  if (theta < 0) std::swap(arc.t0, arc.t1);
  return arc;
}

std::optional<PolylineShape> polylineShapeOf(const model::Object& e) {
  const std::string_view type = model::typeOf(e);
  if (type == "LWPOLYLINE") return lwpolylineShape(e);
  if (type == "POLYLINE") return polylineShape(e);
  return std::nullopt;
}

std::optional<std::vector<CurvePiece>> curvePieces(const model::Object& e) {
  const std::string_view type = model::typeOf(e);
  if (type == "LINE") {
    return std::vector<CurvePiece>{
        {CurvePiece::Segment, pointTag(e.tags, 10), pointTag(e.tags, 11), {}}};
  }
  if (type == "LWPOLYLINE" || type == "POLYLINE") {
    const PolylineShape shape = type == "POLYLINE" ? polylineShape(e) : lwpolylineShape(e);
    std::vector<CurvePiece> out;
    addPolylinePieces(shape.vertices, shape.closed, shape.ocs, out);
    return out;
  }
  if (type == "CIRCLE") return std::vector<CurvePiece>{circularPiece(e, 0, kTwoPi)};
  if (type == "ARC") {
    const double t0 = model::tagDouble(e.tags, 50) * kDegree;
    return std::vector<CurvePiece>{
        circularPiece(e, t0, arcEnd(t0, model::tagDouble(e.tags, 51) * kDegree))};
  }
  if (type == "ELLIPSE") {
    const Point3 n = normalized(extrusionOf(e.tags));
    const Point3 major = pointTag(e.tags, 11);
    CurvePiece piece;
    piece.kind = CurvePiece::Arc;
    const double t0 = model::tagDouble(e.tags, 41, 0);
    piece.arc = {pointTag(e.tags, 10), major,
                 scale(cross(n, major), model::tagDouble(e.tags, 40, 1)), t0,
                 arcEnd(t0, model::tagDouble(e.tags, 42, kTwoPi))};
    return std::vector<CurvePiece>{piece};
  }
  return std::nullopt;
}

std::vector<Point3> flatten(const CurvePiece& piece) {
  if (piece.kind == CurvePiece::Segment) return {piece.a, piece.b};
  const EllipseArc& arc = piece.arc;
  // A chord of angle d leaves the arc by r (1 - cos(d / 2)); keep that below 1e-4 r.
  constexpr double kStep = 0.0282;
  const double span = arc.t1 - arc.t0;
  const double count = std::ceil(span / kStep);  // not a number for a span that is not
  const int n = std::isnan(count) ? 1 : static_cast<int>(std::clamp(count, 1.0, 4096.0));
  std::vector<Point3> pts;
  pts.reserve(n + 1);
  for (int i = 0; i <= n; ++i) pts.push_back(arc.at(arc.t0 + span * i / n));
  return pts;
}

}  // namespace cadhost::geom
