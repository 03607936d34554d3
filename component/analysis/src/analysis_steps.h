#pragma once

// What the analysis's steps share. A step that fails (a failing host call or a value of the wrong
// kind) is skipped with attemptStep, and the analysis carries on with the next one.

#include <cadhost/document.h>

#include <QString>
#include <QStringList>
#include <cmath>
#include <map>
#include <optional>
#include <vector>

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

// What the title block of the frame block under way gave the template read last: its cells
// with their texts, and the texts of their further rows. The template list may name one block
// many times; a template that repeats the one read last (same name and insertion offsets, same
// form of reading) would read the same texts from the same places, so it takes these.
class FrameReadCache {
 public:
  using RowTexts = std::map<int, QString>;  // a cell's further rows (1 ..) that hold texts
  struct Read {
    QString name;
    QStringList insertion;
    bool guidForm = false;
    std::vector<CellType> cells;
    std::vector<RowTexts> rows;
  };
  // The read kept for that template, or nullptr.
  const Read* find(const BlkTYpe& entry, bool guidForm) const {
    return last_ && last_->guidForm == guidForm && last_->name == entry.n &&
                   last_->insertion == entry.InsPo
               ? &*last_
               : nullptr;
  }
  void keep(Read read) { last_ = std::move(read); }
  void forget() { last_.reset(); }

 private:
  std::optional<Read> last_;
};

// The frame-block filter: block references named like one of `names` (matched literally).
cadhost::Filter blockNameFilter(const QStringList& names);

}  // namespace tarvik
