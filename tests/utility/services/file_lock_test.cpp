// One file written and read through names in two folders by several processes at once, and an
// edit whose name another user swaps for a link: every write lands whole in the file it read,
// every read sees a whole file.

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <sys/file.h>

#include <algorithm>
#include <functional>
#include <future>
#include <thread>

#include "mobrel/ini_file.h"
#include "mobrel/kept_ini_file.h"
#include "other_user.h"
#include "test_folder.h"

namespace fs = std::filesystem;
using mobrel::IniFile;
using mobrel::KeptIniFile;
using sheetcut::testing::OtherUser;

namespace {

// Runs `body` in a child process, whose exit code is what body answers (at most 255).
pid_t spawn(const std::function<int()>& body) {
  const pid_t pid = ::fork();
  if (pid == 0) ::_exit(std::min(body(), 255));
  return pid;
}

int exitCodeOf(pid_t pid) {
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 255;
}

// A folder with two subfolders holding one file under the name `name` in each.
struct TwoNames {
  explicit TwoNames(const std::string& name, const std::string& content) {
    fs::create_directory(dir.path() / "d1");
    fs::create_directory(dir.path() / "d2");
    writeBytes(dir.path() / "d1" / name, content);
    fs::create_hard_link(dir.path() / "d1" / name, dir.path() / "d2" / name);
    first = dir / ("d1/" + name);
    second = dir / ("d2/" + name);
  }
  TestFolder dir;
  QString first, second;
};

}  // namespace

// Three writers through two folders: one sets a key again and again, long and short in turn,
// one adds keys, a kept file adds keys of its own. Every write is there afterwards, and the
// file is still text. (Before, with only the folders locked, keys went missing and NUL bytes
// made the file unreadable.)
TEST(FileLock, WritersThroughNamesInTwoFoldersKeepEveryKey) {
  TwoNames file("x.ini", "[s]\r\nbig=1\r\n");
  constexpr int kWrites = 200;
  const QString longValue(3000, u'v');
  const pid_t setter = spawn([&] {
    IniFile ini(file.first);
    int failed = 0;
    for (int i = 0; i < kWrites; ++i)
      failed += ini.WriteIniKey("s", "big", i % 2 == 0 ? longValue : QString("1")) ? 0 : 1;
    return failed;
  });
  const pid_t adder = spawn([&] {
    IniFile ini(file.second);
    int failed = 0;
    for (int i = 0; i < kWrites; ++i)
      failed += ini.WriteIniKey("add", QString("k%1").arg(i), QString::number(i)) ? 0 : 1;
    return failed;
  });
  const pid_t keeper = spawn([&] {
    KeptIniFile kept(file.first);
    int failed = 0;
    for (int i = 0; i < kWrites; ++i)
      failed += kept.write({{"kept", QString("j%1").arg(i), QString::number(i), false}}) ? 0 : 1;
    return failed + (kept.sync() ? 0 : 1);
  });
  EXPECT_EQ(exitCodeOf(setter), 0);
  EXPECT_EQ(exitCodeOf(adder), 0);
  EXPECT_EQ(exitCodeOf(keeper), 0);

  const std::string bytes = readBytes(file.dir.path() / "d1/x.ini");
  EXPECT_EQ(bytes.find('\0'), std::string::npos);
  const IniFile ini(file.second);
  int lost = 0;
  for (int i = 0; i < kWrites; ++i) {
    lost += ini.GetIniKey("add", QString("k%1").arg(i)) == QString::number(i) ? 0 : 1;
    lost += ini.GetIniKey("kept", QString("j%1").arg(i)) == QString::number(i) ? 0 : 1;
  }
  EXPECT_EQ(lost, 0) << "keys lost of " << 2 * kWrites;
  EXPECT_EQ(ini.GetIniKey("s", "big"), QString("1"));
}

