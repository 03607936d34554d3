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

// Exact boxes of rotated references walk their block's expansion while it has at most this
// many entities and is at most this deep; beyond that the block's box is rotated instead.
constexpr std::uint64_t kExactExpansion = 4096;
constexpr std::size_t kMaxDepth = 16;
constexpr std::uint64_t kSaturated = std::uint64_t{1} << 60;

struct Walk {
  const ExtentsContext& ctx;
  BlockBoxes& boxes;
  std::vector<const model::Block*> open;  // blocks being walked exactly, outermost first
  bool exact = true;                      // false: references never walk their blocks
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

bool erasedInBlock(const ExtentsContext& ctx, const model::Block& block, std::size_t index) {
  return ctx.erasedInBlock && ctx.erasedInBlock(block, index);
}

bool referencesBlock(std::string_view type) {
  return type == "INSERT" || type == "MINSERT" || type == "DIMENSION" || type == "ARC_DIMENSION" ||
         type == "LARGE_RADIAL_DIMENSION";
}

// True when each axis of the result depends on one axis of the input only (translations,
// scales, mirrors, rotations by multiples of 90 degrees): the image of a box is then a box.
bool keepsAxes(const Matrix4& m) {
  for (int r = 0; r < 3; ++r) {
    const double a = std::fabs(m[r * 4]), b = std::fabs(m[r * 4 + 1]), c = std::fabs(m[r * 4 + 2]);
    const double tiny = 1e-12 * std::max({a, b, c});
    if ((a > tiny) + (b > tiny) + (c > tiny) > 1) return false;
  }
  return true;
}

Box transformedBox(const Box& b, const Matrix4& m) {
  Box out;
  if (b.isEmpty()) return out;
  for (int i = 0; i < 8; ++i)
    out.extend(transformPoint(m, {(i & 1) ? b.max.x : b.min.x, (i & 2) ? b.max.y : b.min.y,
                                  (i & 4) ? b.max.z : b.min.z}));
  return out;
}

// The block's entities (attribute definitions excluded) under the transform `m`: its cached
// box transformed, or, for a transform that turns the axes and a small block, its entities
// walked one by one.
Box blockContents(const model::Block& block, const Matrix4& m, Walk& walk) {
  if (isOpen(walk, &block)) return {};
  const BlockBoxes::Entry* entry = walk.boxes.entryFor(block, walk.ctx);
  if (!entry || entry->box.isEmpty()) return {};
  if (!walk.exact || keepsAxes(m) || entry->expanded > kExactExpansion ||
      walk.open.size() >= kMaxDepth)
    return transformedBox(entry->box, m);
  BoxBuilder inner(m);
  walk.open.push_back(&block);
  for (std::size_t i = 0; i < block.entities.size(); ++i)
    if (model::typeOf(block.entities[i]) != "ATTDEF" && !erasedInBlock(walk.ctx, block, i))
      addEntity(block.entities[i], inner, walk);
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
  if (auto corners = textCorners(e)) {
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

const BlockBoxes::Entry* BlockBoxes::entryFor(const model::Block& block,
                                              const ExtentsContext& ctx) {
  if (auto it = entries_.find(&block); it != entries_.end())
    return it->second.done ? &it->second : nullptr;
  // Depth first over the blocks that references name, each computed once all it references
  // are; a block met again while still open is a cycle and left out.
  struct Open {
    const model::Block* block;
    std::size_t next;
  };
  std::vector<Open> stack{{&block, 0}};
  entries_[&block];
  while (!stack.empty()) {
    const model::Block* current = stack.back().block;
    std::size_t& next = stack.back().next;
    const model::Block* child = nullptr;
    while (!child && next < current->entities.size()) {
      const model::Object& e = current->entities[next++];
      if (!referencesBlock(model::typeOf(e)) || !ctx.findBlock) continue;
      const model::Tag* name = model::findTag(e.tags, 2);
      const model::Block* named = name ? ctx.findBlock(name->value) : nullptr;
      if (named && !entries_.contains(named)) child = named;
    }
    if (child) {
      entries_[child];
      stack.push_back({child, 0});
      continue;
    }
    compute(*current, entries_[current], ctx);
    stack.pop_back();
  }
  return &entries_[&block];
}

void BlockBoxes::compute(const model::Block& block, Entry& entry, const ExtentsContext& ctx) {
  Walk walk{ctx, *this, {}};
  BoxBuilder out(identityMatrix());
  std::uint64_t expanded = 0;
  for (std::size_t i = 0; i < block.entities.size(); ++i) {
    const model::Object& child = block.entities[i];
    const std::string_view type = model::typeOf(child);
    if (type == "ATTDEF" || erasedInBlock(ctx, block, i)) continue;
    addEntity(child, out, walk);
    expanded += 1 + child.subs.size();
    if (referencesBlock(type))
      if (const model::Block* named = findBlock(walk, child))
        if (auto it = entries_.find(named); it != entries_.end() && it->second.done)
          expanded += it->second.expanded;
    expanded = std::min(expanded, kSaturated);
  }
  entry.box = out.result();
  entry.expanded = expanded;
  entry.done = true;
}

std::optional<Box> transformedExtentsOf(const model::Object& entity, const Matrix4& m,
                                        const ExtentsContext& ctx) {
  BlockBoxes local;
  Walk walk{ctx, ctx.blockBoxes ? *ctx.blockBoxes : local, {}};
  BoxBuilder out(m);
  addEntity(entity, out, walk);
  return finish(out.result());
}

std::optional<Box> boundsOf(const model::Object& entity, const Matrix4& m,
                            const ExtentsContext& ctx) {
  BlockBoxes local;
  Walk walk{ctx, ctx.blockBoxes ? *ctx.blockBoxes : local, {}, false};
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
