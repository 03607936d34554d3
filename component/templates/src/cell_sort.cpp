#include "tarvik/cell_sort.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>
#include <utility>

#include "tarvik/rect_tests.h"

namespace tarvik {

namespace {

struct NameCount {
  QString name;
  long count = 0;
};

// Distinct non-empty names in order of first appearance, with their counts.
std::vector<NameCount> countNames(const std::vector<CellType>& cells, size_t n) {
  std::vector<NameCount> table;
  std::unordered_map<QString, size_t> slot;
  for (size_t k = 0; k < n; ++k) {
    const QString& name = cells[k].name;
    if (name.isEmpty()) continue;
    const auto [it, added] = slot.try_emplace(name, table.size());
    if (added) {
      table.push_back({name, 1});
    } else {
      ++table[it->second].count;
    }
  }
  return table;
}

void normaliseCorners(CellType& cell) {
  const double ax = cell.P1.coordinate(0), ay = cell.P1.coordinate(1);
  const double bx = cell.P2.coordinate(0), by = cell.P2.coordinate(1);
  // Min and max as the numeric helpers give them: the second value on a tie.
  const auto lo = [](double a, double b) { return a < b ? a : b; };
  const auto hi = [](double a, double b) { return a > b ? a : b; };
  cell.P1.setCoordinate(0, lo(ax, bx));
  cell.P1.setCoordinate(1, lo(ay, by));
  cell.P2.setCoordinate(0, hi(ax, bx));
  cell.P2.setCoordinate(1, hi(ay, by));
}

double topOf(const CellType& cell) {
  const double a = cell.P1.coordinate(1), b = cell.P2.coordinate(1);
  return a > b ? a : b;
}

// Numbers the cells of `name` from the top down, keeping the positions the name holds.
void numberName(std::vector<CellType>& cells, size_t n, const QString& name) {
  std::int16_t counter = 0;
  for (size_t k = 0; k < n; ++k) {
    if (cells[k].name != name) continue;
    for (size_t j = k + 1; j < n; ++j) {
      if (cells[j].name == name && topOf(cells[j]) > topOf(cells[k])) {
        std::swap(cells[k], cells[j]);
      }
    }
    ++counter;
    cells[k].T = counter;
  }
}

// Whether cell k goes before cell j in the final order.
bool goesBefore(const CellType& k, const CellType& j) {
  if (k.T < j.T) return true;
  if (k.T != j.T) return false;
  const double jy = j.P1.coordinate(1), ky = k.P1.coordinate(1);
  return jy < ky || (j.P1.coordinate(0) > k.P1.coordinate(0) && tolTest(jy, ky));
}

}  // namespace

void sortCells(std::vector<CellType>& cells, long count) {
  const size_t n = count <= 0 ? 0 : std::min(static_cast<size_t>(count), cells.size());
  // Worked on a copy: a cell without usable corners leaves the list as it was.
  std::vector<CellType> work(cells.begin(), cells.begin() + static_cast<std::ptrdiff_t>(n));

  const std::vector<NameCount> names = countNames(work, n);
  for (CellType& cell : work) normaliseCorners(cell);

  for (const NameCount& entry : names) {
    if (entry.count == 1) {
      for (CellType& cell : work) {
        if (cell.name == entry.name) {
          cell.T = kLabelCellOrder;
          break;
        }
      }
    } else {
      numberName(work, n, entry.name);
    }
  }

  for (size_t j = 0; j + 1 < n; ++j) {
    for (size_t k = j + 1; k < n; ++k) {
      if (goesBefore(work[k], work[j])) std::swap(work[j], work[k]);
    }
  }

  std::move(work.begin(), work.end(), cells.begin());
}

}  // namespace tarvik
