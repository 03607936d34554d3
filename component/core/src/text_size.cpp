// GetTextSize: the typical text height of the drawing, which sizes the split's strips.

#include <cadhost/document.h>

#include <algorithm>

#include "host_calls.h"
#include "tarvik/attempt.h"
#include "tarvik/cad.h"

namespace tarvik {

namespace {

// The texts measured: the first ones that hold more than spaces.
constexpr int kMeasuredTexts = 11;

bool onlySpaces(const std::string& s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return c == ' '; });
}

}  // namespace

double CAD::GetTextSize() {
  if (!AcadDoc) return 0;
  cadhost::Document doc = *AcadDoc;
  // Without its set nothing is measured, and "textsize" is the answer.
  cadhost::SelectionSet set;
  attemptGet(set, [&] { return freshSelectionSet(doc, "TSS"); });
  if (acadApp) {
    attempt([&] { acadApp->setVisible(true); });
    attempt([&] { acadApp->zoomExtents(); });
  }
  const cadhost::Filter texts{{0, std::string("TEXT,MTEXT")}};
  attempt([&] { set.select(cadhost::SelectMode::All, nullptr, nullptr, texts); });

  double sum = 0;
  int count = 0;
  int size = 0;
  attemptGet(size, [&] { return set.count(); });
  for (int i = 0; i < size && count < kMeasuredTexts; ++i) {
    attempt([&] {
      const cadhost::Entity text = set.item(i);
      if (onlySpaces(text.textString())) return;
      const double height = text.height();
      sum += height;
      ++count;
    });
  }
  if (count > 0) return sum / count;
  double fallback = 0;
  attemptGet(fallback, [&] { return numberValue(doc.getVariable("textsize")); });
  return fallback;
}

}  // namespace tarvik
