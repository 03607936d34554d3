// WriFrameRpt: the cells of a frame's title block read by its template and written into the
// analysis report.

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

#include "analysis_steps.h"
#include "host_calls.h"
#include "tarvik/analysis_report.h"
#include "tarvik/cad.h"
#include "tarvik/recognition/number_text.h"

namespace tarvik {

namespace {

const QString kRowBreak = QStringLiteral("\r\n");

// An insertion offset of the template list; a missing or unreadable one counts as 0.
double offset(const BlkTYpe& entry, int i) {
  if (entry.InsPo.size() <= i) return 0;
  bool ok = false;
  const double v = entry.InsPo[i].trimmed().toDouble(&ok);
  return ok && std::isfinite(v) ? v : 0;
}

}  // namespace

class FrameReport {
 public:
  FrameReport(CAD& cad, int idx, double X0, double Y0, double XScale, double YScale, double Angle)
      : cad_(cad), idx_(idx), pt_{X0, Y0, 0}, xScale_(XScale), yScale_(YScale), angle_(Angle) {}

  // guid: written with the scale unless absent (the second form).
  void run(const std::vector<CellType>& given, const std::optional<QString>& guid) {
    cad_.FrameScale = xScale_;
    // A template index outside the list names no template: nothing can be read.
    if (idx_ < 1 || idx_ > cad_.ModNum || static_cast<std::size_t>(idx_) >= cad_.ModList.size()) {
      return;
    }
    const BlkTYpe entry = cad_.ModList[static_cast<std::size_t>(idx_)];
    // The texts that the template read last for this block found, when it was the same one.
    FrameReadCache* reads = given.empty() ? cad_.FrameReads_ : nullptr;
    const FrameReadCache::Read* kept = reads ? reads->find(entry, guid.has_value()) : nullptr;
    if (reads && !kept) reads->forget();
    std::vector<CellType> cells;
    if (!guid) attemptStep([&] { cad_.SetFrameUCS(pt_, angle_, QStringLiteral("QX_UCS")); });
    if (given.empty()) {
      // A frame whose template's cells cannot be read is not read at all: the caller learns
      // which cell file failed and why (CellFileError).
      cells = kept ? kept->cells : cad_.readTemplateCells(entry.n);
      if (guid) {
        Point3d o = pt_;
        attemptStep([&] {
          cadhost::Document doc = requireDocument(cad_, "CAD.WriFrameRpt");
          const cadhost::Utility u = doc.utility();
          const double quarterTurn = 2 * std::atan(1.0);
          cadhost::Point3 p =
              u.polarPoint(hostPoint(pt_), angle_ - quarterTurn, xScale_ * offset(entry, 1));
          p = u.polarPoint(p, angle_, -xScale_ * offset(entry, 0));
          o = plainPoint(p);
        });
        attemptStep([&] { cad_.SetFrameUCS(o, angle_, QStringLiteral("QZUCS")); });
      }
    } else {
      cells = given;
      if (guid) attemptStep([&] { cad_.SetFrameUCS(pt_, angle_, QStringLiteral("QX_UCS")); });
    }
    if (kept) {
      rows_ = kept->rows;
    } else {
      if (!readCells(cells)) return;
      if (reads) reads->keep({entry.n, entry.InsPo, guid.has_value(), cells, rows_});
    }
    writeReport(entry, cells, guid);
  }

 private:
  // The texts of a cell's further rows, by row (1 .. |T| - 1); rows without text are absent.
  using RowTexts = FrameReadCache::RowTexts;

  // False when a stop was confirmed.
  bool readCells(std::vector<CellType>& cells) {
    rows_.assign(cells.size(), RowTexts{});
    for (std::size_t i = 0; i < cells.size(); ++i) {
      if (cad_.ConfirmStop()) return false;
      CellType& cell = cells[i];
      Point3d A{0, 0, 0}, B{0, 0, 0};
      const bool read = attemptStep([&] {
        A = {cell.P1.coordinate(0) * xScale_, cell.P1.coordinate(1) * yScale_, 0};
        B = {cell.P2.coordinate(0) * xScale_, cell.P2.coordinate(1) * yScale_, 0};
        cell.s = cad_.GetFrameTexts(A, B);
      });
      const int rows = std::abs(static_cast<int>(cell.T));
      if (read && rows >= 2 && !readRows(cell, A, B, rows, rows_[i])) return false;
    }
    return true;
  }

