#include "geom/extents.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "geom/box_builder.h"
#include "geom/curves.h"
#include "geom/matrix.h"
#include "geom/raw_extents.h"
#include "geom/text_box.h"
#include "geom/transform.h"
#include "model/tags.h"

namespace cadhost::geom {

namespace {

constexpr int kMaxDepth = 16;
// Block entities visited for one box at the most: nested references multiply, and a drawing
// built to explode must not hang the host. Beyond it the box stays what it has so far.
constexpr long kMaxVisits = 20'000'000;

struct Walk {
  const ExtentsContext& ctx;
  std::vector<const model::Block*> open;  // blocks being expanded, outermost first
  long visits = 0;
};

void addEntity(const model::Object& e, BoxBuilder& out, Walk& walk);

bool isOpen(const Walk& walk, const model::Block* b) {
  for (const model::Block* o : walk.open)
    if (o == b) return true;
  return false;
}

const model::Block* findBlock(const Walk& walk, const model::Object& e) {
  const model::Tag* name = model::findTag(e.tags, 2);
  if (!name || !walk.ctx.findBlock) return nullptr;
  return walk.ctx.findBlock(name->value);
}

// The block's entities (attribute definitions excluded) under the transform `m`.
Box blockContents(const model::Block& block, const Matrix4& m, Walk& walk) {
  BoxBuilder inner(m);
  if (walk.open.size() >= kMaxDepth || isOpen(walk, &block)) return inner.result();
  walk.open.push_back(&block);
  for (const model::Object& child : block.entities) {
    if (++walk.visits > kMaxVisits) break;
    if (model::typeOf(child) != "ATTDEF") addEntity(child, inner, walk);
  }
  walk.open.pop_back();
  return inner.result();
}

void addInsert(const model::Object& e, BoxBuilder& out, Walk& walk) {
  if (const model::Block* block = findBlock(walk, e)) {
    const Matrix4 first = multiply(out.matrix(), insertMatrix(e, *block));
    const Box cell = blockContents(*block, first, walk);
    out.box(cell);
    // A MINSERT repeats the cell along two vectors; the union of the copies is bounded by the
    // copies at the corners of the array.
    const long long columns = model::tagInt(e.tags, 70, 1), rows = model::tagInt(e.tags, 71, 1);
    if (!cell.isEmpty() && (columns > 1 || rows > 1)) {
      const Point3 origin = transformPoint(first, {});
      const Point3 lastColumn = subtract(
          transformPoint(multiply(out.matrix(), insertMatrix(e, *block, columns - 1, 0)), {}),
          origin);
      const Point3 lastRow = subtract(
          transformPoint(multiply(out.matrix(), insertMatrix(e, *block, 0, rows - 1)), {}), origin);
      for (const Point3& shift : {lastColumn, lastRow, add(lastColumn, lastRow)}) {
        Box moved = cell;
        moved.min = add(moved.min, shift);
        moved.max = add(moved.max, shift);
        out.box(moved);
      }
    }
  }
  for (const model::Object& sub : e.subs)
    if (model::typeOf(sub) == "ATTRIB" && !(model::tagInt(sub.tags, 70) & 1))
      addEntity(sub, out, walk);
}

// The box of every point pair 10-18 / 20-28 (/ 30-38), skipping `skip` leading points. With
// `only`, just the points whose x code is listed (the others of the type are vectors).
void addPointTags(const model::Object& e, BoxBuilder& out, bool ocsPoints, int skip = 0,
                  std::initializer_list<int> only = {}) {
  const Ocs ocs = ocsPoints ? Ocs::fromExtrusion(extrusionOf(e.tags)) : Ocs{};
  const model::Tags& tags = e.tags;
  for (std::size_t i = 0; i < tags.size(); ++i) {
    const int code = tags[i].code;
    if (code < 10 || code > 18) continue;
    if (only.size() != 0 && std::find(only.begin(), only.end(), code) == only.end()) continue;
    if (i + 1 >= tags.size() || tags[i + 1].code != code + 10) continue;
    Point3 p{model::parseDouble(tags[i].value).value_or(0),
             model::parseDouble(tags[i + 1].value).value_or(0), 0};
    ++i;
    if (i + 1 < tags.size() && tags[i + 1].code == code + 20)
      p.z = model::parseDouble(tags[++i].value).value_or(0);
    if (skip > 0) {
      --skip;
      continue;
    }
    out.point(ocs.toWcs(p));
  }
}

void addEntity(const model::Object& e, BoxBuilder& out, Walk& walk) {
  const std::string_view type = model::typeOf(e);
  if (auto pieces = curvePieces(e)) {
    for (const CurvePiece& p : *pieces) out.piece(p);
    return;
  }
  if (auto corners = textCorners(e, walk.ctx)) {
    for (const Point3& p : *corners) out.point(p);
    return;
  }
  if (type == "INSERT" || type == "MINSERT") return addInsert(e, out, walk);
  if (type == "XLINE" || type == "RAY" || type == "3DSOLID" || type == "REGION" || type == "BODY" ||
      type == "SEQEND")
    return;
  if (type == "DIMENSION" || type == "ARC_DIMENSION" || type == "LARGE_RADIAL_DIMENSION") {
    // The dimension's picture is its anonymous block, drawn in world coordinates.
    if (const model::Block* block = findBlock(walk, e)) {
      const Box b = blockContents(*block, out.matrix(), walk);
      if (!b.isEmpty()) return out.box(b);
    }
    return addPointTags(e, out, false);
  }
  if (type == "HATCH" || type == "MPOLYGON") {
    if (addHatchBoundary(e, out)) return;
    // The first point is the elevation point, not part of the boundary.
    return addPointTags(e, out, true, 1);
  }
  if (type == "SPLINE") return addSpline(e, out);
  if (type == "IMAGE" || type == "WIPEOUT") return addImage(e, out);
  if (type == "POINT" || type == "LEADER" || type == "MLINE" || type == "3DFACE")
    return addPointTags(e, out, false);
  if (type == "TOLERANCE" || type.ends_with("UNDERLAY")) return out.point(pointTag(e.tags, 10));
  if (type == "MULTILEADER" || type == "MLEADER")
    return addPointTags(e, out, false, 0, {10, 12, 15});
  if (type == "HELIX") return addPointTags(e, out, false, 0, {10, 11});
  if (type == "VIEWPORT") {
    const Point3 c = pointTag(e.tags, 10);
    const double w = model::tagDouble(e.tags, 40) / 2, h = model::tagDouble(e.tags, 41) / 2;
    out.point({c.x - w, c.y - h, c.z});
    out.point({c.x + w, c.y + h, c.z});
    return;
  }
  // Anything else (SOLID, TRACE, SHAPE, OLE2FRAME, unknown types): its point groups, in its
  // OCS when it has an extrusion direction.
  addPointTags(e, out, model::findTag(e.tags, 210) != nullptr);
}

std::optional<Box> finish(const Box& b) {
  if (b.isEmpty() || !std::isfinite(b.min.x) || !std::isfinite(b.min.y) ||
      !std::isfinite(b.min.z) || !std::isfinite(b.max.x) || !std::isfinite(b.max.y) ||
      !std::isfinite(b.max.z))
    return std::nullopt;
  return b;
}

}  // namespace

std::optional<Box> extentsOf(const model::Object& entity, const ExtentsContext& ctx) {
  return transformedExtentsOf(entity, identityMatrix(), ctx);
}

std::optional<Box> transformedExtentsOf(const model::Object& entity, const Matrix4& m,
                                        const ExtentsContext& ctx) {
  Walk walk{ctx, {}};
  BoxBuilder out(m);
  addEntity(entity, out, walk);
  return finish(out.result());
}

std::vector<std::vector<Point3>> outlineOf(const model::Object& entity) {
  std::vector<std::vector<Point3>> out;
  if (auto pieces = curvePieces(entity))
    for (const CurvePiece& p : *pieces) out.push_back(flatten(p));
  return out;
}

}  // namespace cadhost::geom
