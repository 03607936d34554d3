#include "cell_text_writer.h"

#include <cadhost/entity.h>
#include <cadhost/host_error.h>

#include <cmath>
#include <vector>

#include "tarvik/attempt.h"
#include "tarvik/utf8_offsets.h"

namespace tarvik {

namespace {

constexpr double kMargin = 1.0;
// A text up to this much longer than a whole number of lines is squeezed into them.
constexpr double kSqueezeTolerance = 1.2;

constexpr int kAlignCenter = 1;
constexpr int kAlignRight = 2;
constexpr int kAlignFit = 5;
constexpr int kAttachMiddleLeft = 4;
constexpr int kAttachMiddleCenter = 5;
constexpr int kAttachMiddleRight = 6;

double textWidth(const cadhost::Entity& text) {
  cadhost::Point3 lo, hi;
  text.getBoundingBox(lo, hi);
  return hi.x - lo.x;
}

// The positions of s from 0 to s.size() that split no surrogate pair.
std::vector<qsizetype> codePointStarts(const QString& s) {
  std::vector<qsizetype> starts;
  starts.reserve(static_cast<std::size_t>(s.size()) + 1);
  for (qsizetype i = 0; i <= s.size(); ++i) {
    if (i > 0 && i < s.size() && s[i].isLowSurrogate() && s[i - 1].isHighSurrogate()) continue;
    starts.push_back(i);
  }
  return starts;
}

cadhost::Point3 at(double x, double y) {
  return {x, y, 0};
}

// The cell's corners, height, single-line text height and usable width, scaled.
struct SingleLineCell {
  double x1, y1, x2, y2, h, height, w;
};

SingleLineCell singleLineCell(const CellType& cell, double scale) {
  SingleLineCell c{};
  c.x1 = cell.P1.coordinate(0);
  c.y1 = cell.P1.coordinate(1);
  c.x2 = cell.P2.coordinate(0);
  c.y2 = cell.P2.coordinate(1);
  c.h = std::abs(c.y2 - c.y1);
  c.height = singleLineTextHeight(c.h) * scale;
  c.w = ((c.x2 - c.x1) - 2 * kMargin) * scale;
  return c;
}

}  // namespace

double singleLineTextHeight(double h) {
  return h <= 9 ? 3.0 : h <= 15 ? 4.0 : 5.0;
}

double multiLineTextHeight(double h) {
  return h <= 9 ? 3.0 : h <= 15 ? 5.0 : 7.0;
}

LineSplit splitIntoLines(double t, double w) {
  LineSplit split;
  if (!(w > 0) || !(t > 0)) return split;
  double n = t / w;
  const double whole = std::floor(n);
  if (n > 1 && n / kSqueezeTolerance <= whole) n = whole;
  split.n = n;
  split.whole = n == std::floor(n);
  split.count = static_cast<int>(split.whole ? n : std::floor(n) + 1);
  return split;
}

void chooseAlignment(const CellType& cell, QString& letter) {
  if (letter.isEmpty())
    letter = cell.name == QStringLiteral("工程") ? QStringLiteral("R") : QStringLiteral("C");
}

int CellTextWriter::lineCount(const CellType& cell, double scale) {
  if (cell.s.isEmpty()) return 0;
  const SingleLineCell c = singleLineCell(cell, scale);
  cadhost::Entity probe = doc_.modelSpace().addText(cell.s.toStdString(), at(0, 0), c.height);
  const double t = textWidth(probe);
  probe.erase();
  return splitIntoLines(t, c.w).count;
}

int CellTextWriter::writeLines(const CellType& cell, double scale, QString& letter, int row,
                               std::vector<cadhost::Entity>* added) {
  const auto [x1, y1, x2, y2, h, height, w] = singleLineCell(cell, scale);
  const double y = cell.T > 0 ? (y1 - (y1 - y2) * (row - 0.5)) * scale - height / 2
                              : (y1 + (y1 - y2) * (row - 1.5)) * scale - height / 2;
  cadhost::Point3 left = at((x1 + kMargin) * scale, y);
  cadhost::Point3 right = at((x2 - kMargin) * scale, y);
  chooseAlignment(cell, letter);
  if (cell.s.isEmpty()) return 0;

  cadhost::Block space = doc_.modelSpace();
  cadhost::Entity text = space.addText(cell.s.toStdString(), left, height);
  if (added != nullptr) added->push_back(text);
  const double t = textWidth(text);
  const LineSplit split = splitIntoLines(t, w);
  const int count = split.count;

  // Moves characters from the end of the text to the front of the later lines until what is
  // left fits the lines before them. The line width is kept in single precision.
  std::vector<QString> lines(static_cast<std::size_t>(count) + 1);
  bool firstEmpty = false;  // every character went to later lines (characters wider than L)
  if (count > 1) {
    const float lineWidth = static_cast<float>(t / split.n);
    const std::vector<qsizetype> cuts = codePointStarts(cell.s);
    const std::vector<std::size_t> bytes = utf8Offsets(cell.s);
    std::vector<std::size_t> byteCuts;
    byteCuts.reserve(cuts.size());
    for (const qsizetype c : cuts) byteCuts.push_back(bytes[static_cast<std::size_t>(c)]);
    // widths[j]: the width of the text cut to its first j code points.
    const std::vector<double> widths = text.prefixWidths(byteCuts);
    std::size_t kept = cuts.size() - 1;  // code points left on the earlier lines
    qsizetype lineEnd = cell.s.size();   // where line k ends
    int k = count;
    while (k > 1 && kept > 0) {
      --kept;
      const double now = kept == 0 ? 0 : widths[kept];
      if (now <= static_cast<double>(static_cast<float>(k - 1) * lineWidth)) {
        const qsizetype from = cuts[kept];
        lines[static_cast<std::size_t>(k--)] = cell.s.mid(from, lineEnd - from);
        lineEnd = from;
      }
    }
    // What is left over of a line that never filled up stays in front of it.
    if (k > 1) lines[static_cast<std::size_t>(k)] = cell.s.left(lineEnd);
    const QString rest = cell.s.left(cuts[kept]);
    firstEmpty = rest.isEmpty();
    if (!firstEmpty) {
      text.setTextString(rest.toStdString());
      text.update();
    }
  }

  for (int i = 1; i <= count; ++i) {
    if (i > 1) {
      left.y -= h * scale;
      right.y -= h * scale;
      const QString& line = lines[static_cast<std::size_t>(i)];
      if (line.isEmpty()) continue;  // the text ran out before this line
      text = space.addText(line.toStdString(), left, height);
      if (added != nullptr) added->push_back(text);
    } else if (firstEmpty) {
      text.erase();  // no empty text stays behind
      continue;
    }
    if (split.whole || i < count) {
      text.setAlignment(kAlignFit);
      text.setTextAlignmentPoint(right);
    } else if (letter == QStringLiteral("C")) {
      text.setAlignment(kAlignCenter);
      text.setTextAlignmentPoint(at((x1 + x2) / 2 * scale, left.y));
    } else if (letter == QStringLiteral("R")) {
      text.setAlignment(kAlignRight);
      text.setTextAlignmentPoint(right);
    }
    toUserCoordinates(text, false);
  }
  return count;
}

cadhost::Entity CellTextWriter::writeMText(const CellType& cell, double scale, QString& letter) {
  const double x1 = cell.P1.coordinate(0), y1 = cell.P1.coordinate(1);
  const double x2 = cell.P2.coordinate(0), y2 = cell.P2.coordinate(1);
  const double height = multiLineTextHeight(std::abs(y2 - y1)) * scale;
  const double w = ((x2 - x1) - 2 * kMargin) * scale;
  cadhost::Point3 q = at((x1 + kMargin) * scale, (y1 + y2) / 2 * scale);
  chooseAlignment(cell, letter);

  cadhost::Entity text = doc_.modelSpace().addMText(q, w, cell.s.toStdString());
  text.setHeight(height);
  int attachment = 0;
  if (letter == QStringLiteral("C")) {
    attachment = kAttachMiddleCenter;
    q.x = (x1 + x2) / 2 * scale;
  } else if (letter == QStringLiteral("R")) {
    attachment = kAttachMiddleRight;
    q.x = (x2 - kMargin) * scale;
  } else if (letter == QStringLiteral("L")) {
    attachment = kAttachMiddleLeft;
  }
  if (attachment != 0) {
    text.setAttachmentPoint(attachment);
    text.setInsertionPoint(q);
  }
  toUserCoordinates(text, true);
  return text;
}

void CellTextWriter::toUserCoordinates(cadhost::Entity& text, bool resetRotation) {
  cadhost::Ucs ucs;
  if (attemptGet(ucs, [&] { return doc_.activeUcs(); })) {
    if (attempt([&] { text.transformBy(ucs.getUcsMatrix()); }) && resetRotation)
      (void)attempt([&] { text.setRotation(0); });
  }
  (void)attempt([&] { text.update(); });
}

}  // namespace tarvik
