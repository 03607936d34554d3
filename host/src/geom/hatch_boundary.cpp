#include "geom/hatch_boundary.h"

#include <cmath>
#include <numbers>
#include <tuple>
#include <utility>

#include "model/tags.h"

namespace cadhost::geom {

namespace {

constexpr double kDegree = std::numbers::pi / 180.0;

// Reads tags in order; every read checks the expected code.
class Cursor {
 public:
  Cursor(const model::Tags& tags, std::size_t pos) : tags_(tags), pos_(pos) {}

  std::optional<double> number(int code) {
    if (pos_ >= tags_.size() || tags_[pos_].code != code) return std::nullopt;
    return model::parseDouble(tags_[pos_++].value);
  }
  // A count or flag field; nullopt when it is missing or out of any sensible range.
  std::optional<int> integer(int code) {
    auto v = number(code);
    if (!v || !(std::fabs(*v) < 1e9)) return std::nullopt;
    return static_cast<int>(*v);
  }
  // A point of the x code and the y code 10 above it, at height z.
  std::optional<Point3> point(int code, double z) {
    auto x = number(code);
    auto y = number(code + 10);
    if (!x || !y) return std::nullopt;
    return Point3{*x, *y, z};
  }
  bool at(int code) const { return pos_ < tags_.size() && tags_[pos_].code == code; }
  // The tag after the next one has this code.
  bool thenAt(int code) const { return pos_ + 1 < tags_.size() && tags_[pos_ + 1].code == code; }
  void skipWhile(int code) {
    while (at(code)) ++pos_;
  }
  std::size_t pos() const { return pos_; }

