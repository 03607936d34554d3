#pragma once

// World extents of entities.

#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>
#include <unordered_map>

#include "cadhost/types.h"
#include "geom/box.h"
#include "model/drawing.h"

namespace cadhost::geom {

class BlockBoxes;

// What extents need from the drawing around an entity.
struct ExtentsContext {
  // The block definition of that name (names compare without regard to case), or nullptr.
  // Its base point is the BLOCK's 10/20/30. Used by INSERT, MINSERT and DIMENSION.
  std::function<const model::Block*(std::string_view name)> findBlock;
  // Whether the entity at that index of a block definition was erased (erased entities take
  // no part in the block); unset when none is.
  std::function<bool(const model::Block& block, std::size_t index)> erasedInBlock;
  // The boxes of the blocks, kept between calls; without it each call computes the boxes of
  // the blocks it meets afresh.
  BlockBoxes* blockBoxes = nullptr;
};

// The box of each block definition in its own coordinates (its entities less attribute
// definitions), computed once from its entities and the boxes of the blocks it references:
// boxing a reference then costs its block's box and transform, not the block's expansion, so
// the extents of a drawing cost time in proportion to its stored entities. The owner clears
// it whenever a block definition changes (which can change every block that references it).
class BlockBoxes {
 public:
  struct Entry {
    Box box;
    // Entities that a full expansion of the block visits (saturating).
    std::uint64_t expanded = 0;
    bool done = false;
  };

  void clear() { entries_.clear(); }
  // The entry of `block`, computed (with the blocks it references, leaves first, without
  // recursion) when missing. nullptr for a block whose box is being computed, that is a block
  // that references itself through others: that reference adds nothing.
  const Entry* entryFor(const model::Block& block, const ExtentsContext& ctx);

 private:
  void compute(const model::Block& block, Entry& entry, const ExtentsContext& ctx);

  std::unordered_map<const model::Block*, Entry> entries_;
};

// The axis-aligned WCS box of an entity, or nullopt when it has no finite extent (3DSOLID,
// REGION, BODY, XLINE, RAY, a reference to an empty or missing block, an entity without
// points). Block references cover their block's entities (attribute definitions excluded)
// and their visible attributes; a block that inserts itself adds nothing the second time.
// A reference's box is exact when its transform keeps the axes (any insertion point and
// scales, rotations by multiples of 90 degrees) and when its block expands to at most a few
// thousand entities; a reference rotated otherwise to a larger block gets the box of its
// block's rotated box, which holds the exact box and exceeds it by at most the rotation's
// growth of a box (a factor of up to 1.41 on each side at 45 degrees).
// Polyline widths do not count; an ATTDEF outside a block shows (and is boxed by) its tag.
std::optional<Box> extentsOf(const model::Object& entity, const ExtentsContext& ctx);

// The box of the entity after transforming it by `m` (exact for curves: arcs and ellipses are
// bounded through their extreme points, not their control boxes).
std::optional<Box> transformedExtentsOf(const model::Object& entity, const Matrix4& m,
                                        const ExtentsContext& ctx);

// A box that holds the entity after transforming it by `m`, for pruning: as
// transformedExtentsOf, but a block reference always takes its block's box under the
// transform (never walks the block), so it costs the same for every block.
std::optional<Box> boundsOf(const model::Object& entity, const Matrix4& m,
                            const ExtentsContext& ctx);

// The outline of curve-like entities (LINE, LWPOLYLINE, POLYLINE, ARC, CIRCLE, ELLIPSE) in
// WCS, as polylines whose arcs are split into short chords (every chord stays within 1e-4 of
// the radius of its arc). Empty for other types: they are tested by their box.
std::vector<std::vector<Point3>> outlineOf(const model::Object& entity);

}  // namespace cadhost::geom
