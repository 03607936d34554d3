#include "mobrel/shell_ops.h"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>
#include <QStringList>

#include <algorithm>
#include <cerrno>
#include <string>
#include <vector>

#include "mobrel/path_tools.h"
#include "mobrel/shell_confirm.h"
#include "refused_link.h"
#include "small_filesystem.h"
#include "test_folder.h"

namespace fs = std::filesystem;
using namespace mobrel;

namespace {

class ShellOps : public ::testing::Test {
 protected:
  // a.dxf, B.DXF, note.txt, .hidden and sub/inner.dxf inside the test folder's "x".
  void SetUp() override {
    x = dir.path() / "x";
    fs::create_directories(x / "sub");
    for (const char* name : {"a.dxf", "B.DXF", "note.txt", ".hidden", "sub/inner.dxf"}) {
      writeBytes(x / name, name);
    }
  }
  void TearDown() override { setShellConfirmHandler(nullptr); }

  QString q(const fs::path& p) const { return QString::fromStdString(p.string()); }

  TestFolder dir;
  fs::path x;
};

}  // namespace

TEST_F(ShellOps, DeleteGuardsRefuseEmptyAndRoot) {
  QString empty, root = "/", rootish = "/tmp/../", rootWild = "/*";
  EXPECT_EQ(ShellDelete(nullptr, empty), EPERM);
  EXPECT_EQ(ShellDelete(nullptr, root), EPERM);
  EXPECT_EQ(ShellDelete(nullptr, rootish), EPERM);
  EXPECT_EQ(ShellDelete(nullptr, rootWild), EPERM);
  EXPECT_EQ(ShellDelFolderSubObjs(nullptr, ""), EPERM);
  EXPECT_EQ(ShellDelFolderFiles(nullptr, "/"), EPERM);
  EXPECT_EQ(ShellDelFolderSubObjs(nullptr, "/usr/.."), EPERM);
  EXPECT_TRUE(fs::exists("/tmp"));

  // A bare pattern matches in the current folder: refused there when that is the root. (The
  // pattern matches nothing, so a missing guard would answer ENOENT, not delete.)
  const fs::path before = fs::current_path();
  fs::current_path("/");
  QString bare = "sheetcut-never-there-*";
  const long rc = ShellDelete(nullptr, bare);
  fs::current_path(before);
  EXPECT_EQ(rc, EPERM);
  fs::current_path(x);
  EXPECT_EQ(ShellDelete(nullptr, bare = "*.txt"), 0);
  fs::current_path(before);
  EXPECT_FALSE(fs::exists(x / "note.txt"));
}

TEST_F(ShellOps, DeletePathsAndWildcards) {
  QString target = q(x / "sub") + "/";
  EXPECT_EQ(ShellDelete(nullptr, target), 0);
  EXPECT_EQ(target, q(x / "sub"));  // the caller's text loses its trailing "/"
  EXPECT_FALSE(fs::exists(x / "sub"));

  QString pattern = q(x / "*.dxf");
  EXPECT_EQ(ShellDelete(nullptr, pattern), 0);  // case-blind: B.DXF goes too
  EXPECT_FALSE(fs::exists(x / "a.dxf"));
  EXPECT_FALSE(fs::exists(x / "B.DXF"));
  EXPECT_TRUE(fs::exists(x / "note.txt"));

  QString missing = q(x / "none");
  EXPECT_EQ(ShellDelete(nullptr, missing), ENOENT);
}

TEST_F(ShellOps, DeleteFolderContents) {
  // With and without the trailing "/": the same files go, sub-folders stay.
  EXPECT_EQ(ShellDelFolderFiles(nullptr, q(x)), 0);
  EXPECT_FALSE(fs::is_empty(x / "sub"));
  EXPECT_FALSE(fs::exists(x / "a.dxf"));
  EXPECT_FALSE(fs::exists(x / ".hidden"));
  writeBytes(x / "again.dxf", "1");
  EXPECT_EQ(ShellDelFolderFiles(nullptr, q(x) + "/"), 0);
  EXPECT_FALSE(fs::exists(x / "again.dxf"));
  EXPECT_TRUE(fs::exists(x / "sub/inner.dxf"));

  EXPECT_EQ(ShellDelFolderSubObjs(nullptr, q(x) + "/"), 0);
  EXPECT_TRUE(fs::is_directory(x));
  EXPECT_TRUE(fs::is_empty(x));
  EXPECT_EQ(ShellDelFolderSubObjs(nullptr, q(x)), 0);  // already empty
  EXPECT_EQ(ShellDelFolderSubObjs(nullptr, q(dir.path() / "none")), ENOENT);
}

