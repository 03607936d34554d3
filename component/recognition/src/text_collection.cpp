#include "text_collection.h"

#include <cadhost/application.h>

#include <algorithm>
#include <cmath>

#include "host_calls.h"
#include "tarvik/recognition/word_order.h"
#include "ucs_words.h"

namespace tarvik {

namespace {

double planeDistance(double x0, double y0, double x1, double y1) {
  return std::hypot(x1 - x0, y1 - y0);
}

}  // namespace

void TextCollection::appendRecord(const cadhost::Entity& e) {
  cadhost::Point3 ip, lo, hi;
  TextType t;
  ip = e.insertionPoint();
  e.getBoundingBox(lo, hi);
  t.XL = ip.x;
  t.XR = hi.x;
  t.H = e.height();
  t.Y = ip.y;
  t.s = QString::fromStdString(e.textString());
  cad_.Texts.resize(static_cast<std::size_t>(cad_.TextNum));
  cad_.Texts.push_back(std::move(t));
  ++cad_.TextNum;
}

void TextCollection::getDwgTexts() {
  cad_.Texts.clear();
  cad_.TextNum = 0;
  if (!cad_.AcadDoc) return;
  cadhost::Document doc = *cad_.AcadDoc;
  cadhost::SelectionSet set;
  if (!attemptStep([&] { set = freshSelectionSet(doc, "TSS"); })) return;
  if (cad_.acadApp) {
    attemptStep([&] { cad_.acadApp->setVisible(true); });
    attemptStep([&] { cad_.acadApp->zoomExtents(); });
  }
  const cadhost::Filter filter{{-4, std::string("<and")}, {-4, std::string("<or")},
                               {0, std::string("TEXT")},  {0, std::string("MTEXT")},
                               {-4, std::string("or>")},  {50, 0.0},
                               {-4, std::string("and>")}};
  attemptStep([&] { set.select(cadhost::SelectMode::All, nullptr, nullptr, filter); });
  std::vector<cadhost::Entity> items;
  attemptStep([&] { items = set.items(); });
  for (const cadhost::Entity& e : items) {
    if (cad_.QuitFlag) break;
    QString s;
    if (!attemptStep([&] { s = QString::fromStdString(e.textString()); })) continue;
    if (s.trimmed().isEmpty()) continue;
    attemptStep([&] { appendRecord(e); });
  }
}

void TextCollection::getBlkAttTexts(const cadhost::Entity& blockRef) {
  const std::vector<cadhost::Entity> attributes =
      hostCall("CAD.GetBlkAttTexts", [&] { return blockRef.getAttributes(); });
  for (const cadhost::Entity& a : attributes) attemptStep([&] { appendRecord(a); });
}

void TextCollection::findCornerTexts() {
  cad_.CornerTexts.assign(5, TextType{});
  const long n = std::min<long>(cad_.TextNum, static_cast<long>(cad_.Texts.size()));
  if (n <= 0) return;
  const auto& t = cad_.Texts;
  double minX = t[0].XL, maxX = t[0].XL, minY = t[0].Y, maxY = t[0].Y;
  for (long i = 1; i < n; ++i) {
    const TextType& r = t[static_cast<std::size_t>(i)];
    minX = std::min(minX, r.XL);
    maxX = std::max(maxX, r.XL);
    minY = std::min(minY, r.Y);
    maxY = std::max(maxY, r.Y);
  }
  const double corners[4][2] = {{minX, maxY}, {maxX, maxY}, {maxX, minY}, {minX, minY}};
  for (int c = 0; c < 4; ++c) {
    std::size_t best = 0;
    double bestDist = planeDistance(corners[c][0], corners[c][1], t[0].XL, t[0].Y);
    for (long i = 1; i < n; ++i) {
      const TextType& r = t[static_cast<std::size_t>(i)];
      const double d = planeDistance(corners[c][0], corners[c][1], r.XL, r.Y);
      if (d < bestDist) {
        bestDist = d;
        best = static_cast<std::size_t>(i);
      }
    }
    cad_.CornerTexts[static_cast<std::size_t>(c) + 1] = t[best];
  }
}

QString TextCollection::joinTextRecs(const CellType& cell) {
  const Point3d p1 = cell.P1.toPoint(), p2 = cell.P2.toPoint();
  std::vector<TextType> words;
  const long n = std::min<long>(cad_.TextNum, static_cast<long>(cad_.Texts.size()));
  for (long i = 0; i < n; ++i) {
    TextType& r = cad_.Texts[static_cast<std::size_t>(i)];
    const double cx = (r.XL + r.XR) / 2, cy = r.Y + r.H / 2;
    if (p1[0] < cx && cx < p2[0] && p1[1] < cy && cy < p2[1]) {
      words.push_back(r);
      r.s.clear();  // a text serves one cell only
    }
  }
  if (words.empty()) return {};
  sortCellWords(words, 0, words.size());
  // Only a cell whose name holds the row mark "|*|" gets it between rows of another kind.
  if (cell.name.contains(QLatin1String("|*|"))) {
    double minX = 0, maxX = 0;
    return joinCellWords(words, minX, maxX);
  }
  QString text;
  for (const TextType& w : words) text += w.s;
  return text;
}

double TextCollection::nearestLineEnd(const TextType& word, int side, long& lineIndex) const {
  const auto& lines = cad_.recognition().lines.HLines();
  const double wx = side == 1 ? word.XL : word.XR;
  double best = 1000;
  lineIndex = -1;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const Point3d& end = side == 1 ? lines[i].pt : lines[i].PF;
    const double d = planeDistance(wx, word.Y, end[0], end[1]);
    if (d < best) {
      best = d;
      lineIndex = static_cast<long>(i);
    }
  }
  if (lineIndex != -1 &&
      !(best < 2 * word.H &&
        std::fabs(lines[static_cast<std::size_t>(lineIndex)].PF[1] - word.Y) < word.H / 5)) {
    lineIndex = -1;
  }
  return best;
}

