#include "mobrel/shell_ops.h"

#include <stdio.h>  // renameat2

#include <fcntl.h>
#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <vector>

#include "mobrel/shell_confirm.h"
#include "mobrel/wildcard.h"
#include "tree_copy.h"

namespace mobrel {

namespace fs = std::filesystem;

namespace {

// The error number of a failed call, never 0.
long failure(const std::error_code& ec) {
  return ec && ec.value() != 0 ? ec.value() : EIO;
}

fs::path toPath(const QString& s) {
  return fs::path(s.toStdString());
}

QString displayName(const fs::path& p) {
  return QString::fromStdString(p.filename().string());
}

// The entries a source names: itself, or every entry of its folder that its last component
// matches. Files-only skips folders (a link to a folder counts as a file: only the link goes).
struct Sources {
  std::vector<fs::path> paths;
  bool wildcard = false;
  long error = 0;
};

Sources expandSources(const QString& source, bool filesOnly = false) {
  Sources out;
  if (source.isEmpty()) {
    out.error = ENOENT;
    return out;
  }
  const qsizetype slash = source.lastIndexOf(u'/');
  const QString last = source.mid(slash + 1);
  std::error_code ec;
  if (!hasWildcard(last)) {
    // "x/" names the folder x itself: without the separator its name goes with it, so a
    // copy or move puts the folder, not its loose contents, into the destination.
    QString named = source;
    while (named.size() > 1 && named.endsWith(u'/')) named.chop(1);
    const fs::path p = toPath(named);
    if (!fs::exists(fs::symlink_status(p, ec)))
      out.error = ENOENT;
    else
      out.paths.push_back(p);
    return out;
  }
  out.wildcard = true;
  const fs::path folder = slash < 0 ? fs::path(".") : toPath(source.left(slash + 1));
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code typeEc;
    if (filesOnly && it->symlink_status(typeEc).type() == fs::file_type::directory) continue;
    if (wildcardMatch(last, QString::fromStdString(it->path().filename().string()))) {
      out.paths.push_back(slash < 0 ? it->path().filename() : it->path());
    }
  }
  if (ec) out.error = failure(ec);
  std::sort(out.paths.begin(), out.paths.end());
  return out;
}

bool isRoot(const fs::path& p) {
  std::error_code ec;
  const fs::path full = fs::weakly_canonical(fs::absolute(p, ec), ec);
  return ec || full == full.root_path();
}

// True when `inner` is `outer` or lies inside it: copying or moving a folder into itself
// would never end.
bool isWithin(const fs::path& inner, const fs::path& outer) {
  std::error_code ec;
  if (!fs::is_directory(fs::symlink_status(outer, ec))) return inner == outer;
  const fs::path a = fs::weakly_canonical(fs::absolute(inner, ec), ec);
  const fs::path b = fs::weakly_canonical(fs::absolute(outer, ec), ec);
  if (ec) return false;
  auto [bEnd, aAt] = std::mismatch(b.begin(), b.end(), a.begin(), a.end());
  return bEnd == b.end();
}

// Where each source goes: into the destination when it is a folder (or has to be one),
// else onto the destination itself.
fs::path targetFor(const fs::path& source, const QString& destination, bool intoFolder) {
  return intoFolder ? toPath(destination) / source.filename() : toPath(destination);
}

bool destinationIsFolder(const QString& destination, const Sources& sources) {
  std::error_code ec;
  return sources.wildcard || sources.paths.size() > 1 || destination.endsWith(u'/') ||
         fs::is_directory(toPath(destination), ec);
}

bool mayReplace(QWidget* owner, const fs::path& target, bool isAlarm) {
  std::error_code ec;
  if (!isAlarm || !fs::exists(fs::symlink_status(target, ec))) return true;
  return askShellConfirmation(
      owner, QStringLiteral("目标位置已有“%1”，要替换它吗？").arg(displayName(target)));
}

// Copies `source` onto `target`. A copy follows a named link to a file, as cp does; a move
// between file systems takes the link itself.
long copyEntry(const fs::path& source, const fs::path& target, bool followLink) {
  if (isWithin(target, source)) return EINVAL;
  std::error_code ec;
  if (target.has_parent_path()) fs::create_directories(target.parent_path(), ec);
  if (ec) return failure(ec);
  return copyTree(source, target, followLink);
}

long copyNamedEntry(const fs::path& source, const fs::path& target) {
  return copyEntry(source, target, true);
}

long moveEntry(const fs::path& source, const fs::path& target) {
  if (isWithin(target, source)) return EINVAL;
  std::error_code ec;
  const fs::file_status to = fs::symlink_status(target, ec);
  const fs::file_status from = fs::symlink_status(source, ec);
  if (fs::is_directory(to) && fs::is_directory(from)) {
    // Folders merge: move each entry across, then drop the emptied source.
    std::vector<fs::path> children;
    for (fs::directory_iterator it(source, ec), end; !ec && it != end; it.increment(ec)) {
      children.push_back(it->path());
    }
    if (ec) return failure(ec);
    for (const fs::path& child : children) {
      if (long rc = moveEntry(child, target / child.filename())) return rc;
    }
    fs::remove(source, ec);
    return ec ? failure(ec) : 0;
  }
  if (fs::exists(to) && fs::is_directory(to) != fs::is_directory(from)) return EEXIST;
  if (target.has_parent_path()) fs::create_directories(target.parent_path(), ec);
  if (ec) return failure(ec);
  fs::rename(source, target, ec);
  if (ec.value() != EXDEV) return ec ? failure(ec) : 0;
  // Another file system: copy, then delete the source only once the copy is whole. A copy
  // that fails halfway is removed again unless it replaced an entry that was there before.
  ec.clear();
  const bool existed = fs::exists(to);
  if (long rc = copyEntry(source, target, false)) {
    if (!existed) fs::remove_all(target, ec);
    return rc;
  }
  fs::remove_all(source, ec);
  return ec ? failure(ec) : 0;
}

template <typename Transfer>
long transfer(QWidget* owner, const QString& srcFile, const QString& fileToPath, bool isAlarm,
              Transfer move) {
  const Sources sources = expandSources(srcFile);
  if (sources.error) return sources.error;
  if (sources.paths.empty()) return ENOENT;
  if (fileToPath.isEmpty()) return ENOENT;
  const bool intoFolder = destinationIsFolder(fileToPath, sources);
  long result = 0;
  for (const fs::path& source : sources.paths) {
    const fs::path target = targetFor(source, fileToPath, intoFolder);
    if (!mayReplace(owner, target, isAlarm)) {
      result = ECANCELED;
      continue;
    }
    if (long rc = move(source, target)) return rc;
  }
  return result;
}

long removeEntries(QWidget* owner, const std::vector<fs::path>& paths, bool isAlarm) {
  if (isAlarm && !paths.empty()) {
    const QString question =
        paths.size() == 1 ? QStringLiteral("确实要永久删除“%1”吗？").arg(displayName(paths.front()))
                          : QStringLiteral("确实要永久删除这 %1 项吗？").arg(paths.size());
    if (!askShellConfirmation(owner, question)) return ECANCELED;
  }
  for (const fs::path& p : paths) {
    if (isRoot(p)) return EPERM;
    std::error_code ec;
    fs::remove_all(p, ec);
    if (ec) return failure(ec);
  }
  return 0;
}

long deleteInside(QWidget* owner, const QString& folder, bool isAlarm, bool filesOnly) {
  if (folder.isEmpty() || isRoot(toPath(folder))) return EPERM;
  std::error_code ec;
  if (!fs::is_directory(toPath(folder), ec)) return ENOENT;
  const QString pattern = folder.endsWith(u'/') ? folder + u'*' : folder + QStringLiteral("/*");
  const Sources sources = expandSources(pattern, filesOnly);
  if (sources.error) return sources.error;
  return removeEntries(owner, sources.paths, isAlarm);
}

}  // namespace

