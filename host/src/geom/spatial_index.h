#pragma once

// A spatial index of entity boxes in the XY plane: a uniform grid sized from the boxes it
// holds, rebuilt lazily when the content outgrows it. Boxes much larger than a cell are kept
// in a separate list that every query scans, so one huge entity does not fill the grid.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "geom/box.h"

namespace cadhost::geom {

class SpatialIndex {
 public:
  using Id = std::uint32_t;

  // Adds or replaces the box of `id`. Ids are meant to be dense (0, 1, 2, ...): memory grows
  // with the largest id. An empty box is not indexed (the id is removed).
  void insert(Id id, const Box& box);
  // Removes `id`; unknown ids are ignored.
  void remove(Id id);
  void clear();
  // Makes room for ids below `n` at once, so that filling a large index does not grow it step
  // by step (and leave up to half of it unused).
  void reserve(std::size_t n) { slots_.reserve(n); }

  std::size_t size() const { return count_; }
  bool contains(Id id) const { return id < slots_.size() && slots_[id].present; }

  // The ids whose boxes overlap `area` in XY (touching counts), in ascending order.
  std::vector<Id> query(const Box& area) const;

 private:
  // The XY extent of one id (the index is planar: keeping z would cost a third more).
  struct Slot {
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    bool present = false;
    mutable bool placed = false;  // entered in the grid or in the large list

    Box box() const { return Box{{x0, y0, 0}, {x1, y1, 0}}; }
    bool overlapsXY(const Box& b) const {
      return x0 <= b.max.x && b.min.x <= x1 && y0 <= b.max.y && b.min.y <= y1;
    }
  };
  void rebuild() const;
  void place(Id id) const;
  void unplace(Id id) const;
  // The cells that `box` covers, clipped to the grid; false when it misses the grid.
  bool cellRange(const Box& box, long& x0, long& y0, long& x1, long& y1) const;

  std::vector<Slot> slots_;
  std::size_t count_ = 0;
  // The grid, built lazily by the first query after a change that outgrows it (hence
  // mutable: queries are const but not safe to run from several threads at once).
  mutable std::vector<std::vector<Id>> cells_;
  mutable std::vector<Id> large_;
  mutable bool dirty_ = true;
  mutable Box gridBox_;
  mutable double cellSize_ = 1;
  mutable long columns_ = 0, rows_ = 0;
  mutable std::size_t builtFor_ = 0;
  mutable std::vector<std::uint32_t> seen_;
  mutable std::uint32_t stamp_ = 0;
};

}  // namespace cadhost::geom
