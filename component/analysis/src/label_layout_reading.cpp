// ReadFrameByLab: a frame without a frame block read by a template's label layout. The labels
// found give the frame's scale, rotation and origin; the template's cells are then read by
// WriFrameRpt.

#include <QFileInfo>
#include <cmath>

#include "analysis_steps.h"
#include "host_calls.h"
#include "tarvik/cad.h"
#include "tarvik/cell_file.h"

namespace tarvik {

namespace {

// The found entry a match text points at (its first number, less the shape mark).
std::optional<std::size_t> matchIndex(const QString& match, std::size_t found) {
  bool ok = false;
  const long v = match.section(u',', 0, 0).toLong(&ok);
  if (!ok || v < 0) return std::nullopt;
  const auto i = static_cast<std::size_t>(v % 10000);
  if (i >= found) return std::nullopt;
  return i;
}

struct Anchor {
  CellType label;
  LabCellType found;
};

// Template units per drawing unit measured on one anchor; nothing when a size is 0.
std::optional<double> anchorScale(const Anchor& a) {
  const double w = a.label.P2.coordinate(0) - a.label.P1.coordinate(0);
  const double h = a.label.P1.coordinate(1) - a.label.P2.coordinate(1);
  if (a.found.Width == 0 || a.found.Height == 0) return std::nullopt;
  const double s = (w / a.found.Width + h / a.found.Height) / 2;
  if (!std::isfinite(s) || s <= 0) return std::nullopt;
  return s;
}

// Two scales agree when they differ by at most 8 % of their mean.
bool agree(double a, double b) {
  const double sum = a + b;
  return sum > 0 && std::fabs(a - b) * 2 / sum <= 0.08;
}

double planeDistance(const Point3d& a, const Point3d& b) {
  return std::hypot(a[0] - b[0], a[1] - b[1]);
}

}  // namespace

bool CAD::ReadFrameByLab(int idx, const std::optional<Point3d>& MinPoint,
                         const std::optional<Point3d>& MaxPoint, const QString& GuidStr) {
  State = 1;
  if (idx < 1 || idx > ModNum || static_cast<std::size_t>(idx) >= ModList.size()) return false;
  const QString name = ModList[static_cast<std::size_t>(idx)].n;
  if (!QFileInfo(modFilePath(name, QStringLiteral(".bln"))).isFile()) return false;
  LabCells.clear();
  std::vector<CellType> labels;
  if (!attemptStep([&] { labels = ReadBlockLayout(name); }) || labels.empty()) return false;
  const std::size_t n = labels.size() - 1;
  std::vector<QString> matches(labels.size());

  std::optional<Anchor> chain;
  try {
    for (std::size_t i = 0; i <= n; ++i) {
      const CellType& label = labels[i];
      if (!(i == 0 || i == n || label.T != 0)) continue;
      QString& match = matches[i];
      bool shapeMatch = false;
      const std::optional<double> labelAspect = cellAspect(label);
      for (std::size_t k = LabCells.size(); k-- > 0;) {
        const LabCellType& f = LabCells[k];
        if (f.Text != label.name) continue;
        const bool same =
            labelAspect && f.Width != 0 && std::fabs(f.Height / f.Width - *labelAspect) <= 0.05;
        if (same) {
          match = QString::number(k + 10000);
          shapeMatch = true;
          break;
        }
        match = QString::number(k);
      }
      if (!shapeMatch) {
        const QString r = MinPoint ? GetTextCell(label, MinPoint, MaxPoint) : GetTextCell(label);
        if (r.section(u',', 0, 0).toLong() >= 10000) {
          match = match.isEmpty() ? r : r + u',' + match;
        } else if (!r.isEmpty()) {
          match = match.isEmpty() ? r : match + u',' + r;
        }
      }
      if (match.isEmpty()) return false;
      if (label.T == 0) continue;

      const std::optional<std::size_t> fi = matchIndex(match, LabCells.size());
      if (!fi) return false;
      const LabCellType f = LabCells[*fi];
      if (!chain) {
        chain = Anchor{label, f};
        chain->label.name = QString::number(label.T);
        continue;
      }
      const bool continues = TolTest(chain->label.P1.coordinate(1), label.P1.coordinate(1)) &&
                             TolTest(chain->label.P2.coordinate(0), label.P1.coordinate(0));
      if (!continues) {
        WriteErrLog(QStringLiteral("多行标签不连续"));
        continue;
      }
      if (!TolTest(chain->found.Angle, f.Angle) || !TolTest(chain->found.Height, f.Height)) {
        WriteErrLog(QStringLiteral("多行标签的方向不一致"));
        continue;
      }
      chain->label.name += QStringLiteral("/*/") + QString::number(label.T);
      chain->label.P2 = label.P2;
      chain->found.Width += f.Width;
    }

    // The anchors: the multi-line label, then the first and the last plain label.
    const auto foundOf = [&](std::size_t i) -> std::optional<Anchor> {
      const std::optional<std::size_t> fi = matchIndex(matches[i], LabCells.size());
      if (!fi) return std::nullopt;
      return Anchor{labels[i], LabCells[*fi]};
    };
    std::optional<Anchor> a1 = chain, a2;
    std::optional<std::size_t> a1Label, a2Label;
    if (labels[0].T == 0) {
      if (a1) {
        a2 = foundOf(0);
        a2Label = 0;
      } else {
        a1 = foundOf(0);
        a1Label = 0;
      }
    }
    if (!a2 && labels[n].T == 0) {
      a2 = foundOf(n);
      a2Label = n;
    }
    // One label cannot be measured against itself.
    if (!a1 || !a2 || (a1Label && a2Label && *a1Label == *a2Label)) return false;

    const std::optional<double> s1 = anchorScale(*a1), s2 = anchorScale(*a2);
    if (!s1 || !s2 || !agree(*s1, *s2)) return false;
    double s = (*s1 + *s2) / 2;
    const double foundDistance =
        planeDistance(a1->found.LTPoint.toPoint(), a2->found.LTPoint.toPoint());
    if (foundDistance == 0) return false;
    const double s3 = planeDistance(a1->label.P1.toPoint(), a2->label.P1.toPoint()) / foundDistance;
    if (!std::isfinite(s3) || !agree(s, s3)) return false;
    s = (s + s3) / 2;

    // The title block's origin from anchor 1's left-top corner.
    const double angle = a1->found.Angle;
    const double quarterTurn = 2 * std::atan(1.0);
    const Point3d lt = a1->found.LTPoint.toPoint();
    const double px = a1->label.P1.coordinate(0), py = a1->label.P1.coordinate(1);
    const double down = py / s, left = -px / s;
    Point3d o{lt[0] + down * std::cos(angle - quarterTurn),
              lt[1] + down * std::sin(angle - quarterTurn), lt[2]};
    o = {o[0] + left * std::cos(angle), o[1] + left * std::sin(angle), o[2]};

    // The template fits this frame: its cells must be readable (CellFileError otherwise).
    std::vector<CellType> cells = readTemplateCells(name);
    if (chain) {
      // The cells that the multi-line label's parts head are laid side by side, each as wide
      // as its label was found.
      std::optional<double> x;
      for (std::size_t i = 0; i <= n; ++i) {
        const CellType& label = labels[i];
        if (label.T == 0) continue;
        if (label.T < 0 || static_cast<std::size_t>(label.T) >= cells.size()) return false;
        const std::optional<std::size_t> fi = matchIndex(matches[i], LabCells.size());
        if (!fi) continue;
        CellType& cell = cells[static_cast<std::size_t>(label.T)];
        if (!x) x = cell.P1.coordinate(0);
        cell.P1.setCoordinate(0, *x);
        *x += s * LabCells[*fi].Width;
        cell.P2.setCoordinate(0, *x);
      }
    }
    WriFrameRpt(idx, o[0], o[1], 1 / s, 1 / s, angle, cells, GuidStr);
    return true;
  } catch (const CellFileError&) {
    throw;
  } catch (const sheetcut::Error&) {
    // A label or cell record without the corners it needs does not describe this frame.
    return false;
  }
}

}  // namespace tarvik
