#include "sheetcut_app/single_instance.h"

#include <QDir>
#include <QStandardPaths>

namespace sheetcut::app {

SingleInstance::SingleInstance(const QString& folder) {
  QString dir = folder;
  if (dir.isEmpty()) dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  if (dir.isEmpty()) dir = QDir::tempPath();
  lock_ = std::make_unique<QLockFile>(dir + QStringLiteral("/Sheetcut.lock"));
  lock_->setStaleLockTime(0);  // only a lock whose process is gone is stale
}

bool SingleInstance::tryLock() {
  return lock_->isLocked() || lock_->tryLock(0);
}

}  // namespace sheetcut::app
