#pragma once

// The outline of a text entity under the width model of text_metrics.h.

#include <array>
#include <optional>

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

}  // namespace cadhost::geom
