#include "tarvik/guid_text.h"

#include <QUuid>

namespace tarvik {

QString newGuidText() {
  const QUuid id = QUuid::createUuid();
  if (id.isNull()) return {};
  return id.toString(QUuid::Id128).toUpper();
}

}  // namespace tarvik
