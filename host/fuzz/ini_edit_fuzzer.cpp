// libFuzzer target: any bytes as an INI file's content followed by a few changes through IniFile
// and KeptIniFile (see tests/support/ini/ini_edit_checks.cpp); a change that breaks what it must
// keep (a key written reads back, other keys read as before, a refused change leaves the bytes,
// the file's encoding, mark and line endings stay) stops the run as a crash does.

#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "ini_edit_checks.h"

namespace {

// One folder for the whole run, removed at its end.
struct Folder {
  Folder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "ini-fuzz-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    path = pattern;
  }
  ~Folder() {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
  }
  std::filesystem::path path;
};

}  // namespace

extern "C" const char* __ubsan_default_options() {
  return "halt_on_error=1:print_stacktrace=1";
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Folder folder;
  const std::string problem = sheetcut::testing::checkIniEdits(
      std::string_view(reinterpret_cast<const char*>(data), size), folder.path);
  if (!problem.empty()) {
    std::fprintf(stderr, "%s\n", problem.c_str());
    std::abort();
  }
  return 0;
}
