#pragma once

// Paper-size class of a drawing's extents.

#include <QString>

namespace tarvik {

// "A4", "A3", "A2", "A1" or "A0" for an extent of `width` x `height` drawing units at `scale`
// drawing units per millimetre; "" for scale 0. Each size is rounded half to even before it is
// compared; a size too large for that raises sheetcut::Error (overflow).
QString paperSizeName(double width, double height, double scale);

}  // namespace tarvik
