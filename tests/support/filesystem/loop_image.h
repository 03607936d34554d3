#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace sheetcut::testing {

// A file system of a given type (btrfs, xfs, ext2, ...) made in a small sparse image file in
// the temporary folder and loop-mounted on a fresh folder there for as long as this lives; then
// unmounted and removed with its image. Making and mounting it need root, mount(8) and the
// mkfs program of the type; where any is missing or refuses, available() is false and
// skipReason() says why, and the test skips with SHEETCUT_REQUIRE_LOOP_IMAGE.
class LoopImage {
 public:
  // `mkfsOptions` go to mkfs.<type> before the image (e.g. "-I 128" for ext2 with small
  // inodes), `mountOptions` to mount after "loop".
  LoopImage(const std::string& type, size_t bytes, const std::string& mkfsOptions = "",
            const std::string& mountOptions = "") {
    if (::geteuid() != 0) {
      reason_ = "needs root to mount a " + type + " image";
      return;
    }
    if (!run("command -v mkfs." + type)) {
      reason_ = "mkfs." + type + " is not installed";
      return;
    }
    std::string pattern =
        (std::filesystem::temp_directory_path() / "sheetcut-loop-XXXXXX").string();
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    if (::mkdtemp(buf.data()) == nullptr) {
      reason_ = std::string("cannot make a folder: ") + std::strerror(errno);
      return;
    }
    folder_ = buf.data();
    ::chmod(folder_.c_str(), 0755);  // other users reach the mounted file system
    image_ = folder_ / "image";
    root_ = folder_ / "mnt";
    std::filesystem::create_directory(root_);
    const int fd = ::open(image_.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    const bool sized = fd >= 0 && ::ftruncate(fd, static_cast<off_t>(bytes)) == 0;
    if (fd >= 0) ::close(fd);
    if (!sized) {
      reason_ = std::string("cannot make an image: ") + std::strerror(errno);
      return;
    }
    // mkfs.xfs refuses images below 300 MB unless it is told it makes one for tests.
    const std::string env = type == "xfs" ? "TEST_DIR=1 TEST_DEV=1 QA_CHECK_FS=1 " : "";
    if (!run(env + "mkfs." + type + " " + mkfsOptions + " " + image_.string())) {
      reason_ = "mkfs." + type + " " + mkfsOptions + " failed";
      return;
    }
    const std::string options = mountOptions.empty() ? "loop" : "loop," + mountOptions;
    if (!run("mount -o " + options + " " + image_.string() + " " + root_.string())) {
      reason_ = "cannot loop-mount a " + type + " image (mount -o " + options + ")";
      return;
    }
    mounted_ = true;
  }
  ~LoopImage() {
    if (mounted_ && !run("umount " + root_.string())) run("umount -l " + root_.string());
    if (!folder_.empty()) {
      std::error_code ec;
      std::filesystem::remove_all(folder_, ec);
    }
  }
  LoopImage(const LoopImage&) = delete;
  LoopImage& operator=(const LoopImage&) = delete;

  bool available() const { return mounted_; }
  const std::string& skipReason() const { return reason_; }
  const std::filesystem::path& root() const { return root_; }

  // Runs a shell command quietly (for a file system's own tools), answering whether it
  // succeeded.
  static bool run(const std::string& command) {
    return std::system(("(" + command + ") >/dev/null 2>&1").c_str()) == 0;
  }

  // The bytes free for an ordinary user's files.
  size_t freeBytes() const {
    struct statvfs st {};
    if (::statvfs(root_.c_str(), &st) != 0) return 0;
    return static_cast<size_t>(st.f_bavail) * st.f_frsize;
  }

  // Fills the file system with the file `name` until it takes no more, then gives back about
  // `leaveBytes` of it, and puts all on the disk (so that a copy-on-write file system has
  // freed what it gave back).
  void fill(size_t leaveBytes = 0, const std::string& name = ".filler") {
    const std::string filler = (root_ / name).string();
    const int fd = ::open(filler.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return;
    off_t size = 0;
    std::vector<char> zeros(1 << 20, 'f');
    for (const size_t step : {size_t{16} << 20, size_t{1} << 20, size_t{64} << 10, size_t{4096}}) {
      for (;;) {
        if (::fallocate(fd, 0, size, static_cast<off_t>(step)) == 0) {
          size += static_cast<off_t>(step);
          continue;
        }
        if (errno != EOPNOTSUPP) break;
        // No reservation: written, in pieces of at most a megabyte.
        const size_t piece = std::min(step, zeros.size());
        if (::pwrite(fd, zeros.data(), piece, size) != static_cast<ssize_t>(piece)) break;
        size += static_cast<off_t>(piece);
      }
      ::fsync(fd);
      ::syncfs(fd);
    }
    if (leaveBytes > 0 && ::ftruncate(fd, size > static_cast<off_t>(leaveBytes)
                                              ? size - static_cast<off_t>(leaveBytes)
                                              : 0) == 0) {
    }
    ::fsync(fd);
    ::syncfs(fd);
    ::close(fd);
  }

 private:
  std::filesystem::path folder_;
  std::filesystem::path image_;
  std::filesystem::path root_;
  std::string reason_;
  bool mounted_ = false;
};

}  // namespace sheetcut::testing

#define SHEETCUT_REQUIRE_LOOP_IMAGE(image) \
  if (!(image).available()) GTEST_SKIP() << (image).skipReason()
