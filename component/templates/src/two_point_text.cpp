// Text in the box between two points in drawing coordinates.

#include <cadhost/entity.h>

#include <cmath>
#include <optional>

#include "host_calls.h"
#include "tarvik/attempt.h"
#include "tarvik/cad.h"

namespace tarvik {

namespace {

constexpr double kMargin = 1.0;
constexpr double kSingleLeftMargin = 1.5;   // times the scale
constexpr double kSingleRightMargin = 1.5;  // in drawing units, whatever the scale
constexpr double kSingleBottomMargin = 0.5;

double singleLineHeight(double h) {
  return h <= 8 ? 3.5 : h <= 13 ? 7.0 : 10.0;
}

double multiLineHeight(double h) {
  return h <= 8 ? 3.5 : h <= 15 ? 7.0 : 10.0;
}

struct Placement {
  int alignment;
  bool atMiddle;  // the alignment point lies on the box's middle line, else on the baseline
  enum { Left, Centre, Right } x;
};

// The alignment code and point of each placement text.
std::optional<Placement> placementOf(const QString& fs) {
  const QString code = fs.toUpper();
  if (code == u"BL") return Placement{12, false, Placement::Left};
  if (code == u"BC") return Placement{13, false, Placement::Centre};
  if (code == u"BR") return Placement{14, false, Placement::Right};
  if (code == u"ML") return Placement{9, true, Placement::Left};
  if (code == u"MC") return Placement{10, true, Placement::Centre};
  if (code == u"MR") return Placement{11, true, Placement::Right};
  if (code == u"F") return Placement{5, false, Placement::Right};
  return std::nullopt;
}

}  // namespace

void CAD::Add2PText(const Point3d& P1, const Point3d& P2, const QString& txtStr, double XYScale,
                    const QString& FS) {
  constexpr const char* kSource = "CAD.Add2PText";
  cadhost::Document doc = requireDocument(*this, kSource);
  const double height = singleLineHeight(std::abs(P2[1] - P1[1])) * XYScale;
  const cadhost::Point3 p{P1[0] + kSingleLeftMargin * XYScale,
                          Min(P1[1], P2[1]) + kSingleBottomMargin * XYScale, 0};
  hostCall(kSource, [&] {
    cadhost::Entity text = doc.modelSpace().addText(txtStr.toStdString(), p, height);
    const std::optional<Placement> placement = placementOf(FS);
    if (!placement) return;
    cadhost::Point3 a = p;
    if (placement->atMiddle) a.y = (P1[1] + P2[1]) / 2;
    if (placement->x == Placement::Centre) a.x = (P1[0] + P2[0]) / 2;
    if (placement->x == Placement::Right) a.x = P2[0] - kSingleRightMargin;
    text.setAlignment(placement->alignment);
    text.setTextAlignmentPoint(a);
  });
}

void CAD::Add2PMtext(const Point3d& P1, const Point3d& P2, const QString& txtStr, double XYScale,
                     const QString& strDuiQi) {
  constexpr const char* kSource = "CAD.Add2PMtext";
  cadhost::Document doc = requireDocument(*this, kSource);
  const double height = multiLineHeight(std::abs(P2[1] - P1[1])) * XYScale;
  const double width = ((P2[0] - P1[0]) - 2 * kMargin) * XYScale;
  cadhost::Point3 q{(P1[0] + kMargin) * XYScale, (P1[1] + P2[1]) / 2 * XYScale, 0};
  cadhost::Entity text = hostCall(kSource, [&] {
    cadhost::Entity t = doc.modelSpace().addMText(q, width, txtStr.toStdString());
    t.setHeight(height);
    if (strDuiQi == u"C") {
      t.setAttachmentPoint(5);
      q.x = (P1[0] + P2[0]) / 2 * XYScale;
      t.setInsertionPoint(q);
    } else if (strDuiQi == u"R") {
      t.setAttachmentPoint(6);
      q.x = (P2[0] - kMargin) * XYScale - kMargin;
      t.setInsertionPoint(q);
    } else if (strDuiQi == u"L") {
      t.setAttachmentPoint(4);
      t.setInsertionPoint(q);
    }
    return t;
  });
  cadhost::Ucs ucs;
  if (attemptGet(ucs, [&] { return doc.activeUcs(); }))
    (void)attempt([&] { text.transformBy(ucs.getUcsMatrix()); });
  (void)attempt([&] { text.update(); });
}

}  // namespace tarvik
