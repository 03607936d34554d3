#include "geom/transform.h"

#include <cmath>
#include <cstdint>
#include <deque>
#include <mutex>
#include <numbers>
#include <string>

#include "cadhost/host_error.h"
#include "geom/curves.h"
#include "geom/matrix.h"
#include "geom/tag_editor.h"
#include "model/tags.h"

namespace cadhost::geom {

namespace {

constexpr double kDegree = std::numbers::pi / 180.0;
constexpr double kTwoPi = 2 * std::numbers::pi;
constexpr double kShapeTolerance = 1e-9;

// p -> pivot + L (p - pivot) + t, with L and t the linear part and translation of `m`. A
// rotation about a point keeps that point exactly where it was.
struct Affine {
  Matrix4 m;
  Point3 pivot;

  Point3 point(const Point3& p) const { return add(pivot, transformPoint(m, subtract(p, pivot))); }
  Point3 vector(const Point3& v) const { return transformVector(m, v); }
  double determinant() const { return linearDeterminant(m); }
};

// Thrown inside this file when an entity cannot follow a transform; transformEntity turns it
// into a HostError that names the entity.
struct CannotTransform {
  std::string why;
};

[[noreturn]] void unsupported(const std::string& why) {
  throw CannotTransform{why};
}

double degrees(double radians) {
  double d = std::fmod(radians / kDegree, 360.0);
  if (d < 0) d += 360.0;
  if (d >= 360.0) d -= 360.0;
  return d;
}

// What a linear map does to a plane spanned by the unit axes ax, ay (normal az).
struct PlaneMap {
  Point3 x, y;      // images of ax and ay
  Point3 normal;    // unit normal of the image plane, kept on the side of L * az
  bool mirrored;    // the image runs clockwise seen from `normal`
  double xScale;    // |x|
  double yScale;    // height of y above x's line
  bool similar;     // x and y orthogonal and of equal length
  bool orthogonal;  // x and y orthogonal
};

PlaneMap mapPlane(const Affine& m, const Point3& ax, const Point3& ay) {
  PlaneMap p;
  p.x = m.vector(ax);
  p.y = m.vector(ay);
  const Point3 n = cross(p.x, p.y);
  p.mirrored = m.determinant() < 0;
  p.normal = normalized(p.mirrored ? scale(n, -1) : n);
  p.xScale = length(p.x);
  p.yScale = p.xScale > 0 ? length(n) / p.xScale : 0;
  const double size = std::max(p.xScale, length(p.y));
  p.orthogonal = std::fabs(dot(p.x, p.y)) <= kShapeTolerance * size * size;
  p.similar = p.orthogonal && std::fabs(p.xScale - length(p.y)) <= kShapeTolerance * size;
  if (length(n) == 0) unsupported("the transform flattens the entity's plane");
  return p;
}

// The angle of the WCS direction d in the XY plane of `ocs`.
double angleIn(const Ocs& ocs, const Point3& d) {
  return std::atan2(dot(d, ocs.ay), dot(d, ocs.ax));
}

Point3 mapOcsPoint(const Affine& m, const Ocs& from, const Ocs& to, const Point3& p) {
  return to.fromWcs(m.point(from.toWcs(p)));
}

void transformWcsPoints(model::Object& e, const Affine& m, std::initializer_list<int> codes) {
  for (int code : codes) rewritePoints(e.tags, code, [&](const Point3& p) { return m.point(p); });
}

void transformUnitVector(model::Tags& tags, int code, const Affine& m) {
  rewritePoints(tags, code, [&](const Point3& v) {
    const Point3 w = m.vector(v);
    return length(v) > 0 && std::fabs(length(v) - 1) < 1e-6 ? normalized(w) : w;
  });
}

void transformNormal(model::Tags& tags, const Affine& m) {
  patchExtrusion(tags, normalized(m.vector(extrusionOf(tags))));
}

// Points of an OCS entity and its new extrusion.
struct OcsChange {
  Ocs from, to;
  PlaneMap plane;
};

OcsChange changeOcs(model::Object& e, const Affine& m) {
  OcsChange c;
  c.from = Ocs::fromExtrusion(extrusionOf(e.tags));
  c.plane = mapPlane(m, c.from.ax, c.from.ay);
  c.to = Ocs::fromExtrusion(c.plane.normal);
  return c;
}

// The entity's own frame, turned by its rotation (group 50, degrees) in its OCS, and what the
// transform makes of it.
OcsChange mapRotatedFrame(const model::Object& e, const Affine& m) {
  OcsChange c;
  c.from = Ocs::fromExtrusion(extrusionOf(e.tags));
  const double r = model::tagDouble(e.tags, 50) * kDegree;
  c.plane = mapPlane(m, c.from.toWcs({std::cos(r), std::sin(r), 0}),
                     c.from.toWcs({-std::sin(r), std::cos(r), 0}));
  c.to = Ocs::fromExtrusion(c.plane.normal);
  return c;
}

void transformSolid(model::Object& e, const Affine& m) {
  const OcsChange c = changeOcs(e, m);
  for (int code : {10, 11, 12, 13})
    rewritePoints(e.tags, code, [&](const Point3& p) { return mapOcsPoint(m, c.from, c.to, p); });
  patchExtrusion(e.tags, c.plane.normal);
}

void scaleNumbers(model::Tags& tags, std::initializer_list<int> codes, double factor) {
  for (model::Tag& t : tags)
    for (int code : codes)
      if (t.code == code) patchNumber(t, model::parseDouble(t.value).value_or(0) * factor);
}

bool hasBulges(const model::Tags& tags) {
  for (const model::Tag& t : tags)
    if (t.code == 42 && model::parseDouble(t.value).value_or(0) != 0) return true;
  return false;
}

void negateBulges(model::Tags& tags) {
  for (model::Tag& t : tags)
    if (t.code == 42) patchNumber(t, -model::parseDouble(t.value).value_or(0));
}

void transformLwpolyline(model::Object& e, const Affine& m) {
  const OcsChange c = changeOcs(e, m);
  if (!c.plane.similar && hasBulges(e.tags))
    unsupported("arc segments cannot follow unequal scaling");
  const double elevation = model::tagDouble(e.tags, 38);
  double newElevation = elevation;
  bool first = true;
  rewritePoints(
      e.tags, 10,
      [&](const Point3& p) {
        Point3 q = mapOcsPoint(m, c.from, c.to, {p.x, p.y, elevation});
        if (first) newElevation = q.z;
        first = false;
        q.z = 0;
        return q;
      },
      0);
  patchNumberCode(e.tags, 38, newElevation, 0);
  if (c.plane.mirrored) negateBulges(e.tags);
  scaleNumbers(e.tags, {40, 41, 43}, std::sqrt(c.plane.xScale * c.plane.yScale));
  patchExtrusion(e.tags, c.plane.normal);
}

void transformPolyline(model::Object& e, const Affine& m) {
  const long long flags = model::tagInt(e.tags, 70);
  if (flags & (8 | 16 | 64)) {
    for (model::Object& v : e.subs)
      if (model::typeOf(v) == "VERTEX") {
        const long long vf = model::tagInt(v.tags, 70);
        if (!((vf & 128) && !(vf & 64))) transformWcsPoints(v, m, {10});
      }
    return;
  }
  const OcsChange c = changeOcs(e, m);
  bool bulges = false;
  for (const model::Object& v : e.subs) bulges = bulges || hasBulges(v.tags);
  if (!c.plane.similar && bulges) unsupported("arc segments cannot follow unequal scaling");
  const double elevation = model::tagDouble(e.tags, 30);
  // The new elevation: where the old plane's origin point lands.
  const double newElevation = mapOcsPoint(m, c.from, c.to, {0, 0, elevation}).z;
  const double widthScale = std::sqrt(c.plane.xScale * c.plane.yScale);
  for (model::Object& v : e.subs) {
    if (model::typeOf(v) != "VERTEX") continue;
    rewritePoints(v.tags, 10, [&](const Point3& p) {
      Point3 q = mapOcsPoint(m, c.from, c.to, {p.x, p.y, elevation});
      q.z = p.z == 0 ? 0 : newElevation;
      return q;
    });
    if (c.plane.mirrored) negateBulges(v.tags);
    scaleNumbers(v.tags, {40, 41}, widthScale);
  }
  rewritePoints(e.tags, 10, [&](const Point3& p) { return Point3{p.x, p.y, newElevation}; });
  scaleNumbers(e.tags, {40, 41}, widthScale);
  patchExtrusion(e.tags, c.plane.normal);
}

void transformCircular(model::Object& e, const Affine& m) {
  const OcsChange c = changeOcs(e, m);
  if (!c.plane.similar) unsupported("a circle cannot follow unequal scaling");
  rewritePoints(e.tags, 10, [&](const Point3& p) { return mapOcsPoint(m, c.from, c.to, p); });
  scaleNumbers(e.tags, {40}, c.plane.xScale);
  if (model::typeOf(e) == "ARC") {
    auto mapAngle = [&](double deg) {
      const double a = deg * kDegree;
      const Point3 d = m.vector(add(scale(c.from.ax, std::cos(a)), scale(c.from.ay, std::sin(a))));
      return degrees(angleIn(c.to, d));
    };
    double start = mapAngle(model::tagDouble(e.tags, 50));
    double end = mapAngle(model::tagDouble(e.tags, 51));
    if (c.plane.mirrored) std::swap(start, end);
    patchNumberCode(e.tags, 50, start, 0);
    patchNumberCode(e.tags, 51, end, 0);
  }
  patchExtrusion(e.tags, c.plane.normal);
}

void transformEllipse(model::Object& e, const Affine& m) {
  const Point3 n = normalized(extrusionOf(e.tags));
  const Point3 major = pointTag(e.tags, 11);
  const double ratio = model::tagDouble(e.tags, 40, 1);
  const Point3 u = m.vector(major);
  const Point3 v = m.vector(scale(cross(n, major), ratio));
  const PlaneMap plane = mapPlane(m, normalized(major), normalized(cross(n, major)));
  // Principal axes of the image: where |u cos t + v sin t| is largest.
  const double t0 = 0.5 * std::atan2(2 * dot(u, v), dot(u, u) - dot(v, v));
  const Point3 newMajor = add(scale(u, std::cos(t0)), scale(v, std::sin(t0)));
  const Point3 newMinor = add(scale(u, -std::sin(t0)), scale(v, std::cos(t0)));
  const double majorLength = length(newMajor);
  if (majorLength == 0) unsupported("the transform collapses the ellipse");
  const double start = model::tagDouble(e.tags, 41, 0), end = model::tagDouble(e.tags, 42, kTwoPi);
  const bool full = std::fabs(end - start - kTwoPi) < 1e-12 || start == end;
  const bool reversed = dot(cross(newMajor, newMinor), plane.normal) < 0;
  double s = reversed ? -(end - t0) : start - t0;
  double span = end - start;
  if (span <= 0) span += kTwoPi;
  s = normalizeFrom(s, 0);

  rewritePoints(e.tags, 10, [&](const Point3& p) { return m.point(p); });
  rewritePoints(e.tags, 11, [&](const Point3&) { return newMajor; });
  patchNumberCode(e.tags, 40, std::min(1.0, length(newMinor) / majorLength), 1);
  if (!full) {
    patchNumberCode(e.tags, 41, s, 0);
    patchNumberCode(e.tags, 42, s + span, kTwoPi);
  }
  patchExtrusion(e.tags, plane.normal);
}

void transformSpline(model::Object& e, const Affine& m) {
  transformWcsPoints(e, m, {10, 11});
  for (int code : {12, 13}) transformUnitVector(e.tags, code, m);
  if (model::findTag(e.tags, 210)) transformNormal(e.tags, m);
}

// TEXT, ATTDEF and ATTRIB (their own tags, before an embedded multi-line text).
void transformSingleLineText(model::Object& e, const Affine& m) {
  const auto [from, to, plane] = mapRotatedFrame(e, m);
  // Structured bindings reach the lambdas through init-captures, which older clang needs.
  for (int code : {10, 11})
    rewritePoints(e.tags, code,
                  [&m, &f = from, &t = to](const Point3& p) { return mapOcsPoint(m, f, t, p); });
  patchNumberCode(e.tags, 50, degrees(angleIn(to, plane.x)), 0);
  patchNumberCode(e.tags, 40, model::tagDouble(e.tags, 40) * plane.yScale, 0);
  if (std::fabs(plane.xScale - plane.yScale) > kShapeTolerance * plane.xScale)
    patchNumberCode(e.tags, 41, model::tagDouble(e.tags, 41, 1) * plane.xScale / plane.yScale, 1);
  // A mirrored text keeps its reading direction along the image of its baseline and turns
  // upside down.
  if (plane.mirrored) patchIntegerCode(e.tags, 71, model::tagInt(e.tags, 71) ^ 4, 0);
  patchExtrusion(e.tags, plane.normal);
}

void transformText(model::Object& e, const Affine& m) {
  const std::size_t own = embeddedObjectStart(e.tags);
  if (own == e.tags.size()) return transformSingleLineText(e, m);
  model::Object head;
  head.tags.assign(e.tags.begin(), e.tags.begin() + static_cast<std::ptrdiff_t>(own));
  model::Tags embedded(e.tags.begin() + static_cast<std::ptrdiff_t>(own), e.tags.end());
  transformSingleLineText(head, m);
  // The embedded text: insertion point (WCS), direction, heights and width.
  const Point3 x = m.vector({1, 0, 0}), y = m.vector({0, 1, 0});
  rewritePoints(embedded, 10, [&](const Point3& p) { return m.point(p); });
  transformUnitVector(embedded, 11, m);
  scaleNumbers(embedded, {40, 46}, length(y));
  scaleNumbers(embedded, {41}, length(x));
  e.tags = std::move(head.tags);
  e.tags.insert(e.tags.end(), embedded.begin(), embedded.end());
}

void transformMText(model::Object& e, const Affine& m) {
  const Point3 n = normalized(extrusionOf(e.tags));
  const Ocs from = Ocs::fromExtrusion(n);
  const bool hasDirection = model::findTag(e.tags, 11) && length(pointTag(e.tags, 11)) > 0;
  const Point3 dx = hasDirection
                        ? normalized(pointTag(e.tags, 11))
                        : from.toWcs({std::cos(model::tagDouble(e.tags, 50) * kDegree),
                                      std::sin(model::tagDouble(e.tags, 50) * kDegree), 0});
  const PlaneMap plane = mapPlane(m, dx, cross(n, dx));
  Point3 direction = normalized(plane.x);
  long long attach = model::tagInt(e.tags, 71, 1);
  if (attach < 1 || attach > 9) attach = 1;
  if (plane.mirrored) {
    // MTEXT cannot be mirrored: keep it readable and mirror where it hangs from its point,
    // either left-right (reading direction reversed) or top-bottom, whichever reads upright.
    const Point3 reversed = scale(direction, -1);
    const Ocs to = Ocs::fromExtrusion(plane.normal);
    const double a1 = std::fabs(angleIn(to, reversed)), a2 = std::fabs(angleIn(to, direction));
    const long long column = (attach - 1) % 3, row = (attach - 1) / 3;
    if (a1 <= a2) {
      direction = reversed;
      attach = row * 3 + (2 - column) + 1;
    } else {
      attach = (2 - row) * 3 + column + 1;
    }
    patchIntegerCode(e.tags, 71, attach, 1);
  }
  transformWcsPoints(e, m, {10});
  const Ocs to = Ocs::fromExtrusion(plane.normal);
  if (hasDirection) rewritePoints(e.tags, 11, [&](const Point3&) { return direction; });
  if (model::findTag(e.tags, 50) || !hasDirection)
    patchNumberCode(e.tags, 50, degrees(angleIn(to, direction)), 0);
  scaleNumbers(e.tags, {40, 46}, plane.yScale);
  scaleNumbers(e.tags, {41}, plane.xScale);
  patchExtrusion(e.tags, plane.normal);
}

void transformInsert(model::Object& e, const Affine& m) {
  const auto [from, to, plane] = mapRotatedFrame(e, m);
  if (!plane.orthogonal) unsupported("a block reference cannot be sheared");
  rewritePoints(e.tags, 10,
                [&m, &f = from, &t = to](const Point3& p) { return mapOcsPoint(m, f, t, p); });
  patchNumberCode(e.tags, 50, degrees(angleIn(to, plane.x)), 0);
  const double zScale = dot(m.vector(from.az), plane.normal);
  patchNumberCode(e.tags, 41, model::tagDouble(e.tags, 41, 1) * plane.xScale, 1);
  patchNumberCode(e.tags, 42,
                  model::tagDouble(e.tags, 42, 1) * plane.yScale * (plane.mirrored ? -1 : 1), 1);
  patchNumberCode(e.tags, 43, model::tagDouble(e.tags, 43, 1) * std::fabs(zScale), 1);
  if (model::findTag(e.tags, 44)) scaleNumbers(e.tags, {44}, plane.xScale);
  if (model::findTag(e.tags, 45)) scaleNumbers(e.tags, {45}, plane.yScale);
  patchExtrusion(e.tags, plane.normal);
  for (model::Object& sub : e.subs)
    if (model::typeOf(sub) == "ATTRIB") transformText(sub, m);
}

void transformOne(model::Object& e, const Affine& m) {
  const std::string_view type = model::typeOf(e);
  if (type == "LINE" || type == "POINT") {
    transformWcsPoints(e, m, {10, 11});
    if (model::findTag(e.tags, 210)) transformNormal(e.tags, m);
  } else if (type == "3DFACE") {
    transformWcsPoints(e, m, {10, 11, 12, 13});
  } else if (type == "SOLID" || type == "TRACE") {
    transformSolid(e, m);
  } else if (type == "LWPOLYLINE") {
    transformLwpolyline(e, m);
  } else if (type == "POLYLINE") {
    transformPolyline(e, m);
  } else if (type == "CIRCLE" || type == "ARC") {
    transformCircular(e, m);
  } else if (type == "ELLIPSE") {
    transformEllipse(e, m);
  } else if (type == "SPLINE") {
    transformSpline(e, m);
  } else if (type == "TEXT" || type == "ATTDEF" || type == "ATTRIB") {
    transformText(e, m);
  } else if (type == "MTEXT") {
    transformMText(e, m);
  } else if (type == "INSERT") {
    transformInsert(e, m);
  } else if (type == "IMAGE" || type == "WIPEOUT") {
    transformWcsPoints(e, m, {10});
    for (int code : {11, 12})
      rewritePoints(e.tags, code, [&](const Point3& v) { return m.vector(v); });
  } else if (type == "LEADER") {
    transformWcsPoints(e, m, {10});
    transformUnitVector(e.tags, 211, m);
    for (int code : {212, 213})
      rewritePoints(e.tags, code, [&](const Point3& v) { return m.vector(v); });
    if (model::findTag(e.tags, 210)) transformNormal(e.tags, m);
  } else if (type == "RAY" || type == "XLINE") {
    transformWcsPoints(e, m, {10});
    transformUnitVector(e.tags, 11, m);
  } else {
    unsupported("the type is not transformable");
  }
}

// ---- exact undo of a rotation ----

// FNV-1a over the codes and texts of an object and its sub-entities.
std::uint64_t hashOf(const model::Object& o, std::uint64_t h = 1469598103934665603ull) {
  auto mix = [&h](const void* data, std::size_t n) {
    const auto* p = static_cast<const unsigned char*>(data);
    for (std::size_t i = 0; i < n; ++i) h = (h ^ p[i]) * 1099511628211ull;
  };
  for (const model::Tag& t : o.tags) {
    mix(&t.code, sizeof t.code);
    mix(t.value.data(), t.value.size());
    mix("\n", 1);
  }
  for (const model::Object& s : o.subs) h = hashOf(s, h);
  return h;
}

struct RotationRecord {
  std::uint64_t after;  // hash of the rotated entity
  Point3 base;
  double radians;
  model::Object before;  // the entity as it was before the rotation
};

constexpr std::size_t kMaxRecords = 65536;
std::mutex recordsMutex;
std::deque<RotationRecord> records;

// Transforms a copy, so that a refusal leaves the entity as it was.
void transformWith(model::Object& entity, const Affine& a) {
  for (double v : a.m)
    if (!std::isfinite(v))
      throw HostError(HostError::Refused, "transform: the matrix is not finite");
  if (!std::isfinite(a.pivot.x) || !std::isfinite(a.pivot.y) || !std::isfinite(a.pivot.z))
    throw HostError(HostError::Refused, "transform: the base point is not finite");
  model::Object copy = entity;
  try {
    transformOne(copy, a);
  } catch (const CannotTransform& e) {
    const std::string_view handle = model::handleOf(entity);
    throw HostError(HostError::Unsupported,
                    "cannot transform " + std::string(model::typeOf(entity)) +
                        (handle.empty() ? std::string() : " " + std::string(handle)) + ": " +
                        e.why);
  }
  entity = std::move(copy);
}

}  // namespace

void transformEntity(model::Object& entity, const Matrix4& m) {
  transformWith(entity, {m, {}});
}

void rotateEntity(model::Object& entity, const Point3& base, double radians) {
  const std::uint64_t current = hashOf(entity);
  {
    std::lock_guard lock(recordsMutex);
    for (auto it = records.rbegin(); it != records.rend(); ++it) {
      if (it->after == current && it->base == base && it->radians == -radians) {
        entity = std::move(it->before);
        records.erase(std::next(it).base());
        return;
      }
    }
  }
  model::Object before = entity;
  transformWith(entity, {rotationZMatrix(radians), base});
  if (radians == 0) return;
  std::lock_guard lock(recordsMutex);
  records.push_back({hashOf(entity), base, radians, std::move(before)});
  if (records.size() > kMaxRecords) records.pop_front();
}

Matrix4 insertMatrix(const model::Object& insert, const model::Block& block, int column, int row) {
  const Point3 base = pointTag(block.begin.tags, 10);
  const Ocs ocs = Ocs::fromExtrusion(extrusionOf(insert.tags));
  Matrix4 m = multiply(ocs.matrix(), translationMatrix(pointTag(insert.tags, 10)));
  m = multiply(m, rotationZMatrix(model::tagDouble(insert.tags, 50) * kDegree));
  if (column != 0 || row != 0)
    m = multiply(m, translationMatrix({column * model::tagDouble(insert.tags, 44),
                                       row * model::tagDouble(insert.tags, 45), 0}));
  m = multiply(
      m, scalingMatrix(model::tagDouble(insert.tags, 41, 1), model::tagDouble(insert.tags, 42, 1),
                       model::tagDouble(insert.tags, 43, 1)));
  return multiply(m, translationMatrix(scale(base, -1)));
}

}  // namespace cadhost::geom