TEST_F(ShellOps, AlarmAsksBeforeDeleting) {
  QStringList asked;
  bool answer = false;
  setShellConfirmHandler([&](QWidget*, const QString& question) {
    asked << question;
    return answer;
  });
  QString path = q(x / "a.dxf");
  EXPECT_EQ(ShellDelete(nullptr, path, true), ECANCELED);
  EXPECT_TRUE(fs::exists(x / "a.dxf"));
  answer = true;
  EXPECT_EQ(ShellDelete(nullptr, path, true), 0);
  EXPECT_FALSE(fs::exists(x / "a.dxf"));
  EXPECT_EQ(ShellDelete(nullptr, path = q(x / "note.txt"), false), 0);
  EXPECT_EQ(asked.size(), 2);
  EXPECT_TRUE(asked.front().contains("a.dxf"));
}

TEST_F(ShellOps, CopyAndMoveDestinations) {
  const fs::path out = dir.path() / "out";
  fs::create_directory(out);
  // An existing folder means "into it"; another name is the new name, its folders made.
  EXPECT_EQ(ShellCopyFile(nullptr, q(x / "a.dxf"), q(out)), 0);
  EXPECT_EQ(readBytes(out / "a.dxf"), "a.dxf");
  EXPECT_EQ(ShellCopyFile(nullptr, q(x / "a.dxf"), q(out / "new/c.dxf")), 0);
  EXPECT_EQ(readBytes(out / "new/c.dxf"), "a.dxf");
  // An existing file is replaced; a folder is copied whole.
  EXPECT_EQ(ShellCopyFile(nullptr, q(x / "note.txt"), q(out / "a.dxf")), 0);
  EXPECT_EQ(readBytes(out / "a.dxf"), "note.txt");
  EXPECT_EQ(ShellCopyFile(nullptr, q(x / "sub"), q(out)), 0);
  EXPECT_TRUE(fs::exists(out / "sub/inner.dxf"));
  // Wildcards copy into the destination, made as a folder.
  EXPECT_EQ(ShellCopyFile(nullptr, q(x / "*.DXF"), q(out / "many")), 0);
  EXPECT_TRUE(fs::exists(out / "many/a.dxf"));
  EXPECT_TRUE(fs::exists(out / "many/B.DXF"));
  // Into itself would never end.
  EXPECT_NE(ShellCopyFile(nullptr, q(x), q(x / "sub")), 0);
  EXPECT_EQ(ShellCopyFile(nullptr, q(x / "none"), q(out)), ENOENT);

  // Moving merges into an existing folder of the same name.
  fs::create_directories(out / "m/sub");
  writeBytes(out / "m/sub/kept.dxf", "k");
  EXPECT_EQ(ShellMoveFile(nullptr, q(x / "sub"), q(out / "m")), 0);
  EXPECT_FALSE(fs::exists(x / "sub"));
  EXPECT_TRUE(fs::exists(out / "m/sub/inner.dxf"));
  EXPECT_TRUE(fs::exists(out / "m/sub/kept.dxf"));
  EXPECT_EQ(ShellMoveFile(nullptr, q(x / "a.dxf"), q(out / "renamed.dxf")), 0);
  EXPECT_FALSE(fs::exists(x / "a.dxf"));
  EXPECT_EQ(readBytes(out / "renamed.dxf"), "a.dxf");
}

TEST_F(ShellOps, SourceEndingInSeparatorIsTheFolderItself) {
  const fs::path out = dir.path() / "out";
  fs::create_directory(out);
  EXPECT_EQ(ShellCopyFile(nullptr, q(x / "sub") + "/", q(out)), 0);
  EXPECT_EQ(readBytes(out / "sub/inner.dxf"), "sub/inner.dxf");
  EXPECT_FALSE(fs::exists(out / "inner.dxf"));
  // Moved, the folder keeps its name and its contents go with it.
  EXPECT_EQ(ShellMoveFile(nullptr, q(x) + "/", q(out)), 0);
  EXPECT_FALSE(fs::exists(x));
  EXPECT_EQ(readBytes(out / "x/a.dxf"), "a.dxf");
  EXPECT_FALSE(fs::exists(out / "a.dxf"));
  EXPECT_NE(ShellMoveFile(nullptr, q(out) + "/", q(out / "x")), 0);
  EXPECT_TRUE(fs::exists(out / "x/sub/inner.dxf"));
}

