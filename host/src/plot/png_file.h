#pragma once

// Writes a cairo image surface as a PNG file that carries its resolution (a pHYs chunk), so
// that it prints at the size of the sheet it shows.

#include <cairo.h>

#include "plot/canvas.h"

namespace cadhost::plot {

// Writes `surface` to the file at `dotsPerMm` in both directions. HostError(Io) when it cannot.
void writePng(cairo_surface_t* surface, const PlotFile& file, double dotsPerMm);

}  // namespace cadhost::plot
