#pragma once

// Drawing-number formats: three section words ("字母", "数字", "任意") joined by " - ", each
// telling what the first character of a "-"-separated section of a drawing number is. The
// component wants a mask in the host's wildcards instead.

#include <QString>
#include <QStringList>

namespace sheetcut::app {

// The section words in chooser order: letter, digit, anything.
QStringList formatSectionWords();
// The three words joined by " - ".
QString composeFormat(const QString& first, const QString& second, const QString& third);
// The mask of a format text ("字母 - 数字 - 任意" gives "@*-#*-*"); "" for any other text.
QString GetDwgIDMask(const QString& formatText);
// True for a text the choosers can compose: three section words joined by " - ".
bool isFormat(const QString& text);

// The format offered when none is stored.
inline const QString kAnyFormat = QStringLiteral("任意 - 任意 - 任意");

}  // namespace sheetcut::app
