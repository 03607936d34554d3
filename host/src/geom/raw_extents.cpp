#include "geom/raw_extents.h"

#include <array>
#include <cmath>
#include <numbers>
#include <optional>
#include <tuple>
#include <vector>

#include "geom/matrix.h"
#include "geom/spline_fit.h"
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
  std::optional<double> optionalNumber(int code) { return number(code); }
  // A count or flag field; nullopt when it is missing or out of any sensible range.
  std::optional<int> integer(int code) {
    auto v = number(code);
    if (!v || !(std::fabs(*v) < 1e9)) return std::nullopt;
    return static_cast<int>(*v);
  }
  bool at(int code) const { return pos_ < tags_.size() && tags_[pos_].code == code; }
  void skipWhile(int code) {
    while (at(code)) ++pos_;
  }

 private:
  const model::Tags& tags_;
  std::size_t pos_;
};

bool readEdge(Cursor& c, const Ocs& ocs, double z, BoxBuilder& out) {
  auto type = c.integer(72);
  if (!type) return false;
  auto xy = [&](int code) -> std::optional<Point3> {
    auto x = c.number(code);
    auto y = c.number(code + 10);
    if (!x || !y) return std::nullopt;
    return Point3{*x, *y, z};
  };
  switch (*type) {
    case 1: {
      auto a = xy(10), b = xy(11);
      if (!a || !b) return false;
      out.point(ocs.toWcs(*a));
      out.point(ocs.toWcs(*b));
      return true;
    }
    case 2:
    case 3: {
      auto centre = xy(10);
      if (!centre) return false;
      std::optional<Point3> major = Point3{1, 0, 0};
      if (*type == 3) major = xy(11);
      auto r = c.number(40), s = c.number(50), e = c.number(51), ccw = c.number(73);
      if (!major || !r || !s || !e || !ccw) return false;
      // Circular edges: 40 is the radius; elliptic edges: 40 is the minor-to-major ratio.
      Point3 u = *type == 2 ? Point3{*r, 0, 0} : Point3{major->x, major->y, 0};
      Point3 v = *type == 2 ? Point3{0, *r, 0} : Point3{-major->y * *r, major->x * *r, 0};
      // Clockwise edges store their angles mirrored.
      double t0 = *s * kDegree, t1 = *e * kDegree;
      if (*ccw == 0) std::tie(t0, t1) = std::pair(-t1, -t0);
      t1 = normalizeFrom(t1, t0);
      if (t1 <= t0) t1 += 2 * std::numbers::pi;
      const Point3 c0 = ocs.toWcs(*centre);
      out.arc({c0, ocs.toWcs(u), ocs.toWcs(v), t0, t1});
      return true;
    }
    case 4: {
      auto degree = c.number(94), rational = c.number(73), periodic = c.number(74);
      auto knots = c.integer(95), controls = c.integer(96);
      if (!degree || !rational || !periodic || !knots || !controls) return false;
      for (int i = 0; i < *knots; ++i)
        if (!c.number(40)) return false;
      for (int i = 0; i < *controls; ++i) {
        auto p = xy(10);
        if (!p) return false;
        out.point(ocs.toWcs(*p));
        c.optionalNumber(42);
      }
      if (auto fits = c.integer(97)) {
        for (int i = 0; i < *fits; ++i) {
          auto p = xy(11);
          if (!p) return false;
          out.point(ocs.toWcs(*p));
        }
      }
      // Start and end tangents (vectors, not points).
      xy(12);
      xy(13);
      return true;
    }
    default:
      return false;
  }
}

}  // namespace

bool addHatchBoundary(const model::Object& hatch, BoxBuilder& out) {
  const model::Tags& tags = hatch.tags;
  std::size_t pos = 0;
  while (pos < tags.size() && tags[pos].code != 91) ++pos;
  if (pos == tags.size()) return false;
  const double z = model::tagDouble(tags, 30);
  const Ocs ocs = Ocs::fromExtrusion(extrusionOf(tags));
  Cursor c(tags, pos);
  const auto paths = c.integer(91);
  if (!paths || *paths < 0) return false;
  BoxBuilder local(out.matrix());
  for (int p = 0; p < *paths; ++p) {
    auto flags = c.integer(92);
    if (!flags) return false;
    if (*flags & 2) {
      auto hasBulge = c.number(72), closed = c.number(73);
      auto count = c.integer(93);
      if (!hasBulge || !closed || !count) return false;
      std::vector<std::pair<Point3, double>> vs;
      for (int i = 0; i < *count; ++i) {
        auto x = c.number(10), y = c.number(20);
        if (!x || !y) return false;
        double bulge = 0;
        if (auto b = c.optionalNumber(42)) bulge = *b;
        vs.push_back({{*x, *y, z}, bulge});
      }
      for (std::size_t i = 0; i < vs.size(); ++i) {
        local.point(ocs.toWcs(vs[i].first));
        const auto& next = vs[(i + 1) % vs.size()];
        if (auto arc = bulgeArc(vs[i].first, next.first, vs[i].second))
          local.arc({ocs.toWcs(arc->c), ocs.toWcs(arc->u), ocs.toWcs(arc->v), arc->t0, arc->t1});
      }
    } else {
      auto edges = c.integer(93);
      if (!edges) return false;
      for (int i = 0; i < *edges; ++i)
        if (!readEdge(c, ocs, z, local)) return false;
    }
    // Source boundary objects.
    if (c.optionalNumber(97)) c.skipWhile(330);
  }
  out.box(local.result());
  return true;
}

