#pragma once

// Selection filters: a list of (group code, value) entries evaluated against an entity.
//
// Entries at the top level are ANDed. Code -4 opens and closes groups: "<and" ... "and>",
// "<or" ... "or>", "<not" ... "not>" (exactly one operand), "<xor" ... "xor>" (exactly two);
// groups nest. An empty AND group is true, an empty OR group is false (selects nothing).
//
// Codes:
//   0   the entity type ("POLYLINE" covers 2D, 3D and mesh polylines, "INSERT" covers MINSERT)
//   1   the text contents; for MTEXT the 3-chunks followed by the 1
//   50  the rotation in degrees as stored (missing: 0; MTEXT without 50: the angle of its
//       direction 11/21), compared with the filter's number within 1e-6 degrees, modulo 360
//   any other code: true when some tag with that code matches; a missing code fails, except
//       the groups DXF omits at their default: 62 (colour, 256 = BYLAYER), 6 (line type,
//       "BYLAYER") and 67 (space, 0 = model space)
// String values are wildcard patterns (see wildcard.h); numbers compare numerically with the
// tag's number; a point value compares with the tag's x and the following 20+/30+ codes.

#include <memory>
#include <vector>

#include "cadhost/types.h"
#include "model/drawing.h"

namespace cadhost::geom {

class CompiledFilter {
 public:
  // An empty filter matches every entity. Throws HostError(Refused) for an unbalanced or
  // unknown -4 group, a -4 value that is not text, or a NOT / XOR with the wrong operand count.
  explicit CompiledFilter(const Filter& filter);
  ~CompiledFilter();
  CompiledFilter(CompiledFilter&&) noexcept;
  CompiledFilter& operator=(CompiledFilter&&) noexcept;

  bool matches(const model::Object& entity) const;
  bool empty() const;

  struct Node;

 private:
  std::unique_ptr<Node> root_;
};

// One-off evaluation; prefer CompiledFilter when testing many entities.
bool filterMatches(const Filter& filter, const model::Object& entity);

}  // namespace cadhost::geom
