#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <numeric>
#include <thread>

#include "crypto_test_support.h"
#include "other_user.h"
#include "refused_link.h"
#include "sheetcut/crypto/rijndael.h"

namespace {

using crypto_test::errorText;
using crypto_test::readFile;
using crypto_test::TempFolder;
using crypto_test::writeFile;
using sheetcut::Bytes;
using sheetcut::clsASE;

clsASE keyed(int blockBits) {
  clsASE aes;
  aes.SetCipherKey(Bytes(32, 0x42), 160, blockBits);
  return aes;
}

Bytes counting(size_t n) {
  Bytes b(n);
  std::iota(b.begin(), b.end(), uint8_t{1});
  return b;
}

TEST(ArrayCipher, PaddingAndLengthByte) {
  clsASE aes = keyed(128);
  const Bytes five = counting(5);
  Bytes ct, pt;
  aes.ArrayEncrypt(five, ct, 0, 128);
  ASSERT_EQ(ct.size(), 16u);
  EXPECT_EQ(aes.ArrayDecrypt(pt, ct, 0, 128), 0);
  Bytes padded = five;
  padded.resize(16, 0);
  EXPECT_EQ(pt, padded);

  aes.ArrayEncrypt(five, ct, 1, 128);
  ASSERT_EQ(ct.size(), 16u);
  EXPECT_EQ(aes.ArrayDecrypt(pt, ct, 1, 128), 0);
  EXPECT_EQ(pt, five);
  aes.ArrayDecrypt(pt, ct, 0, 128);
  EXPECT_EQ(pt[15], 5);

  // A whole block of data gets a whole block of zeros with the length byte 0.
  aes.ArrayEncrypt(counting(16), ct, 1, 128);
  ASSERT_EQ(ct.size(), 32u);
  aes.ArrayDecrypt(pt, ct, 0, 128);
  EXPECT_EQ(Bytes(pt.begin() + 16, pt.end()), Bytes(16, 0));

  // Empty input with the length byte: one block of zeros, not cut to nothing.
  aes.ArrayEncrypt(Bytes{}, ct, 1, 128);
  ASSERT_EQ(ct.size(), 16u);
  EXPECT_EQ(aes.ArrayDecrypt(pt, ct, 1, 128), 0);
  EXPECT_EQ(pt, Bytes(16, 0));
}

TEST(ArrayCipher, LayoutForEveryBlockSize) {
  for (int bits : {128, 160, 192, 224, 256}) {
    clsASE aes = keyed(bits);
    const size_t c = static_cast<size_t>(bits / 8);
    for (size_t n : {c - 1, c, 3 * c + 1}) {
      const Bytes plain = counting(n);
      Bytes ct, back;
      aes.ArrayEncrypt(plain, ct, 0, bits);
      EXPECT_EQ(ct.size(), (n + c - 1) / c * c);
      aes.ArrayEncrypt(plain, ct, 1, bits);
      EXPECT_EQ(ct.size(), (n / c + 1) * c);
      EXPECT_EQ(aes.ArrayDecrypt(back, ct, 1, bits), 0);
      EXPECT_EQ(back, plain) << bits << " bits, " << n << " bytes";
    }
  }
}

TEST(ArrayCipher, RaggedAndBadLengthByte) {
  clsASE aes = keyed(128);
  Bytes pt = {9, 9};
  EXPECT_EQ(aes.ArrayDecrypt(pt, Bytes(17, 1), 0, 128), -1);
  EXPECT_EQ(pt, (Bytes{9, 9}));

  // Enciphered without the length byte, its last byte is 0xF0: not a length.
  Bytes plain(16, 0xF0), ct;
  aes.ArrayEncrypt(plain, ct, 0, 128);
  EXPECT_EQ(aes.ArrayDecrypt(pt, ct, 1, 128), 1);
  EXPECT_EQ(pt, plain);

  // Electronic code book: equal blocks encipher alike.
  aes.ArrayEncrypt(Bytes(32, 0x11), ct, 0, 128);
  EXPECT_TRUE(std::equal(ct.begin(), ct.begin() + 16, ct.begin() + 16));
}

TEST(ArrayCipher, Errors) {
  clsASE aes = keyed(128);
  Bytes a(16), b;
  EXPECT_EQ(errorText([&] { aes.ArrayEncrypt(a, b, 0, 100); }),
            "1 cRijndael.ArrayEncrypt - Illegal BlockBits value");
  EXPECT_EQ(errorText([&] { aes.ArrayDecrypt(b, a, 0, 100); }),
            "1 cRijndael.ArrayDecrypt - Illegal BlockBits value");
  EXPECT_EQ(errorText([&] { aes.FileEncrypt("x", "y", 100); }),
            "1 cRijndael.FileEncrypt - Illegal BlockBits value");
  EXPECT_EQ(errorText([&] { aes.FileDecrypt("x", "y", 100); }),
            "1 cRijndael.FileDecrypt - Illegal BlockBits value");
  EXPECT_EQ(errorText([&] { aes.ArrayEncrypt(a, b, 0, 192); }),
            "1 cRijndael.ArrayEncrypt - No cipher key set for 192-bit blocks");
}

class FileCipher : public ::testing::Test {
 protected:
  TempFolder dir;
  clsASE aes = keyed(128);
};

TEST_F(FileCipher, LargeFileRoundTripsInChunks) {
  Bytes plain(4'000'000);
  for (size_t i = 0; i < plain.size(); ++i) plain[i] = static_cast<uint8_t>(i * 7 + i / 251);
  writeFile(dir.file("plain"), plain);
  for (int bits : {128, 192}) {
    clsASE cipher = keyed(bits);
    ASSERT_EQ(cipher.FileEncrypt(dir.file("plain"), dir.file("cipher"), bits), 0);
    const Bytes ct = readFile(dir.file("cipher"));
    EXPECT_EQ(ct.size(), bits == 128 ? 4'000'016u : 4'000'008u);
    // The file is the array layout with the length byte.
    Bytes expected;
    cipher.ArrayEncrypt(plain, expected, 1, bits);
    EXPECT_TRUE(ct == expected) << bits;
    ASSERT_EQ(cipher.FileDecrypt(dir.file("back"), dir.file("cipher"), bits), 0);
    EXPECT_TRUE(readFile(dir.file("back")) == plain) << bits;
  }
}

TEST_F(FileCipher, SamePathAndShorterOverLongerOutput) {
  const Bytes plain = counting(40);
  writeFile(dir.file("f"), plain);
  ASSERT_EQ(aes.FileEncrypt(dir.file("f"), dir.file("f"), 128), 0);
  EXPECT_EQ(readFile(dir.file("f")).size(), 48u);
  ASSERT_EQ(aes.FileDecrypt(dir.file("f"), dir.file("f"), 128), 0);
  EXPECT_EQ(readFile(dir.file("f")), plain);

  writeFile(dir.file("short"), counting(3));
  writeFile(dir.file("out"), Bytes(1000, 0xAA));
  aes.FileEncrypt(dir.file("short"), dir.file("out"), 128);
  EXPECT_EQ(readFile(dir.file("out")).size(), 16u);
  aes.FileDecrypt(dir.file("out"), dir.file("out"), 128);
  EXPECT_EQ(readFile(dir.file("out")), counting(3));

  // An output reached through a symbolic link replaces the linked file; the link stays.
  std::filesystem::create_symlink("out", dir.file("link"));
  aes.FileEncrypt(dir.file("short"), dir.file("link"), 128);
  EXPECT_TRUE(std::filesystem::is_symlink(dir.file("link")));
  EXPECT_EQ(readFile(dir.file("out")).size(), 16u);
}

TEST_F(FileCipher, EmptyRaggedAndBadLengthByte) {
  writeFile(dir.file("empty"), {});
  aes.FileEncrypt(dir.file("empty"), dir.file("one-block"), 128);
  EXPECT_EQ(readFile(dir.file("one-block")).size(), 16u);
  EXPECT_EQ(aes.FileDecrypt(dir.file("nothing"), dir.file("one-block"), 128), 0);
  EXPECT_TRUE(std::filesystem::exists(dir.file("nothing")));
  EXPECT_TRUE(readFile(dir.file("nothing")).empty());

  writeFile(dir.file("ragged"), Bytes(17, 1));
  EXPECT_EQ(aes.FileDecrypt(dir.file("p1"), dir.file("empty"), 128), 1);
  EXPECT_EQ(aes.FileDecrypt(dir.file("p2"), dir.file("ragged"), 128), 1);
  EXPECT_FALSE(std::filesystem::exists(dir.file("p1")));
  EXPECT_FALSE(std::filesystem::exists(dir.file("p2")));

  // A last byte of 16 or more is not judged: the whole block is written.
  Bytes ct;
  aes.ArrayEncrypt(Bytes(16, 0xF0), ct, 0, 128);
  writeFile(dir.file("bad-length"), ct);
  EXPECT_EQ(aes.FileDecrypt(dir.file("p3"), dir.file("bad-length"), 128), 0);
  EXPECT_EQ(readFile(dir.file("p3")), Bytes(16, 0xF0));
}

TEST_F(FileCipher, FailuresLeaveNothingBehind) {
  const std::string missing = dir.file("missing");
  EXPECT_EQ(errorText([&] { aes.FileEncrypt(missing, dir.file("out"), 128); }).substr(0, 3), "53 ");
  EXPECT_NE(errorText([&] { aes.FileEncrypt(missing, dir.file("out"), 128); }).find(missing),
            std::string::npos);
  writeFile(dir.file("in"), counting(10));
  EXPECT_EQ(errorText([&] {
              aes.FileEncrypt(dir.file("in"), dir.file("no/such/out"), 128);
            }).substr(0, 3),
            "76 ");
  EXPECT_NE(errorText([&] { aes.FileEncrypt(dir.path().string(), dir.file("out"), 128); }),
            "no error");
  size_t count = 0;
  for ([[maybe_unused]] auto& entry : std::filesystem::directory_iterator(dir.path())) ++count;
  EXPECT_EQ(count, 1u);  // only "in"

  // A read-only output keeps its content.
  writeFile(dir.file("read-only"), counting(5));
  std::filesystem::permissions(dir.file("read-only"), std::filesystem::perms::owner_read);
  EXPECT_EQ(
      errorText([&] { aes.FileEncrypt(dir.file("in"), dir.file("read-only"), 128); }).substr(0, 3),
      "75 ");
  EXPECT_EQ(readFile(dir.file("read-only")), counting(5));
}

// An output named through a link that the system does not follow for this user (a hostile one
// in a shared sticky folder) is refused naming the link, and the file it names stays.
TEST(FileCipherLinks, ALinkTheSystemRefusesToFollowIsNotFollowed) {
  sheetcut::testing::RefusedLink link("team.ini", "[a]\r\nk=1\r\n");
  SHEETCUT_REQUIRE_REFUSED_LINK(link);
  const std::string plain = link.home() + "/plain";
  writeFile(plain, counting(10));
  const std::string said = link.user().run([&] {
    clsASE aes = keyed(128);
    return errorText([&] { aes.FileEncrypt(plain, link.link(), 128); });
  });
  EXPECT_EQ(said,
            "75 cRijndael.FileEncrypt - cannot write \"" + link.link() + "\": Permission denied");
  EXPECT_EQ(link.content(), "[a]\r\nk=1\r\n");
}

// Opens a named pipe for writing and closes it again if the test still runs after a second, so
// that a reader blocked on the pipe gets an end of file instead of hanging the test.
class PipeWatchdog {
 public:
  explicit PipeWatchdog(std::string fifo)
      : fifo_(std::move(fifo)), thread_([this] {
          std::unique_lock lock(mutex_);
          if (done_.wait_for(lock, std::chrono::seconds(1), [this] { return finished_; })) return;
          const int fd = ::open(fifo_.c_str(), O_WRONLY | O_NONBLOCK);
          if (fd >= 0) ::close(fd);
        }) {}
  ~PipeWatchdog() {
    {
      std::lock_guard lock(mutex_);
      finished_ = true;
    }
    done_.notify_one();
    thread_.join();
  }

