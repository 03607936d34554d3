#pragma once

// Drawings for the main-road tests: a sheet set with five frames in two rows and a drawing with
// one frame, and a reader that sums up what a written drawing holds.

#include <QString>
#include <map>
#include <string>
#include <vector>

namespace apptest {

struct Frame {
  double minX, minY, maxX, maxY;
};

// The frames of the sheet set, in the order they are written (top row left to right, then the
// bottom row): drawing numbers "A123-B567-08", "A123-B567-09" (and a decoy in the middle),
// "A12/3-B4-05" (multi-line text), "A123-B567-08" again, and none.
const std::vector<Frame>& sheetSetFrames();

// Writes `path` with the five frames, or with the one frame of `number`.
void writeSheetSet(const QString& path);
void writeSingleSheet(const QString& path, const std::string& number);

// What a drawing file holds in model space.
struct DrawingSummary {
  std::map<std::string, int> countByType;
  std::vector<std::string> texts;                         // TEXT and MTEXT values
  std::vector<std::string> blocks;                        // names of the block definitions
  std::vector<std::pair<double, double>> points;          // every (10, 20) point of the entities
  std::vector<std::pair<double, double>> borderVertices;  // of the first LWPOLYLINE
  bool borderClosed = false;
};
DrawingSummary summarize(const QString& path);

}  // namespace apptest
