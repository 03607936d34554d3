// The stop handshake and the small services of CAD that do not talk to the host.

#include <fcntl.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <cstdlib>

#include "tarvik/cad.h"
#include "tarvik/component_paths.h"
#include "tarvik/guid_text.h"

namespace tarvik {

bool CAD::ConfirmStop() {
  ui_->processEvents();
  if (!IsEventStop_) {
    uConfirmStop_ = false;
    IsEventStop_ = false;
    return false;
  }
  if (uConfirmStop_) return true;
  if (ui_->askYesNo(QStringLiteral("确认"), QStringLiteral("真的要停止处理吗?\u3000"))) {
    uConfirmStop_ = true;
    return true;
  }
  uConfirmStop_ = false;
  IsEventStop_ = false;
  return false;
}

void CAD::NewSplitDwg(const QString& DwgPath, bool IsCrtPlt, bool IsFX) {
  (void)DwgPath;
  (void)IsCrtPlt;
  (void)IsFX;
}

bool CAD::ChkDir(const QString& DirPath, bool EWrite) {
  if (DirPath.trimmed().isEmpty()) return true;
  if (!QFileInfo(DirPath).isDir()) return false;
  if (!EWrite) return true;
  // Probe with a file of a fresh name, so that no file of the user's is touched.
  QByteArray probe = QFile::encodeName(joinPath(DirPath, QStringLiteral(".tarvik-probe-XXXXXX")));
  const int fd = mkostemp(probe.data(), O_CLOEXEC);
  if (fd < 0) return false;
  const bool closed = ::close(fd) == 0;
  const bool removed = ::unlink(probe.constData()) == 0;
  return closed && removed;
}

QString CAD::NewGuidStr() const {
  return newGuidText();
}

QString CAD::GetFileName(const QString& FilePath) const {
  return FilePath.mid(FilePath.lastIndexOf(u'/') + 1).trimmed();
}

}  // namespace tarvik