QString TextCollection::getFrameTexts(const Point3d& L, const Point3d& R) {
  std::vector<TextType> kept = frameWords(L, R);
  if (kept.size() > 1) SortArr(kept);
  QString text;
  for (const TextType& w : kept) text += w.s;
  return text;
}

std::vector<TextType> TextCollection::frameWords(const Point3d& L, const Point3d& R) {
  if (!cad_.acadApp) return {};
  attemptStep([&] { cad_.AcadDoc = cad_.acadApp->activeDocument(); });
  if (!cad_.AcadDoc) return {};
  cadhost::Document doc = *cad_.AcadDoc;
  UcsRestore restore(doc);
  const std::string& name = restore.name();
  const bool named = !name.empty();

  std::vector<cadhost::Point3> polygon;
  for (const Point3d& c : {L, Point3d{L[0], R[1], 0}, R, Point3d{R[0], L[1], 0}}) {
    cadhost::Point3 w = hostPoint(c);
    if (named) {
      attemptStep([&] {
        w = doc.utility().translateCoordinates(w, cadhost::CoordSys::User, cadhost::CoordSys::World,
                                               false);
      });
    }
    w.z = 0;
    polygon.push_back(w);
  }
  cadhost::SelectionSet set;
  if (!attemptStep([&] { set = freshSelectionSet(doc, "textSS"); })) return {};
  SelectionCleared cleared{set};
  attemptStep([&] { doc.sendCommand(kWorldUcsCommand); });
  const SelectionWindow window = windowOf(std::move(polygon));
  attemptStep([&] { cad_.acadApp->zoomWindow(window.lo, window.hi); });
  attemptStep([&] {
    set.selectByPolygon(cadhost::SelectMode::CrossingPolygon, window.polygon,
                        {cadhost::FilterItem{0, std::string("TEXT,MTEXT")}});
  });
  activateUcs(doc, name);
  std::vector<cadhost::Entity> items;
  attemptStep([&] { items = set.items(); });

  const double loY = std::min(L[1], R[1]), hiY = std::max(L[1], R[1]);
  std::vector<TextType> kept;
  for (const cadhost::Entity& e : items) {
    for (TextType& w : wordsInUcs(cad_, doc, name, e)) {
      const double cx = (w.XL + w.XR) / 2, cy = w.Y + w.H / 2;
      if (L[0] < cx && cx < R[0] && loY < cy && cy < hiY) kept.push_back(std::move(w));
    }
  }
  return kept;
}

}  // namespace tarvik
