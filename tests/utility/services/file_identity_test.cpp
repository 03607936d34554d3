// A file that an INI write or a copy changes stays the file it was: its owner, group, mode,
// access control list and every other name, whoever writes it, and wherever a rename could not
// make a new file that is the same. Refusals name what protects the file.

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "mobrel/ini_file.h"
#include "mobrel/shell_ops.h"
#include "other_user.h"
#include "small_filesystem.h"
#include "test_folder.h"

namespace fs = std::filesystem;
using mobrel::IniFile;
using sheetcut::testing::OtherUser;

namespace {

constexpr uid_t kDaemon = 1;
constexpr gid_t kStaff = 50;
constexpr gid_t kUsers = 100;

struct Identity {
  uid_t uid = 0;
  gid_t gid = 0;
  mode_t mode = 0;
  ino_t inode = 0;
  nlink_t links = 0;
};

Identity identityOf(const fs::path& file) {
  struct stat st {};
  if (::stat(file.c_str(), &st) != 0) ADD_FAILURE() << "cannot look at " << file;
  return {st.st_uid, st.st_gid, st.st_mode & 07777, st.st_ino, st.st_nlink};
}

bool operator==(const Identity& a, const Identity& b) {
  return a.uid == b.uid && a.gid == b.gid && a.mode == b.mode && a.inode == b.inode &&
         a.links == b.links;
}

void PrintTo(const Identity& i, std::ostream* os) {
  *os << i.uid << ":" << i.gid << " " << std::oct << i.mode << std::dec << " inode " << i.inode
      << " links " << i.links;
}

void own(const fs::path& path, uid_t uid, gid_t gid, mode_t mode) {
  ASSERT_EQ(::chown(path.c_str(), uid, gid), 0) << path;
  ASSERT_EQ(::chmod(path.c_str(), mode), 0) << path;
}

QString q(const fs::path& p) {
  return QString::fromStdString(p.string());
}

// What a key write says, run as `user`: "written" or the failure.
std::string writeKeyAs(const OtherUser& user, const fs::path& file, const QString& value) {
  return user.run([&] {
    IniFile ini(q(file));
    return ini.WriteIniKey("db", "user", value) ? std::string("written")
                                                : ini.writeFailure().toStdString();
  });
}

class FileIdentity : public ::testing::Test {
 protected:
  void SetUp() override { ::chmod(dir.path().c_str(), 0755); }
  TestFolder dir;
};

// An owner outside the file's group, and a member of the group who is not its owner, both
// write into the file: the group that guards a password and the owner stay.
TEST_F(FileIdentity, OwnerAndGroupStayWhoeverWrites) {
  const OtherUser daemonInUsers(kDaemon, kUsers);
  SHEETCUT_REQUIRE_OTHER_USER(daemonInUsers);
  const fs::path folder = dir.path() / "cfg";
  fs::create_directory(folder);
  own(folder, kDaemon, kDaemon, 0755);
  const fs::path secret = folder / "sec.ini";
  writeBytes(secret, "[db]\r\npassword=geheim\r\n");
  own(secret, kDaemon, kStaff, 0640);
  const Identity before = identityOf(secret);
  EXPECT_EQ(writeKeyAs(daemonInUsers, secret, "u1"), "written");
  EXPECT_EQ(readBytes(secret), "[db]\r\npassword=geheim\r\nuser=u1\r\n");
  EXPECT_EQ(identityOf(secret), before);

  // A member of the group writes the owner's shared file.
  const fs::path shared = dir.path() / "team";
  fs::create_directory(shared);
  own(shared, 0, kStaff, 02775);
  const fs::path team = shared / "team.ini";
  writeBytes(team, "[db]\r\n");
  own(team, kDaemon, kStaff, 0660);
  const Identity teamBefore = identityOf(team);
  EXPECT_EQ(writeKeyAs(OtherUser(65534, 65534, {kStaff}), team, "nobody"), "written");
  EXPECT_EQ(identityOf(team), teamBefore);
  EXPECT_EQ(OtherUser(kDaemon, kDaemon).run([&] {
    return IniFile(q(team)).GetIniKey("db", "user").toStdString();
  }),
            "nobody");

  // Where this process is owner and member of the group, the file is still replaced whole by a
  // rename, keeping owner, group and mode.
  writeBytes(folder / "own.ini", "[db]\r\n");
  own(folder / "own.ini", kDaemon, kUsers, 0640);
  const Identity ownBefore = identityOf(folder / "own.ini");
  EXPECT_EQ(writeKeyAs(daemonInUsers, folder / "own.ini", "u2"), "written");
  const Identity ownAfter = identityOf(folder / "own.ini");
  EXPECT_NE(ownAfter.inode, ownBefore.inode);
  EXPECT_EQ(ownAfter.uid, kDaemon);
  EXPECT_EQ(ownAfter.gid, kUsers);
  EXPECT_EQ(ownAfter.mode, 0640u);
}

// Every name of a file with several sees the new content: an INI write, a copy onto one of its
// names.
TEST_F(FileIdentity, EveryNameOfTheFileSeesTheChange) {
  const fs::path a = dir.path() / "a.ini";
  const fs::path b = dir.path() / "b.ini";
  writeBytes(a, "[s]\nk=1\n");
  fs::create_hard_link(a, b);
  ASSERT_TRUE(IniFile(q(a)).WriteIniKey("s", "k", "2"));
  ASSERT_TRUE(IniFile(q(b)).WriteIniKey("t", "new", "3"));
  EXPECT_EQ(readBytes(a), "[s]\nk=2\n[t]\nnew=3\n");
  EXPECT_EQ(identityOf(a), identityOf(b));
  EXPECT_EQ(identityOf(a).links, 2u);

  // A shorter content cuts the file to its length.
  ASSERT_TRUE(IniFile(q(a)).DelIniSec("t"));
  EXPECT_EQ(readBytes(b), "[s]\nk=2\n");

  writeBytes(dir.path() / "source.dxf", "copied");
  EXPECT_EQ(mobrel::ShellCopyFile(nullptr, q(dir.path() / "source.dxf"), q(b)), 0);
  EXPECT_EQ(readBytes(a), "copied");
  EXPECT_EQ(identityOf(a).links, 2u);
}

// A file the user may write is written where no rename could put a new one in its place:
// another user's file in a shared sticky folder, a file in a folder the user may not write, a
// file mounted over its name.
TEST_F(FileIdentity, AWritableFileIsWrittenWhereNoRenameCanBe) {
  const OtherUser nobody;
  SHEETCUT_REQUIRE_OTHER_USER(nobody);
  const fs::path sticky = dir.path() / "shared";
  fs::create_directory(sticky);
  own(sticky, 0, 0, 01777);
  const fs::path theirs = sticky / "team.ini";
  writeBytes(theirs, "[db]\r\n");
  own(theirs, kDaemon, kDaemon, 0666);
  writeBytes(dir.path() / "source.dxf", "copied");
  own(dir.path() / "source.dxf", 0, 0, 0644);
  EXPECT_EQ(writeKeyAs(nobody, theirs, "x"), "written");
  EXPECT_EQ(readBytes(theirs), "[db]\r\nuser=x\r\n");
  EXPECT_EQ(nobody.run([&] {
    return std::to_string(mobrel::ShellCopyFile(nullptr, q(dir.path() / "source.dxf"), q(theirs)));
  }),
            "0");
  EXPECT_EQ(readBytes(theirs), "copied");
  EXPECT_EQ(identityOf(theirs).uid, kDaemon);

  const fs::path locked = dir.path() / "locked";
  fs::create_directory(locked);
  own(locked, 0, 0, 0755);
  writeBytes(locked / "open.ini", "[db]\r\n");
  own(locked / "open.ini", 0, 0, 0666);
  EXPECT_EQ(writeKeyAs(nobody, locked / "open.ini", "y"), "written");
  EXPECT_EQ(readBytes(locked / "open.ini"), "[db]\r\nuser=y\r\n");
  // A new file there still needs the folder.
  EXPECT_NE(writeKeyAs(nobody, locked / "new.ini", "z"), "written");
  EXPECT_FALSE(fs::exists(locked / "new.ini"));

  // A file mounted over a name in a folder of its own.
  const fs::path real = dir.path() / "real.ini";
  const fs::path shown = locked / "bound.ini";
  writeBytes(real, "[db]\r\n");
  writeBytes(shown, "");
  if (::mount(real.c_str(), shown.c_str(), nullptr, MS_BIND, nullptr) != 0)
    GTEST_SKIP() << "cannot bind-mount a file: " << std::strerror(errno);
  const bool written = IniFile(q(shown)).WriteIniKey("db", "user", "bound");
  ::umount2(shown.c_str(), MNT_DETACH);
  EXPECT_TRUE(written);
  EXPECT_EQ(readBytes(real), "[db]\r\nuser=bound\r\n");
}

// A new file is made as any new file of the user is: the folder's default access control list
// applies whole, so a user it names may write the file.
TEST_F(FileIdentity, ANewFileTakesItsFoldersDefaultAccessList) {
  if (std::system(
          ("setfacl -d -m u:nobody:rw,g::rw '" + dir.path().string() + "' 2>/dev/null").c_str()) !=
      0)
    GTEST_SKIP() << "the file system holds no access control lists (or setfacl is missing)";
  ASSERT_TRUE(IniFile(dir / "new.ini").WriteIniKey("a", "k", "1"));
  writeBytes(dir.path() / "source.dxf", "copied");
  EXPECT_EQ(mobrel::ShellCopyFile(nullptr, q(dir.path() / "source.dxf"), dir / "copy.dxf"), 0);
  for (const char* name : {"new.ini", "copy.dxf"}) {
    const std::string list = accessList(dir.path() / name);
    EXPECT_NE(list.find("user:nobody:rw-"), std::string::npos) << name << "\n" << list;
    EXPECT_NE(list.find("mask::rw-"), std::string::npos) << name << "\n" << list;
  }
}

// A copy onto an existing file keeps that file's mode (a program copied over a data file does
// not make it a set-id program of the file's owner); a new copy takes the source's permission
// bits without the set-id bits, less the umask.
TEST_F(FileIdentity, ACopyKeepsTheTargetsModeAndMakesNoSetIdFile) {
  const fs::path program = dir.path() / "tool";
  writeBytes(program, "#!/bin/sh\n");
  ASSERT_EQ(::chmod(program.c_str(), 06755), 0);
  const fs::path data = dir.path() / "data.dat";
  writeBytes(data, "data");
  own(data, kDaemon, kStaff, 0664);
  const mode_t umask = ::umask(022);
  const long onto = mobrel::ShellCopyFile(nullptr, q(program), q(data));
  const long fresh = mobrel::ShellCopyFile(nullptr, q(program), dir / "fresh");
  ::umask(umask);
  EXPECT_EQ(onto, 0);
  EXPECT_EQ(fresh, 0);
  EXPECT_EQ(readBytes(data), "#!/bin/sh\n");
  const Identity after = identityOf(data);
  EXPECT_EQ(after.mode, 0664u);
  EXPECT_EQ(after.uid, kDaemon);
  EXPECT_EQ(after.gid, kStaff);
  EXPECT_EQ(identityOf(dir.path() / "fresh").mode, 0755u);
}

// A write that needs more room than the disk has fails naming the full disk, and the file
// written in place (it has a second name) is as it was under both names.
TEST_F(FileIdentity, AFullDiskLeavesAFileWrittenInPlaceWhole) {
  sheetcut::testing::SmallFileSystem disk(256 * 1024);
  SHEETCUT_REQUIRE_SMALL_FS(disk);
  const fs::path a = disk.root() / "a.ini";
  const std::string old = "[s]\r\nk=" + std::string(60000, 'o') + "\r\n";
  writeBytes(a, old);
  fs::create_hard_link(a, disk.root() / "b.ini");
  disk.fill(16 * 1024);
  IniFile ini(q(a));
  EXPECT_FALSE(ini.WriteIniKey("s", "more", std::string(100000, 'n').c_str()));
  EXPECT_EQ(ini.writeFailure(), "\"" + q(a) + "\"所在的磁盘已满，文件没有改动");
  EXPECT_TRUE(readBytes(a) == old);
  EXPECT_TRUE(readBytes(disk.root() / "b.ini") == old);
  disk.release();
  EXPECT_TRUE(ini.WriteIniKey("s", "more", "n"));
  EXPECT_EQ(readBytes(disk.root() / "b.ini"), old + "more=n\r\n");
}

// What protects a file is named when a write is refused.
TEST_F(FileIdentity, RefusalsNameWhatProtectsTheFile) {
  sheetcut::testing::SmallFileSystem disk;
  SHEETCUT_REQUIRE_SMALL_FS(disk);
  const fs::path appendOnly = disk.root() / "log.ini";
  const fs::path immutable = disk.root() / "fixed.ini";
  writeBytes(appendOnly, "[s]\r\nk=1\r\n");
  writeBytes(immutable, "[s]\r\nk=1\r\n");
  if (std::system(("chattr +a '" + appendOnly.string() + "' 2>/dev/null").c_str()) != 0 ||
      std::system(("chattr +i '" + immutable.string() + "' 2>/dev/null").c_str()) != 0)
    GTEST_SKIP() << "the file system holds no append-only or immutable files";
  IniFile log(q(appendOnly));
  EXPECT_FALSE(log.WriteIniKey("s", "k", "2"));
  EXPECT_EQ(log.writeFailure(),
            "\"" + q(appendOnly) + "\"是只能在末尾追加内容的文件(chattr +a)，不能改写");
  IniFile fixed(q(immutable));
  EXPECT_FALSE(fixed.WriteIniKey("s", "k", "2"));
  EXPECT_EQ(fixed.writeFailure(), "\"" + q(immutable) + "\"是不可更改的文件(chattr +i)");
  writeBytes(dir.path() / "source.dxf", "copied");
  EXPECT_EQ(mobrel::ShellCopyFile(nullptr, q(dir.path() / "source.dxf"), q(immutable)), EPERM);
  EXPECT_EQ(readBytes(appendOnly), "[s]\r\nk=1\r\n");
  EXPECT_EQ(readBytes(immutable), "[s]\r\nk=1\r\n");
  std::system(("chattr -a -i '" + appendOnly.string() + "' '" + immutable.string() + "'").c_str());

  // A read-only mount.
  ASSERT_EQ(::mount(nullptr, disk.root().c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0)
      << std::strerror(errno);
  IniFile onReadOnly(q(appendOnly));
  EXPECT_FALSE(onReadOnly.WriteIniKey("s", "k", "2"));
  EXPECT_EQ(onReadOnly.writeFailure(), "\"" + q(appendOnly) + "\"所在的文件系统是只读挂载的");
  ::mount(nullptr, disk.root().c_str(), nullptr, MS_REMOUNT, nullptr);

  // Another user's file in a shared sticky folder that this user may not write.
  const OtherUser nobody;
  if (!nobody.available()) return;
  const fs::path sticky = dir.path() / "shared";
  fs::create_directory(sticky);
  own(sticky, 0, 0, 01777);
  writeBytes(sticky / "theirs.ini", "[db]\r\n");
  own(sticky / "theirs.ini", kDaemon, kDaemon, 0644);
  EXPECT_EQ(writeKeyAs(nobody, sticky / "theirs.ini", "x"),
            "\"" + (sticky / "theirs.ini").string() + "\"属于其他用户，它所在的共享文件夹\"" +
                sticky.string() + "\"只允许文件的主人替换它");
}

}  // namespace
