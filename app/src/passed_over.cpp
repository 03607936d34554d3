#include "sheetcut_app/passed_over.h"

#include <algorithm>

#include "sheetcut_app/name_order.h"

namespace sheetcut::app {

namespace {

// The intro, then one name a line: at most ten, then how many in all.
QString named(const QString& intro, const QStringList& names) {
  constexpr int kNamed = 10;
  QString text = intro;
  for (qsizetype i = 0; i < names.size() && i < kNamed; ++i) {
    text += QStringLiteral("\r\n") + names[i];
  }
  if (names.size() > kNamed) {
    text += QStringLiteral("\r\n") + QStringLiteral("……等%1个").arg(names.size());
  }
  return text;
}

}  // namespace

PassedOver passedOver(const QStringList& skipped) {
  PassedOver over;
  for (const QString& name : skipped) {
    if (name.endsWith(u'/')) {
      over.folders << name.chopped(1);
    } else {
      over.files << name;
    }
  }
  std::sort(over.files.begin(), over.files.end(), nameLess);
  std::sort(over.folders.begin(), over.folders.end(), nameLess);
  return over;
}

QString passedOverText(const PassedOver& over) {
  QStringList parts;
  if (!over.files.isEmpty()) {
    parts << named(QStringLiteral("有%1个图纸文件的文件名不是UTF-8编码(可能来自Windows的压缩包), "
                                  "本程序无法打开, 没有加入列表; 请把文件改名后再添加:")
                       .arg(over.files.size()),
                   over.files);
  }
  if (!over.folders.isEmpty()) {
    parts << named(QStringLiteral("有%1个文件夹的名称不是UTF-8编码(可能来自Windows的压缩包), "
                                  "本程序无法打开; 请把文件夹改名:")
                       .arg(over.folders.size()),
                   over.folders);
  }
  return parts.join(QStringLiteral("\r\n\r\n"));
}

}  // namespace sheetcut::app
