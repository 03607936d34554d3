#pragma once

// Rectangular outlines of cells in the drawing.

#include <cadhost/block.h>
#include <cadhost/entity.h>

#include <vector>

namespace tarvik {

// The vertex list of the outline with corners (x1, y1) and (x2, y2): x1, y1, x2, y1, x2, y2,
// x1, y2 (first corner, the corner along x, the opposite corner, the corner along y).
std::vector<double> outlineVertices(double x1, double y1, double x2, double y2);

// Adds a closed lightweight polyline through `xy` to `space` (current layer and properties).
cadhost::Entity addClosedOutline(cadhost::Block space, const std::vector<double>& xy);

}  // namespace tarvik
