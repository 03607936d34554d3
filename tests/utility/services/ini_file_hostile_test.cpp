// What an INI file cannot hold, files that are not regular files, and files shared between
// processes, users and links.

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QStringList>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <future>

#include "mobrel/ini_file.h"
#include "refused_link.h"
#include "test_folder.h"

namespace fs = std::filesystem;
using mobrel::IniFile;

namespace {

TEST(IniFileNames, SectionsHoldingBracketsReadBackAsWritten) {
  TestFolder dir;
  IniFile ini(dir / "AnRpt.txt");
  // "a] ;b" comes after "A" and "a]": its header reads as "a" too, but those find their own.
  const QStringList sections{"/data/we]ird/s.dxf",
                             "[br]",
                             "A]B",
                             "A",
                             "",
                             "a]",
                             "x[y",
                             "/d/x];y/s.dxf",
                             "/d/x] ;y/s.dxf",
                             "a] ;b",
                             "/d/x ] ; y]/s.dxf"};
  for (const QString& s : sections)
    ASSERT_TRUE(ini.WriteIniKey(s, "图号", "N-" + s)) << s.toStdString();
  for (const QString& s : sections) {
    ASSERT_TRUE(ini.WriteIniKey(s, "图幅", "A3"));  // a second key lands in the same section
    EXPECT_EQ(ini.GetIniKey(s, "图号"), "N-" + s) << s.toStdString();
    EXPECT_EQ(ini.GetIniKey(s, "图幅"), "A3");
  }
  const std::string bytes = readBytes(dir.path() / "AnRpt.txt");
  EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\n'), 3 * sections.size());

  // Files as other programs write them read as before: a header ends at its bracket, a
  // header without one runs to the end of its line.
  writeBytes(dir.path() / "cfg.ini", "[a] \r\nk=1\r\n[ b\r\nk=2\r\n[c]x\r\nk=3\r\n");
  IniFile cfg(dir / "cfg.ini");
  EXPECT_EQ(cfg.GetIniKey("a", "k"), "1");
  EXPECT_EQ(cfg.GetIniKey("b", "k"), "2");
  EXPECT_EQ(cfg.GetIniKey("c", "k"), "3");

  // A comment after a header may hold brackets of its own; a key written to such a section
  // lands in it rather than in a second header of the same name.
  writeBytes(dir.path() / "notes.ini", "[Frame] ; sizes in [mm]\r\nw=420\r\n");
  IniFile notes(dir / "notes.ini");
  EXPECT_EQ(notes.GetIniKey("Frame", "w"), "420");
  ASSERT_TRUE(notes.WriteIniKey("Frame", "h", "297"));
  EXPECT_EQ(readBytes(dir.path() / "notes.ini"), "[Frame] ; sizes in [mm]\r\nw=420\r\nh=297\r\n");
  // A name that holds such a "]" itself (a folder "x] ;y") is found by its header's whole text,
  // however the header reads to other lookups.
  ASSERT_TRUE(notes.WriteIniKey("Frame] ; sizes in [cm", "w", "42"));
  ASSERT_TRUE(notes.WriteIniKey("x] ;y", "k", "v"));
  ASSERT_TRUE(notes.WriteIniKey("X] ;Y", "k2", "v2"));
  EXPECT_EQ(notes.GetIniKey("Frame] ; sizes in [cm", "w"), "42");
  EXPECT_EQ(notes.GetIniKey("Frame", "w"), "420");
  EXPECT_EQ(notes.GetIniKey("x] ;y", "k"), "v");
  EXPECT_EQ(notes.GetIniKey("x", "k2"), "v2");  // "[x] ;y]" is the section x with a comment
  EXPECT_EQ(readBytes(dir.path() / "notes.ini"),
            "[Frame] ; sizes in [mm]\r\nw=420\r\nh=297\r\n[Frame] ; sizes in [cm]\r\nw=42\r\n"
            "[x] ;y]\r\nk=v\r\nk2=v2\r\n");
}

// A report written when a header ran to its last "]" may hold "[/d/x] ;y/s.dxf]" (a drawing in
// a folder "x] ;y") before "[/d/x]": each name finds its own section, and a change of "/d/x"
// changes its own. Where no header names it plainly, the first rule still serves the name.
TEST(IniFileNames, APlainHeaderIsFoundBeforeOneItsCommentCutsShort) {
  TestFolder dir;
  writeBytes(dir.path() / "AnRpt.txt", "[/d/x] ;y/s.dxf]\r\n模版=TK_B\r\n[/d/x]\r\n模版=TK_A\r\n");
  IniFile ini(dir / "AnRpt.txt");
  EXPECT_EQ(ini.GetIniKey("/D/X", "模版"), "TK_A");
  EXPECT_EQ(ini.GetIniKey("/d/x] ;Y/s.dxf", "模版"), "TK_B");
  ASSERT_TRUE(ini.WriteIniKeys({{"/d/x", "图幅", "A3"}, {"/d/x] ;y/s.dxf", "图幅", "A1"}}));
  ASSERT_TRUE(ini.DelIniKey("/d/x", "模版"));
  EXPECT_EQ(readBytes(dir.path() / "AnRpt.txt"),
            "[/d/x] ;y/s.dxf]\r\n模版=TK_B\r\n图幅=A1\r\n[/d/x]\r\n图幅=A3\r\n");
  ASSERT_TRUE(ini.DelIniSec("/d/x"));
  EXPECT_EQ(readBytes(dir.path() / "AnRpt.txt"), "[/d/x] ;y/s.dxf]\r\n模版=TK_B\r\n图幅=A1\r\n");
  EXPECT_EQ(ini.GetIniKey("/d/x", "模版"), "TK_B");
}

// The encoding of a file is told from its bytes. A change of a GBK file that takes away the
// last of its bytes that UTF-8 refuses, leaving GBK text that is valid UTF-8 as well ("孝" is
// D0 A2, "Т" in UTF-8), would read back as other text: it is refused naming the file.
TEST(IniFileNames, AGbkFileIsNotChangedIntoOneThatReadsAsUtf8) {
  TestFolder dir;
  const std::string gbk = "[s]\r\nk=\xC4\xE3\r\nj=\xD0\xA2\r\n";  // 你, 孝
  writeBytes(dir.path() / "gbk.ini", gbk);
  IniFile ini(dir / "gbk.ini");
  ASSERT_EQ(ini.GetIniKey("s", "j"), "孝");
  EXPECT_FALSE(ini.WriteIniKey("s", "k", "孝"));
  EXPECT_TRUE(ini.writeFailure().startsWith("\"" + (dir / "gbk.ini") + "\""))
      << ini.writeFailure().toStdString();
  EXPECT_FALSE(ini.DelIniKey("s", "k"));
  EXPECT_FALSE(ini.writeFailure().isEmpty());
  EXPECT_EQ(readBytes(dir.path() / "gbk.ini"), gbk);
  EXPECT_EQ(ini.GetIniKey("s", "j"), "孝");
  // While a text that only GBK reads stays, the file changes as before.
  ASSERT_TRUE(ini.WriteIniKey("s", "k2", "孝"));
  EXPECT_EQ(ini.GetIniKey("s", "k2"), "孝");
  EXPECT_EQ(ini.GetIniKey("s", "k"), "你");
}

TEST(IniFileNames, NamesTheFormatCannotHoldAreRefusedAndNamed) {
  TestFolder dir;
  const std::string start = "[Evil]\r\nk=1\r\n";
  writeBytes(dir.path() / "cfg.ini", start);
  IniFile ini(dir / "cfg.ini");
  struct Case {
    QString section, key;
    QString named;
  };
  const std::vector<Case> cases{{"A", "[Evil]", "[Evil]"},
                                {"A", "a=b", "a=b"},
                                {"A", ";note", ";note"},
                                {"A", " k", " k"},
                                {"A", "k\t", "k\\t"},
                                {"A", "k\ny", "k\\ny"},
                                {"s\r\n[x]", "k", "s\\r\\n[x]"},
                                {" A", "k", " A"},
                                {"A", "k\x01", "k\\x01"}};
  for (const Case& c : cases) {
    EXPECT_FALSE(ini.WriteIniKey(c.section, c.key, "v")) << c.named.toStdString();
    EXPECT_TRUE(ini.writeFailure().contains("\"" + c.named + "\""))
        << ini.writeFailure().toStdString();
    EXPECT_FALSE(ini.WriteIniKeys({{"A", "ok", "1"}, {c.section, c.key, "v"}}));
    EXPECT_EQ(readBytes(dir.path() / "cfg.ini"), start);
  }
  EXPECT_TRUE(ini.WriteIniKey("A", "ok", "1"));
  EXPECT_EQ(ini.writeFailure(), "");
  // A file in the ANSI code page has no code for some characters: such a name would be "?".
  const std::string gbk = "[\xC4\xE3]\r\nk=1\r\n";
  writeBytes(dir.path() / "gbk.ini", gbk);
  IniFile inGbk(dir / "gbk.ini");
  EXPECT_FALSE(inGbk.WriteIniKey("你", "图\U0001F600", "v"));
  EXPECT_TRUE(inGbk.writeFailure().contains("\"图\U0001F600\""))
      << inGbk.writeFailure().toStdString();
  EXPECT_FALSE(inGbk.WriteIniKeys({{"a", "k", "v"}, {"\U0001F600", "k", "v"}}));
  EXPECT_EQ(readBytes(dir.path() / "gbk.ini"), gbk);
  // So would a value: it is refused too, naming it and the characters it would lose.
  const QString path = "/home/u/도면/\U0001F600";
  EXPECT_FALSE(inGbk.WriteIniKey("你", "k", path));
  EXPECT_TRUE(inGbk.writeFailure().contains("\"" + path + "\""))
      << inGbk.writeFailure().toStdString();
  EXPECT_TRUE(inGbk.writeFailure().contains("\"도면\U0001F600\""))
      << inGbk.writeFailure().toStdString();
  EXPECT_FALSE(inGbk.WriteIniKeys({{"a", "k", "图纸"}, {"a", "k2", "\u00e9\u00df\u20ac?\u00df"}}));
  EXPECT_TRUE(inGbk.writeFailure().contains("\"\u00df\"")) << inGbk.writeFailure().toStdString();
  EXPECT_EQ(readBytes(dir.path() / "gbk.ini"), gbk);
  ASSERT_TRUE(inGbk.WriteIniKey("你", "k2", "图纸 \u00e9\u20ac?"));  // what GBK holds
  EXPECT_EQ(inGbk.GetIniKey("你", "k2"), "图纸 \u00e9\u20ac?");
  ASSERT_TRUE(ini.WriteIniKey("\U0001F600", "图\U0001F600", path));  // UTF-8 holds it all
  EXPECT_EQ(ini.GetIniKey("\U0001F600", "图\U0001F600"), path);

  // Values keep their rule: line breaks are written as spaces.
  ASSERT_TRUE(ini.WriteIniKey("A", "v", "x\r\n[Evil]"));
  EXPECT_EQ(ini.GetIniKey("A", "v"), "x  [Evil]");
  EXPECT_EQ(ini.GetIniKey("Evil", "k"), "1");
}

// A file that cannot be read as text reads as empty, and a change would lose what it holds or
// add text it cannot hold: every change is refused naming the file, which keeps its bytes.
TEST(IniFileContents, FilesThatAreNoTextAreNeitherReadNorChanged) {
  using namespace std::string_literals;
  TestFolder dir;
  const QString marked = QStringLiteral("\uFEFF[a]\r\nk=");
  for (const std::string& bytes : {utf16(marked + "v\r\n") + "\r",                // odd length
                                   utf16(marked) + "\x3D\xD8" + utf16(u"v\r\n"),  // lone D83D
                                   utf16(marked + QChar(u'\0') + "v\r\n", false),
                                   utf16(u"[a]\r\nk=v\r\n"),  // no mark
                                   "[a]\r\nk=v\r\n\x7F"
                                   "ELF\x02\x01\x00\x00"s}) {
    writeBytes(dir.path() / "cfg.ini", bytes);
    IniFile ini(dir / "cfg.ini");
    EXPECT_EQ(ini.GetIniKey("a", "k"), "");
    EXPECT_FALSE(ini.WriteIniKey("a", "k", "w"));
    EXPECT_EQ(ini.writeFailure(),
              "\"" + (dir / "cfg.ini") + "\"不是文本文件，无法作为INI文件读写，文件没有改动");
    EXPECT_FALSE(ini.DelIniSec("a"));
    EXPECT_EQ(readBytes(dir.path() / "cfg.ini"), bytes);
  }
  // A NUL in a value, which a read leaves out, is not written either: the file stays text.
  IniFile ini(dir / "new.ini");
  ASSERT_TRUE(ini.WriteIniKey("a", "k", "x" + QString(QChar(u'\0')) + "y"));
  EXPECT_EQ(readBytes(dir.path() / "new.ini"), "[a]\r\nk=xy\r\n");
}

TEST(IniFileSpecialFiles, PipesAndDevicesAreRefusedWithoutBlocking) {
  TestFolder dir;
  ASSERT_EQ(::mkfifo((dir.path() / "pipe.ini").c_str(), 0644), 0);
  fs::create_symlink("/dev/zero", dir.path() / "zero.ini");
  const auto start = std::chrono::steady_clock::now();
  for (const char* name : {"pipe.ini", "zero.ini"}) {
    IniFile ini(dir / name);
    EXPECT_FALSE(ini.WriteIniKey("a", "k", "v")) << name;
    EXPECT_TRUE(ini.writeFailure().startsWith("\"" + (dir / name) + "\"")) << name;
    EXPECT_EQ(ini.GetIniKey("a", "k"), "");
    EXPECT_TRUE(ini.readFailure().startsWith("\"" + (dir / name) + "\"")) << name;
    EXPECT_FALSE(ini.DelIniKey("a", "k"));
    EXPECT_FALSE(ini.DelIniSec("a"));
  }
  IniFile zero("/dev/zero");
  EXPECT_EQ(zero.GetIniKey("a", "k"), "");
  EXPECT_FALSE(zero.readFailure().isEmpty());
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  EXPECT_TRUE(fs::is_fifo(dir.path() / "pipe.ini"));

  // The folder's lock was never taken: another file of the folder is written meanwhile.
  IniFile other(dir / "cfg.ini");
  EXPECT_TRUE(other.WriteIniKey("a", "k", "v"));
  EXPECT_EQ(other.GetIniKey("a", "k"), "v");
  EXPECT_EQ(other.readFailure(), "");
}

// Writes `count` keys "<tag>0".. one by one through `path` in a child process.
pid_t writeInChild(const QString& path, const QString& tag, int count) {
  const pid_t pid = ::fork();
  if (pid != 0) return pid;
  IniFile ini(path);
  bool ok = true;
  for (int i = 0; i < count; ++i) ok = ini.WriteIniKey("s", tag + QString::number(i), "v") && ok;
  ::_exit(ok ? 0 : 1);
}

TEST(IniFileSharing, WritersThroughALinkAndItsTargetKeepEveryKey) {
  TestFolder dir;
  fs::create_directory(dir.path() / "d1");
  fs::create_directory(dir.path() / "d2");
  writeBytes(dir.path() / "d2/t.ini", "[s]\r\nfirst=v\r\n");
  fs::create_symlink("../d2/t.ini", dir.path() / "d1/t.ini");
  constexpr int kWrites = 60;
  const pid_t a = writeInChild(dir / "d1/t.ini", "a", kWrites);
  const pid_t b = writeInChild(dir / "d2/t.ini", "b", kWrites);
  for (pid_t pid : {a, b}) {
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  EXPECT_TRUE(fs::is_symlink(dir.path() / "d1/t.ini"));
  const std::string bytes = readBytes(dir.path() / "d2/t.ini");
  EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\n'), 2 + 2 * kWrites);
  IniFile ini(dir / "d2/t.ini");
  EXPECT_EQ(ini.GetIniKey("s", "a0"), "v");
  EXPECT_EQ(ini.GetIniKey("s", "b" + QString::number(kWrites - 1)), "v");
}

// A link whose file is not there yet: the first write creates that file and the link stays,
// under the lock of the folder where the file appears, which writers of the file itself take.
TEST(IniFileSharing, AFirstWriteThroughADanglingLinkWaitsForTheTargetsWriters) {
  TestFolder dir;
  fs::create_directory(dir.path() / "d1");
  fs::create_directory(dir.path() / "d2");
  fs::create_symlink("../d2/t.ini", dir.path() / "d1/t.ini");
  const int held = ::open((dir.path() / "d2").c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_GE(held, 0);
  ASSERT_EQ(::flock(held, LOCK_EX), 0);  // as a writer of d2/t.ini holds it
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(held);  // the lock stays with the test alone
    ::_exit(IniFile(dir / "d1/t.ini").WriteIniKey("s", "a0", "v") ? 0 : 1);
  }
  ::usleep(150 * 1000);
  int status = 0;
  const pid_t early = ::waitpid(child, &status, WNOHANG);
  EXPECT_EQ(early, 0) << "wrote while d2's writer held its lock";
  ::close(held);
  if (early == 0) {
    ASSERT_EQ(::waitpid(child, &status, 0), child);
  }
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_TRUE(fs::is_symlink(dir.path() / "d1/t.ini"));
  EXPECT_EQ(readBytes(dir.path() / "d2/t.ini"), "[s]\r\na0=v\r\n");
}

// Anyone who may read a folder may lock it and keep it locked: a change waits a few seconds,
// then fails naming the file. (Before, it waited for ever: the test then gives up after a
// while, lets the lock go and fails.)
TEST(IniFileSharing, AFolderLockHeldByAnotherFailsTheChangeInTime) {
  TestFolder dir;
  const std::string start = "[s]\r\nk=1\r\n";
  writeBytes(dir.path() / "cfg.ini", start);
  const int held = ::open(dir.path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  ASSERT_GE(held, 0);
  ASSERT_EQ(::flock(held, LOCK_EX), 0);  // another open file: the lock is not this writer's
  IniFile ini(dir / "cfg.ini");
  auto write = std::async(std::launch::async, [&] { return ini.WriteIniKey("s", "k", "2"); });
  IniFile other(dir / "cfg.ini");
  auto remove = std::async(std::launch::async, [&] { return other.DelIniKey("s", "k"); });
  const bool ended = write.wait_for(std::chrono::seconds(30)) == std::future_status::ready &&
                     remove.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
  ::close(held);
  ASSERT_TRUE(ended) << "the change waited for the lock without end";
  EXPECT_FALSE(write.get());
  EXPECT_FALSE(remove.get());
  for (const IniFile* i : {&ini, &other}) {
    EXPECT_TRUE(i->writeFailure().startsWith("\"" + (dir / "cfg.ini") + "\"被锁定"))
        << i->writeFailure().toStdString();
  }
  EXPECT_EQ(readBytes(dir.path() / "cfg.ini"), start);
  // Once the lock is gone, writes go on.
  EXPECT_TRUE(ini.WriteIniKey("s", "k", "2"));
  EXPECT_EQ(ini.GetIniKey("s", "k"), "2");
}

TEST(IniFileSharing, AReplacedFileKeepsItsOwnerGroupAndMode) {
  const passwd* daemon = ::getpwnam("daemon");
  const group* nogroup = ::getgrnam("nogroup");
  if (::geteuid() != 0 || daemon == nullptr || nogroup == nullptr) {
    GTEST_SKIP() << "needs root and the users daemon and nogroup";
  }
  TestFolder dir;
  const fs::path file = dir.path() / "shared.ini";
  writeBytes(file, "[a]\r\nk=1\r\n");
  ASSERT_EQ(::chown(file.c_str(), daemon->pw_uid, nogroup->gr_gid), 0);
  ASSERT_EQ(::chmod(file.c_str(), 0664), 0);
  ASSERT_TRUE(IniFile(dir / "shared.ini").WriteIniKey("a", "k", "2"));
  struct stat st {};
  ASSERT_EQ(::stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, daemon->pw_uid);
  EXPECT_EQ(st.st_gid, nogroup->gr_gid);
  EXPECT_EQ(st.st_mode & 07777, 0664u);
}

// A new file gets the permission bits any new file of the user gets: a private umask keeps it
// private.
TEST(IniFileSharing, ANewFileFollowsTheUmask) {
  TestFolder dir;
  const mode_t old = ::umask(077);
  const bool written = IniFile(dir / "new.ini").WriteIniKey("a", "k", "1");
  ::umask(old);
  ASSERT_TRUE(written);
  struct stat st {};
  ASSERT_EQ(::stat((dir.path() / "new.ini").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0600u);
}

// A link the system does not follow for this user (a hostile one in a shared sticky folder)
// is not followed by the INI code either: each change fails naming the link, and the file the
// link names keeps every key.
TEST(IniFileSharing, ALinkTheSystemRefusesToFollowIsNotFollowed) {
  const std::string team = "[a]\r\nk1=1\r\nk2=2\r\n";
  sheetcut::testing::RefusedLink link("team.ini", team);
  SHEETCUT_REQUIRE_REFUSED_LINK(link);
  const QString path = QString::fromStdString(link.link());
  const std::string said = link.user().run([&] {
    IniFile ini(path);
    std::string out;
    for (const bool changed :
         {ini.WriteIniKey("a", "k3", "3"), ini.DelIniKey("a", "k1"), ini.DelIniSec("a")}) {
      out += changed ? std::string("changed") : ini.writeFailure().toStdString();
      out += "\n";
    }
    return out;
  });
  const std::string named = "\"" + link.link() + "\"";
  EXPECT_EQ(said.find("changed"), std::string::npos) << said;
  EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 3) << said;
  for (size_t at = 0, end; (end = said.find('\n', at)) != std::string::npos; at = end + 1)
    EXPECT_NE(said.substr(at, end - at).find(named), std::string::npos) << said;
  EXPECT_EQ(link.content(), team);
  EXPECT_TRUE(fs::is_symlink(link.link()));
}

// A replaced file keeps its access control list and extended attributes: the group does not
// gain the write permission that the list gives a named user, and that user keeps access.
TEST(IniFileSharing, AReplacedFileKeepsItsAccessListAndExtendedAttributes) {
  TestFolder dir;
  ::chmod(dir.path().c_str(), 0755);
  const fs::path file = dir.path() / "shared.ini";
  writeBytes(file, "[a]\r\nk=1\r\n");
  ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
  if (std::system(("setfacl -m u:nobody:rw '" + file.string() + "' 2>/dev/null").c_str()) != 0)
    GTEST_SKIP() << "the file system holds no access control lists (or setfacl is missing)";
  const std::string list = accessList(file);
  ASSERT_NE(list.find("user:nobody:rw-"), std::string::npos) << list;
  ASSERT_NE(list.find("group::r--"), std::string::npos) << list;
  const bool userAttributes = ::setxattr(file.c_str(), "user.office", "drawings", 8, 0) == 0;

  ASSERT_TRUE(IniFile(dir / "shared.ini").WriteIniKey("a", "k", "2"));
  EXPECT_EQ(readBytes(file), "[a]\r\nk=2\r\n");
  EXPECT_EQ(accessList(file), list);
  struct stat st {};
  ASSERT_EQ(::stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0660u);  // the group bits show the list's mask
  if (userAttributes) {
    char value[16] = {};
    EXPECT_EQ(::getxattr(file.c_str(), "user.office", value, sizeof value), 8);
    EXPECT_STREQ(value, "drawings");
  }

  sheetcut::testing::OtherUser nobody;
  if (!nobody.available()) return;  // the list itself is checked above
  const QString path = QString::fromStdString(file.string());
  EXPECT_EQ(nobody.run([&] {
    const int fd = ::open(file.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) return std::string("cannot open: ") + std::strerror(errno);
    ::close(fd);
    return IniFile(path).GetIniKey("a", "k").toStdString();
  }),
            "2");
}

}  // namespace
