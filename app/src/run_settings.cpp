#include "sheetcut_app/run_settings.h"

namespace sheetcut::app {

QVariant RunSettings::GetSetting(const QString& key) const {
  const auto it = values_.constFind(key);
  return it == values_.constEnd() ? QVariant(QStringLiteral("NullString")) : it.value();
}

void RunSettings::SetSetting(const QString& key, const QVariant& value) {
  values_.insert(key, value);
}

}  // namespace sheetcut::app
