// A replacement renames its content only over the file it locked: never over another file that
// took the name meanwhile.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "sheetcut/file_lock.h"
#include "sheetcut/file_replacement.h"

namespace fs = std::filesystem;

namespace {

class LockedReplacement : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("file-lock-" + std::to_string(::getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  static void write(const fs::path& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary) << bytes;
  }
  static std::string read(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
  }

  fs::path dir_;
};

TEST_F(LockedReplacement, TheRenameReplacesOnlyTheFileThatWasThere) {
  const fs::path target = dir_ / "t.ini";
  write(target, "old");
  {
    sheetcut::FileReplacement replacement(target.string());
    ASSERT_EQ(replacement.create(), 0);
    ASSERT_FALSE(replacement.inPlace());
    ASSERT_EQ(replacement.write("new", 3), 0);
    write(dir_ / "other", "other");
    fs::rename(dir_ / "other", target);
    EXPECT_EQ(replacement.commit(), EAGAIN);
  }
  EXPECT_EQ(read(target), "other");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);

  // A file that the caller locked and read is replaced, while its name leads to it.
  sheetcut::LockedFile locked;
  ASSERT_EQ(locked.open(target.string(), sheetcut::LockedFile::Mode::Exclusive), 0);
  std::string bytes;
  ASSERT_EQ(locked.readAll(bytes), 0);
  EXPECT_EQ(bytes, "other");
  {
    sheetcut::FileReplacement replacement(locked);
    ASSERT_EQ(replacement.create(), 0);
    ASSERT_EQ(replacement.write("mine", 4), 0);
    EXPECT_EQ(replacement.commit(), 0);
  }
  EXPECT_EQ(read(target), "mine");

  // Where nothing was there when the caller looked, a file that came since stays as it is.
  fs::remove(target);
  ASSERT_EQ(locked.open(target.string(), sheetcut::LockedFile::Mode::Exclusive), ENOENT);
  EXPECT_EQ(locked.path(), target.string());
  sheetcut::FileReplacement fresh(locked);
  write(target, "came");
  EXPECT_EQ(fresh.create(), EAGAIN);
  EXPECT_EQ(read(target), "came");
}

}  // namespace
