#pragma once

// World extents of entities.

#include <functional>
#include <optional>
#include <string_view>

#include "cadhost/types.h"
#include "geom/box.h"
#include "model/drawing.h"

namespace cadhost::geom {

// What extents need from the drawing around an entity.
struct ExtentsContext {
  // The block definition of that name (names compare without regard to case), or nullptr.
  // Its base point is the BLOCK's 10/20/30. Used by INSERT, MINSERT and DIMENSION.
  std::function<const model::Block*(std::string_view name)> findBlock;
  // The width factor of the text style of that name, when known. Used for texts without 41.
  std::function<std::optional<double>(std::string_view style)> styleWidthFactor;
};

// The axis-aligned WCS box of an entity, or nullopt when it has no finite extent (3DSOLID,
// REGION, BODY, XLINE, RAY, a reference to an empty or missing block, an entity without
// points). Block references cover their block's entities (attribute definitions excluded)
// and their visible attributes; they recurse into nested references at most 16 levels deep
// and skip a block that is already being expanded, so a block that inserts itself cannot loop.
// Polyline widths do not count; an ATTDEF outside a block shows (and is boxed by) its tag.
std::optional<Box> extentsOf(const model::Object& entity, const ExtentsContext& ctx);

// The box of the entity after transforming it by `m` (exact for curves: arcs and ellipses are
// bounded through their extreme points, not their control boxes).
std::optional<Box> transformedExtentsOf(const model::Object& entity, const Matrix4& m,
                                        const ExtentsContext& ctx);

// The outline of curve-like entities (LINE, LWPOLYLINE, POLYLINE, ARC, CIRCLE, ELLIPSE) in
// WCS, as polylines whose arcs are split into short chords (every chord stays within 1e-4 of
// the radius of its arc). Empty for other types: they are tested by their box.
std::vector<std::vector<Point3>> outlineOf(const model::Object& entity);

}  // namespace cadhost::geom