TEST_F(ShellOps, AlarmAsksBeforeReplacing) {
  setShellConfirmHandler([](QWidget*, const QString&) { return false; });
  EXPECT_EQ(ShellCopyFile(nullptr, q(x / "a.dxf"), q(x / "note.txt"), true), ECANCELED);
  EXPECT_EQ(readBytes(x / "note.txt"), "note.txt");
  EXPECT_EQ(ShellCopyFile(nullptr, q(x / "a.dxf"), q(x / "fresh.dxf"), true), 0);
}

TEST_F(ShellOps, RenameNeverReplaces) {
  EXPECT_EQ(ShellRenameFile(nullptr, q(x / "a.dxf"), "note.txt"), EEXIST);
  EXPECT_EQ(readBytes(x / "note.txt"), "note.txt");
  EXPECT_EQ(readBytes(x / "a.dxf"), "a.dxf");
  EXPECT_EQ(ShellRenameFile(nullptr, q(x / "a.dxf"), "c.dxf"), 0);
  EXPECT_EQ(readBytes(x / "c.dxf"), "a.dxf");
  EXPECT_EQ(ShellRenameFile(nullptr, q(x / "gone.dxf"), "d.dxf"), ENOENT);
}

TEST(PathTools, ExistenceAndCreation) {
  TestFolder dir;
  fs::create_directory(dir.path() / "empty");
  writeBytes(dir.path() / "f.DXF", "1");
  EXPECT_TRUE(IsFileExist(dir / "f.DXF"));
  EXPECT_TRUE(IsFileExist(dir / "*.dxf"));
  EXPECT_FALSE(IsFileExist(dir / "empty"));  // a folder is no file
  EXPECT_FALSE(IsFileExist(dir / "emp*"));
  EXPECT_FALSE(IsFileExist(""));
  EXPECT_TRUE(IsFolderExist(dir / "empty"));
  EXPECT_FALSE(IsFolderExist(dir / "f.DXF"));
  EXPECT_FALSE(IsFolderExist(""));

  const QString deep = dir / "a/b/c";
  EXPECT_TRUE(MakeLocalPath(deep));
  EXPECT_TRUE(fs::is_directory(dir.path() / "a/b/c"));
  EXPECT_TRUE(MakeLocalPath(deep + "/"));
  EXPECT_FALSE(MakeLocalPath(dir / "f.DXF/sub"));  // a file in the way
}

TEST_F(ShellOps, MoveAcrossFileSystemsCopiesThenDeletes) {
  std::error_code ec;
  const fs::path shm = "/dev/shm";
  if (!fs::is_directory(shm, ec) || fs::status(shm).permissions() == fs::perms::none) {
    GTEST_SKIP() << "no second file system at /dev/shm";
  }
  struct stat a {
  }, b{};
  if (stat(shm.c_str(), &a) != 0 || stat(x.c_str(), &b) != 0 || a.st_dev == b.st_dev) {
    GTEST_SKIP() << "/dev/shm is on the same file system";
  }
  const fs::path target = shm / ("mobrel-move-" + std::to_string(getpid()));
  EXPECT_EQ(ShellMoveFile(nullptr, q(x), q(target)), 0);
  EXPECT_FALSE(fs::exists(x));
  EXPECT_EQ(readBytes(target / "sub/inner.dxf"), "sub/inner.dxf");
  fs::remove_all(target, ec);
}

// On a full disk a copy or move fails with the real cause and leaves the target as it was: no
// part of the new file under the target's name, an existing file kept, no temporary left.
TEST_F(ShellOps, FullDiskKeepsTheTargetAsItWas) {
  sheetcut::testing::SmallFileSystem disk(512 * 1024);
  SHEETCUT_REQUIRE_SMALL_FS(disk);
  const std::string data(600000, 'n');
  writeBytes(x / "new.bin", data);
  writeBytes(disk.root() / "old.bin", "old");
  const auto onDisk = [&] {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(disk.root())) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  };

  EXPECT_EQ(ShellCopyFile(nullptr, q(x / "new.bin"), q(disk.root() / "new.bin")), ENOSPC);
  EXPECT_EQ(ShellCopyFile(nullptr, q(x / "new.bin"), q(disk.root() / "old.bin")), ENOSPC);
  EXPECT_EQ(ShellMoveFile(nullptr, q(x / "new.bin"), q(disk.root() / "old.bin")), ENOSPC);
  EXPECT_EQ(ShellMoveFile(nullptr, q(x), q(disk.root() / "x")), ENOSPC);
  EXPECT_EQ(onDisk(), std::vector<std::string>{"old.bin"});
  EXPECT_EQ(readBytes(disk.root() / "old.bin"), "old");
  EXPECT_TRUE(readBytes(x / "new.bin") == data);  // a failed move keeps its source
  EXPECT_EQ(readBytes(x / "sub/inner.dxf"), "sub/inner.dxf");

  // With room, the same copy replaces the file whole.
  fs::remove(x / "new.bin");
  writeBytes(x / "new.bin", std::string(300000, 'm'));
  EXPECT_EQ(ShellMoveFile(nullptr, q(x / "new.bin"), q(disk.root() / "old.bin")), 0);
  EXPECT_TRUE(readBytes(disk.root() / "old.bin") == std::string(300000, 'm'));
  EXPECT_FALSE(fs::exists(x / "new.bin"));
  EXPECT_EQ(onDisk(), std::vector<std::string>{"old.bin"});
}

