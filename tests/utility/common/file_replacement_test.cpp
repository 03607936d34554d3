// What a file replacement keeps of the file it replaces, and what it does not take from the
// folder it writes in.

#include "sheetcut/file_replacement.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "other_user.h"
#include "small_filesystem.h"

namespace fs = std::filesystem;

namespace {

class FileReplacementTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("file-replacement-" + std::to_string(::getpid()));
    fs::create_directories(dir_);
    ::chmod(dir_.c_str(), 0755);
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
  static int replace(const fs::path& file, const std::string& bytes) {
    sheetcut::FileReplacement replacement(file.string());
    int err = replacement.create();
    if (err == 0) err = replacement.write(bytes.data(), bytes.size());
    return err != 0 ? err : replacement.commit();
  }
  // The error number of reading the file's access control list: 0 when it has one.
  static int accessListError(const fs::path& file) {
    char value[256];
    return ::getxattr(file.c_str(), "system.posix_acl_access", value, sizeof value) >= 0 ? 0
                                                                                         : errno;
  }

  fs::path dir_;
};

// A folder's default access control list gives a new file a list of its own; a replaced file
// that had none gets none, and the users the default list names get no access the replaced
// file did not give them. A file that had a list keeps its own.
TEST_F(FileReplacementTest, AReplacedFileTakesNoAccessListFromItsFolder) {
  const fs::path plain = dir_ / "plain.ini";
  write(plain, "old");
  ASSERT_EQ(::chmod(plain.c_str(), 0640), 0);
  if (std::system(("setfacl -d -m u:nobody:rw '" + dir_.string() + "' 2>/dev/null").c_str()) != 0)
    GTEST_SKIP() << "the file system holds no access control lists (or setfacl is missing)";
  ASSERT_EQ(accessListError(plain), ENODATA);

  ASSERT_EQ(replace(plain, "new"), 0);
  EXPECT_EQ(read(plain), "new");
  EXPECT_EQ(accessListError(plain), ENODATA);
  struct stat st {};
  ASSERT_EQ(::stat(plain.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);

  // A new file gets the folder's default list, as any new file does.
  const fs::path fresh = dir_ / "fresh.ini";
  ASSERT_EQ(replace(fresh, "fresh"), 0);
  EXPECT_EQ(accessListError(fresh), 0);

  const sheetcut::testing::OtherUser nobody;
  if (!nobody.available()) return;  // the list itself is checked above
  EXPECT_EQ(nobody.run([&] {
    const int fd = ::open(plain.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) ::close(fd);
    return fd >= 0 ? std::string("opened") : std::string(std::strerror(errno));
  }),
            std::strerror(EACCES));
}

// A file with a second name is written into, so that both names see the new content; the
// content is held until the end, so that a replacement given up halfway leaves the file as it
// was, and content larger than what is held in memory arrives whole.
TEST_F(FileReplacementTest, AFileWithASecondNameIsWrittenInPlaceOnlyOnceWhole) {
  const fs::path file = dir_ / "a.dat";
  write(file, "old content");
  fs::create_hard_link(file, dir_ / "b.dat");
  {
    sheetcut::FileReplacement abandoned(file.string());
    ASSERT_EQ(abandoned.create(), 0);
    EXPECT_TRUE(abandoned.inPlace());
    ASSERT_EQ(abandoned.write("new", 3), 0);
  }
  EXPECT_EQ(read(dir_ / "b.dat"), "old content");

  std::string big(9u << 20, '\0');
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>('a' + (i * 7 + i / 4099) % 26);
  {
    sheetcut::FileReplacement replacement(file.string());
    ASSERT_EQ(replacement.create(), 0);
    for (size_t at = 0; at < big.size(); at += 1000000)
      ASSERT_EQ(replacement.write(big.data() + at, std::min<size_t>(1000000, big.size() - at)), 0);
    ASSERT_EQ(replacement.commit(), 0);
  }
  EXPECT_TRUE(read(dir_ / "b.dat") == big);
  ASSERT_EQ(replace(dir_ / "b.dat", "short"), 0);
  EXPECT_EQ(read(file), "short");
  EXPECT_EQ(fs::hard_link_count(file), 2u);
  // Nothing but the two names is left in the folder.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 2);
}

// A file written in place that another file took the place of meanwhile is left alone: the
// content was meant for the name, not for the file's other names.
TEST_F(FileReplacementTest, AFileMovedAwayBeforeTheWritingKeepsItsContent) {
  const fs::path file = dir_ / "a.dat";
  for (const bool removed : {false, true}) {
    fs::remove(file);
    fs::remove(dir_ / "other.dat");
    write(file, "old content");
    fs::create_hard_link(file, dir_ / "other.dat");
    sheetcut::FileReplacement replacement(file.string());
    ASSERT_EQ(replacement.create(), 0);
    ASSERT_TRUE(replacement.inPlace());
    ASSERT_EQ(replacement.write("new", 3), 0);
    if (removed) {
      fs::remove(file);
    } else {
      write(dir_ / "newer.dat", "newer");
      fs::rename(dir_ / "newer.dat", file);
    }
    EXPECT_NE(replacement.commit(), 0);
    EXPECT_EQ(read(dir_ / "other.dat"), "old content");
    if (!removed) {
      EXPECT_EQ(read(file), "newer");
    }
  }
}

// A write in place that fails halfway puts the old content back, whether it holds the bytes the
// caller read or, where the caller gave none or the file changed since, a copy of its own. The
// process's file size limit (SIGXFSZ ignored) stops the write: at 200 KB, past the end of a
// smaller file, or within the bytes of a larger one, where the old bytes beyond the limit,
// never overwritten, cannot be written back either.
TEST_F(FileReplacementTest, AWriteInPlaceThatFailsHalfwayLeavesTheOldContent) {
  const fs::path file = dir_ / "a.dat";
  const auto failAt = [&](const std::string& old, const std::string& handed, rlim_t limit) {
    fs::remove(dir_ / "b.dat");
    write(file, old);
    fs::create_hard_link(file, dir_ / "b.dat");
    sheetcut::FileReplacement replacement(file.string());
    replacement.holdOldContent(handed);
    EXPECT_EQ(replacement.create(), 0);
    EXPECT_TRUE(replacement.inPlace());
    const std::string content(300u << 10, 'n');
    EXPECT_EQ(replacement.write(content.data(), content.size()), 0);

    struct rlimit was {};
    EXPECT_EQ(::getrlimit(RLIMIT_FSIZE, &was), 0);
    struct rlimit lower = was;
    lower.rlim_cur = limit;
    const auto oldHandler = ::signal(SIGXFSZ, SIG_IGN);
    EXPECT_EQ(::setrlimit(RLIMIT_FSIZE, &lower), 0);
    const int err = replacement.commit();
    ::setrlimit(RLIMIT_FSIZE, &was);
    ::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(err, EFBIG);
    EXPECT_FALSE(replacement.damaged()) << replacement.damageBackup();
    EXPECT_TRUE(read(dir_ / "b.dat") == old) << "handed " << handed.size() << " bytes";
  };
  std::string old(150u << 10, 'o');
  for (size_t i = 0; i < old.size(); i += 97) old[i] = '\n';
  for (const std::string& handed : {std::string(), old, std::string(old.size(), 'x')})
    failAt(old, handed, 200u << 10);
  failAt(old + old, old + old, (200u << 10) + 100);
}

// Content held beyond the memory goes to the system's temporary folder where the disk of the
// file has no room for it: a file written in place that does not grow needs none, and a disk
// that fills while the content is held does not fail the replacement either.
TEST_F(FileReplacementTest, ContentHeldForAFullDiskGoesElsewhere) {
  sheetcut::testing::SmallFileSystem small(32u << 20);
  SHEETCUT_REQUIRE_SMALL_FS(small);
  const fs::path file = small.root() / "big.dat";
  write(file, std::string(14u << 20, 'o'));
  fs::create_hard_link(file, small.root() / "other.dat");
  std::string content(12u << 20, '\0');
  for (size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>('a' + i % 23);

  for (const size_t room : {size_t{0}, size_t{10u << 20}}) {
    small.fill(room);
    sheetcut::FileReplacement replacement(file.string());
    ASSERT_EQ(replacement.create(), 0);
    ASSERT_TRUE(replacement.inPlace());
    for (size_t at = 0; at < content.size(); at += 1u << 20)
      ASSERT_EQ(replacement.write(content.data() + at, 1u << 20), 0) << "room " << room;
    ASSERT_EQ(replacement.commit(), 0);
    EXPECT_TRUE(read(small.root() / "other.dat") == content);
    small.release();
    content[0] = content[0] == 'a' ? 'b' : 'a';
  }
}

}  // namespace
