#pragma once

// Shared steps of title-block and catalogue filling.

#include <sheetcut/error.h>

#include <QString>
#include <QStringList>
#include <cmath>

#include "tarvik/records.h"

namespace tarvik {

// The name of the UCS that title-block and catalogue filling lay over a block or page.
inline const QString kFillUcsName = QStringLiteral("QZUCS");
// The typeface and width factor of the text style "CHINESE" that filled cells use.
inline const QString kFillTypeface = QStringLiteral("仿宋_GB2312");
inline constexpr double kFillWidthFactor = 0.7;
inline const QString kFillStyleName = QStringLiteral("CHINESE");

// The template's base point (x, y) from its InsPo texts. sheetcut::Error naming the template
// when it has none or a text is not a finite number ("nan" and "inf" read as numbers but place
// nothing).
inline Point3d templateBasePoint(const BlkTYpe& entry, const QString& name, const char* source) {
  if (entry.InsPo.size() < 2) {
    throw sheetcut::Error(sheetcut::errnum::kSubscriptOutOfRange,
                          "The template \"" + name.toStdString() +
                              "\" is not in the template list or has no insertion point",
                          source);
  }
  Point3d base{0, 0, 0};
  for (int i = 0; i < 2; ++i) {
    bool ok = false;
    base[static_cast<std::size_t>(i)] = entry.InsPo[i].trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(base[static_cast<std::size_t>(i)])) {
      throw sheetcut::Error(13,
                            "The insertion point \"" + entry.InsPo.join(',').toStdString() +
                                "\" of the template \"" + name.toStdString() +
                                "\" is not a pair of finite numbers",
                            source);
    }
  }
  return base;
}

}  // namespace tarvik
