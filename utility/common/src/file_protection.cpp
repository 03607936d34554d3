#include "sheetcut/file_protection.h"

#include <fcntl.h>
#include <linux/capability.h>
#include <sys/statvfs.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "folder_of.h"

namespace sheetcut {
namespace {

using detail::folderOf;

// Older C library headers lack the attribute bits of statx(); the kernel's values.
#ifndef STATX_ATTR_IMMUTABLE
#define STATX_ATTR_IMMUTABLE 0x00000010
#endif
#ifndef STATX_ATTR_APPEND
#define STATX_ATTR_APPEND 0x00000020
#endif
#ifndef STATX_ATTR_MOUNT_ROOT
#define STATX_ATTR_MOUNT_ROOT 0x00002000
#endif

// Whether the process holds the capability in its effective set.
bool hasCapability(int capability) {
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct data[2]{};
  if (::syscall(SYS_capget, &header, data) != 0) return ::geteuid() == 0;
  return (data[capability / 32].effective & (1u << (capability % 32))) != 0;
}

// The statx() attributes of `path` (links followed) that the file system reports, 0 where it
// reports none.
unsigned long long attributesOf(const std::string& path, unsigned long long wanted) {
  struct statx sx {};
  if (::statx(AT_FDCWD, path.c_str(), 0, STATX_BASIC_STATS, &sx) != 0) return 0;
  return sx.stx_attributes & sx.stx_attributes_mask & wanted;
}

// A file, or its folder, that only its owner, the folder's owner or a process with the right
// to pass over ownership may rename or remove.
bool stickyKeepsOut(const struct stat& file, const struct stat& folder) {
  const uid_t me = ::geteuid();
  return (folder.st_mode & S_ISVTX) != 0 && file.st_uid != me && folder.st_uid != me &&
         !hasCapability(CAP_FOWNER);
}

}  // namespace

FileProtection protectionOf(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return FileProtection::None;
  const unsigned long long attributes =
      attributesOf(path, STATX_ATTR_IMMUTABLE | STATX_ATTR_APPEND);
  if (attributes & STATX_ATTR_IMMUTABLE) return FileProtection::Immutable;
  if (attributes & STATX_ATTR_APPEND) return FileProtection::AppendOnly;
  struct statvfs fs {};
  if (::statvfs(path.c_str(), &fs) == 0 && (fs.f_flag & ST_RDONLY) != 0)
    return FileProtection::ReadOnlyMount;
  struct stat folder {};
  if (::stat(folderOf(path).c_str(), &folder) == 0 && stickyKeepsOut(st, folder))
    return FileProtection::OthersStickyFile;
  return FileProtection::None;
}

std::string protectionReason(FileProtection protection) {
  switch (protection) {
    case FileProtection::None:
      return {};
    case FileProtection::AppendOnly:
      return "the file is append-only";
    case FileProtection::Immutable:
      return "the file is immutable";
    case FileProtection::ReadOnlyMount:
      return "the file system is mounted read-only";
    case FileProtection::OthersStickyFile:
      return "the file belongs to another user in a shared folder with the sticky bit";
  }
  return {};
}

bool renameKeepsFile(const std::string& path, const struct stat& old) {
  // A second name would go on naming the old content.
  if (old.st_nlink != 1) return false;
  // Only a process that may give files away can make a file of another owner, and only a
  // member of the group can give its own file that group.
  // (group_member looks at the supplementary groups only.)
  const bool inGroup = ::getegid() == old.st_gid || ::group_member(old.st_gid) != 0;
  if (!hasCapability(CAP_CHOWN) && (old.st_uid != ::geteuid() || !inGroup)) return false;
  const std::string folder = folderOf(path);
  struct stat dir {};
  if (::stat(folder.c_str(), &dir) != 0) return false;
  if (::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) != 0) return false;
  if (stickyKeepsOut(old, dir)) return false;
  // A file mounted over its name (a bind mount) cannot be renamed over.
  return old.st_dev == dir.st_dev && (attributesOf(path, STATX_ATTR_MOUNT_ROOT) == 0);
}

}  // namespace sheetcut