// A file copied onto an existing one keeps that file's owner, group and mode, as cp keeps them;
// a link as the target keeps leading where it did.
TEST_F(ShellOps, CopyOntoAnExistingFileOrLinkKeepsWhatItWas) {
  const fs::path t = dir.path() / "t";
  fs::create_directories(t);
  ::chmod((x / "a.dxf").c_str(), 0604);
  writeBytes(t / "owned.dxf", "old");
  if (::geteuid() == 0) {
    ASSERT_EQ(::chown((t / "owned.dxf").c_str(), 1, 1), 0);
  }
  struct stat before {};
  ASSERT_EQ(::stat((t / "owned.dxf").c_str(), &before), 0);
  EXPECT_EQ(ShellCopyFile(nullptr, q(x / "a.dxf"), q(t / "owned.dxf")), 0);
  struct stat after {};
  ASSERT_EQ(::stat((t / "owned.dxf").c_str(), &after), 0);
  EXPECT_EQ(readBytes(t / "owned.dxf"), "a.dxf");
  EXPECT_EQ(after.st_uid, before.st_uid);
  EXPECT_EQ(after.st_gid, before.st_gid);
  EXPECT_EQ(after.st_mode & 07777, before.st_mode & 07777);

  // A dangling link gets its file; a link loop is refused and stays.
  fs::create_symlink("made.dxf", t / "dangling.dxf");
  EXPECT_EQ(ShellCopyFile(nullptr, q(x / "a.dxf"), q(t / "dangling.dxf")), 0);
  EXPECT_TRUE(fs::is_symlink(t / "dangling.dxf"));
  EXPECT_EQ(readBytes(t / "made.dxf"), "a.dxf");
  fs::create_symlink("loop2", t / "loop1");
  fs::create_symlink("loop1", t / "loop2");
  EXPECT_EQ(ShellCopyFile(nullptr, q(x / "a.dxf"), q(t / "loop1")), ELOOP);
  EXPECT_TRUE(fs::is_symlink(t / "loop1"));
  // owned.dxf, dangling.dxf, made.dxf and the two loop links: no temporary file left.
  EXPECT_EQ(std::distance(fs::directory_iterator(t), fs::directory_iterator()), 5);
}

