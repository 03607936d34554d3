#pragma once

// Writes a cairo image surface as a PNG file that carries its resolution (a pHYs chunk), so
// that it prints at the size of the sheet it shows.

#include <cairo.h>

#include <string>

namespace cadhost::plot {

// Writes `surface` to `path` at `dotsPerMm` in both directions. HostError(Io) when it cannot.
void writePng(cairo_surface_t* surface, const std::string& path, double dotsPerMm);

}  // namespace cadhost::plot
