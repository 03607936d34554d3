#pragma once

// A reader that sums up what a drawing written by the main road holds.

#include <QString>
#include <map>
#include <string>
#include <vector>

namespace apptest {

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