namespace {

// The sampled curve; nullopt when the knots, control points and weights do not make one.
std::optional<std::vector<Point3>> sampleSpline(const model::Object& spline) {
  const model::Tags& tags = spline.tags;
  const int degree = static_cast<int>(model::tagInt(tags, 71, 3));
  std::vector<double> knots, weights;
  for (const model::Tag& t : tags) {
    if (t.code == 40)
      knots.push_back(model::parseDouble(t.value).value_or(0));
    else if (t.code == 41)
      weights.push_back(model::parseDouble(t.value).value_or(1));
  }
  const std::vector<Point3> controls = pointTags(tags, 10);
  const std::size_t n = controls.size();
  const bool valid = degree >= 1 && n > static_cast<std::size_t>(degree) &&
                     knots.size() == n + degree + 1 && (weights.empty() || weights.size() == n);
  if (!valid) return std::nullopt;
  // de Boor in homogeneous coordinates, sampled evenly on every non-empty knot span.
  constexpr int kSamples = 32;
  std::vector<Point3> points;
  std::vector<std::array<double, 4>> d(degree + 1);
  for (std::size_t span = degree; span < n; ++span) {
    const double a = knots[span], b = knots[span + 1];
    if (!(b > a)) continue;
    for (int s = 0; s <= kSamples; ++s) {
      const double t = a + (b - a) * s / kSamples;
      for (int j = 0; j <= degree; ++j) {
        const std::size_t k = span - degree + j;
        const double w = weights.empty() ? 1.0 : weights[k];
        d[j] = {controls[k].x * w, controls[k].y * w, controls[k].z * w, w};
      }
      for (int r = 1; r <= degree; ++r)
        for (int j = degree; j >= r; --j) {
          const std::size_t i = span - degree + j;
          const double denom = knots[i + degree + 1 - r] - knots[i];
          const double alpha = denom > 0 ? (t - knots[i]) / denom : 0;
          for (int q = 0; q < 4; ++q) d[j][q] = (1 - alpha) * d[j - 1][q] + alpha * d[j][q];
        }
      const auto& p = d[degree];
      if (p[3] != 0) points.push_back({p[0] / p[3], p[1] / p[3], p[2] / p[3]});
    }
  }
  return points.empty() ? controls : points;
}

}  // namespace

std::vector<Point3> splinePoints(const model::Object& spline) {
  if (auto points = sampleSpline(spline)) return *points;
  if (auto curve = fitPointCurve(spline)) {
    // About a thousandth of the curve's size.
    BoxBuilder box(identityMatrix());
    for (const CubicBezier& piece : *curve) box.bezier(piece);
    const Box b = box.result();
    return flattenBeziers(*curve, 1e-3 * length(subtract(b.max, b.min)));
  }
  const std::vector<Point3> fits = pointTags(spline.tags, 11);
  return fits.size() >= 2 ? fits : pointTags(spline.tags, 10);
}

void addSpline(const model::Object& spline, BoxBuilder& out) {
  if (auto points = sampleSpline(spline)) {
    for (const Point3& p : *points) out.point(p);
    return;
  }
  if (auto curve = fitPointCurve(spline)) {
    for (const CubicBezier& piece : *curve) out.bezier(piece);
    return;
  }
  for (const Point3& p : pointTags(spline.tags, 10)) out.point(p);
  for (const Point3& p : pointTags(spline.tags, 11)) out.point(p);
}

void addImage(const model::Object& image, BoxBuilder& out) {
  const Point3 origin = pointTag(image.tags, 10);
  const Point3 u = scale(pointTag(image.tags, 11), model::tagDouble(image.tags, 13, 1));
  const Point3 v = scale(pointTag(image.tags, 12), model::tagDouble(image.tags, 23, 1));
  out.point(origin);
  out.point(add(origin, u));
  out.point(add(origin, v));
  out.point(add(add(origin, u), v));
}

}  // namespace cadhost::geom
