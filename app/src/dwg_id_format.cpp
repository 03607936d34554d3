#include "sheetcut_app/dwg_id_format.h"

namespace sheetcut::app {

namespace {

const QString kLetter = QStringLiteral("字母");
const QString kDigit = QStringLiteral("数字");
const QString kAny = QStringLiteral("任意");
const QString kFormatSeparator = QStringLiteral(" - ");

// The mask of one section word; "" for a word that is none of the three.
QString sectionMask(const QString& word) {
  if (word == kLetter) return QStringLiteral("@*");
  if (word == kDigit) return QStringLiteral("#*");
  if (word == kAny) return QStringLiteral("*");
  return {};
}

}  // namespace

QStringList formatSectionWords() {
  return {kLetter, kDigit, kAny};
}

QString composeFormat(const QString& first, const QString& second, const QString& third) {
  return first + kFormatSeparator + second + kFormatSeparator + third;
}

QString GetDwgIDMask(const QString& formatText) {
  // Exactly three known words with exactly " - " between them; the 27 combinations.
  const QStringList words = formatText.split(kFormatSeparator);
  if (words.size() != 3) return {};
  QStringList masks;
  for (const QString& word : words) {
    const QString mask = sectionMask(word);
    if (mask.isEmpty()) return {};
    masks << mask;
  }
  return masks.join(QLatin1Char('-'));
}

bool isFormat(const QString& text) {
  return !GetDwgIDMask(text).isEmpty();
}

}  // namespace sheetcut::app