// A copy never puts a file in the place of a named pipe, a device or a socket, nor of what a
// link to one names: it answers EINVAL and leaves the node as it was, without opening it.
TEST_F(ShellOps, CopyOntoAPipeDeviceOrSocketLeavesTheNode) {
  const fs::path t = dir.path() / "t";
  fs::create_directory(t);
  ASSERT_EQ(::mkfifo((t / "pipe").c_str(), 0644), 0);
  fs::create_symlink("pipe", t / "to-pipe");
  const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(sock, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string socketPath = (t / "sock").string();
  ASSERT_LT(socketPath.size(), sizeof address.sun_path);
  socketPath.copy(address.sun_path, socketPath.size());
  ASSERT_EQ(::bind(sock, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
  std::vector<std::string> nodes{"pipe", "to-pipe", "sock"};
  // A device of the test's own, like /dev/null (making one needs root).
  if (::mknod((t / "null").c_str(), S_IFCHR | 0666, ::makedev(1, 3)) == 0) {
    fs::create_symlink("null", t / "to-null");
    nodes.insert(nodes.end(), {"null", "to-null"});
  }
  for (const std::string& node : nodes) {
    EXPECT_EQ(ShellCopyFile(nullptr, q(x / "a.dxf"), q(t / node)), EINVAL) << node;
  }
  ::close(sock);
  EXPECT_TRUE(fs::is_fifo(t / "pipe"));
  EXPECT_TRUE(fs::is_socket(t / "sock"));
  EXPECT_TRUE(fs::is_symlink(t / "to-pipe"));
  if (nodes.size() > 3) {
    EXPECT_TRUE(fs::is_character_file(t / "null"));
    EXPECT_TRUE(fs::is_symlink(t / "to-null"));
  }
  EXPECT_EQ(static_cast<size_t>(std::distance(fs::directory_iterator(t), fs::directory_iterator())),
            nodes.size());  // no temporary file left
}

// A source named through a link (a relative one, which would dangle in another folder) is
// copied as the file it names, as cp does, whether the target is new or replaced.
TEST_F(ShellOps, CopyOfALinkCopiesTheFileItNames) {
  fs::create_symlink("a.dxf", x / "link.dxf");
  const fs::path out = dir.path() / "out";
  fs::create_directory(out);
  writeBytes(out / "there.dxf", "old");
  EXPECT_EQ(ShellCopyFile(nullptr, q(x / "link.dxf"), q(out)), 0);
  EXPECT_EQ(ShellCopyFile(nullptr, q(x / "link.dxf"), q(out / "there.dxf")), 0);
  EXPECT_EQ(ShellCopyFile(nullptr, q(x / "link.*"), q(out / "many")), 0);
  for (const fs::path& copy : {out / "link.dxf", out / "there.dxf", out / "many/link.dxf"}) {
    EXPECT_FALSE(fs::is_symlink(copy)) << copy;
    EXPECT_EQ(readBytes(copy), "a.dxf") << copy;
  }
  EXPECT_TRUE(fs::is_symlink(x / "link.dxf"));
}

// A source link that leads nowhere, or to a named pipe, names no data to copy: the copy
// answers as cp would for the file itself (ENOENT, EINVAL) and leaves no link behind, which
// would name another file from the new folder; an existing file at the target stays.
TEST_F(ShellOps, CopyOfALinkToNoFileCopiesNothing) {
  fs::create_symlink("gone.dxf", x / "dangling.dxf");
  ASSERT_EQ(::mkfifo((x / "pipe").c_str(), 0644), 0);
  fs::create_symlink("pipe", x / "to-pipe.dxf");
  const fs::path out = dir.path() / "out";
  fs::create_directory(out);
  writeBytes(out / "gone.dxf", "another file");
  writeBytes(out / "there.dxf", "old");
  EXPECT_EQ(ShellCopyFile(nullptr, q(x / "dangling.dxf"), q(out)), ENOENT);
  EXPECT_EQ(ShellCopyFile(nullptr, q(x / "dangling.dxf"), q(out / "there.dxf")), ENOENT);
  EXPECT_EQ(ShellCopyFile(nullptr, q(x / "to-pipe.dxf"), q(out)), EINVAL);
  EXPECT_EQ(ShellCopyFile(nullptr, q(x / "to-pipe.dxf"), q(out / "there.dxf")), EINVAL);
  EXPECT_FALSE(fs::exists(fs::symlink_status(out / "dangling.dxf")));
  EXPECT_FALSE(fs::exists(fs::symlink_status(out / "to-pipe.dxf")));
  EXPECT_EQ(readBytes(out / "there.dxf"), "old");
  EXPECT_EQ(std::distance(fs::directory_iterator(out), fs::directory_iterator()), 2);
}

// A link that the system does not follow for this user (a hostile one in a shared sticky
// folder) is not followed by a copy onto it: the copy answers EACCES and the file the link
// names stays. A read-only file of the user's own is still replaced ("yes to all").
TEST(ShellOpsLinks, CopyOntoALinkTheSystemRefusesLeavesItsFile) {
  sheetcut::testing::RefusedLink link("team.dxf", "team data");
  SHEETCUT_REQUIRE_REFUSED_LINK(link);
  const fs::path home = link.home();
  writeBytes(home / "src.dxf", "new data");
  const QString source = QString::fromStdString((home / "src.dxf").string());
  const QString target = QString::fromStdString(link.link());
  const fs::path readOnly = home / "read-only.dxf";
  EXPECT_EQ(link.user().run([&] {
    writeBytes(readOnly, "old");
    ::chmod(readOnly.c_str(), 0444);
    return std::to_string(ShellCopyFile(nullptr, source, target)) + " " +
           std::to_string(ShellCopyFile(nullptr, source, QString::fromStdString(readOnly)));
  }),
            std::to_string(EACCES) + " 0");
  EXPECT_EQ(link.content(), "team data");
  EXPECT_EQ(readBytes(readOnly), "new data");
}
