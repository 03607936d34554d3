// Cells of the grid rebuild with their texts, and cells named from the words around a lone
// line.

#include <QRegularExpression>
#include <algorithm>

#include "table_scan.h"
#include "tarvik/recognition/record_xml.h"
#include "tarvik/recognition/table_grid.h"
#include "tarvik/recognition/text_words.h"
#include "tarvik/recognition/word_order.h"

#include "host_calls.h"

namespace tarvik {

namespace {

QString withoutBlanks(QString s) {
  return s.remove(QLatin1Char(' '));
}

// The pattern tables of the lone-line naming: a role word ends the label, a unit or suffix
// word starts the value.
const QStringList kRoleWords = {
    QStringLiteral("批准"), QStringLiteral("校核"), QStringLiteral("检查"), QStringLiteral("编制"),
    QStringLiteral("制图"), QStringLiteral("设计"), QStringLiteral("主任"), QStringLiteral("经理"),
    QStringLiteral("码"),   QStringLiteral("数"),   QStringLiteral("量"),   QStringLiteral("类型"),
    QStringLiteral("分类"), QStringLiteral("员"),   QStringLiteral("人"),   QStringLiteral("工"),
    QStringLiteral("长"),   QStringLiteral("师"),   QStringLiteral("名称"), QStringLiteral("单位"),
    QStringLiteral("部门"), QStringLiteral("科室"), QStringLiteral("部室"), QStringLiteral("专业"),
    QStringLiteral("日期"), QStringLiteral("时间")};
const QStringList kUnitWords = {QStringLiteral("张"), QStringLiteral("页"), QStringLiteral("卷"),
                                QStringLiteral("册"), QStringLiteral("本"), QStringLiteral("元"),
                                QStringLiteral("万"), QStringLiteral("个"), QStringLiteral("项"),
                                QStringLiteral("型")};
const QStringList kSuffixWords = {
    QStringLiteral("部分"), QStringLiteral("专业"),     QStringLiteral("工程"),
    QStringLiteral("阶段"), QStringLiteral("设计阶段"), QStringLiteral("部"),
    QStringLiteral("科"),   QStringLiteral("室"),       QStringLiteral("组"),
    QStringLiteral("队"),   QStringLiteral("年"),       QStringLiteral("月"),
    QStringLiteral("日"),   QStringLiteral("项目组"),   QStringLiteral("设计院"),
    QStringLiteral("院")};

bool endsWithAny(const QString& s, const QStringList& words) {
  return std::any_of(words.begin(), words.end(), [&](const QString& w) { return s.endsWith(w); });
}
bool startsWithAny(const QString& s, const QStringList& words) {
  return std::any_of(words.begin(), words.end(), [&](const QString& w) { return s.startsWith(w); });
}

}  // namespace

QString cellNameFromWords(const QString& label, const QString& value) {
  if (endsWithAny(label, kRoleWords)) return label;
  if (startsWithAny(value, kUnitWords)) return label + QLatin1Char('X') + value;
  if (startsWithAny(value, kSuffixWords)) return QLatin1Char('X') + value;
  return label + QLatin1Char('X') + value;
}

void TableScan::getTblRows(long top, long left, long bottom, long right) {
  appendCell(cellCorners(cad_.recognition().lines, top, left, bottom, right));
}

void TableScan::listCell(CellType cell) {
  cad_.Cells.resize(static_cast<std::size_t>(cad_.CellNum));
  cad_.Cells.push_back(std::move(cell));
  ++cad_.CellNum;
}

void TableScan::appendCell(const GridCell& c) {
  // A cell listed already inside the new rectangle keeps it out (the first cell included);
  // corners that differ by the rounding of the new cell's lines only count as the same.
  const double eps = c.noise;
  for (long k = 0; k < cad_.CellNum; ++k) {
    const CellType& o = cad_.Cells[static_cast<std::size_t>(k)];
    if (cornerX(o.P1) >= c.left - eps && cornerY(o.P1) <= c.top + eps &&
        cornerX(o.P2) <= c.right + eps && cornerY(o.P2) >= c.bottom - eps)
      return;
  }
  CellType cell;
  cell.P1 = Variant::point(c.left, c.top, 0);
  cell.P2 = Variant::point(c.right, c.bottom, 0);
  listCell(std::move(cell));
  textsToXml(cad_.CellNum - 1);
}

QString TableScan::textsToXml(long index) {
  const auto cellAt = [&]() -> CellType& { return cad_.Cells.at(static_cast<std::size_t>(index)); };
  const double left = cornerX(cellAt().P1), top = cornerY(cellAt().P1);
  const double right = cornerX(cellAt().P2), bottom = cornerY(cellAt().P2);
  std::vector<TextType> words;
  for (long i = 0; i < cad_.TextNum && i < static_cast<long>(cad_.Texts.size()); ++i) {
    const TextType& w = cad_.Texts[static_cast<std::size_t>(i)];
    const double cx = (w.XL + w.XR) / 2, cy = w.Y + w.H / 2;
    if (left <= cx && cx <= right && bottom <= cy && cy < top) words.push_back(w);
  }
  sortCellWords(words, 0, words.size());
  double minX = 0, maxX = 0;
  const QString text = joinCellWords(words, minX, maxX);
  if (!words.empty()) cellAt().s = textRowsXml(words);
  if (text.trimmed().isEmpty()) {
    cellAt().T = 0;
    return text;
  }
  const QString label = withoutBlanks(text);
  const double cx = (left + right) / 2;
  const bool header = cad_.State == 0;
  if (header && cx <= minX) {
    // Words in the right half: the right part is the label, the left part its value.
    CellType labelPart = cellAt();
    labelPart.P1.setCoordinate(0, minX);
    labelPart.name = label;
    labelPart.T = kLabelCellOrder;
    labelPart.s.clear();
    CellType& cell = cellAt();
    cell.P2.setCoordinate(0, minX);
    cell.name = label;
    cell.T = 1;
    cell.s = headerActionXml(label, false);
    listCell(std::move(labelPart));
  } else if (header && cx > maxX) {
    // Words in the left half: the right part becomes the value cell.
    CellType valuePart = cellAt();
    valuePart.P1.setCoordinate(0, maxX);
    valuePart.name = label;
    valuePart.T = 1;
    valuePart.s = headerActionXml(label, false);
    CellType& cell = cellAt();
    cell.P2.setCoordinate(0, maxX);
    cell.s.clear();
    listCell(std::move(valuePart));
  }
  CellType& cell = cellAt();
  if (cell.name.isEmpty()) {
    cell.name = label;
    cell.T = kLabelCellOrder;
  }
  return text;
}

CellType TableScan::anCellTexts(const LineType& line) {
  if (!cad_.AcadDoc) return {};
  cadhost::Document doc = *cad_.AcadDoc;
  UcsRestore restore(doc);
  cadhost::SelectionSet set;
  if (!attemptStep([&] { set = freshSelectionSet(doc, "textSS"); })) return {};
  SelectionCleared cleared{set};
  attemptStep([&] { doc.sendCommand(kWorldUcsCommand); });
  const double w = line.pt[0] - line.PF[0];
  const cadhost::Point3 c1{line.PF[0] - w, line.PF[1], 0};
  const cadhost::Point3 c2{line.pt[0] + w, line.PF[1] + 2, 0};
  if (cad_.acadApp) attemptStep([&] { cad_.acadApp->zoomWindow(c1, c2); });
  attemptStep([&] {
    set.select(cadhost::SelectMode::Crossing, &c1, &c2,
               {cadhost::FilterItem{0, std::string("TEXT,MTEXT")}});
  });
  attemptStep([&] { doc.setActiveUcs(doc.userCoordinateSystems().item("QX_UCS")); });
  std::vector<cadhost::Entity> items;
  attemptStep([&] { items = set.items(); });
  if (items.empty()) return {};

  std::vector<TextType> kept;
  for (const cadhost::Entity& e : items) {
    std::vector<TextType> words;
    if (!attemptStep([&] { words = splitTextWords(cad_, doc, e); })) continue;
    for (std::size_t k = 1; k < words.size(); ++k) {
      if (words[k].Y + 0.2 * words[k].H > line.PF[1]) kept.push_back(words[k]);
    }
  }
  QString label, value;
  double height = 0;
  if (!kept.empty()) {
    if (kept.size() >= 2) SortArr(kept);
    const double m = (line.PF[0] + line.pt[0]) / 2;
    const TextType& w0 = kept[0];
    if (w0.XR < m) {
      label = w0.s;
    } else if (w0.XL > m) {
      value = w0.s;
    } else if (w0.XL < m && w0.XR > m) {
      const qsizetype blank = w0.s.indexOf(QLatin1Char(' '));
      if (blank < 0) {
        value = w0.s;
      } else {
        label = w0.s.left(blank);
        value = w0.s.mid(blank + 1);
      }
    }
    height = w0.H;
    for (std::size_t j = 1; j < kept.size(); ++j) {
      const TextType& wj = kept[j];
      const double gap = wj.XL - kept[j - 1].XR;
      if (gap < wj.H / 2) {
        (wj.XL < line.PF[0] ? label : value) += wj.s;
        height = wj.H;
      } else if (wj.XL < line.PF[0]) {
        label = wj.s;
      } else if (!value.isEmpty()) {
        break;
      } else {
        value = wj.s;
      }
    }
  }
  CellType cell;
  cell.P1 = Variant::point(line.PF[0], line.PF[1] + height, 0);
  cell.P2 = Variant::point(line.pt[0], line.PF[1], 0);
  cell.T = 1;
  cell.name = cellNameFromWords(label, value);
  cell.s = headerActionXml(cell.name, false);
  attemptStep([&] { cad_.DrawCell(cell); });
  listCell(std::move(cell));
  return {};
}

}  // namespace tarvik
