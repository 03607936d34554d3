#pragma once

// Value types shared by the host's public interface.

#include <array>
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace cadhost {

struct Point3 {
  double x = 0, y = 0, z = 0;
  bool operator==(const Point3&) const = default;
};

// Row-major 4 x 4 matrix; a UCS matrix maps UCS to WCS:
// [Xx Yx Zx Ox; Xy Yy Zy Oy; Xz Yz Zz Oz; 0 0 0 1].
using Matrix4 = std::array<double, 16>;

// A system-variable or filter value.
using Value = std::variant<std::monostate, std::int32_t, double, std::string, Point3>;

// One entry of a selection filter: a DXF group code and the value to compare with. Code -4
// carries the grouping operators "<and", "and>", "<or", "or>", "<not", "not>", "<xor", "xor>".
struct FilterItem {
  std::int16_t code = 0;
  Value value;
};
using Filter = std::vector<FilterItem>;

enum class SelectMode { Window = 0, Crossing = 1, All = 5, WindowPolygon = 6, CrossingPolygon = 7 };

enum class CoordSys { World = 0, User = 1, Display = 2 };

// What writing a drawing file does when the target name is taken: replace what is there, or
// fail with HostError(Exists).
enum class WriteMode { Replace, NoReplace };

}  // namespace cadhost
