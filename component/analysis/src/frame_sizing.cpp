#include "tarvik/frame_sizing.h"

#include <sheetcut/error.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

#include "tarvik/cad.h"
#include "tarvik/frame_definitions.h"

namespace tarvik {

namespace {

const char* const kSource = "ComputeFrameSize";

[[noreturn]] void fail(const std::string& what, long number = sheetcut::errnum::kGeneric) {
  throw sheetcut::Error(number, what, kSource);
}

// Lengthening steps for a length L over the inner length A: none when it fits, else whole steps
// of ExtWidth where an excess of up to 1 % of a step is dropped; -1 when it cannot be
// lengthened.
int lengtheningSteps(double L, double A, float extWidth) {
  if (L <= A) return 0;
  if (!(extWidth > 0)) return -1;
  const double steps = std::floor((L - A) / extWidth + 0.99);
  if (steps > std::numeric_limits<std::int16_t>::max())
    fail("The border needs more lengthening steps than a frame can have",
         sheetcut::errnum::kOverflow);
  return static_cast<int>(steps);
}

// The shortest text that reads back as the same number of the value's own type.
template <typename T>
QString numberText(T v) {
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  return QString::fromLatin1(buf, r.ptr - buf);
}

QString pointText(const std::vector<double>& p) {
  return QStringLiteral("(%1, %2)").arg(numberText(p[0]), numberText(p[1]));
}

// A frame is drawn from these values: one that no number holds (a border or a scale at the
// ends of the number range, a border that is not a number) is no frame.
void checkFinite(const FrameType& f, const std::vector<double>& MinPoint,
                 const std::vector<double>& MaxPoint, float scale) {
  const auto check = [&](double v, const char* field) {
    if (std::isfinite(v)) return;
    fail(QStringLiteral("The border %1 to %2 at the scale %3 gives a frame whose %4 is %5")
             .arg(pointText(MinPoint), pointText(MaxPoint), numberText(scale),
                  QString::fromLatin1(field), numberText(v))
             .toStdString(),
         sheetcut::errnum::kOverflow);
  };
  check(f.Width, "Width");
  check(f.Height, "Height");
  check(f.ValA1, "ValA1");
  const char* const spacing[] = {
      "", "FrmSpacing(1)", "FrmSpacing(2)", "FrmSpacing(3)", "FrmSpacing(4)", "FrmSpacing(5)"};
  for (int k = 1; k <= 5; ++k) check(f.FrmSpacing[k], spacing[k]);
  check(f.FrmLineStyle[1], "FrmLineStyle(1)");
  check(f.FrmLineStyle[3], "FrmLineStyle(3)");
  check(f.InsPoint[0], "InsPoint(0)");
  check(f.InsPoint[1], "InsPoint(1)");
}

}  // namespace

FrameType chooseFrame(const std::vector<FrameType>& defs, const FrameRequest& r) {
  if (defs.size() < 5) fail("The subclass holds fewer than five frame definitions");
  for (int i = 4; i >= 0; --i) {
    const FrameType& d = defs[i];
    if (r.ID != -1 && d.ID != r.ID) continue;
    FrameType frm = d;
    double A = static_cast<double>(d.Width) - (d.FrmSpacing[4] + d.FrmSpacing[2]);
    const double B = static_cast<double>(d.Height) - d.FrmSpacing[1] - d.FrmSpacing[3];
    const double lab = r.LabFlag ? d.FrmSpacing[5] : 0.0;
    if (r.DirectFlag != 2 && (d.DirectFlag == 0 || d.DirectFlag == 1) && r.Hm <= B - lab) {
      frm.DirectFlag = 1;
    } else if (r.DirectFlag != 1 && (d.DirectFlag == 0 || d.DirectFlag == 2) && r.Wm <= B) {
      frm.DirectFlag = 2;
      A = static_cast<double>(d.Width) - lab;
    } else {
      // The border fits this sheet in neither allowed direction: not a candidate, whatever
      // direction the definition itself names.
      continue;
    }
    int steps = -1;
    if (frm.DirectFlag == 1) steps = lengtheningSteps(r.Wm, A, d.ExtWidth);
    if (frm.DirectFlag == 2) steps = lengtheningSteps(r.Hm, A, d.ExtWidth);
    frm.ExtCount = static_cast<std::int16_t>(steps);
    const bool taken = steps == 0 || (r.ExtNum == -1 && steps > 0 && d.ExtWidth != 0);
    if (!taken) continue;
    if (r.ExtNum != -1) frm.ExtCount = static_cast<std::int16_t>(r.ExtNum);
    return frm;
  }

  // No definition fits: a sheet around the border with the first definition's margins.
  FrameType frm = defs[0];
  frm.ID = -1;
  if (!(frm.Width > 0) || !(frm.Height > 0))
    fail("The first frame definition has no width or height to build a frame around the border");
  const double lab = r.LabFlag ? frm.FrmSpacing[5] : 0.0;
  const double rW = r.Wm / frm.Width;
  const double rH = r.Hm / frm.Height;
  const auto& s = frm.FrmSpacing;
  if (rH > rW) {
    frm.Width = static_cast<float>(s[4] + r.Hm + s[2] + lab);
    frm.Height = static_cast<float>(s[1] + r.Wm + s[3]);
    frm.DirectFlag = 2;
  } else {
    frm.Width = static_cast<float>(s[4] + r.Wm + s[2]);
    frm.Height = static_cast<float>(s[1] + r.Hm + s[3] + lab);
    frm.DirectFlag = 1;
  }
  return frm;
}

FrameType placeFrame(FrameType frm, const std::vector<double>& MinPoint,
                     const std::vector<double>& MaxPoint, double scale, bool labFlag) {
  const double n = frm.ExtCount;
  frm.Width = static_cast<float>((frm.Width + n * frm.ExtWidth) * scale);
  frm.Height = static_cast<float>(frm.Height * scale);
  frm.ValA1 = static_cast<float>(frm.ValA1 + n * frm.ExtValA1);
  frm.Scale = scale;
  auto& s = frm.FrmSpacing;
  if (frm.DirectFlag == 2) {
    // The sheet turns a quarter: its left margin becomes the top one, and so on round.
    const std::array<float, 6> old = s;
    s[1] = static_cast<float>(old[4] * scale);
    s[2] = static_cast<float>(old[1] * scale);
    s[3] = static_cast<float>(old[2] * scale);
    s[4] = static_cast<float>(old[3] * scale);
    s[5] = static_cast<float>(old[5] * scale);
    std::swap(frm.Width, frm.Height);
  } else {
    for (int k = 1; k <= 5; ++k) s[k] = static_cast<float>(s[k] * scale);
  }
  frm.FrmLineStyle[1] = static_cast<float>(frm.FrmLineStyle[1] * scale);
  frm.FrmLineStyle[3] = static_cast<float>(frm.FrmLineStyle[3] * scale);
  frm.InsPoint[0] = (MinPoint[0] + MaxPoint[0] - frm.Width + static_cast<double>(s[2]) - s[4]) / 2;
  frm.InsPoint[1] =
      (MinPoint[1] + MaxPoint[1] - frm.Height + static_cast<double>(s[1]) - s[3]) / 2 -
      (labFlag ? static_cast<double>(s[5]) : 0.0);
  return frm;
}

FrameType CAD::ComputeFrameSize(const QString& frmType, std::vector<double>& MinPoint,
                                std::vector<double>& MaxPoint, float XYScale, int DirectFlag,
                                bool LabFlag, int ExtNum, int ID) {
  // A scale of 0, below 0 or not a number sizes nothing.
  if (!(XYScale > 0)) {
    ui().showMessage(QString(), QStringLiteral("请输入图纸比例"));
    return FrameType{};
  }
  if (!std::isfinite(XYScale))
    fail(QStringLiteral("The scale %1 is not a finite number")
             .arg(numberText(XYScale))
             .toStdString(),
         sheetcut::errnum::kOverflow);
  // An imposed count becomes the record's 16-bit ExtCount: a count it cannot hold, or one
  // below none, would lengthen the sheet into a negative one.
  constexpr int kMostSteps = std::numeric_limits<std::int16_t>::max();
  if (ExtNum != -1 && (ExtNum < 0 || ExtNum > kMostSteps))
    fail(QStringLiteral("The lengthening count %1 is outside 0 to %2 (-1 computes it)")
             .arg(ExtNum)
             .arg(kMostSteps)
             .toStdString(),
         ExtNum > kMostSteps ? sheetcut::errnum::kOverflow : sheetcut::errnum::kGeneric);
  if (FrameDefPath.isEmpty()) fail("No frame-definition file has been named");
  const XmlNode subclass =
      mXML::SelectNode(FrameDefPath, QStringLiteral("frameDef/class/subclass"), 0, frmType);
  if (!subclass)
    fail("The frame-definition file " + FrameDefPath.toStdString() + " has no subclass \"" +
         frmType.toStdString() + "\"");
  const XmlNode frames = subclass.selectSingleNode(QStringLiteral("frames"));
  if (!frames) fail("The subclass \"" + frmType.toStdString() + "\" has no frames element");
  const std::vector<FrameType> defs = GetFrames(frames);
  mXML::FreeXmlDoc();

  if (ExtNum != -1 && ID != -1 && DirectFlag != 0) {
    MinPoint.assign(3, 0.0);
    MaxPoint.assign(3, 0.0);
  }
  if (MinPoint.size() < 2 || MaxPoint.size() < 2)
    fail("A corner point needs an X and a Y value", sheetcut::errnum::kSubscriptOutOfRange);
  for (const std::vector<double>* p : {&MinPoint, &MaxPoint}) {
    if (!std::isfinite((*p)[0]) || !std::isfinite((*p)[1]))
      fail(QStringLiteral("The border corner %1 is not a finite point")
               .arg(pointText(*p))
               .toStdString());
  }
  // The border from its lower-left to its upper-right corner, whichever corners were given.
  std::vector<double> lower = MinPoint, upper = MaxPoint;
  for (std::size_t k = 0; k < 2; ++k) {
    lower[k] = std::min(MinPoint[k], MaxPoint[k]);
    upper[k] = std::max(MinPoint[k], MaxPoint[k]);
  }
  FrameRequest request;
  request.Wm = (upper[0] - lower[0]) / XYScale;
  request.Hm = (upper[1] - lower[1]) / XYScale;
  request.DirectFlag = DirectFlag;
  request.LabFlag = LabFlag;
  request.ExtNum = ExtNum;
  request.ID = ID;
  const FrameType sized =
      CalcFramePoints(chooseFrame(defs, request), lower, upper, XYScale, LabFlag);
  checkFinite(sized, lower, upper, XYScale);
  return sized;
}

FrameType CAD::CalcFramePoints(const FrameType& frm, const std::vector<double>& MinPoint,
                               const std::vector<double>& MaxPoint, float XYScale,
                               bool LabFlag) const {
  return placeFrame(frm, MinPoint, MaxPoint, XYScale, LabFlag);
}

}  // namespace tarvik
