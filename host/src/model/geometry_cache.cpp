#include "model/geometry_cache.h"

#include <functional>

#include "model/document_core.h"
#include "model/tags.h"
#include "model/text_util.h"

namespace cadhost::detail {

GeometryCache::GeometryCache(DocumentCore& doc) : doc_(doc) {
  ctx_.findBlock = [this](std::string_view name) -> const model::Block* {
    auto it = blocksByName_.find(toUpper(name));
    return it == blocksByName_.end() ? nullptr : &doc_.dwg.blocks[it->second];
  };
  ctx_.blockBoxes = &blockBoxes_;
  ctx_.erasedInBlock = [this](const model::Block& block, std::size_t index) {
    const auto& blocks = doc_.dwg.blocks;
    const std::less<const model::Block*> before;
    if (blocks.empty() || before(&block, blocks.data()) ||
        !before(&block, blocks.data() + blocks.size()))
      return false;  // not a block of this drawing
    const auto b = static_cast<std::int32_t>(&block - blocks.data());
    return doc_.erased(b, static_cast<std::int32_t>(index));
  };
}

const geom::ExtentsContext& GeometryCache::context() {
  ensureBuilt();
  return ctx_;
}

void GeometryCache::entityChanged(std::int32_t index) {
  if (built_) dirty_.push_back(index);
}

void GeometryCache::ensureBuilt() {
  if (built_) {
    refresh();
    return;
  }
  blocksByName_.clear();
  blockBoxes_.clear();
  for (size_t b = 0; b < doc_.dwg.blocks.size(); ++b) {
    if (doc_.blockErased(static_cast<std::int32_t>(b))) continue;
    if (const model::Tag* t = model::findTag(doc_.dwg.blocks[b].begin.tags, 2))
      blocksByName_.emplace(toUpper(t->value), static_cast<std::int32_t>(b));
  }
  const auto& objs = doc_.dwg.entities;
  boxes_.assign(objs.size(), std::nullopt);
  index_.clear();
  index_.reserve(objs.size());
  dirty_.clear();
  built_ = true;
  for (size_t i = 0; i < objs.size(); ++i) rebox(static_cast<std::int32_t>(i));
}

void GeometryCache::refresh() {
  if (dirty_.empty()) return;
  std::vector<std::int32_t> dirty;
  dirty.swap(dirty_);
  for (std::int32_t i : dirty) rebox(i);
}

void GeometryCache::rebox(std::int32_t index) {
  const auto& objs = doc_.dwg.entities;
  if (boxes_.size() < objs.size()) boxes_.resize(objs.size());
  auto& slot = boxes_[index];
  slot.reset();
  index_.remove(static_cast<geom::SpatialIndex::Id>(index));
  if (doc_.paperSpace(index)) return;
  slot = geom::extentsOf(objs[index], ctx_);
  if (slot) index_.insert(static_cast<geom::SpatialIndex::Id>(index), *slot);
}

const std::optional<geom::Box>& GeometryCache::box(std::int32_t index) {
  ensureBuilt();
  return boxes_[index];
}

std::vector<std::uint32_t> GeometryCache::query(const geom::Box& area) {
  ensureBuilt();
  return index_.query(area);
}

geom::Box GeometryCache::visibleExtents() {
  ensureBuilt();
  geom::Box all;
  const auto& objs = doc_.dwg.entities;
  for (std::int32_t i : doc_.liveIndices(EntityRef::kModelSpace)) {
    const auto& b = boxes_[i];
    if (!b || doc_.paperSpace(i)) continue;
    const model::Tag* layer = model::findTag(objs[i].tags, 8);
    if (doc_.layerHidden(layer ? std::string_view(layer->value) : std::string_view("0"))) continue;
    all.extend(*b);
  }
  return all;
}

}  // namespace cadhost::detail
