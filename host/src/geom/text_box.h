#pragma once

// The outline of a text entity under the width model of text_metrics.h.

#include <array>
#include <optional>
#include <vector>

#include "cadhost/types.h"
#include "model/drawing.h"

namespace cadhost::geom {

// The width factor of a TEXT, ATTDEF or ATTRIB: its own (group 41), else 1 (the DXF default,
// whatever the style says).
double widthFactorOf(const model::Object& entity);

// The four WCS corners of the box of a TEXT, ATTDEF, ATTRIB or MTEXT (bottom-left,
// bottom-right, top-right, top-left in the text's own direction); nullopt for other types.
// TEXT / ATTRIB: the value (group 1); ATTDEF: the tag it shows (group 2).
std::optional<std::array<Point3, 4>> textCorners(const model::Object& entity);

// For a TEXT, ATTDEF or ATTRIB and each byte length of `ends` (ascending, none above the
// length of the value it shows): the X extent (max x - min x) of the WCS box the extents of the
// entity would give with that value cut to that length; nullopt where that box is not finite.
// One pass over the value.
std::vector<std::optional<double>> textPrefixExtentsX(const model::Object& text,
                                                      const std::vector<std::size_t>& ends);

}  // namespace cadhost::geom