 private:
  std::string fifo_;
  std::mutex mutex_;
  std::condition_variable done_;
  bool finished_ = false;
  std::thread thread_;
};

// A file enciphered or deciphered onto one of the writer's files that belongs to a group the
// writer is not in keeps that group (and so does not show the text to the writer's group).
TEST(FileCipherOwners, AFileWrittenOverKeepsItsGroup) {
  const sheetcut::testing::OtherUser daemonInUsers(1, 100);
  SHEETCUT_REQUIRE_OTHER_USER(daemonInUsers);
  TempFolder dir;
  ASSERT_EQ(::chown(dir.path().c_str(), 1, 1), 0);
  writeFile(dir.file("plain"), counting(100));
  for (const char* name : {"cipher", "back"}) {
    writeFile(dir.file(name), counting(3));
    ASSERT_EQ(::chown(dir.file(name).c_str(), 1, 50), 0);
    ASSERT_EQ(::chmod(dir.file(name).c_str(), 0640), 0);
  }
  ASSERT_EQ(::chown(dir.file("plain").c_str(), 1, 1), 0);
  EXPECT_EQ(daemonInUsers.run([&] {
    clsASE aes = keyed(128);
    const int enciphered = aes.FileEncrypt(dir.file("plain"), dir.file("cipher"), 128);
    return std::to_string(enciphered) +
           std::to_string(aes.FileDecrypt(dir.file("back"), dir.file("cipher"), 128));
  }),
            "00");
  EXPECT_TRUE(readFile(dir.file("back")) == counting(100));
  for (const char* name : {"cipher", "back"}) {
    struct stat st {};
    ASSERT_EQ(::stat(dir.file(name).c_str(), &st), 0);
    EXPECT_EQ(st.st_gid, 50u) << name;
    EXPECT_EQ(st.st_mode & 07777, 0640u) << name;
  }
}

// Only regular files are read or replaced: a pipe would block, a device never ends, and a
// pipe or device named as output must stay what it is.
TEST_F(FileCipher, PipesAndDevicesAreRefusedByName) {
  const std::string fifo = dir.file("pipe");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::filesystem::create_symlink("/dev/zero", dir.file("zero"));
  writeFile(dir.file("in"), counting(10));
  PipeWatchdog watchdog(fifo);
  const auto start = std::chrono::steady_clock::now();

  const std::string pipeError =
      "75 cRijndael.FileEncrypt - \"" + fifo + "\" is a named pipe, not a regular file";
  EXPECT_EQ(errorText([&] { aes.FileEncrypt(fifo, dir.file("out"), 128); }), pipeError);
  EXPECT_EQ(errorText([&] { aes.FileEncrypt(dir.file("in"), fifo, 128); }), pipeError);
  EXPECT_EQ(errorText([&] { aes.FileDecrypt(dir.file("out"), dir.file("zero"), 128); }),
            "75 cRijndael.FileDecrypt - \"" + dir.file("zero") +
                "\" is a character device, not a regular file");
  // An empty input is no reason to pass over a pipe as output.
  writeFile(dir.file("empty"), {});
  EXPECT_NE(errorText([&] { aes.FileDecrypt(fifo, dir.file("empty"), 128); }), "no error");

  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  struct stat st {};
  ASSERT_EQ(::lstat(fifo.c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
  size_t count = 0;
  for ([[maybe_unused]] auto& entry : std::filesystem::directory_iterator(dir.path())) ++count;
  EXPECT_EQ(count, 4u);  // pipe, zero, in, empty: nothing written
}

}  // namespace
