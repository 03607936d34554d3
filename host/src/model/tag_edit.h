#pragma once

// Patching the tag list of an entity in place: values are replaced where they stand, and a
// missing tag is inserted where the DXF layout of the type expects it (never after xdata).

#include <initializer_list>
#include <string>

#include "cadhost/types.h"
#include "model/drawing.h"

namespace cadhost::detail {

// The position of the first xdata tag (1001), or the end.
std::size_t xdataStart(const model::Tags& tags);

// Sets the first tag with `code`; when there is none, inserts it after the last tag whose code
// is in `after` (searching before the xdata), or before the xdata when none of them is present.
void setOrInsert(model::Tags& tags, int code, const std::string& value,
                 std::initializer_list<int> after);

// A point group (10/20/30, 11/21/31, ...) as doubles; missing coordinates are 0.
Point3 pointTag(const model::Tags& tags, int code, int nth = 0);
bool hasTag(const model::Tags& tags, int code);
// Sets x, y and z of the point group `code`, inserting missing parts in their place.
void setPointTag(model::Tags& tags, int code, const Point3& p, std::initializer_list<int> after);

std::string formatNumber(double v);
double degrees(double radians);
double radians(double degrees);

// The class name an automation client sees: the last subclass marker, or one derived from the
// type for drawings without markers.
std::string className(const model::Object& entity);

}  // namespace cadhost::detail
