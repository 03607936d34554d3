// Text styles of the current drawing.

#include <cadhost/application.h>

#include <sheetcut/error.h>

#include "tarvik/attempt.h"
#include "tarvik/cad.h"

namespace tarvik {

namespace {

// The big font that makes Chinese text of shape-font styles display.
constexpr const char* kChineseBigFont = "gbcbig.shx";

// Keeps the style's own big font when the host accepts it again, else takes the Chinese one;
// a style without big font gets the Chinese one unless its font is TrueType.
void giveBigFont(cadhost::TextStyle& style) {
  std::string bigFont;
  if (!attemptGet(bigFont, [&] { return style.bigFontFile(); })) return;
  if (!bigFont.empty()) {
    if (!attempt([&] { style.setBigFontFile(bigFont); })) {
      std::string now;
      if (attemptGet(now, [&] { return style.bigFontFile(); }) && !now.empty()) {
        attempt([&] { style.setBigFontFile(kChineseBigFont); });
      }
    }
    if (!attemptGet(bigFont, [&] { return style.bigFontFile(); }) || !bigFont.empty()) return;
  }
  std::string fontFile;
  if (!attemptGet(fontFile, [&] { return style.fontFile(); })) return;
  if (!QString::fromStdString(fontFile).toUpper().contains(QStringLiteral(".TTF"))) {
    attempt([&] { style.setBigFontFile(kChineseBigFont); });
  }
}

}  // namespace

void CAD::SetBigFont() {
  cadhost::TextStyles styles;
  int count = 0;
  try {
    if (!AcadDoc) throw cadhost::HostError(cadhost::HostError::NoDocument, "No drawing is open");
    styles = AcadDoc->textStyles();
    count = styles.count();
  } catch (const cadhost::HostError& e) {
    throw sheetcut::Error(sheetcut::errnum::kGeneric,
                          std::string("Cannot read the text styles: ") + e.what(),
                          "CAD.SetBigFont");
  }
  for (int i = 0; i < count; ++i) {
    cadhost::TextStyle style;
    if (attemptGet(style, [&] { return styles.item(i); })) giveBigFont(style);
  }
  attempt([&] { AcadDoc->regen(0); });
  if (acadApp) attempt([&] { acadApp->update(); });
}

}  // namespace tarvik