// Another program holds the file's lock through its other name: a read and a write through
// this one wait a few seconds at most, then fail naming the file; once the lock is gone both
// go on.
TEST(FileLock, AFileLockHeldByAnotherFailsReadsAndWritesInTime) {
  TwoNames file("cfg.ini", "[s]\r\nk=1\r\n");
  const int held = ::open((file.dir.path() / "d2/cfg.ini").c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(held, 0);
  ASSERT_EQ(::flock(held, LOCK_EX), 0);
  IniFile writer(file.first);
  const IniFile reader(file.first);
  auto write = std::async(std::launch::async, [&] { return writer.WriteIniKey("s", "k", "2"); });
  auto read = std::async(std::launch::async, [&] { return reader.GetIniKey("s", "k"); });
  const bool ended = write.wait_for(std::chrono::seconds(30)) == std::future_status::ready &&
                     read.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
  ::close(held);
  ASSERT_TRUE(ended) << "waited for the lock without end";
  EXPECT_FALSE(write.get());
  EXPECT_EQ(read.get(), QString());
  const QString locked = "\"" + file.first + "\"被锁定";
  EXPECT_TRUE(writer.writeFailure().startsWith(locked)) << writer.writeFailure().toStdString();
  EXPECT_TRUE(reader.readFailure().startsWith(locked)) << reader.readFailure().toStdString();
  EXPECT_EQ(readBytes(file.dir.path() / "d1/cfg.ini"), "[s]\r\nk=1\r\n");
  EXPECT_TRUE(writer.WriteIniKey("s", "k", "2"));
  EXPECT_EQ(reader.GetIniKey("s", "k"), "2");
  EXPECT_EQ(reader.readFailure(), QString());
}

// A reader through one name asks for a key that nobody writes while another process rewrites a
// long value in place through the other name: it always reads the key. (Before, it read "" or
// another value where it met a file half written.)
TEST(FileLock, AReaderNeverSeesAFileHalfWrittenInPlace) {
  TwoNames file("big.ini", "[big]\r\nv=1\r\n[keep]\r\nk=stable\r\n");
  constexpr int kWrites = 60;
  const pid_t writer = spawn([&] {
    IniFile ini(file.first);
    const QString huge(1 << 20, u'x');
    int failed = 0;
    for (int i = 0; i < kWrites; ++i)
      failed += ini.WriteIniKey("big", "v", i % 2 == 0 ? huge : QString("1")) ? 0 : 1;
    return failed;
  });
  const IniFile reader(file.second);
  int reads = 0, wrong = 0;
  int status = 0;
  while (reads < 20000 && ::waitpid(writer, &status, WNOHANG) == 0) {
    ++reads;
    // A read that gave up waiting for the lock (a slow disk) says so; it saw no file at all.
    if (reader.GetIniKey("keep", "k") != QString("stable") && reader.readFailure().isEmpty())
      ++wrong;
  }
  if (reads == 20000) {
    EXPECT_EQ(exitCodeOf(writer), 0);
  } else {
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  EXPECT_GT(reads, 0);
  EXPECT_EQ(wrong, 0) << "wrong reads of " << reads;
}

// In a shared sticky folder that belongs to another user, that user keeps swapping the file a
// victim edits for a link to the victim's own key file and back. The key file is never written:
// an edit writes into the file it read, or nowhere. (Before, the edit read the shared file and
// wrote its lines over the key file whenever the link stood there at the write.)
TEST(FileLock, ANameSwappedForALinkUnderAnEditWritesNoOtherFile) {
  constexpr uid_t kDaemon = 1;
  const OtherUser attacker(kDaemon, kDaemon);
  const OtherUser victim;  // nobody
  SHEETCUT_REQUIRE_OTHER_USER(attacker);
  SHEETCUT_REQUIRE_OTHER_USER(victim);
  TestFolder dir;
  ::chmod(dir.path().c_str(), 0755);
  const fs::path home = dir.path() / "home";
  fs::create_directory(home);
  const fs::path key = home / "id_key";
  const std::string keyBytes("KEY\0\x01\x02secret", 12);
  writeBytes(key, keyBytes);
  ASSERT_EQ(::chown(key.c_str(), victim.uid(), victim.gid()), 0);
  ASSERT_EQ(::chmod(key.c_str(), 0600), 0);
  ASSERT_EQ(::chown(home.c_str(), victim.uid(), victim.gid()), 0);
  ASSERT_EQ(::chmod(home.c_str(), 0700), 0);
  const fs::path shared = dir.path() / "shared";
  fs::create_directory(shared);
  ASSERT_EQ(::chown(shared.c_str(), kDaemon, kDaemon), 0);
  ASSERT_EQ(::chmod(shared.c_str(), 01777), 0);
  const fs::path stop = dir.path() / "stop";
  const fs::path ready = shared / "ready";  // made by the swapper once it is set up

  std::string swaps;
  std::thread swapper([&] {
    swaps = attacker.run([&] {
      const fs::path ini = shared / "f.ini", kept = shared / "keep", link = shared / "lnk";
      const int fd = ::open(ini.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
      if (fd < 0 || ::write(fd, "[team]\r\nk=1\r\n", 13) != 13 || ::close(fd) != 0 ||
          ::fchmodat(AT_FDCWD, ini.c_str(), 0666, 0) != 0 ||
          ::symlink(key.c_str(), link.c_str()) != 0 || ::mkdir(ready.c_str(), 0755) != 0)
        return std::string("<cannot set up>");
      int n = 0;
      for (; n < 2000000 && ::access(stop.c_str(), F_OK) != 0; ++n) {
        ::rename(ini.c_str(), kept.c_str());
        ::rename(link.c_str(), ini.c_str());
        ::rename(ini.c_str(), link.c_str());
        ::rename(kept.c_str(), ini.c_str());
      }
      return std::to_string(n);
    });
  });
  for (int i = 0; i < 10000 && !fs::exists(ready); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  const std::string written = victim.run([&] {
    IniFile ini(QString::fromStdString((shared / "f.ini").string()));
    int done = 0;
    for (int i = 0; i < 500; ++i)
      done += ini.WriteIniKey("team", QString("v%1").arg(i), "x") ? 1 : 0;
    return std::to_string(done);
  });
  writeBytes(stop, "");
  swapper.join();
  EXPECT_NE(swaps.front(), '<') << swaps;
  EXPECT_NE(written.front(), '<') << written;
  EXPECT_EQ(readBytes(key), keyBytes) << written << " edits reported as written";
  struct stat st {};
  ASSERT_EQ(::stat(key.c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, victim.uid());
  EXPECT_EQ(st.st_mode & 07777, 0600u);
}
