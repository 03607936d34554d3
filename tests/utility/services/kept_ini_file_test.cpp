// An INI file kept in memory over many writes ends byte for byte as the same writes through
// IniFile, appends what is new, and sees what others wrote meanwhile.

#include "mobrel/kept_ini_file.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <future>

#include "mobrel/ini_file.h"
#include "loop_image.h"
#include "refused_link.h"
#include "small_filesystem.h"
#include "test_folder.h"

namespace {

using mobrel::IniFile;
using mobrel::KeptIniFile;

// A run like a split's: a section per frame, a key of the first section replaced per frame,
// keys of an earlier section added, names in another case, a key written twice in one write.
std::vector<std::vector<KeptIniFile::Key>> run(int frames) {
  std::vector<std::vector<KeptIniFile::Key>> writes;
  for (int n = 1; n <= frames; ++n) {
    const QString frame = QStringLiteral("c:/out/%1.dxf").arg(n);
    std::vector<KeptIniFile::Key> w;
    if (n > 1) w.push_back({"c:/set.dxf", "SCount", QString::number(n - 1), true});
    w.push_back({frame, "模版", "TK_A3", false});
    w.push_back({frame, "图号", QStringLiteral("JG-%1").arg(n), false});
    w.push_back({frame.toUpper(), "模版", "TK_A3,TK_A3", false});
    if (n % 7 == 0) w.push_back({"c:/out/1.dxf", QStringLiteral("Later%1").arg(n), "x", false});
    writes.push_back(std::move(w));
  }
  return writes;
}

TEST(KeptIniFile, EndsAsTheSameWritesOneByOne) {
  TestFolder dir;
  // A file that is already there, in GBK, with a blank line ending its last section.
  const std::string start = "[old]\r\nk=\xC4\xE3\r\n\r\n";
  writeBytes(dir.path() / "kept.txt", start);
  writeBytes(dir.path() / "plain.txt", start);
  IniFile plain(dir / "plain.txt");
  {
    KeptIniFile kept(dir / "kept.txt");
    for (const auto& w : run(12)) {
      ASSERT_TRUE(kept.write(w));
      for (const auto& k : w) plain.WriteIniKey(k.section, k.key, k.value);
      // What may wait is read back as written, though the file may not hold it yet.
      EXPECT_EQ(kept.get("C:/SET.DXF", "scount"), plain.GetIniKey("c:/set.dxf", "SCount"));
    }
    EXPECT_EQ(kept.get("old", "K"), QString::fromUtf8("你"));
    ASSERT_TRUE(kept.sync());
    EXPECT_EQ(readBytes(dir.path() / "kept.txt"), readBytes(dir.path() / "plain.txt"));
    // Written again after a sync, and left to the end of the object.
    kept.write({{"c:/set.dxf", "SCount", "99", true}});
  }
  plain.WriteIniKey("c:/set.dxf", "SCount", "99");
  EXPECT_EQ(readBytes(dir.path() / "kept.txt"), readBytes(dir.path() / "plain.txt"));
}

// A UTF-16 file stays whole UTF-16 in its byte order with its one mark: appended lines carry
// no mark of their own, and a rewrite keeps the file's.
TEST(KeptIniFile, Utf16FilesStayUtf16) {
  TestFolder dir;
  const std::filesystem::path file = dir.path() / "r.txt";
  for (const bool littleEndian : {true, false}) {
    SCOPED_TRACE(littleEndian ? "little-endian" : "big-endian");
    writeBytes(file, utf16(u"\uFEFF[源]\r\n张数=0\r\n", littleEndian));
    KeptIniFile kept(dir / "r.txt");
    ASSERT_TRUE(kept.write({{"/图/1.dxf", "图号", "JG-1", false}}));
    EXPECT_EQ(readBytes(file),
              utf16(u"\uFEFF[源]\r\n张数=0\r\n[/图/1.dxf]\r\n图号=JG-1\r\n", littleEndian));
    ASSERT_TRUE(kept.write({{"源", "张数", "1", true}}));
    ASSERT_TRUE(kept.sync());
    EXPECT_EQ(readBytes(file),
              utf16(u"\uFEFF[源]\r\n张数=1\r\n[/图/1.dxf]\r\n图号=JG-1\r\n", littleEndian));
  }
}

// A file that is no text is never touched, nor one that someone else puts in place while keys
// wait: a write or sync fails naming it, and the keys keep waiting.
TEST(KeptIniFile, FilesThatAreNoTextAreNotChanged) {
  TestFolder dir;
  const std::string binary("[a]\r\nk=1\r\n\0\0", 12);
  writeBytes(dir.path() / "bin.txt", binary);
  KeptIniFile bin(dir / "bin.txt");
  EXPECT_FALSE(bin.write({{"b", "k", "2", false}}));
  EXPECT_EQ(bin.writeFailure(),
            "\"" + (dir / "bin.txt") + "\"不是文本文件，无法作为INI文件读写，文件没有改动");
  EXPECT_EQ(readBytes(dir.path() / "bin.txt"), binary);

  KeptIniFile kept(dir / "r.txt");
  ASSERT_TRUE(kept.write({{"a", "k", "1", false}}));
  ASSERT_TRUE(kept.write({{"a", "k", "2", true}}));  // the first waiting key rewrites
  ASSERT_TRUE(kept.write({{"a", "k", "3", true}}));  // waits
  std::filesystem::rename(dir.path() / "bin.txt", dir.path() / "r.txt");
  EXPECT_FALSE(kept.sync());
  EXPECT_EQ(readBytes(dir.path() / "r.txt"), binary);
  EXPECT_EQ(kept.get("a", "k"), "3");
}

TEST(KeptIniFile, NewSectionsAreAppendedAndWaitingKeysReachTheFileInTime) {
  TestFolder dir;
  KeptIniFile kept(dir / "r.txt");
  ASSERT_TRUE(kept.write({{"src", "SCount", "0", true}}));
  ASSERT_TRUE(kept.write({{"a", "k", "1", false}}));
  const std::string afterA = readBytes(dir.path() / "r.txt");
  EXPECT_EQ(afterA, "[src]\r\nSCount=0\r\n[a]\r\nk=1\r\n");
  // A count that may wait: the file keeps the old one while it is small against what was
  // appended since the last rewrite.
  ASSERT_TRUE(kept.write({{"src", "SCount", "1", true}}));  // the first waiting key rewrites
  ASSERT_TRUE(kept.write({{"src", "SCount", "2", true}, {"b", "k", "2", false}}));
  EXPECT_EQ(readBytes(dir.path() / "r.txt"), "[src]\r\nSCount=1\r\n[a]\r\nk=1\r\n[b]\r\nk=2\r\n");
  EXPECT_EQ(kept.get("src", "SCount"), "2");
  // A key of this write that changes an earlier line goes to the file at once, and so does
  // everything waiting.
  ASSERT_TRUE(kept.write({{"a", "k", "3", false}}));
  EXPECT_EQ(readBytes(dir.path() / "r.txt"), "[src]\r\nSCount=2\r\n[a]\r\nk=3\r\n[b]\r\nk=2\r\n");
}

TEST(KeptIniFile, ChangesOfOthersAreKeptAndFailuresAreSaid) {
  TestFolder dir;
  KeptIniFile kept(dir / "r.txt");
  ASSERT_TRUE(kept.write({{"a", "k", "1", false}}));
  // Someone else writes meanwhile: the next write starts from what is on the disk.
  IniFile other(dir / "r.txt");
  ASSERT_TRUE(other.WriteIniKey("a", "other", "x"));
  EXPECT_EQ(kept.get("a", "other"), "x");
  ASSERT_TRUE(kept.write({{"b", "k", "2", false}}));
  EXPECT_EQ(readBytes(dir.path() / "r.txt"), "[a]\r\nk=1\r\nother=x\r\n[b]\r\nk=2\r\n");
  // The file replaced by another one (the same size and time would not hide it: a new inode).
  writeBytes(dir.path() / "r2.txt", "[z]\r\nk=9\r\n");
  std::filesystem::rename(dir.path() / "r2.txt", dir.path() / "r.txt");
  EXPECT_EQ(kept.get("z", "k"), "9");
  EXPECT_EQ(kept.get("b", "k"), "");

  // A value longer than a profile read gives back is read back cut, as the file would give it.
  const QString longValue(2000, u'x');
  ASSERT_TRUE(kept.write({{"z", "long", longValue, true}}));
  EXPECT_EQ(kept.get("z", "long").size(), 1023);

  KeptIniFile nowhere(dir / "no/such/folder/r.txt");
  EXPECT_FALSE(nowhere.write({{"a", "k", "1", false}}));
  EXPECT_EQ(nowhere.get("a", "k"), "");
}

TEST(KeptIniFile, AWaitingChangeSurvivesAFailedWrite) {
  sheetcut::testing::SmallFileSystem fs(256 * 1024);
  SHEETCUT_REQUIRE_SMALL_FS(fs);
  const std::filesystem::path file = fs.root() / "r.txt";
  KeptIniFile kept(QString::fromStdString(file.string()));
  ASSERT_TRUE(kept.write({{"A", "k", "x", false}}));
  ASSERT_TRUE(kept.write({{"A", "k", "y", true}}));        // rewrites at once
  ASSERT_TRUE(kept.write({{"A", "k", "changed", true}}));  // waits
  fs.fill();
  EXPECT_FALSE(kept.sync());
  EXPECT_TRUE(kept.writeFailure().contains("磁盘已满")) << kept.writeFailure().toStdString();
  EXPECT_EQ(kept.get("A", "k"), "changed");
  fs.release();
  EXPECT_TRUE(kept.sync());
  EXPECT_EQ(kept.writeFailure(), "");
  EXPECT_EQ(readBytes(file), "[A]\r\nk=changed\r\n");
  EXPECT_EQ(kept.get("A", "k"), "changed");

  // A new section that fits the file's last page, written while the rewrite of a waiting key
  // is due and the disk is full: the failed write leaves all its keys waiting and none in the
  // file, so that taking them back leaves no trace of them.
  ASSERT_TRUE(kept.write({{"A", "k", "y", true}}));  // waits
  fs.fill();
  const std::vector<KeptIniFile::Key> child = {{"B", "GUID", QString(64, u'g'), false}};
  EXPECT_FALSE(kept.write(child));
  EXPECT_TRUE(kept.writeFailure().contains("磁盘已满")) << kept.writeFailure().toStdString();
  EXPECT_EQ(readBytes(file), "[A]\r\nk=changed\r\n");
  EXPECT_EQ(kept.get("B", "GUID"), QString(64, u'g'));
  kept.withdraw(child);
  fs.release();
  EXPECT_TRUE(kept.sync());
  EXPECT_EQ(readBytes(file), "[A]\r\nk=y\r\n");
}

// A new section only appends: when the disk is full its keys wait as rewritten keys do, and
// reach the file before anything written later.
TEST(KeptIniFile, KeysOfAFailedAppendWaitForTheNextWriteOrSync) {
  sheetcut::testing::SmallFileSystem fs(256 * 1024);
  SHEETCUT_REQUIRE_SMALL_FS(fs);
  const std::filesystem::path file = fs.root() / "r.txt";
  KeptIniFile kept(QString::fromStdString(file.string()));
  // A file that fills its last page, so that any append needs a new one.
  const std::string head = "[A]\r\nk=" + std::string(4096 - 9, 'x') + "\r\n";
  ASSERT_EQ(head.size(), 4096u);
  ASSERT_TRUE(kept.write({{"A", "k", QString(4096 - 9, u'x'), false}}));
  fs.fill();
  EXPECT_FALSE(kept.write({{"B", "k", "1", false}, {"B", "n", "2", false}}));
  EXPECT_TRUE(kept.writeFailure().contains("磁盘已满")) << kept.writeFailure().toStdString();
  EXPECT_EQ(readBytes(file), head);
  EXPECT_EQ(kept.get("B", "n"), "2");
  EXPECT_FALSE(kept.sync());
  fs.release();
  ASSERT_TRUE(kept.write({{"C", "k", "3", false}, {"B", "n", "4", true}}));
  EXPECT_EQ(readBytes(file), head + "[B]\r\nk=1\r\nn=4\r\n[C]\r\nk=3\r\n");

  // A key that may wait, appended alone: it needs more than the last page holds.
  const std::string tail = head + "[B]\r\nk=1\r\nn=4\r\n[C]\r\nk=3\r\n";
  fs.fill();
  EXPECT_FALSE(kept.write({{"D", "k", QString(5000, u'y'), true}}));
  EXPECT_EQ(readBytes(file), tail);
  fs.release();
  EXPECT_TRUE(kept.sync());
  EXPECT_EQ(kept.writeFailure(), "");
  EXPECT_EQ(readBytes(file), tail + "[D]\r\nk=" + std::string(5000, 'y') + "\r\n");
}

// A write that would append while a rewrite of waiting keys is due, on a disk with room for
// its lines but not for a new copy of the file: the write fails and the file holds none of its
// lines, so that a caller that takes the write back (a child removed because its report
// section could not be written) finds none of it in the file later.
TEST(KeptIniFile, AWriteWhoseDueRewriteFailsLeavesNoneOfItsLines) {
  sheetcut::testing::SmallFileSystem fs(256 * 1024);
  SHEETCUT_REQUIRE_SMALL_FS(fs);
  const std::filesystem::path file = fs.root() / "r.txt";
  KeptIniFile kept(QString::fromStdString(file.string()));
  ASSERT_TRUE(kept.write({{"S", "c", "0", false}}));
  ASSERT_TRUE(kept.write({{"S", "c", "1", true}}));  // the first waiting key rewrites
  ASSERT_TRUE(kept.write({{"S", "c", "2", true}}));  // waits
  ASSERT_EQ(readBytes(file), "[S]\r\nc=1\r\n");
  // Two pages free: the new section takes two, a copy of the file with it would take three.
  fs.fill(2 * 4096);
  const std::vector<KeptIniFile::Key> child = {{"C", "k", QString(11000, u'y'), false}};
  EXPECT_FALSE(kept.write(child));
  EXPECT_TRUE(kept.writeFailure().contains("磁盘已满")) << kept.writeFailure().toStdString();
  EXPECT_EQ(readBytes(file), "[S]\r\nc=1\r\n");
  EXPECT_EQ(kept.get("C", "k"), QString(11000, u'y').left(1023));
  kept.withdraw(child);
  EXPECT_EQ(kept.get("C", "k"), "");
  fs.release();
  ASSERT_TRUE(kept.sync());
  EXPECT_EQ(readBytes(file), "[S]\r\nc=2\r\n");
}

// Someone else's lock on the folder: the write waits a few seconds, then fails naming the file
// and keeps nothing. (Before, it waited for ever: the test gives up after a while.)
TEST(KeptIniFile, AFolderLockHeldByAnotherFailsTheWriteInTime) {
  TestFolder dir;
  KeptIniFile kept(dir / "r.txt");
  ASSERT_TRUE(kept.write({{"A", "k", "1", false}}));
  const int held = ::open(dir.path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  ASSERT_GE(held, 0);
  ASSERT_EQ(::flock(held, LOCK_EX), 0);
  auto write = std::async(std::launch::async, [&] { return kept.write({{"B", "k", "2", false}}); });
  const bool ended = write.wait_for(std::chrono::seconds(30)) == std::future_status::ready;
  ::close(held);
  ASSERT_TRUE(ended) << "the write waited for the lock without end";
  EXPECT_FALSE(write.get());
  EXPECT_TRUE(kept.writeFailure().startsWith("\"" + (dir / "r.txt") + "\"被锁定"))
      << kept.writeFailure().toStdString();
  EXPECT_EQ(readBytes(dir.path() / "r.txt"), "[A]\r\nk=1\r\n");
  EXPECT_EQ(kept.get("B", "k"), "");
  ASSERT_TRUE(kept.write({{"B", "k", "2", false}}));
  EXPECT_EQ(readBytes(dir.path() / "r.txt"), "[A]\r\nk=1\r\n[B]\r\nk=2\r\n");
}

// Only blanks around a name or value are dropped, as the file drops them: a name that ends in a
// full-width space is a name of its own, two names that find one header are one, and a waiting
// value reads back as the file gives it.
TEST(KeptIniFile, WaitingKeysAreToldApartAndReadBackAsTheFileDoes) {
  TestFolder dir;
  IniFile plain(dir / "plain.txt");
  const std::vector<KeptIniFile::Key> keys = {
      {"a", "k", "1", false},
      {"b", "n", "0", false},
      {"a", "k", "w0", true},
      {"a", "k", "w1", true},
      {"a\u3000", "k", "w2", true},
      {"a", "k\u00a0", "w3", true},
      {"a", "q", "\u3000'x'", true},
      {"a", "r", " \"y\" ", true},
      // Two names of one section: "[x] ;y]" is found by "x] ;y" and by "x" alike.
      {"x] ;y", "k", "1", false},
      {"x] ;y", "k", "w4", true},
      {"x", "k", "w5", true},
      {"x] ;y", "k", "w6", true}};
  {
    KeptIniFile kept(dir / "kept.txt");
    for (const auto& k : keys) {
      ASSERT_TRUE(kept.write({k}));
      ASSERT_TRUE(plain.WriteIniKey(k.section, k.key, k.value));
    }
    for (const auto& k : keys) {
      EXPECT_EQ(kept.get(k.section, k.key), plain.GetIniKey(k.section, k.key))
          << k.section.toStdString() << "/" << k.key.toStdString();
    }
  }
  EXPECT_EQ(readBytes(dir.path() / "kept.txt"), readBytes(dir.path() / "plain.txt"));
}

// Waiting keys are checked against the file they go into, as a write is: someone else put a GBK
// file in its place meanwhile, so a character GBK lacks is refused rather than written as "?",
// and no change leaves the GBK file reading as UTF-8.
TEST(KeptIniFile, WaitingKeysAreCheckedAgainstTheFileTheyGoInto) {
  TestFolder dir;
  const std::filesystem::path file = dir.path() / "r.txt";
  KeptIniFile kept(dir / "r.txt");
  ASSERT_TRUE(kept.write({{"a", "k", "1", false}, {"b", "n", "0", false}}));
  ASSERT_TRUE(kept.write({{"a", "k", "w0", true}}));          // the first waiting key rewrites
  ASSERT_TRUE(kept.write({{"a", "k", "\U0001F600", true}}));  // waits
  const std::string gbk = "[a]\r\nk=\xC4\xE3\r\n[b]\r\nn=0\r\n";
  writeBytes(dir.path() / "other.txt", gbk);
  std::filesystem::rename(dir.path() / "other.txt", file);
  EXPECT_FALSE(kept.sync());
  EXPECT_TRUE(kept.writeFailure().contains("\U0001F600")) << kept.writeFailure().toStdString();
  EXPECT_EQ(readBytes(file), gbk);
  EXPECT_EQ(kept.get("a", "k"), "\U0001F600");
  // "孝" is D0 A2 in GBK, which UTF-8 reads as "Т": with "你" gone the file would read as UTF-8.
  EXPECT_FALSE(kept.write({{"a", "k", "孝", false}}));
  EXPECT_TRUE(kept.writeFailure().startsWith("\"" + (dir / "r.txt") + "\""))
      << kept.writeFailure().toStdString();
  EXPECT_EQ(readBytes(file), gbk);
  EXPECT_EQ(kept.get("a", "k"), "\U0001F600");  // refused at once: nothing of it waits
  ASSERT_TRUE(kept.write({{"a", "k", "孝", false}, {"b", "n", "你", false}}));
  EXPECT_EQ(readBytes(file), "[a]\r\nk=\xD0\xA2\r\n[b]\r\nn=\xC4\xE3\r\n");
  EXPECT_EQ(kept.get("a", "k"), "孝");
}

// Another writer sets b from 1 to 2 in place, the same size, so quickly after the kept file's
// rewrite that the file's time may not tell (`hidesChange` is given the file and its status
// before the change, and answers whether its time is still that). The kept file's next rewrite
// keeps b=2, whether that write appends lines of its own or not.
void expectAHiddenChangeIsMerged(const std::filesystem::path& file, bool utf16File,
                                 const std::function<bool(int, const struct stat&)>& hidesChange) {
  const auto text = [&](std::u16string_view t) {
    if (utf16File) return utf16(QChar(0xFEFF) + QStringView(t).toString());
    return QStringView(t).toString().toStdString();
  };
  for (const bool appendsToo : {false, true}) {
    SCOPED_TRACE(appendsToo ? "with a new section" : "alone");
    writeBytes(file, text(u"[s]\r\na=0\r\nb=1\r\n"));
    KeptIniFile kept(QString::fromStdString(file.string()));
    bool hidden = false;
    for (int attempt = 1; attempt <= 5 && !hidden; ++attempt) {
      ASSERT_TRUE(kept.write({{"s", "a", QString::number(attempt), false}}));  // rewritten
      const std::string before = readBytes(file);
      const std::string old = text(u"b=1").substr(utf16File ? 2 : 0);
      const size_t at = before.find(old);
      ASSERT_NE(at, std::string::npos);
      std::string changed = old;
      changed[changed.size() - (utf16File ? 2 : 1)] = '2';
      const int fd = ::open(file.c_str(), O_WRONLY | O_CLOEXEC);
      ASSERT_GE(fd, 0);
      struct stat st {};
      ASSERT_EQ(::fstat(fd, &st), 0);
      ASSERT_EQ(::pwrite(fd, changed.data(), changed.size(), static_cast<off_t>(at)),
                static_cast<ssize_t>(changed.size()));
      hidden = hidesChange(fd, st);
      ::close(fd);
      if (!hidden) {
        ASSERT_TRUE(kept.write({{"s", "b", "1", false}}));  // try again
      }
    }
    ASSERT_TRUE(hidden) << "the change always showed in the file's time";
    std::vector<KeptIniFile::Key> write = {{"s", "a", "9", false}};
    if (appendsToo) write.push_back({"t", "c", "1", false});
    ASSERT_TRUE(kept.write(write));
    EXPECT_EQ(readBytes(file),
              text(appendsToo ? u"[s]\r\na=9\r\nb=2\r\n[t]\r\nc=1\r\n" : u"[s]\r\na=9\r\nb=2\r\n"));
    EXPECT_EQ(kept.get("s", "b"), "2");
  }
}

// The time set back to what it was: only the content tells.
TEST(KeptIniFile, AChangeThatKeepsSizeAndTimeIsMergedNotWrittenOver) {
  TestFolder dir;
  for (const bool utf16File : {false, true}) {
    SCOPED_TRACE(utf16File ? "UTF-16" : "UTF-8");
    expectAHiddenChangeIsMerged(dir.path() / "r.txt", utf16File,
                                [](int fd, const struct stat& before) {
                                  const timespec times[2] = {before.st_atim, before.st_mtim};
                                  return ::futimens(fd, times) == 0;
                                });
  }
}

// ext2 with 128-byte inodes keeps times to the second: a change within the second of the kept
// file's rewrite leaves the file's time as it was.
TEST(KeptIniFile, AChangeWithinTheSecondOnExt2IsMergedNotWrittenOver) {
  sheetcut::testing::LoopImage image("ext2", 4 << 20, "-q -F -I 128");
  SHEETCUT_REQUIRE_LOOP_IMAGE(image);
  expectAHiddenChangeIsMerged(image.root() / "r.txt", false, [](int fd, const struct stat& before) {
    struct stat after {};
    return ::fstat(fd, &after) == 0 && after.st_mtim.tv_sec == before.st_mtim.tv_sec &&
           after.st_mtim.tv_nsec == before.st_mtim.tv_nsec;
  });
}

// A GBK file that a rewrite left all ASCII takes new text as UTF-8, as a plain write of it does.
TEST(KeptIniFile, AFileMadeAsciiTakesNewTextAsAPlainWriteDoes) {
  TestFolder dir;
  const std::string gbk = "[s]\r\nk=\xC4\xE3\r\n";
  writeBytes(dir.path() / "kept.txt", gbk);
  writeBytes(dir.path() / "plain.txt", gbk);
  KeptIniFile kept(dir / "kept.txt");
  IniFile plain(dir / "plain.txt");
  for (const KeptIniFile::Key& k :
       {KeptIniFile::Key{"s", "k", "x", false}, KeptIniFile::Key{"t", "m", "孝", false}}) {
    ASSERT_TRUE(kept.write({k}));
    ASSERT_TRUE(plain.WriteIniKey(k.section, k.key, k.value));
    EXPECT_EQ(readBytes(dir.path() / "kept.txt"), readBytes(dir.path() / "plain.txt"));
  }
  EXPECT_EQ(readBytes(dir.path() / "kept.txt"), "[s]\r\nk=x\r\n[t]\r\nm=孝\r\n");
  EXPECT_EQ(IniFile(dir / "kept.txt").GetIniKey("t", "m"), "孝");
}

// A key that may wait is refused at once where a plain write refuses it: here the GBK line it
// replaces is the file's last, after which the file's other bytes would read as UTF-8.
TEST(KeptIniFile, AWaitingKeyIsRefusedAtOnceWhereAPlainWriteRefusesIt) {
  TestFolder dir;
  const std::filesystem::path file = dir.path() / "r.txt";
  writeBytes(file, "[a]\r\nk=\xC4\xE3\r\n[b]\r\nm=\xE4\xBD\xA0\r\n");
  KeptIniFile kept(dir / "r.txt");
  ASSERT_TRUE(kept.write({{"a", "z", "1", false}}));  // rewrites at once
  const std::string written = "[a]\r\nk=\xC4\xE3\r\nz=1\r\n[b]\r\nm=\xE4\xBD\xA0\r\n";
  ASSERT_EQ(readBytes(file), written);
  IniFile plain(dir / "r.txt");
  EXPECT_FALSE(plain.WriteIniKey("a", "k", "x"));
  EXPECT_FALSE(kept.write({{"a", "z", "2", true}, {"a", "k", "x", true}}));
  EXPECT_EQ(kept.writeFailure(), plain.writeFailure());
  EXPECT_EQ(kept.get("a", "k"), "你");
  EXPECT_EQ(kept.get("a", "z"), "1");
  EXPECT_TRUE(kept.sync());
  EXPECT_EQ(readBytes(file), written);

  // Keys that wait count together: each alone leaves a GBK line, the two leave none.
  writeBytes(file, "[a]\r\nk=\xC4\xE3\r\n[b]\r\nm=\xC4\xE3\r\nn=\xE4\xBD\xA0\r\n");
  KeptIniFile two(dir / "r.txt");
  ASSERT_TRUE(two.write({{"a", "z", "1", false}}));  // rewrites at once
  ASSERT_TRUE(two.write({{"a", "k", "y", true}}));   // waits
  EXPECT_FALSE(two.write({{"b", "m", "z", true}}));
  EXPECT_TRUE(two.sync());
  EXPECT_EQ(readBytes(file), "[a]\r\nk=y\r\nz=1\r\n[b]\r\nm=\xC4\xE3\r\nn=\xE4\xBD\xA0\r\n");
}

TEST(KeptIniFile, RefusesWhatIniFileRefuses) {
  TestFolder dir;
  KeptIniFile kept(dir / "r.txt");
  ASSERT_TRUE(kept.write({{"/out]x/a.dxf", "k", "1", false}, {"[br]", "k", "2", false}}));
  EXPECT_EQ(kept.get("/out]x/a.dxf", "k"), "1");
  EXPECT_EQ(IniFile(dir / "r.txt").GetIniKey("[br]", "k"), "2");

  EXPECT_FALSE(kept.write({{"s", "ok", "1", false}, {"s", "图号=伪", "1", true}}));
  EXPECT_TRUE(kept.writeFailure().contains("\"图号=伪\"")) << kept.writeFailure().toStdString();
  EXPECT_EQ(kept.get("s", "ok"), "");
  ASSERT_TRUE(kept.sync());
  EXPECT_EQ(readBytes(dir.path() / "r.txt"), "[/out]x/a.dxf]\r\nk=1\r\n[[br]]\r\nk=2\r\n");

  writeBytes(dir.path() / "gbk.txt", "[\xC4\xE3]\r\nk=1\r\n");
  KeptIniFile gbk(dir / "gbk.txt");
  EXPECT_FALSE(gbk.write({{"/\U0001F600/a.dxf", "k", "1", false}}));
  EXPECT_TRUE(gbk.writeFailure().contains("\"/\U0001F600/a.dxf\""))
      << gbk.writeFailure().toStdString();
  EXPECT_FALSE(gbk.write({{"\xE4\xBD\xA0", "k", "/home/u/도면/a.dxf", true}}));
  EXPECT_TRUE(gbk.writeFailure().contains("\"도면\"")) << gbk.writeFailure().toStdString();
  EXPECT_EQ(gbk.get("\xE4\xBD\xA0", "k"), "1");
  EXPECT_TRUE(gbk.sync());
  EXPECT_EQ(readBytes(dir.path() / "gbk.txt"), "[\xC4\xE3]\r\nk=1\r\n");

  // A named pipe or a link to a device: refused at once, naming the file.
  ASSERT_EQ(::mkfifo((dir.path() / "pipe.txt").c_str(), 0644), 0);
  std::filesystem::create_symlink("/dev/zero", dir.path() / "zero.txt");
  const auto start = std::chrono::steady_clock::now();
  for (const char* name : {"pipe.txt", "zero.txt"}) {
    KeptIniFile special(dir / name);
    EXPECT_FALSE(special.write({{"a", "k", "1", false}}));
    EXPECT_TRUE(special.writeFailure().startsWith("\"" + (dir / name) + "\""))
        << special.writeFailure().toStdString();
    EXPECT_EQ(special.get("a", "k"), "");
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

// A link the system does not follow for this user is not followed here either: the write and
// the sync fail naming the link, and the file it names keeps every key.
// A kept file with a second name: appends and rewrites alike reach both names.
TEST(KeptIniFile, EveryNameOfTheFileSeesAppendsAndRewrites) {
  TestFolder dir;
  writeBytes(dir.path() / "AnRpt.txt", "[set]\r\nSCount=0\r\n");
  std::filesystem::create_hard_link(dir.path() / "AnRpt.txt", dir.path() / "copy.txt");
  {
    KeptIniFile kept(dir / "AnRpt.txt");
    ASSERT_TRUE(kept.write({{"a.dxf", "图号", "N-1", false}}));  // appended
    ASSERT_TRUE(kept.write({{"set", "SCount", "1", false}}));    // rewritten
    ASSERT_TRUE(kept.sync());
  }
  EXPECT_EQ(readBytes(dir.path() / "copy.txt"), "[set]\r\nSCount=1\r\n[a.dxf]\r\n图号=N-1\r\n");
  EXPECT_EQ(std::filesystem::hard_link_count(dir.path() / "copy.txt"), 2u);
}

TEST(KeptIniFile, ALinkTheSystemRefusesToFollowIsNotFollowed) {
  const std::string team = "[a]\r\nk1=1\r\nk2=2\r\n";
  sheetcut::testing::RefusedLink link("team.ini", team);
  SHEETCUT_REQUIRE_REFUSED_LINK(link);
  const QString path = QString::fromStdString(link.link());
  const std::string said = link.user().run([&] {
    KeptIniFile kept(path);
    std::string out = kept.write({{"a", "k3", "3", false}}) ? "written" : "";
    out += kept.writeFailure().toStdString() + "\n";
    out += kept.write({{"a", "k1", "0", true}}) ? "written" : "";
    out += kept.writeFailure().toStdString() + "\n";
    out += kept.sync() ? "synced" : "";
    return out;
  });
  EXPECT_EQ(said.find("written"), std::string::npos) << said;
  const std::string named = "\"" + link.link() + "\"";
  EXPECT_NE(said.find(named), std::string::npos) << said;
  EXPECT_NE(said.find(named, said.find('\n')), std::string::npos) << said;
  EXPECT_EQ(link.content(), team);
}

}  // namespace
