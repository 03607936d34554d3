#pragma once

// The drawings of the main-road acceptance run: "Plan" with five frames in two rows and "b"
// with one, plus the pieces they are built from, for tests that need variants.

#include <string>
#include <vector>

#include "model/drawing.h"
#include "sheetgen/entity_builder.h"

namespace acceptance {

inline constexpr double kTextHeight = 3.5;
inline constexpr const char* kStyle = "HZ";

struct Frame {
  double minX, minY, maxX, maxY;
};

// Plan's frames in the order they are written: top row y 300..597 at x 0, 500, 1000, then the
// bottom row y 0..297 at x 0, 500.
const std::vector<Frame>& planFrames();

// Plan, R2004 with GBK text. Each frame: a closed border, four inner lines, the title block
// "TB" (lines, no attributes), a circle and "设计"; numbers in write order: "A123-B567-08"
// (90 units from the lower-right corner), "A123-B567-09" with a decoy "A123-B567-99" far from
// every corner, an MTEXT "A12/3-B4-05", "A123-B567-08" again, and only "123-456-7".
void writePlan(const std::string& path);
// One frame (0,0)-(420,297) numbered "B001-C002-1"; R2010 (UTF-8).
void writeB(const std::string& path);

// A new drawing in the given version and code page.
cadhost::model::Drawing newDrawing(const char* version, const char* codepage);
// Layers "FRAME", "TITLE", "TEXT" and the text style kStyle.
void addLayersAndStyle(sheetgen::EntityBuilder& b);

}  // namespace acceptance
