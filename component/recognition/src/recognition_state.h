#pragma once

// The recognition's working state on the CAD object, and small helpers of its host-driving
// code.

#include <cadhost/host_error.h>
#include <sheetcut/error.h>

#include <QString>
#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "cell_xml_cache.h"
#include "host_calls.h"
#include "tarvik/attempt.h"
#include "tarvik/cad.h"
#include "tarvik/recognition/line_lists.h"

namespace tarvik {

class RecognitionState {
 public:
  LineLists lines;
  CellXmlCache cellXml;  // what the last rebuild of the layouts' keys saw
};

// A selection window as a world polygon and its bounding box.
struct SelectionWindow {
  std::vector<cadhost::Point3> polygon;
  cadhost::Point3 lo, hi;
};

// The window of `polygon` (not empty): the polygon and its bounding box.
inline SelectionWindow windowOf(std::vector<cadhost::Point3> polygon) {
  SelectionWindow w{std::move(polygon), {}, {}};
  w.lo = w.hi = w.polygon[0];
  for (const cadhost::Point3& c : w.polygon) {
    w.lo = {std::min(w.lo.x, c.x), std::min(w.lo.y, c.y), 0};
    w.hi = {std::max(w.hi.x, c.x), std::max(w.hi.y, c.y), 0};
  }
  return w;
}

// Makes the UCS `name` current; nothing for "" (the world system).
inline void activateUcs(cadhost::Document& doc, const std::string& name) {
  if (!name.empty()) {
    attemptStep([&] { doc.setActiveUcs(doc.userCoordinateSystems().item(name)); });
  }
}

// Empties a selection set when the guard ends, on every path.
struct SelectionCleared {
  cadhost::SelectionSet& set;
  ~SelectionCleared() {
    attemptStep([&] { set.clear(); });
  }
};

// Remembers the document's current UCS (by name; none while the world system is current) and
// makes it current again when the guard ends, whatever happened meanwhile.
class UcsRestore {
 public:
  explicit UcsRestore(cadhost::Document doc) : doc_(std::move(doc)) {
    attemptStep([&] { name_ = doc_.activeUcs().name(); });
  }
  ~UcsRestore() {
    if (name_.empty()) {
      attemptStep([&] { doc_.sendCommand(kWorldUcsCommand); });
    } else {
      activateUcs(doc_, name_);
    }
  }
  UcsRestore(const UcsRestore&) = delete;
  UcsRestore& operator=(const UcsRestore&) = delete;
  const std::string& name() const { return name_; }

 private:
  cadhost::Document doc_;
  std::string name_;
};

}  // namespace tarvik
