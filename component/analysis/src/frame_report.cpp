// WriFrameRpt: the cells of a frame's title block read by its template and written into the
// analysis report.

#include <cmath>

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
    std::vector<CellType> cells;
    if (!guid) attemptStep([&] { cad_.SetFrameUCS(pt_, angle_, QStringLiteral("QX_UCS")); });
    if (given.empty()) {
      // A frame whose template's cells cannot be read is not read at all: the caller learns
      // which cell file failed and why (CellFileError).
      cells = cad_.readTemplateCells(entry.n);
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
    if (!readCells(cells)) return;
    writeReport(entry, cells, guid);
  }

 private:
  // False when a stop was confirmed.
  bool readCells(std::vector<CellType>& cells) {
    for (CellType& cell : cells) {
      if (cad_.ConfirmStop()) return false;
      const int rows = std::abs(static_cast<int>(cell.T));
      Point3d A{0, 0, 0}, B{0, 0, 0};
      double h = 0;
      for (int j = 0; j <= rows; ++j) {
        if (cad_.ConfirmStop()) return false;
        if (j == 1) continue;
        if (j == 0) {
          attemptStep([&] {
            A = {cell.P1.coordinate(0) * xScale_, cell.P1.coordinate(1) * yScale_, 0};
            B = {cell.P2.coordinate(0) * xScale_, cell.P2.coordinate(1) * yScale_, 0};
            h = A[1] - B[1];
            cell.s = cad_.GetFrameTexts(A, B);
          });
        } else {
          if (cell.T > 0) {
            A[1] = B[1];
            B[1] = A[1] - h;
          } else {
            B[1] = A[1];
            A[1] = B[1] + h;
          }
          attemptStep([&] { cell.s = cell.s + kRowBreak + cad_.GetFrameTexts(A, B); });
        }
      }
    }
    return true;
  }

  void writeReport(const BlkTYpe& entry, const std::vector<CellType>& cells,
                   const std::optional<QString>& guid) {
    const QString path = cad_.RptPath;
    const QString section = cad_.RptSection;
    ReportHold hold(cad_.Report_, cad_.ReportHolds_);
    const auto put = [&](const QString& key, const QString& value) {
      cad_.Report_.put(path, section, key, value);
    };
    const QString before = cad_.Report_.get(path, section, kKeyTemplates);
    const QString name = entry.n.toUpper();
    put(kKeyTemplates, before.isEmpty() ? name : before + u',' + name);
    if (guid) {
      put(kKeyScale, numberText(cad_.FrameScale));
      put(kKeyGuid, *guid);
    }
    std::vector<QStringList> rows;
    for (const CellType& cell : cells) {
      if (cad_.ConfirmStop()) return;
      if (std::abs(static_cast<int>(cell.T)) > 1) {
        rows.push_back((cell.name + kRowBreak + cell.s).split(kRowBreak));
      } else if (!cell.s.isEmpty()) {
        put(cell.name, cell.s);
      }
    }
    if (rows.empty()) return;
    int counter = 0;
    for (qsizetype k = 1; k < rows[0].size(); ++k) {
      if (cad_.ConfirmStop()) return;
      QString line;
      for (const QStringList& r : rows) {
        if (k < r.size()) line += u',' + r[0] + u':' + r[k];
      }
      if (line.trimmed().isEmpty()) continue;
      put(reportLineKey(counter), line.mid(1));
      ++counter;
    }
  }

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
