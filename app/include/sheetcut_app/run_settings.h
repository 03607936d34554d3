#pragma once

// The program's in-memory settings store, keyed by text; nothing of it is saved.

#include <QHash>
#include <QString>
#include <QVariant>

namespace sheetcut::app {

namespace setting {
inline const QString kConfigFile = QStringLiteral("配置文件");         // full path of "cfg.ini"
inline const QString kUnloadForm = QStringLiteral("UnLoadForm");       // "CLOSE", then "QUIT"
inline const QString kUseLastChoice = QStringLiteral("使用上次设置");  // Boolean
inline const QString kHostMode = QStringLiteral("应用CAD的方式");      // "新建" or "当前"
}  // namespace setting

class RunSettings {
 public:
  // The stored value, or the text "NullString" when nothing is stored under the key.
  QVariant GetSetting(const QString& key) const;
  // Stores the value, replacing an earlier one.
  void SetSetting(const QString& key, const QVariant& value);
  void clear() { values_.clear(); }

 private:
  QHash<QString, QVariant> values_;
};

}  // namespace sheetcut::app
