#include "geom/polyline_band.h"

#include <algorithm>
#include <cmath>

#include "geom/matrix.h"

namespace cadhost::geom {

namespace {

// A mitre longer than this many half widths is cut off square (bevelled).
constexpr double kMiterLimit = 4.0;
constexpr int kMaxArcChords = 1440;

struct V2 {
  double x = 0, y = 0;
};
V2 operator+(V2 a, V2 b) {
  return {a.x + b.x, a.y + b.y};
}
V2 operator-(V2 a, V2 b) {
  return {a.x - b.x, a.y - b.y};
}
V2 operator*(V2 a, double f) {
  return {a.x * f, a.y * f};
}
double cross(V2 a, V2 b) {
  return a.x * b.y - a.y * b.x;
}
V2 left(V2 d) {
  return {-d.y, d.x};
}

// One segment's band and the directions in which it leaves its start and reaches its end.
struct SegmentBand {
  std::vector<V2> ring;
  V2 startDir, endDir;
  bool valid = false;
};

SegmentBand segmentBand(const PolylineVertex& from, const PolylineVertex& to, double tolerance) {
  SegmentBand out;
  const V2 a{from.p.x, from.p.y}, b{to.p.x, to.p.y};
  const double w0 = std::max(from.startWidth, 0.0) / 2, w1 = std::max(from.endWidth, 0.0) / 2;
  const V2 chord = b - a;
  const double len = std::hypot(chord.x, chord.y);
  if (!(len > 0) || !std::isfinite(len)) return out;
  out.valid = true;
  const auto arc = bulgeArc(from.p, to.p, from.bulge);
  if (!arc) {
    const V2 d = chord * (1 / len), n = left(d);
    out.startDir = out.endDir = d;
    out.ring = {a + n * w0, b + n * w1, b - n * w1, a - n * w0};
    return out;
  }
  const V2 c{arc->c.x, arc->c.y};
  const double r = length(arc->u);
  const double sweep = 4 * std::atan(from.bulge);  // signed: positive turns counter-clockwise
  const double start = std::atan2(a.y - c.y, a.x - c.x);
  const double outer = r + std::max(w0, w1);
  // Counted as a double: on a radius so large that the step is 0 it is infinite.
  double count = 1;
  if (tolerance > 0 && outer > tolerance)
    count = std::ceil(std::fabs(sweep) / (2 * std::acos(1 - tolerance / outer)));
  const int n = std::isnan(count)
                    ? 1
                    : static_cast<int>(std::clamp(count, 1.0, static_cast<double>(kMaxArcChords)));
  const double turn = sweep > 0 ? 1.0 : -1.0;
  std::vector<V2> far, near;
  for (int i = 0; i <= n; ++i) {
    const double f = static_cast<double>(i) / n;
    const double t = start + sweep * f, w = w0 + (w1 - w0) * f;
    const V2 radial{std::cos(t), std::sin(t)};
    far.push_back(c + radial * (r + w));
    near.push_back(c + radial * std::max(r - w, 0.0));
  }
  out.ring = far;
  out.ring.insert(out.ring.end(), near.rbegin(), near.rend());
  out.startDir = left(V2{std::cos(start), std::sin(start)}) * turn;
  out.endDir = left(V2{std::cos(start + sweep), std::sin(start + sweep)}) * turn;
  return out;
}

// The wedge that closes the outside of the corner at `v` between a band arriving along `d0`
// with half width h0 and one leaving along `d1` with half width h1; empty where the bands run
// straight on.
std::vector<V2> joinWedge(V2 v, V2 d0, double h0, V2 d1, double h1) {
  const double turn = cross(d0, d1);
  if (std::fabs(turn) < 1e-9) return {};
  // The outside of a left turn is the right side.
  const double side = turn > 0 ? -1.0 : 1.0;
  const V2 a = v + left(d0) * (h0 * side), b = v + left(d1) * (h1 * side);
  const double along = cross(b - a, d1) / turn;
  const V2 m = a + d0 * along;
  const V2 off = m - v;
  if (std::hypot(off.x, off.y) <= kMiterLimit * std::max(h0, h1) && along >= 0) return {v, a, m, b};
  return {v, a, b};
}

double signedArea(const std::vector<V2>& ring) {
  double s = 0;
  for (std::size_t i = 0; i < ring.size(); ++i) s += cross(ring[i], ring[(i + 1) % ring.size()]);
  return s / 2;
}

}  // namespace

bool hasWidth(const PolylineShape& shape) {
  if (!shape.flat || shape.vertices.size() < 2) return false;
  return std::any_of(shape.vertices.begin(), shape.vertices.end(),
                     [](const PolylineVertex& v) { return v.startWidth > 0 || v.endWidth > 0; });
}

std::vector<std::vector<Point3>> polylineBand(const PolylineShape& shape, double tolerance) {
  std::vector<std::vector<Point3>> out;
  if (!hasWidth(shape)) return out;
  const std::vector<PolylineVertex>& vs = shape.vertices;
  const double z = vs.front().p.z;
  auto emit = [&](const std::vector<V2>& ring) {
    const double area = signedArea(ring);
    if (!(std::fabs(area) > 0) || !std::isfinite(area)) return;
    std::vector<Point3> wcs;
    wcs.reserve(ring.size());
    for (const V2& p : ring) wcs.push_back(shape.ocs.toWcs({p.x, p.y, z}));
    if (area < 0) std::reverse(wcs.begin(), wcs.end());
    out.push_back(std::move(wcs));
  };
  const std::size_t count = shape.closed ? vs.size() : vs.size() - 1;
  std::vector<SegmentBand> bands;
  bands.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    bands.push_back(segmentBand(vs[i], vs[(i + 1) % vs.size()], tolerance));
    emit(bands.back().ring);
  }
  // Joins between consecutive segments that both have a width where they meet; zero-length
  // segments are passed over.
  const SegmentBand* previous = nullptr;
  std::size_t previousIndex = 0;
  auto join = [&](std::size_t i) {
    const SegmentBand& band = bands[i];
    if (!band.valid) return;
    if (previous) {
      const double h0 = vs[previousIndex].endWidth / 2, h1 = vs[i].startWidth / 2;
      if (h0 > 0 && h1 > 0) {
        const PolylineVertex& at = vs[i];
        emit(joinWedge({at.p.x, at.p.y}, previous->endDir, h0, band.startDir, h1));
      }
    }
    previous = &band;
    previousIndex = i;
  };
  for (std::size_t i = 0; i < bands.size(); ++i) join(i);
  if (shape.closed && !bands.empty()) {
    // The corner at the first vertex, where the last segment meets the first.
    for (std::size_t i = 0; i < bands.size(); ++i)
      if (bands[i].valid) {
        join(i);
        break;
      }
  }
  return out;
}

}  // namespace cadhost::geom
