#pragma once

// Small helpers that build entities tag by tag for the geometry tests.

#include <initializer_list>
#include <string>
#include <utility>

#include "model/drawing.h"

namespace cadhost::geom::testing {

// An entity of this type with the given (code, value) tags after the (0, type) tag.
model::Object entity(const std::string& type,
                     std::initializer_list<std::pair<int, std::string>> tags = {});

// A quadratic Bezier SPLINE from (0,0) through the control point (5,10) to (10,0); the curve
// peaks at (5,5).
model::Object quadraticSpline();

// The value text of the first tag with this code ("" when missing).
std::string tagText(const model::Object& o, int code, int nth = 0);

}  // namespace cadhost::geom::testing

#include <optional>

#include "geom/box.h"

namespace cadhost::geom::testing {

// Checks a box's XY corners within 1e-6 (1e-2 when `loose`).
void expectBoxXY(const std::optional<Box>& box, double minX, double minY, double maxX, double maxY,
                 bool loose = false);

}  // namespace cadhost::geom::testing
