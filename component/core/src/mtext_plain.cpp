// GetMTextStr: the plain characters of a multi-line text's contents.

#include <sheetcut/error.h>

#include <QRegularExpression>

#include "tarvik/cad.h"

namespace tarvik {

namespace {

// The fifteen replacements, run in this order over the whole text. Escaped backslashes and
// braces are parked on the control characters 1, 2 and 3 while the format codes go, then put
// back. The patterns are kept as they were written for the original engine; the dot matches
// any character but a line feed there, which (*LF) pins down here.
struct Step {
  const char16_t* pattern;
  const char16_t* replacement;
};
constexpr Step kSteps[] = {
    {uR"(\\\\)", u"\x01"},
    {uR"(\\{)", u"\x02"},
    {uR"(\\})", u"\x03"},
    {uR"(\\pi(.[^;]*);)", u""},
    {uR"(\\pt(.[^;]*);)", u""},
    {uR"(\\S(.[^;]*)(\^|#|\\)(.[^;]*);)", uR"(\1\3)"},
    {uR"((\\F|\\C|\\H|\\T|\\Q|\\W|\\A)(.[^;]*);)", u""},
    {uR"((\\L|\\O|\\l|\\o))", u""},
    {uR"(\\~)", u" "},
    {uR"(\\P)", u""},
    {u"\n", u""},
    {uR"(({|}))", u""},
    {uR"(\x01)", uR"(\)"},
    {uR"(\x02)", u"{"},
    {uR"(\x03)", u"}"},
};

const std::vector<QRegularExpression>& compiledSteps() {
  static const std::vector<QRegularExpression> steps = [] {
    std::vector<QRegularExpression> out;
    for (const Step& step : kSteps) {
      QRegularExpression re(QStringLiteral("(*LF)") + QString::fromUtf16(step.pattern),
                            QRegularExpression::CaseInsensitiveOption);
      if (!re.isValid()) {
        throw sheetcut::Error(sheetcut::errnum::kGeneric,
                              "Invalid text pattern: " + re.errorString().toStdString(),
                              "CAD.GetMTextStr");
      }
      out.push_back(std::move(re));
    }
    return out;
  }();
  return steps;
}

}  // namespace

QString CAD::GetMTextStr(const QString& MTextString) const {
  QString text = MTextString;
  const auto& steps = compiledSteps();
  for (std::size_t i = 0; i < steps.size(); ++i) {
    text.replace(steps[i], QString::fromUtf16(kSteps[i].replacement));
  }
  return text;
}

}  // namespace tarvik
