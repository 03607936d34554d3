#include "geom/spatial_index.h"

namespace cadhost::geom {

void SpatialIndex::insert(Id id, const Box& box) {
  if (id >= slots_.size()) slots_.resize(id + 1);
  if (!slots_[id].present) ++count_;
  slots_[id].box = box;
  slots_[id].present = true;
}
void SpatialIndex::remove(Id id) {
  if (id < slots_.size() && slots_[id].present) {
    slots_[id].present = false;
    --count_;
  }
}
void SpatialIndex::clear() {
  slots_.clear();
  count_ = 0;
}
std::vector<SpatialIndex::Id> SpatialIndex::query(const Box& area) const {
  std::vector<Id> out;
  for (Id i = 0; i < slots_.size(); ++i)
    if (slots_[i].present && slots_[i].box.overlapsXY(area)) out.push_back(i);
  return out;
}

}  // namespace cadhost::geom
