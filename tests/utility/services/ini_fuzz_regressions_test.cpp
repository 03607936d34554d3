// Inputs the INI fuzz target found (and the runs it started from), played again with its checks.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "ini_edit_checks.h"
#include "test_folder.h"

namespace {

TEST(IniFuzzFindings, StayFixed) {
  int count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(INI_FUZZ_REGRESSIONS)) {
    ++count;
    std::ifstream in(entry.path(), std::ios::binary);
    const std::string input(std::istreambuf_iterator<char>(in), {});
    TestFolder dir;
    EXPECT_EQ(sheetcut::testing::checkIniEdits(input, dir.path()), "") << entry.path();
  }
  EXPECT_GT(count, 0);
}

}  // namespace
