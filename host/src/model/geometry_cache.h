#pragma once

// The boxes of the model-space entities and the spatial index over them, built on first use
// and kept current: a changed or new model-space entity is re-boxed on the next query; a change
// to a block definition (which moves every reference to it) rebuilds everything, the boxes of
// the block definitions included.

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "geom/box.h"
#include "geom/extents.h"
#include "geom/spatial_index.h"

namespace cadhost::detail {

class DocumentCore;

class GeometryCache {
 public:
  explicit GeometryCache(DocumentCore& doc);

  void invalidate() {
    built_ = false;
    blockBoxes_.clear();
  }
  void entityChanged(std::int32_t index);

  // The box of a model-space entity; nullopt when it has no finite extent.
  const std::optional<geom::Box>& box(std::int32_t index);
  // Model-space entities whose boxes overlap `area`, in database order (may include erased
  // entities: callers check).
  std::vector<std::uint32_t> query(const geom::Box& area);
  // The extents context for any entity of the document (blocks by name, block boxes).
  const geom::ExtentsContext& context();
  // The union of the boxes of the live model-space entities on visible layers (empty box when
  // there are none).
  geom::Box visibleExtents();

 private:
  void ensureBuilt();
  void refresh();
  void rebox(std::int32_t index);

  DocumentCore& doc_;
  bool built_ = false;
  std::vector<std::optional<geom::Box>> boxes_;
  std::vector<std::int32_t> dirty_;
  geom::SpatialIndex index_;
  std::unordered_map<std::string, std::int32_t> blocksByName_;  // upper-case names
  geom::BlockBoxes blockBoxes_;
  geom::ExtentsContext ctx_;
};

}  // namespace cadhost::detail
