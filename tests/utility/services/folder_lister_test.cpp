#include "mobrel/folder_lister.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <time.h>

#include <algorithm>
#include <cstdlib>

#include "test_folder.h"

namespace fs = std::filesystem;
using namespace mobrel;

namespace {

QStringList sorted(QStringList list) {
  list.sort();
  return list;
}

// Sets the access and write times of a file to one instant (seconds since the epoch).
void setFileTimes(const fs::path& file, time_t when) {
  struct timespec times[2] = {{when, 0}, {when, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
}

// Runs with the TZ variable set, restoring it afterwards.
class ZoneGuard {
 public:
  explicit ZoneGuard(const char* zone) {
    if (const char* old = std::getenv("TZ")) old_ = old;
    setenv("TZ", zone, 1);
    tzset();
  }
  ~ZoneGuard() {
    if (old_.empty())
      unsetenv("TZ");
    else
      setenv("TZ", old_.c_str(), 1);
    tzset();
  }

 private:
  std::string old_;
};

}  // namespace

TEST(FolderLister, EmptyFolderGivesOneEmptyElementEach) {
  TestFolder dir;
  QString path = dir / "";
  path.chop(1);  // no trailing separator: one is added to the caller's text
  QStringList files{"stale"}, dirs{"stale", "more"};
  ListFolder(path, "*.*", files, dirs, true);
  EXPECT_TRUE(path.endsWith("/"));
  EXPECT_EQ(files, QStringList{""});
  EXPECT_EQ(dirs, QStringList{""});
}

TEST(FolderLister, EntriesSizesAndLocalTimes) {
  TestFolder dir;
  writeBytes(dir.path() / "small.DXF", std::string(1023, 'x'));
  writeBytes(dir.path() / "one.dxf", std::string(1024, 'x'));
  writeBytes(dir.path() / ".dot.dxf", std::string(5000, 'x'));
  writeBytes(dir.path() / "skip.txt", "x");
  writeBytes(dir.path() / "a%2b%1.dxf", "x");  // percent signs are no markers
  // 17:30 UTC on 5 January is 01:30 on the 6th in Shanghai.
  const time_t when = 1736098200;  // 2025-01-05 17:30:00 UTC
  setFileTimes(dir.path() / "one.dxf", when);

  ZoneGuard zone("Asia/Shanghai");
  QString path = dir / "";
  QStringList files, dirs;
  ListFolder(path, "*.dxf", files, dirs);
  ASSERT_EQ(files.size(), 4);
  EXPECT_EQ(dirs, QStringList{""});
  const QStringList all = sorted(files);
  EXPECT_TRUE(all[0].startsWith(path + ".dot.dxf/4Kb/"));
  EXPECT_TRUE(all[1].startsWith(path + "a%2b%1.dxf/0Kb/")) << all[1].toStdString();
  EXPECT_TRUE(all[3].startsWith(path + "small.DXF/0Kb/"));
  const QStringList parts = all[2].mid(path.size()).split("/");
  ASSERT_EQ(parts.size(), 5) << all[2].toStdString();
  EXPECT_EQ(parts[0], "one.dxf");
  EXPECT_EQ(parts[1], "1Kb");
  EXPECT_EQ(parts[3], "2025-01-06 01:30:00");  // written
  EXPECT_EQ(parts[4], "2025-01-06 01:30:00");  // accessed
  EXPECT_TRUE(QDateTime::fromString(parts[2], "yyyy-MM-dd HH:mm:ss").isValid());
}

TEST(FolderLister, TreesAndLinkLoops) {
  TestFolder dir;
  fs::create_directories(dir.path() / "a/b");
  fs::create_directories(dir.path() / "c");
  writeBytes(dir.path() / "top.dxf", "1");
  writeBytes(dir.path() / "a/b/deep.DXF", "1");
  writeBytes(dir.path() / "c/other.txt", "1");
  fs::create_directory_symlink(dir.path(), dir.path() / "a/loop");

  QString path = dir / "";
  QStringList files, dirs;
  ListFolder(path, "*.dxf", files, dirs, true);
  EXPECT_EQ(sorted(dirs), sorted({path + "a", path + "a/b", path + "a/loop", path + "c"}));
  ASSERT_EQ(files.size(), 2);
  EXPECT_TRUE(sorted(files)[0].startsWith(path + "a/b/deep.DXF/0Kb/"));
  // Depth first: a folder's own sub-folders come before those of its sub-folders.
  EXPECT_LT(dirs.indexOf(path + "c"), dirs.indexOf(path + "a/b"));

  // A second listing starts afresh.
  ListFolder(path, "*.txt", files, dirs, false);
  EXPECT_EQ(files, QStringList{""});
  EXPECT_EQ(sorted(dirs), sorted({path + "a", path + "c"}));
}

TEST(FolderLister, NamesThatAreNotUtf8AreNamedApartNotListed) {
  TestFolder dir;
  writeBytes(dir.path() / "图号.dxf", "1");
  // 图号 in GBK, as Windows archives unpack names: no UTF-8.
  writeBytes(dir.path() / "\xCD\xBC\xBA\xC5.dxf", "2");
  writeBytes(dir.path() / "\xCD\xBC\xBA\xC5.txt", "3");
  // Folders of such names, one of them deeper down, with drawings the walk cannot reach.
  fs::create_directory(dir.path() / "\xCD\xBC\xBA\xC5");
  writeBytes(dir.path() / "\xCD\xBC\xBA\xC5" / "a.dxf", "4");
  fs::create_directories(dir.path() / "sub" / "\xB1\xEA");
  writeBytes(dir.path() / "sub" / "\xB1\xEA" / "b.dxf", "5");
  QString path = dir / "";
  QStringList files, dirs, skipped{"stale"};
  ListFolder(path, "*.dxf", files, dirs, true, &skipped);
  ASSERT_EQ(files.size(), 1);
  EXPECT_TRUE(files[0].startsWith(path + "图号.dxf/")) << files[0].toStdString();
  EXPECT_EQ(dirs, QStringList{path + "sub"});
  // The folders are named apart by their trailing "/", whatever the filter.
  EXPECT_EQ(sorted(skipped), sorted({path + "图号.dxf", path + "图号/", path + "sub/标/"}));
  ListFolder(path, "*.txt", files, dirs, false, &skipped);
  EXPECT_EQ(sorted(skipped), sorted({path + "图号.txt", path + "图号/"}));

  const FolderListing listing = listFolder(path, "*", false);
  EXPECT_EQ(sorted(listing.skippedFiles), sorted({path + "图号.txt", path + "图号.dxf"}));
  EXPECT_EQ(listing.skippedDirs, QStringList{path + "图号"});
}
