// Looking for a template's block layout among the texts of the drawing.

#include <cadhost/application.h>

#include <QFileInfo>
#include <cmath>

#include "host_calls.h"
#include "tarvik/attempt.h"
#include "tarvik/cad.h"
#include "tarvik/layout_placement.h"

namespace tarvik {

namespace {

constexpr std::size_t kMaxTexts = 1001;

// A wildcard pattern that finds texts holding the characters of `text` (spaces left out) in
// order: "*" before each character and at the end. Characters the host's wildcards give a
// meaning are escaped so that they stand for themselves.
QString containsPattern(const QString& text) {
  static const QString kSpecial = QStringLiteral("#@.*?~[]-,`");
  QString pattern;
  for (const QChar c : text) {
    if (c == u' ') continue;
    pattern += u'*';
    if (kSpecial.contains(c)) pattern += u'`';
    pattern += c;
  }
  return pattern + u'*';
}

QString withoutSpaces(QString s) {
  return s.remove(u' ');
}

}  // namespace

std::vector<LayoutPlacement> CAD::MatchBlnMod(int i, const std::optional<Point3d>& P1,
                                              const std::optional<Point3d>& P2) {
  std::vector<LayoutPlacement> found;
  Texts.clear();
  TextNum = 0;
  if (i < 1 || i > ModNum || static_cast<std::size_t>(i) >= ModList.size() || !AcadDoc)
    return found;
  const QString name = ModList[static_cast<std::size_t>(i)].n;
  if (!QFileInfo(modFilePath(name, QStringLiteral(".bln"))).isFile()) return found;
  ReadBlockLayout(name);
  if (CornerTexts.size() < 5) return found;

  // From here every host failure is skipped.
  cadhost::Document doc = *AcadDoc;
  cadhost::SelectionSet set;
  if (!attemptGet(set, [&] { return freshSelectionSet(doc, "TSS"); })) return found;
  if (acadApp) {
    (void)attempt([&] { acadApp->setVisible(true); });
    (void)attempt([&] { acadApp->zoomExtents(); });
  }
  QStringList patterns;
  for (int k = 1; k <= 4; ++k)
    patterns << containsPattern(CornerTexts[static_cast<std::size_t>(k)].s);
  const cadhost::Filter filter{{0, std::string("TEXT,MTEXT")},
                               {1, patterns.join(u',').toStdString()}};
  bool selected = false;
  if (P1 && P2) {
    const cadhost::Point3 a{(*P1)[0], (*P1)[1], (*P1)[2]}, b{(*P2)[0], (*P2)[1], (*P2)[2]};
    selected = attempt([&] { set.select(cadhost::SelectMode::Crossing, &a, &b, filter); });
  } else {
    selected = attempt([&] { set.select(cadhost::SelectMode::All, nullptr, nullptr, filter); });
  }
  if (!selected) return found;  // no orderly way on: nothing is matched
  std::vector<cadhost::Entity> items;
  (void)attemptGet(items, [&] { return set.items(); });
  for (const cadhost::Entity& e : items) {
    if (QuitFlag) return found;
    QString s;
    if (!attemptGet(s, [&] { return QString::fromStdString(e.textString()); })) continue;
    if (s.trimmed().isEmpty() || Texts.size() >= kMaxTexts) continue;
    TextType t;
    t.s = s;
    cadhost::Point3 lo, hi;
    if (attempt([&] { e.getBoundingBox(lo, hi); })) {
      t.XL = lo.x;
      t.XR = hi.x;
      t.Y = lo.y;
    }
    (void)attemptGet(t.H, [&] { return e.height(); });
    Texts.push_back(std::move(t));
    ++TextNum;
  }

  // Candidates per reference text, compared with every space left out.
  std::vector<long> candidates[5];
  for (long t = 0; t < TextNum; ++t) {
    const QString s = withoutSpaces(Texts[static_cast<std::size_t>(t)].s);
    for (int k = 1; k <= 4; ++k) {
      if (s == withoutSpaces(CornerTexts[static_cast<std::size_t>(k)].s))
        candidates[k].push_back(t);
    }
  }
  if (candidates[1].empty() || candidates[3].empty()) return found;
  const std::optional<double> r0 = layoutDirection(CornerTexts[1], CornerTexts[3]);
  if (!r0) return found;
  for (long a : candidates[1]) {
    for (long b : candidates[3]) {
      if (QuitFlag) return found;
      const TextType& ta = Texts[static_cast<std::size_t>(a)];
      const TextType& tb = Texts[static_cast<std::size_t>(b)];
      const std::optional<double> r = layoutDirection(ta, tb);
      if (!r || !(std::abs(*r0 - *r) < std::abs(*r0 / 10))) continue;
      found.push_back(placeLayout(CornerTexts[1], CornerTexts[3], ta, tb));
    }
  }
  return found;
}

}  // namespace tarvik