 private:
  const model::Tags& tags_;
  std::size_t pos_;
};

// A direction stored with a spline edge; none when it is not finite.
std::optional<Point3> direction(Cursor& c, int code) {
  auto v = c.point(code, 0);
  if (!v || !std::isfinite(v->x) || !std::isfinite(v->y)) return std::nullopt;
  return v;
}

std::optional<HatchEdge> readSplineEdge(Cursor& c, double z) {
  auto degree = c.integer(94), rational = c.integer(73), periodic = c.integer(74);
  auto knots = c.integer(95), controls = c.integer(96);
  if (!degree || !rational || !periodic || !knots || !controls || *knots < 0 || *controls < 0)
    return std::nullopt;
  HatchEdge edge;
  edge.kind = HatchEdge::Spline;
  SplineData& s = edge.spline;
  s.degree = *degree;
  for (int i = 0; i < *knots; ++i) {
    auto k = c.number(40);
    if (!k) return std::nullopt;
    s.knots.push_back(*k);
  }
  for (int i = 0; i < *controls; ++i) {
    auto p = c.point(10, z);
    if (!p) return std::nullopt;
    s.controls.push_back(*p);
    if (auto w = c.number(42)) s.weights.push_back(*w);
  }
  // Fit data (a 97 count, then 11 points) is stored from R2010 on. In older files a 97 after a
  // path's last edge counts the path's source objects (330 handles), not fit points.
  if (auto fits = c.thenAt(330) ? std::nullopt : c.integer(97)) {
    for (int i = 0; i < *fits; ++i) {
      auto p = c.point(11, z);
      if (!p) return std::nullopt;
      s.fits.push_back(*p);
    }
  }
  s.startTangent = direction(c, 12);
  s.endTangent = direction(c, 13);
  return edge;
}

std::optional<HatchEdge> readEdge(Cursor& c, double z) {
  auto type = c.integer(72);
  if (!type) return std::nullopt;
  if (*type == 4) return readSplineEdge(c, z);
  HatchEdge edge;
  CurvePiece& piece = edge.piece;
  if (*type == 1) {
    auto a = c.point(10, z), b = c.point(11, z);
    if (!a || !b) return std::nullopt;
    piece = {CurvePiece::Segment, *a, *b, {}};
    return edge;
  }
  if (*type != 2 && *type != 3) return std::nullopt;
  auto centre = c.point(10, z);
  if (!centre) return std::nullopt;
  std::optional<Point3> major = Point3{1, 0, 0};
  if (*type == 3) major = c.point(11, 0);
  auto r = c.number(40), s = c.number(50), e = c.number(51), ccw = c.number(73);
  if (!major || !r || !s || !e || !ccw) return std::nullopt;
  // Clockwise edges store their angles mirrored: the arc runs backwards over the
  // counter-clockwise arc from -end to -start.
  double a0 = *s * kDegree, a1 = *e * kDegree;
  edge.reversed = *ccw == 0;
  if (edge.reversed) std::tie(a0, a1) = std::pair(-a1, -a0);
  // Circular edges: 40 is the radius. Elliptic edges: 40 is the minor-to-major ratio, and the
  // angles are those of the end points seen from the centre, not the ellipse's parameters.
  Point3 u{*r, 0, 0}, v{0, *r, 0};
  if (*type == 3) {
    u = *major;
    v = {-major->y * *r, major->x * *r, 0};
    a0 = std::atan2(std::sin(a0), *r * std::cos(a0));
    a1 = std::atan2(std::sin(a1), *r * std::cos(a1));
  }
  a1 = normalizeFrom(a1, a0);
  if (a1 <= a0) a1 += 2 * std::numbers::pi;
  piece.kind = CurvePiece::Arc;
  piece.arc = {*centre, u, v, a0, a1};
  return edge;
}

std::optional<std::vector<HatchEdge>> readPolylinePath(Cursor& c, double z) {
  auto hasBulge = c.number(72), closed = c.number(73);
  auto count = c.integer(93);
  if (!hasBulge || !closed || !count) return std::nullopt;
  std::vector<std::pair<Point3, double>> vs;
  for (int i = 0; i < *count; ++i) {
    auto p = c.point(10, z);
    if (!p) return std::nullopt;
    vs.push_back({*p, c.number(42).value_or(0)});
  }
  // The path is taken closed, the last vertex joined to the first.
  std::vector<HatchEdge> edges;
  for (std::size_t i = 0; i < vs.size(); ++i) {
    const auto& [a, bulge] = vs[i];
    const Point3& b = vs[(i + 1) % vs.size()].first;
    HatchEdge& edge = edges.emplace_back();
    if (auto arc = bulgeArc(a, b, bulge)) {
      edge.piece.kind = CurvePiece::Arc;
      edge.piece.arc = *arc;
      edge.reversed = bulge < 0;
    } else {
      edge.piece = {CurvePiece::Segment, a, b, {}};
    }
  }
  return edges;
}

}  // namespace

std::optional<HatchBoundary> readHatchBoundary(const model::Object& hatch) {
  const model::Tags& tags = hatch.tags;
  std::size_t pos = 0;
  while (pos < tags.size() && tags[pos].code != 91) ++pos;
  if (pos == tags.size()) return std::nullopt;
  const double z = model::tagDouble(tags, 30);
  HatchBoundary out;
  out.ocs = Ocs::fromExtrusion(extrusionOf(tags));
  Cursor c(tags, pos);
  const auto paths = c.integer(91);
  if (!paths || *paths < 0) return std::nullopt;
  for (int p = 0; p < *paths; ++p) {
    auto flags = c.integer(92);
    if (!flags) return std::nullopt;
    if (*flags & 2) {
      auto edges = readPolylinePath(c, z);
      if (!edges) return std::nullopt;
      out.paths.push_back(std::move(*edges));
    } else {
      auto count = c.integer(93);
      if (!count) return std::nullopt;
      std::vector<HatchEdge>& edges = out.paths.emplace_back();
      for (int i = 0; i < *count; ++i) {
        auto edge = readEdge(c, z);
        if (!edge) return std::nullopt;
        edges.push_back(std::move(*edge));
      }
    }
    // Source boundary objects.
    if (c.number(97)) c.skipWhile(330);
  }
  out.end = c.pos();
  return out;
}

}  // namespace cadhost::geom
