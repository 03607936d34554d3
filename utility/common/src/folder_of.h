#pragma once

#include <string>

namespace sheetcut::detail {

// The folder that holds `path`: "." for a bare name, "/" for a name in the root folder.
inline std::string folderOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace sheetcut::detail