  // The further rows of a cell stack windows of the first one's height below it (T > 0) or
  // above it (T < 0). Their words are collected once over all of them and sorted into rows, so
  // that the cost follows the texts found and not the number of rows declared. False when a
  // stop was confirmed.
  bool readRows(const CellType& cell, const Point3d& A, const Point3d& B, int rows, RowTexts& out) {
    const double h = A[1] - B[1];
    if (h == 0 || !std::isfinite(h)) return true;  // rows without height hold nothing
    // Row m (1 .. rows - 1) lies between start + (m - 1) * step and start + m * step.
    const double start = cell.T > 0 ? B[1] : A[1];
    const double step = cell.T > 0 ? -h : h;
    const double end = start + (rows - 1) * step;
    std::vector<TextType> words;
    if (cad_.ConfirmStop()) return false;
    attemptStep([&] { words = cad_.GetFrameWords({A[0], start, 0}, {B[0], end, 0}); });
    std::map<int, std::vector<TextType>> byRow;
    for (TextType& w : words) {
      const double cy = w.Y + w.H / 2;
      const double t = (cy - start) / step;
      if (!(t > 0) || !(t < rows - 1)) continue;
      const int m = static_cast<int>(std::floor(t)) + 1;
      // Strictly inside its row, as a window of its own would take it.
      const double y0 = start + (m - 1) * step, y1 = start + m * step;
      if (std::min(y0, y1) < cy && cy < std::max(y0, y1)) byRow[m].push_back(std::move(w));
    }
    for (auto& [m, rowWords] : byRow) {
      if (cad_.ConfirmStop()) return false;
      if (rowWords.size() > 1) cad_.SortArr(rowWords);
      QString text;
      for (const TextType& w : rowWords) text += w.s;
      if (!text.isEmpty()) out.emplace(m, std::move(text));
    }
    return true;
  }

  // One multi-row cell as the report lists it: entry 0 is its name, entries 1.. its rows in
  // order, a row whose text holds line breaks taking one entry per line. Only entries with text
  // are kept.
  struct RowEntries {
    QString name;
    qsizetype count = 0;                 // entries, the name included
    std::map<qsizetype, QString> texts;  // entry -> text
  };

  static RowEntries entriesOf(const CellType& cell, const RowTexts& further) {
    RowEntries e;
    e.name = cell.name;
    qsizetype next = 1;  // the entry of the next row
    int row = 0;         // the row that `next` stands for
    const auto addRow = [&](int r, const QString& text) {
      next += r - row;  // every row between takes one empty entry
      const QStringList lines = text.split(kRowBreak);
      for (const QString& line : lines) {
        if (!line.isEmpty()) e.texts.emplace(next, line);
        ++next;
      }
      row = r + 1;
    };
    addRow(0, cell.s);
    for (const auto& [r, text] : further) addRow(r, text);
    const int rows = std::abs(static_cast<int>(cell.T));
    e.count = next + (rows - row);
    return e;
  }

  void writeReport(const BlkTYpe& entry, const std::vector<CellType>& cells,
                   const std::optional<QString>& guid) {
    const QString path = cad_.RptPath;
    const QString section = cad_.RptSection;
    ReportHold hold(cad_.Report_, cad_.ReportHolds_);
    const auto put = [&](const QString& key, const QString& value) {
      cad_.Report_.put(path, section, key, value);
    };
    // Read back as the file gives it, so the value never passes the length of a profile read.
    const QString before = cad_.Report_.get(path, section, kKeyTemplates);
    const QString name = entry.n.toUpper();
    put(kKeyTemplates, before.isEmpty() ? name : before + u',' + name);
    if (guid) {
      put(kKeyScale, numberText(cad_.FrameScale));
      put(kKeyGuid, *guid);
    }
    std::vector<RowEntries> rows;
    for (std::size_t i = 0; i < cells.size(); ++i) {
      if (cad_.ConfirmStop()) return;
      const CellType& cell = cells[i];
      if (std::abs(static_cast<int>(cell.T)) > 1) {
        rows.push_back(entriesOf(cell, i < rows_.size() ? rows_[i] : RowTexts{}));
      } else if (!cell.s.isEmpty()) {
        put(cell.name, cell.s);
      }
    }
    if (rows.empty()) return;
    // The rows of the first multi-row cell that hold a text in any multi-row cell; a row with
    // no text at all gives no line.
    std::set<qsizetype> filled;
    for (const RowEntries& r : rows) {
      for (const auto& [k, text] : r.texts) {
        if (k < rows[0].count) filled.insert(k);
      }
    }
    int counter = 0;
    for (const qsizetype k : filled) {
      if (cad_.ConfirmStop()) return;
      QString line;
      for (const RowEntries& r : rows) {
        if (k >= r.count) continue;
        const auto text = r.texts.find(k);
        line += u',';
        line += r.name;
        line += u':';
        if (text != r.texts.end()) line += text->second;
      }
      put(reportLineKey(counter), line.mid(1));
      ++counter;
    }
  }

  std::vector<RowTexts> rows_;  // per cell, the texts of its further rows
  CAD& cad_;
  int idx_;
  Point3d pt_;
  double xScale_, yScale_, angle_;
};

void CAD::WriFrameRpt(int idx, double X0, double Y0, double XScale, double YScale, double Angle,
                      const std::vector<CellType>& Cells, const QString& GuidStr) {
  FrameReport(*this, idx, X0, Y0, XScale, YScale, Angle).run(Cells, GuidStr);
}

void CAD::WriFrameRpt0(int idx, double X0, double Y0, double XScale, double YScale, double Angle,
                       const std::vector<CellType>& Cells) {
  FrameReport(*this, idx, X0, Y0, XScale, YScale, Angle).run(Cells, std::nullopt);
}

}  // namespace tarvik
