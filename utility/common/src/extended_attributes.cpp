#include "extended_attributes.h"

#include <sys/types.h>
#include <sys/xattr.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace sheetcut::detail {
namespace {

// An extended attribute this process may not set (or the file system does not hold) is left
// out; any other failure is one.
bool mayNotSet(int err) {
  return err == EPERM || err == EACCES || err == ENOTSUP;
}

// Calls `query` (listxattr or getxattr) with a buffer that grows until the answer fits; answers
// the size, or -1 with errno set.
template <typename Query>
ssize_t queryAttributes(Query query, std::vector<char>& buffer) {
  for (;;) {
    const ssize_t size = query(nullptr, 0);
    if (size <= 0) {
      buffer.clear();
      return size;
    }
    buffer.resize(static_cast<size_t>(size));
    const ssize_t got = query(buffer.data(), buffer.size());
    if (got >= 0 || errno != ERANGE) {
      if (got >= 0) buffer.resize(static_cast<size_t>(got));
      return got;
    }
  }
}

constexpr const char* kAccessList = "system.posix_acl_access";

}  // namespace

int copyExtendedAttributes(const std::string& from, int to) {
  std::vector<char> names;
  if (queryAttributes(
          [&](char* list, size_t size) { return ::listxattr(from.c_str(), list, size); }, names) <
      0) {
    if (errno != ENOTSUP) return errno;
    names.clear();
  }
  bool hasAccessList = false;
  for (size_t at = 0; at < names.size(); at += std::strlen(&names[at]) + 1)
    hasAccessList = hasAccessList || std::strcmp(&names[at], kAccessList) == 0;
  if (!hasAccessList && ::fremovexattr(to, kAccessList) != 0 && errno != ENODATA &&
      errno != ENOTSUP) {
    return errno;
  }
  std::vector<char> value;
  for (const bool acls : {false, true}) {
    for (size_t at = 0; at < names.size(); at += std::strlen(&names[at]) + 1) {
      const char* name = &names[at];
      if ((std::strncmp(name, "system.posix_acl_", 17) == 0) != acls) continue;
      const ssize_t size = queryAttributes(
          [&](char* data, size_t room) { return ::getxattr(from.c_str(), name, data, room); },
          value);
      if (size < 0) {
        if (errno == ENODATA || mayNotSet(errno)) continue;  // gone meanwhile, or not ours
        return errno;
      }
      if (::fsetxattr(to, name, value.data(), static_cast<size_t>(size), 0) != 0 &&
          !mayNotSet(errno)) {
        return errno;
      }
    }
  }
  return 0;
}

}  // namespace sheetcut::detail
