#pragma once

// Named user coordinate systems.

#include <string>
#include <string_view>

#include "cadhost/fwd.h"
#include "cadhost/types.h"

namespace cadhost {

class Ucs {
 public:
  Ucs() = default;

  std::string name() const;
  Point3 origin() const;
  Point3 xAxis() const;  // unit vectors in WCS
  Point3 yAxis() const;
  Matrix4 getUcsMatrix() const;  // UCS -> WCS
  void erase();                  // Delete

 private:
  friend class detail::DocumentCore;
  Ucs(std::weak_ptr<detail::DocumentCore> doc, std::string name)
      : doc_(std::move(doc)), name_(std::move(name)) {}

  std::weak_ptr<detail::DocumentCore> doc_;
  std::string name_;
};

class UserCoordinateSystems {
 public:
  UserCoordinateSystems() = default;

  int count() const;
  Ucs item(int i) const;
  Ucs item(std::string_view name) const;  // HostError(NotFound) when missing
  // WCS points; the axes are the points less the origin, normalised. An existing name takes the
  // new origin and axes.
  Ucs add(const Point3& origin, const Point3& xAxisPoint, const Point3& yAxisPoint,
          std::string_view name);

 private:
  friend class detail::DocumentCore;
  explicit UserCoordinateSystems(std::weak_ptr<detail::DocumentCore> doc) : doc_(std::move(doc)) {}

  std::weak_ptr<detail::DocumentCore> doc_;
};

}  // namespace cadhost
