// A file written in place (it has a second name) on a file system that runs out of room during
// the write, where reserving room proves nothing: copy-on-write btrfs and XFS, a quota, ext2
// without reservation filling a sparse file's holes. The write succeeds whole, or fails with
// the file as it was under every name; a failure says what happened. Each case mounts a small
// image and skips where it may not.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>

#include "loop_image.h"
#include "mobrel/ini_file.h"
#include "mobrel/shell_ops.h"
#include "other_user.h"
#include "sheetcut/file_replacement.h"
#include "test_folder.h"

namespace fs = std::filesystem;
using mobrel::IniFile;
using sheetcut::testing::LoopImage;

namespace {

QString q(const fs::path& p) {
  return QString::fromStdString(p.string());
}

// An INI file of about `bytes` bytes: section [s] first, then lines of other sections.
std::string iniText(size_t bytes) {
  std::string text = "[s]\r\nk=old\r\n";
  for (int n = 0; text.size() < bytes; ++n)
    text += "[t" + std::to_string(n) + "]\r\nvalue=" + std::string(60, 'a' + n % 26) + "\r\n";
  return text;
}

// Sets s/k through the first name of a file that has two: the write succeeds and both names
// read the new value, or it fails with the bytes as before, saying so (a full disk or quota,
// named as `reason`), never leaving a file part new and part old.
void setKeyWholeOrNot(const fs::path& a, const fs::path& b, const std::string& old,
                      const std::string& reason) {
  IniFile ini(q(a));
  if (ini.WriteIniKey("s", "k", "a new and longer value")) {
    EXPECT_EQ(IniFile(q(b)).GetIniKey("s", "k"), "a new and longer value");
    EXPECT_EQ(readBytes(b).size(), old.size() + 19);
    return;
  }
  EXPECT_TRUE(readBytes(b) == old) << "a failed write changed the file";
  EXPECT_EQ(ini.writeFailure().toStdString(), "\"" + a.string() + "\"" + reason + "，文件没有改动");
}

TEST(FileSafety, ANearlyFullBtrfsLeavesAnIniFileWholeOrNew) {
  LoopImage disk("btrfs", 128u << 20, "-q --mixed");
  SHEETCUT_REQUIRE_LOOP_IMAGE(disk);
  const fs::path a = disk.root() / "a.ini";
  const std::string old = iniText(3u << 20);
  writeBytes(a, old);
  fs::create_hard_link(a, disk.root() / "b.ini");
  disk.fill(768u << 10);
  setKeyWholeOrNot(a, disk.root() / "b.ini", old, "所在的磁盘已满");
}

// Where no clone of the file can be made beside it (in a folder the writer may not write), a
// write on a nearly full btrfs runs out of room halfway, and the old bytes may find no room to
// go back either. Then the message says so and names the file that keeps the old content.
TEST(FileSafety, ADamagedFileIsSaidAsSuchNamingItsOldContent) {
  sheetcut::testing::OtherUser nobody;
  SHEETCUT_REQUIRE_OTHER_USER(nobody);
  LoopImage disk("btrfs", 128u << 20, "-q --mixed");
  SHEETCUT_REQUIRE_LOOP_IMAGE(disk);
  const fs::path folder = disk.root() / "theirs";
  fs::create_directory(folder);
  const fs::path a = folder / "a.ini";
  const std::string old = iniText(3u << 20);
  writeBytes(a, old);
  fs::create_hard_link(a, folder / "b.ini");
  ASSERT_EQ(::chown(a.c_str(), nobody.uid(), nobody.gid()), 0);
  disk.fill(768u << 10);
  const std::string failure = nobody.run([&] {
    IniFile ini(q(a));
    return ini.WriteIniKey("s", "k", "a new and longer value") ? std::string()
                                                               : ini.writeFailure().toStdString();
  });
  ASSERT_FALSE(failure.empty()) << "written without room";
  const std::string damaged = "\"" + a.string() + "\"写入失败，文件已损坏；原来的内容保存在\"";
  if (failure.rfind(damaged, 0) != 0) {
    EXPECT_EQ(failure, "\"" + a.string() + "\"所在的磁盘已满，文件没有改动");
    EXPECT_TRUE(readBytes(folder / "b.ini") == old) << "a failed write changed the file";
    return;
  }
  const std::string backup = failure.substr(damaged.size(), failure.size() - damaged.size() - 1);
  EXPECT_TRUE(readBytes(backup) == old) << backup;
  fs::remove(backup);
}

TEST(FileSafety, AFullBtrfsQuotaIsSaidAsAQuota) {
  LoopImage disk("btrfs", 128u << 20, "-q --mixed");
  SHEETCUT_REQUIRE_LOOP_IMAGE(disk);
  const fs::path sub = disk.root() / "sub";
  if (!LoopImage::run("btrfs quota enable " + disk.root().string()) ||
      !LoopImage::run("btrfs subvolume create " + sub.string()) ||
      !LoopImage::run("btrfs qgroup limit 2M " + sub.string()))
    GTEST_SKIP() << "cannot set a btrfs quota-group limit";
  const fs::path a = sub / "a.ini";
  const std::string old = iniText(1500u << 10);
  writeBytes(a, old);
  fs::create_hard_link(a, sub / "b.ini");
  LoopImage::run("sync");
  IniFile ini(q(a));
  EXPECT_FALSE(ini.WriteIniKey("s", "k", "a new and longer value"));
  EXPECT_TRUE(readBytes(sub / "b.ini") == old) << "a failed write changed the file";
  EXPECT_EQ(ini.writeFailure().toStdString(),
            "\"" + a.string() + "\"所在磁盘的配额已用完，文件没有改动");
}

// On a nearly full XFS a file whose blocks are its own is written in place where the new content
// fits in them: nothing needs to be allocated. One whose blocks another file shares (a reflinked
// copy) is written into new blocks, for which the room runs out halfway: it stays as it was.
TEST(FileSafety, ANearlyFullXfsTakesOnlyAWriteInPlaceThatAllocatesNothing) {
  LoopImage disk("xfs", 320u << 20, "-q -m reflink=1");
  SHEETCUT_REQUIRE_LOOP_IMAGE(disk);
  const fs::path own = disk.root() / "own.ini";
  writeBytes(own, iniText(2u << 20));
  fs::create_hard_link(own, disk.root() / "own2.ini");
  const fs::path shared = disk.root() / "shared.ini";
  const std::string old = iniText(9u << 20);  // written in pieces of a megabyte
  writeBytes(shared, old);
  fs::create_hard_link(shared, disk.root() / "shared2.ini");
  ASSERT_TRUE(LoopImage::run("cp --reflink=always " + shared.string() + " " +
                             (disk.root() / "copy.ini").string()));
  disk.fill(1536u << 10);

  IniFile ini(q(own));
  EXPECT_TRUE(ini.WriteIniKey("s", "k", "new")) << ini.writeFailure().toStdString();
  EXPECT_EQ(IniFile(q(disk.root() / "own2.ini")).GetIniKey("s", "k"), "new");
  // A value of the same length: no room is asked for beyond the file's blocks, and the write
  // runs out of room halfway.
  IniFile sharedIni(q(shared));
  EXPECT_FALSE(sharedIni.WriteIniKey("s", "k", "new"));
  EXPECT_EQ(sharedIni.writeFailure().toStdString(),
            "\"" + shared.string() + "\"所在的磁盘已满，文件没有改动");
  EXPECT_TRUE(readBytes(disk.root() / "shared2.ini") == old) << "a failed write changed the file";
  EXPECT_TRUE(readBytes(disk.root() / "copy.ini") == old);
}

// ext2 cannot reserve room: a copy onto a sparse file with a second name fills its holes until
// the disk is full. The copy fails with the file as it was, or arrives whole.
TEST(FileSafety, ACopyOntoASparseFileOnAFullExt2IsWholeOrNot) {
  LoopImage disk("ext2", 16u << 20, "-q -F");
  SHEETCUT_REQUIRE_LOOP_IMAGE(disk);
  TestFolder dir;
  const fs::path source = dir.path() / "source.dat";
  std::string content(6u << 20, '\0');
  for (size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>('a' + i % 23);
  writeBytes(source, content);
  const fs::path target = disk.root() / "target.dat";
  {
    const int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::pwrite(fd, "head", 4, 0), 4);
    ASSERT_EQ(::pwrite(fd, "tail", 4, static_cast<off_t>(content.size()) - 4), 4);
    ::close(fd);
  }
  const std::string old = readBytes(target);
  fs::create_hard_link(target, disk.root() / "other.dat");
  disk.fill(2u << 20);
  const long rc = mobrel::ShellCopyFile(nullptr, q(source), q(target));
  if (rc == 0) {
    EXPECT_TRUE(readBytes(disk.root() / "other.dat") == content);
  } else {
    EXPECT_EQ(rc, ENOSPC);
    EXPECT_TRUE(readBytes(disk.root() / "other.dat") == old) << "a failed copy changed the file";
  }
}

}  // namespace
