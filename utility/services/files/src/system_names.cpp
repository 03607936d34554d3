#include "mobrel/system_names.h"

#include <limits.h>
#include <pwd.h>
#include <unistd.h>

#include <QUuid>
#include <filesystem>
#include <vector>

#include "mobrel/path_tools.h"

namespace mobrel {

namespace {

QString cachedFolder(QString& cache, QString (*lookUp)()) {
  if (cache.isEmpty()) {
    QString found = lookUp();
    AddBackslash(found);
    cache = found;
  }
  return cache;
}

QString existingOrEmpty(const char* folder) {
  return IsFolderExist(QString::fromLatin1(folder)) ? QString::fromLatin1(folder) : QString();
}

}  // namespace

QString WinDir() {
  thread_local QString cache;
  return cachedFolder(cache, [] { return existingOrEmpty("/etc"); });
}

QString SysDir() {
  thread_local QString cache;
  return cachedFolder(cache, [] { return existingOrEmpty("/usr/lib"); });
}

QString TempDir() {
  thread_local QString cache;
  return cachedFolder(cache, [] {
    std::error_code ec;
    const std::filesystem::path p = std::filesystem::temp_directory_path(ec);
    return ec ? QString() : QString::fromStdString(p.string());
  });
}

QString GetLogonUser() {
  long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(size > 0 ? static_cast<size_t>(size) : 16384);
  passwd entry{};
  passwd* found = nullptr;
  if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found ||
      !found->pw_name || !*found->pw_name) {
    return QStringLiteral("none");
  }
  return QString::fromLocal8Bit(found->pw_name).trimmed();
}

QString GetComputerNameText() {
  char name[HOST_NAME_MAX + 1] = {};
  if (::gethostname(name, sizeof name - 1) != 0) return QString();
  return QString::fromLocal8Bit(name).trimmed();
}

QString NewGuidText() {
  return QUuid::createUuid().toString(QUuid::Id128).toUpper();
}

}  // namespace mobrel
