#pragma once

// The window-selection figure of dxf-bench: the drawing is opened through the host's object
// model, and each frame (an outermost closed polyline) is selected by window many times.

#include <string>

namespace bench {

// Prints "select one frame by window: <mean> microseconds" (and how the index was built). Runs
// in a child process, so that the caller's peak memory stays its own.
void printWindowSelectionFigures(const std::string& drawingPath);

}  // namespace bench
