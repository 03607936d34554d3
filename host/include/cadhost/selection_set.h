#pragma once

// Named selection sets of a document. Selections work on model space and give entities in
// database order; window, crossing and polygon modes skip entities on layers that are off or
// frozen, mode All takes every entity.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "cadhost/entity.h"
#include "cadhost/fwd.h"
#include "cadhost/types.h"

namespace cadhost {

class SelectionSet {
 public:
  SelectionSet() = default;

  std::string name() const;
  int count() const;
  Entity item(int i) const;  // 0-based
  std::vector<Entity> items() const;
  void clear();         // empties the set; the entities stay
  void update() const;  // no effect
  void erase();         // erases every entity of the set and empties it
  void remove();        // Delete: removes the set from the document
  // Adds the matching entities that are not in the set yet. p1 and p2 are the corners for
  // Window and Crossing (unused for All).
  void select(SelectMode mode, const Point3* p1 = nullptr, const Point3* p2 = nullptr,
              const Filter& filter = {});
  // WindowPolygon or CrossingPolygon over the XY of `points`.
  void selectByPolygon(SelectMode mode, const std::vector<Point3>& points,
                       const Filter& filter = {});

 private:
  friend class detail::DocumentCore;
  SelectionSet(std::weak_ptr<detail::DocumentCore> doc, std::uint64_t id)
      : doc_(std::move(doc)), id_(id) {}

  std::weak_ptr<detail::DocumentCore> doc_;
  std::uint64_t id_ = 0;
};

class SelectionSets {
 public:
  SelectionSets() = default;

  int count() const;
  SelectionSet item(std::string_view name) const;  // HostError(NotFound) when missing
  SelectionSet add(std::string_view name);         // HostError(Exists) when the name exists

 private:
  friend class detail::DocumentCore;
  explicit SelectionSets(std::weak_ptr<detail::DocumentCore> doc) : doc_(std::move(doc)) {}

  std::weak_ptr<detail::DocumentCore> doc_;
};

}  // namespace cadhost
