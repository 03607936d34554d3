#pragma once

// Draws model-space entities on a canvas: line work, text, block references with their
// attributes, solids, solid hatches and dimensions, with colours and line weights resolved
// through layers, blocks and the plot-style table.

#include <vector>

#include "cadhost/types.h"
#include "geom/extents.h"
#include "model/drawing.h"
#include "plot/canvas.h"

namespace cadhost::plot {

struct PaintOptions {
  Matrix4 toPaper{};        // WCS to paper millimetres
  double mmPerUnit = 1;     // the plot's scale, for widths given in drawing units
  bool monochrome = false;  // the style table plots everything black
  bool plotLineWeights = true;
};

// Draws `entities` (model-space entities of `dwg`, in the order given).
void paintEntities(const model::Drawing& dwg, const geom::ExtentsContext& ctx,
                   const std::vector<const model::Object*>& entities, const PaintOptions& options,
                   Canvas& canvas);

}  // namespace cadhost::plot
