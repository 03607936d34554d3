#include "sheetcut/regular_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>

#include "small_filesystem.h"

namespace fs = std::filesystem;

namespace {

class RegularFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("regular-file-" + std::to_string(::getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  fs::path dir_;
};

TEST_F(RegularFileTest, RegularFilesAndLinksToThemOpen) {
  const auto file = dir_ / "a.txt";
  std::ofstream(file) << "abc";
  fs::create_symlink(file, dir_ / "link.txt");
  EXPECT_EQ(sheetcut::nonRegularFileReason(file.string()), "");
  EXPECT_EQ(sheetcut::nonRegularFileReason((dir_ / "link.txt").string()), "");
  const int fd = sheetcut::openRegularFileForReading((dir_ / "link.txt").string());
  ASSERT_GE(fd, 0);
  char buf[4] = {};
  EXPECT_EQ(::read(fd, buf, sizeof buf), 3);
  ::close(fd);
}

TEST_F(RegularFileTest, MissingPathIsLeftToTheCaller) {
  EXPECT_EQ(sheetcut::nonRegularFileReason((dir_ / "missing").string()), "");
  EXPECT_EQ(sheetcut::openRegularFileForReading((dir_ / "missing").string()), -1);
  EXPECT_EQ(errno, ENOENT);
}

// A named pipe with no writer would block open() for ever; a device never ends.
TEST_F(RegularFileTest, PipesDevicesAndFoldersAreRefusedWithoutBlocking) {
  const auto fifo = dir_ / "pipe";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  fs::create_symlink("/dev/zero", dir_ / "zero");
  EXPECT_EQ(sheetcut::nonRegularFileReason(fifo.string()), "is a named pipe, not a regular file");
  EXPECT_EQ(sheetcut::nonRegularFileReason((dir_ / "zero").string()),
            "is a character device, not a regular file");
  EXPECT_EQ(sheetcut::nonRegularFileReason(dir_.string()), "is a folder, not a regular file");
  for (const auto& p : {fifo, dir_ / "zero", dir_}) {
    EXPECT_EQ(sheetcut::openRegularFileForReading(p.string()), -1) << p;
    EXPECT_EQ(errno, EINVAL) << p;
  }
}

TEST(SmallFileSystemTest, FillLeavesTheAskedSpace) {
  sheetcut::testing::SmallFileSystem small(256 * 1024);
  SHEETCUT_REQUIRE_SMALL_FS(small);
  small.fill();
  std::ofstream out(small.root() / "x.bin", std::ios::binary);
  out << std::string(8192, 'x') << std::flush;
  EXPECT_FALSE(out.good());
  small.release();
}

}  // namespace
