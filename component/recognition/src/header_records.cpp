// Value cells of each label cell after a table was rebuilt in header mode.

#include "table_scan.h"
#include "tarvik/recognition/record_xml.h"
#include "tarvik/rect_tests.h"

namespace tarvik {

namespace {

// The margin by which a value cell may reach above or below its label's row.
constexpr double kRowMargin = 1.0;

}  // namespace

void anHeaderXml(std::vector<CellType>& cells, long count) {
  count = std::min<long>(count, static_cast<long>(cells.size()));
  const auto at = [&](long k) -> CellType& { return cells[static_cast<std::size_t>(k)]; };
  for (long i = 0; i < count; ++i) {
    if (at(i).T != kLabelCellOrder) continue;
    const CellType L = at(i);
    const QString record = headerActionXml(L.name, true);
    const auto numbered = [&](long counter) {
      return counter == 0 ? L.name : L.name + QString::number(counter);
    };
    const auto inRow = [&](const CellType& N) {
      return cornerY(N.P1) <= cornerY(L.P1) + kRowMargin &&
             cornerY(N.P2) >= cornerY(L.P2) - kRowMargin;
    };
    // Per-label state: the running edges, the count, and this label's own first column cell.
    long counter = 0;
    long columnCount = 0;
    long first = -1;
    double leftEdge = cornerX(L.P2);
    double bottom = cornerY(L.P2);
    const auto takeColumnCell = [&](long j, int sign) {
      CellType& N = at(j);
      N.name = L.name;
      ++counter;
      ++columnCount;
      if (columnCount == 1) {
        first = j;
        N.T = static_cast<std::int16_t>(sign);
        N.s = record;
      } else {
        at(first).T = static_cast<std::int16_t>(sign * columnCount);
        N.T = kLabelCellOrder;
        N.s.clear();
      }
      bottom = cornerY(N.P2);
    };
    const auto isColumnCell = [&](const CellType& N) {
      return N.T == 0 && tolTest(cornerX(N.P1), cornerX(L.P1)) &&
             tolTest(cornerX(N.P2), cornerX(L.P2)) && tolTest(cornerY(N.P1), bottom);
    };
    for (long j = 0; j < count; ++j) {
      CellType& N = at(j);
      if (N.T == 0 && (tolTest(cornerX(N.P1), cornerX(L.P2)) || tolTest(cornerX(N.P1), leftEdge)) &&
          inRow(N)) {
        N.name = numbered(counter);
        N.T = 1;
        N.s = record;
        leftEdge = cornerX(N.P2);
        ++counter;
      } else if (isColumnCell(N)) {
        takeColumnCell(j, 1);
      }
    }
    if (counter != 0) continue;
    columnCount = 0;
    first = -1;
    bottom = cornerY(L.P1);
    for (long j = count - 1; j >= 0; --j) {
      CellType& N = at(j);
      if (N.T == 0 && tolTest(cornerX(N.P2), cornerX(L.P1)) && inRow(N)) {
        N.name = numbered(counter);
        N.T = 1;
        N.s = record;
        ++counter;
      } else if (isColumnCell(N)) {
        takeColumnCell(j, -1);
      }
    }
  }
}

}  // namespace tarvik
