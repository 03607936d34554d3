#pragma once

// Steps of the analysis that go on after a failure: a failing host call or a value of the wrong
// kind skips the step, and the analysis carries on with the next one.

#include <cadhost/document.h>
#include <cadhost/host_error.h>
#include <sheetcut/error.h>

#include <QString>
#include <QStringList>
#include <utility>

#include "tarvik/analysis_report.h"
#include "tarvik/records.h"

namespace tarvik {

// Runs f(); false when it failed with a host error or a component error.
template <class F>
bool step(F&& f) {
  try {
    std::forward<F>(f)();
    return true;
  } catch (const cadhost::HostError&) {
    return false;
  } catch (const sheetcut::Error&) {
    return false;
  }
}

// The command line that makes the world coordinate system current.
inline constexpr const char* kWorldUcsCommand = "(command \"UCS\" \"W\")\r";

inline cadhost::Point3 hostPoint(const Point3d& p) {
  return {p[0], p[1], p[2]};
}
inline Point3d toPoint3d(const cadhost::Point3& p) {
  return {p.x, p.y, p.z};
}

// Keeps the report keys of an analysis together: they are written when the outermost hold ends
// (or earlier, by FlushReport).
class ReportHold {
 public:
  ReportHold(ReportBuffer& buffer, int& holds) : buffer_(buffer), holds_(holds) { ++holds_; }
  ~ReportHold() {
    if (--holds_ == 0) buffer_.flush();
  }
  ReportHold(const ReportHold&) = delete;
  ReportHold& operator=(const ReportHold&) = delete;

 private:
  ReportBuffer& buffer_;
  int& holds_;
};

// The frame-block filter: block references named like one of `names` (matched literally).
cadhost::Filter blockNameFilter(const QStringList& names);

}  // namespace tarvik
