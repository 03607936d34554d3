#pragma once

// What the analysis's steps share. A step that fails (a failing host call or a value of the wrong
// kind) is skipped with attemptStep, and the analysis carries on with the next one.

#include <cadhost/document.h>

#include <QString>
#include <QStringList>
#include <cmath>
#include <optional>

#include "host_calls.h"
#include "tarvik/analysis_report.h"
#include "tarvik/attempt.h"
#include "tarvik/cell_records.h"
#include "tarvik/records.h"

namespace tarvik {

// Height / width of a cell's corners; nothing for a cell without width. A corner that is not a
// point raises its sheetcut::Error.
inline std::optional<double> cellAspect(const CellType& c) {
  const double w = c.P2.coordinate(0) - c.P1.coordinate(0);
  const double h = c.P1.coordinate(1) - c.P2.coordinate(1);
  if (w == 0 || !std::isfinite(w) || !std::isfinite(h)) return std::nullopt;
  return h / w;
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
