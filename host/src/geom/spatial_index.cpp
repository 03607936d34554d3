#include "geom/spatial_index.h"

#include <algorithm>
#include <cmath>

namespace cadhost::geom {

namespace {
// A box that covers more cells than this goes to the list that every query scans.
constexpr long kMaxCellsPerBox = 64;
constexpr std::size_t kMaxCells = std::size_t{1} << 20;
}  // namespace

void SpatialIndex::insert(Id id, const Box& box) {
  if (box.isEmpty()) return remove(id);
  if (id >= slots_.size()) slots_.resize(static_cast<std::size_t>(id) + 1);
  Slot& slot = slots_[id];
  if (slot.present)
    unplace(id);
  else
    ++count_;
  slot.x0 = box.min.x;
  slot.y0 = box.min.y;
  slot.x1 = box.max.x;
  slot.y1 = box.max.y;
  slot.present = true;
  slot.placed = false;
  // Place at once while the grid still fits; otherwise the next query rebuilds it.
  const bool fits = box.min.x >= gridBox_.min.x && box.max.x <= gridBox_.max.x &&
                    box.min.y >= gridBox_.min.y && box.max.y <= gridBox_.max.y;
  if (!dirty_ && fits && count_ <= 2 * builtFor_ + 64)
    place(id);
  else
    dirty_ = true;
}

void SpatialIndex::remove(Id id) {
  if (id >= slots_.size() || !slots_[id].present) return;
  unplace(id);
  slots_[id].present = false;
  --count_;
}

void SpatialIndex::clear() {
  slots_.clear();
  count_ = 0;
  cells_.clear();
  large_.clear();
  seen_.clear();
  dirty_ = true;
  builtFor_ = 0;
  gridBox_ = Box{};
}

bool SpatialIndex::cellRange(const Box& box, long& x0, long& y0, long& x1, long& y1) const {
  if (columns_ == 0 || !box.overlapsXY(gridBox_)) return false;
  auto cell = [this](double v, double origin, long count) {
    const double c = std::floor((v - origin) / cellSize_);
    return static_cast<long>(std::clamp(c, 0.0, static_cast<double>(count - 1)));
  };
  x0 = cell(box.min.x, gridBox_.min.x, columns_);
  x1 = cell(box.max.x, gridBox_.min.x, columns_);
  y0 = cell(box.min.y, gridBox_.min.y, rows_);
  y1 = cell(box.max.y, gridBox_.min.y, rows_);
  return true;
}

void SpatialIndex::place(Id id) const {
  const Slot& slot = slots_[id];
  long x0, y0, x1, y1;
  if (!cellRange(slot.box(), x0, y0, x1, y1)) return;
  if ((x1 - x0 + 1) * (y1 - y0 + 1) > kMaxCellsPerBox) {
    large_.push_back(id);
  } else {
    for (long y = y0; y <= y1; ++y)
      for (long x = x0; x <= x1; ++x) cells_[y * columns_ + x].push_back(id);
  }
  slot.placed = true;
}

void SpatialIndex::unplace(Id id) const {
  const Slot& slot = slots_[id];
  if (!slot.placed) return;
  slot.placed = false;
  auto drop = [id](std::vector<Id>& list) {
    auto it = std::find(list.begin(), list.end(), id);
    if (it != list.end()) {
      *it = list.back();
      list.pop_back();
    }
  };
  long x0, y0, x1, y1;
  if (!cellRange(slot.box(), x0, y0, x1, y1)) return;
  if ((x1 - x0 + 1) * (y1 - y0 + 1) > kMaxCellsPerBox) return drop(large_);
  for (long y = y0; y <= y1; ++y)
    for (long x = x0; x <= x1; ++x) drop(cells_[y * columns_ + x]);
}

void SpatialIndex::rebuild() const {
  dirty_ = false;
  builtFor_ = count_;
  cells_.clear();
  large_.clear();
  gridBox_ = Box{};
  for (const Slot& s : slots_)
    if (s.present) gridBox_.extend(s.box());
  for (const Slot& s : slots_) s.placed = false;
  if (count_ == 0) {
    columns_ = rows_ = 0;
    return;
  }
  // About one cell per two boxes (a cell is a list of its own: more cells cost memory, not
  // query time), square cells; a flat or empty extent gets a strip of cells.
  const double w = gridBox_.max.x - gridBox_.min.x, h = gridBox_.max.y - gridBox_.min.y;
  const double target =
      static_cast<double>(std::max<std::size_t>(1, std::min(count_ / 2, kMaxCells)));
  cellSize_ = (w > 0 && h > 0) ? std::sqrt(w * h / target) : std::max(w, h) / target;
  if (!(cellSize_ > 0) || !std::isfinite(cellSize_)) cellSize_ = 1;
  // Clamped as doubles: a huge extent must not reach the integer conversion.
  auto cellsAlong = [this](double extent) {
    const double n = std::ceil(extent / cellSize_);
    return n >= 1 ? static_cast<long>(std::min(n, static_cast<double>(1L << 20))) : 1L;
  };
  columns_ = cellsAlong(w);
  rows_ = cellsAlong(h);
  while (static_cast<std::size_t>(columns_) * static_cast<std::size_t>(rows_) > 2 * kMaxCells) {
    cellSize_ *= 2;
    columns_ = std::max(1L, (columns_ + 1) / 2);
    rows_ = std::max(1L, (rows_ + 1) / 2);
  }
  cells_.assign(static_cast<std::size_t>(columns_ * rows_), {});
  for (Id id = 0; id < slots_.size(); ++id)
    if (slots_[id].present) place(id);
}

std::vector<SpatialIndex::Id> SpatialIndex::query(const Box& area) const {
  std::vector<Id> out;
  if (count_ == 0 || area.isEmpty()) return out;
  if (dirty_) rebuild();
  if (seen_.size() < slots_.size()) seen_.resize(slots_.size(), 0);
  if (++stamp_ == 0) {
    std::fill(seen_.begin(), seen_.end(), 0);
    stamp_ = 1;
  }
  auto consider = [&](Id id) {
    if (seen_[id] == stamp_) return;
    seen_[id] = stamp_;
    if (slots_[id].overlapsXY(area)) out.push_back(id);
  };
  long x0, y0, x1, y1;
  if (cellRange(area, x0, y0, x1, y1))
    for (long y = y0; y <= y1; ++y)
      for (long x = x0; x <= x1; ++x)
        for (Id id : cells_[y * columns_ + x]) consider(id);
  for (Id id : large_) consider(id);
  std::sort(out.begin(), out.end());
  return out;
}

}  // namespace cadhost::geom
