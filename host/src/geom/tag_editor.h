#pragma once

// Reading and patching numbers and points in a tag list, keeping the original text of every
// number whose value does not change.

#include <functional>

#include "cadhost/types.h"
#include "model/drawing.h"

namespace cadhost::geom {

// Sets the tag to the number, written in the shortest form that reads back the same, unless
// it already holds exactly that value.
void patchNumber(model::Tag& tag, double value);

// Sets the first tag with this code; appends one when missing and `create` is set (or the
// value differs from `absentValue`, the value a missing tag stands for).
void patchNumberCode(model::Tags& tags, int code, double value, double absentValue);

// The same for integer codes (60-99, 170-179, 270-289, ...): written without a decimal point.
void patchIntegerCode(model::Tags& tags, int code, long long value, long long absentValue);

// Calls `fn` for every point that starts with a tag of `xCode` (y in xCode + 10, z in
// xCode + 20 when present; a missing z reads as `defaultZ`) and writes back what it returns.
// A z that was missing is written only when it differs from `defaultZ`.
void rewritePoints(model::Tags& tags, int xCode, const std::function<Point3(const Point3&)>& fn,
                   double defaultZ = 0);

// Replaces the (210, 220, 230) extrusion; a missing one is added only when it is not 0,0,1.
void patchExtrusion(model::Tags& tags, const Point3& normal);

}  // namespace cadhost::geom
