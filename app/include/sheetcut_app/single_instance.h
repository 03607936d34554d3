#pragma once

// One running copy per user: a lock file in the user's runtime folder. A lock left behind by
// a copy that crashed is taken over.

#include <QLockFile>
#include <QString>
#include <memory>

namespace sheetcut::app {

class SingleInstance {
 public:
  // The lock in `folder`; "" means the user's runtime folder.
  explicit SingleInstance(const QString& folder = QString());
  // True when this is the only copy; the lock is then held until the object goes.
  bool tryLock();

 private:
  std::unique_ptr<QLockFile> lock_;
};

}  // namespace sheetcut::app