long ShellCopyFile(QWidget* owner, const QString& srcFile, const QString& fileToPath,
                   bool isAlarm) {
  return transfer(owner, srcFile, fileToPath, isAlarm, copyNamedEntry);
}

long ShellMoveFile(QWidget* owner, const QString& srcFile, const QString& fileToPath,
                   bool isAlarm) {
  return transfer(owner, srcFile, fileToPath, isAlarm, moveEntry);
}

long ShellDelete(QWidget* owner, QString& path, bool isAlarm) {
  if (path.size() > 1 && path.endsWith(u'/')) path.chop(1);
  if (path.isEmpty() || isRoot(toPath(path))) return EPERM;
  // A pattern without a folder matches in the current folder, which may be the root too.
  const qsizetype slash = path.lastIndexOf(u'/');
  const QString folder = slash < 0 ? QStringLiteral(".") : path.left(slash + 1);
  if (hasWildcard(path.mid(slash + 1)) && isRoot(toPath(folder))) return EPERM;
  const Sources sources = expandSources(path);
  if (sources.error) return sources.error;
  if (sources.paths.empty()) return ENOENT;
  return removeEntries(owner, sources.paths, isAlarm);
}

long ShellDelFolderSubObjs(QWidget* owner, const QString& folder, bool isAlarm) {
  return deleteInside(owner, folder, isAlarm, false);
}

long ShellDelFolderFiles(QWidget* owner, const QString& folder, bool isAlarm) {
  return deleteInside(owner, folder, isAlarm, true);
}

long ShellRenameFile(QWidget*, const QString& srcFile, const QString& newFileName) {
  if (srcFile.isEmpty() || newFileName.isEmpty()) return ENOENT;
  const qsizetype slash = srcFile.lastIndexOf(u'/');
  const QString target = slash < 0 ? newFileName : srcFile.left(slash + 1) + newFileName;
  const std::string from = srcFile.toStdString();
  const std::string to = target.toStdString();
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS) return errno;
  // A file system without the no-replace flag: test first, then rename.
  std::error_code ec;
  if (fs::exists(fs::symlink_status(to, ec))) return EEXIST;
  return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

}  // namespace mobrel
