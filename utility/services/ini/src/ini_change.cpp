#include "ini_change.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "sheetcut/file_protection.h"
#include "sheetcut/file_replacement.h"
#include "sheetcut/regular_file.h"

namespace mobrel {

QString quoted(const QString& path) {
  return QStringLiteral("\"") + path + QStringLiteral("\"");
}

QString systemReason(int error, const QString& place) {
  switch (error) {
    case ENOENT:
      return quoted(place) + QStringLiteral("不存在");
    case ENOTDIR:
      return quoted(place) + QStringLiteral("的路径中有一个文件挡住了文件夹");
    case EACCES:
    case EPERM:
      return QStringLiteral("没有在") + quoted(place) + QStringLiteral("中写文件的权限");
    case EROFS:
      return quoted(place) + QStringLiteral("所在的磁盘是只读的");
    case ENOSPC:
      return quoted(place) + QStringLiteral("所在的磁盘已满");
    case EDQUOT:
      return quoted(place) + QStringLiteral("所在磁盘的配额已用完");
    default:
      return quoted(place) + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(error));
  }
}

QString protectionProblem(const QString& path, int error) {
  if (error != EPERM && error != EACCES && error != EROFS) return QString();
  const std::string file = path.toStdString();
  switch (sheetcut::protectionOf(file)) {
    case sheetcut::FileProtection::None:
      return QString();
    case sheetcut::FileProtection::AppendOnly:
      return quoted(path) + QStringLiteral("是只能在末尾追加内容的文件(chattr +a)，不能改写");
    case sheetcut::FileProtection::Immutable:
      return quoted(path) + QStringLiteral("是不可更改的文件(chattr +i)");
    case sheetcut::FileProtection::ReadOnlyMount:
      return quoted(path) + QStringLiteral("所在的文件系统是只读挂载的");
    case sheetcut::FileProtection::OthersStickyFile:
      return quoted(path) + QStringLiteral("属于其他用户，它所在的共享文件夹") +
             quoted(QString::fromStdString(std::filesystem::path(file).parent_path().string())) +
             QStringLiteral("只允许文件的主人替换它");
  }
  return QString();
}

QString writeRefusal(const QString& path) {
  const int error = sheetcut::writeAccessError(path.toStdString());
  if (error == 0) return QString();
  const QString protection = protectionProblem(path, error);
  if (!protection.isEmpty()) return protection;
  return quoted(path) + QStringLiteral("是只读文件");
}

QString changeFailure(int error, const QString& path, const QString& folder,
                      const WriteDamage& damage) {
  if (damage.damaged) {
    if (damage.backup.empty())
      return quoted(path) + QStringLiteral("写入失败，文件已损坏；原来的内容无法保存");
    return quoted(path) + QStringLiteral("写入失败，文件已损坏；原来的内容保存在") +
           quoted(QString::fromStdString(damage.backup));
  }
  // Short of a damaged file, a failed write leaves the file as it was, whether it is replaced
  // or written in place.
  if (error == ENOSPC) return quoted(path) + QStringLiteral("所在的磁盘已满，文件没有改动");
  if (error == EDQUOT) return quoted(path) + QStringLiteral("所在磁盘的配额已用完，文件没有改动");
  const QString protection = protectionProblem(path, error);
  return protection.isEmpty() ? systemReason(error, folder) : protection;
}

QString specialFileProblem(const QString& path) {
  const std::string reason = sheetcut::nonRegularFileReason(path.toStdString());
  if (reason.empty()) return QString();
  return quoted(path) + QStringLiteral(": ") + QString::fromStdString(reason);
}

QString nameChangedProblem(const QString& path) {
  return quoted(path) + QStringLiteral("在读写时一再被换成别的文件，文件没有写入");
}

namespace {

// How often the locks are taken again when the name led to another file once they were held.
constexpr int kLockAttempts = 10;

}  // namespace

IniChangeLock::IniChangeLock(const QString& path) {
  if (path.isEmpty()) {
    failure_ = QStringLiteral("没有给出设置文件的路径");
    return;
  }
  failure_ = specialFileProblem(path);
  if (!failure_.isEmpty()) return;
  const std::string name = path.toStdString();
  for (int attempt = 0; attempt < kLockAttempts; ++attempt) {
    const std::optional<std::string> target = replacedFile(name);
    if (!target) {
      // The system refuses to follow the link for this user (or cannot): the file it names is
      // neither read nor replaced.
      const int error = errno;
      failure_ = error == EACCES || error == EPERM
                     ? QStringLiteral("没有打开") + quoted(path) + QStringLiteral("的权限")
                     : systemReason(error, path);
      return;
    }
    const std::string parent = std::filesystem::path(*target).parent_path().string();
    folder_ = QString::fromStdString(parent.empty() ? std::string(".") : parent);
    lock_.emplace(parent);
    if (!lock_->locked()) {
      if (lock_->error() == EWOULDBLOCK) {
        failure_ = quoted(path) + QStringLiteral("被锁定：其他程序锁住了文件夹") + quoted(folder_) +
                   QStringLiteral("，等待%1秒后仍未释放，文件没有写入")
                       .arg(std::chrono::seconds(kFolderLockPatience).count());
        return;
      }
      // A missing folder is not created.
      failure_ = systemReason(lock_->error(), folder_);
      return;
    }
    // The file itself, where the link led: a link put in its place since is not followed.
    const int error = file_.open(*target, sheetcut::LockedFile::Mode::Exclusive, false);
    // A new file, made at *target; unless the name leads to a file again, which took the place
    // of the one it led to while the link was followed.
    struct stat named {};
    if (error == ENOENT && ::stat(name.c_str(), &named) != 0) return;
    if (error == ENOENT) {
      lock_.reset();
      continue;
    }
    if (error == 0 && file_.isNamedBy(name)) return;
    file_.close();
    lock_.reset();
    if (error == 0 || error == ESTALE) continue;  // the name leads elsewhere now: again
    if (error == EWOULDBLOCK) {
      failure_ =
          quoted(path) +
          QStringLiteral("被锁定：其他程序正在写入这个文件，等待%1秒后仍未释放，文件没有写入")
              .arg(std::chrono::seconds(sheetcut::kLockPatience).count());
    } else if (error == EACCES || error == EPERM) {
      failure_ = QStringLiteral("无法读取") + quoted(path);
    } else {
      failure_ = specialFileProblem(path);
      if (failure_.isEmpty()) failure_ = systemReason(error, path);
    }
    return;
  }
  failure_ = nameChangedProblem(path);
}

std::optional<std::string> IniChangeLock::read() const {
  std::string bytes;
  if (file_.isOpen() && file_.readAll(bytes) != 0) return std::nullopt;
  return bytes;
}

}  // namespace mobrel
