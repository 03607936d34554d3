#pragma once

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace sheetcut::testing {

// A tmpfs of a fixed size mounted on a fresh temporary folder, for tests of what a full disk
// does. Mounting needs root (CAP_SYS_ADMIN); where it is refused, available() is false and
// skipReason() says why, and the test skips with SHEETCUT_REQUIRE_SMALL_FS.
class SmallFileSystem {
 public:
  explicit SmallFileSystem(size_t bytes = 1 << 20) {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "sheetcut-smallfs-XXXXXX").string();
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    if (::mkdtemp(buf.data()) == nullptr) {
      reason_ = std::string("cannot make a mount point: ") + std::strerror(errno);
      return;
    }
    root_ = buf.data();
    const std::string options = "size=" + std::to_string(bytes) + ",mode=0777";
    if (::mount("tmpfs", root_.c_str(), "tmpfs", 0, options.c_str()) != 0) {
      reason_ =
          std::string("cannot mount a small file system (needs root): ") + std::strerror(errno);
      std::filesystem::remove(root_);
      return;
    }
    mounted_ = true;
  }
  ~SmallFileSystem() {
    if (!mounted_) return;
    ::umount2(root_.c_str(), MNT_DETACH);
    std::error_code ec;
    std::filesystem::remove(root_, ec);
  }
  SmallFileSystem(const SmallFileSystem&) = delete;
  SmallFileSystem& operator=(const SmallFileSystem&) = delete;

  bool available() const { return mounted_; }
  const std::string& skipReason() const { return reason_; }
  const std::filesystem::path& root() const { return root_; }

  // Fills the file system with a filler file until at most `leaveBytes` stay free.
  void fill(size_t leaveBytes = 0) {
    const std::string filler = (root_ / ".filler").string();
    const int fd = ::open(filler.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0) return;
    std::vector<char> block(4096, 'f');
    while (::write(fd, block.data(), block.size()) > 0) {
    }
    while (::write(fd, block.data(), 1) > 0) {
    }
    if (leaveBytes > 0) {
      struct stat st {};
      ::fstat(fd, &st);
      const off_t keep = st.st_size > static_cast<off_t>(leaveBytes)
                             ? st.st_size - static_cast<off_t>(leaveBytes)
                             : 0;
      if (::ftruncate(fd, keep) != 0) {
      }
    }
    ::close(fd);
  }
  // Gives back the space fill() took.
  void release() {
    std::error_code ec;
    std::filesystem::remove(root_ / ".filler", ec);
  }

 private:
  std::filesystem::path root_;
  std::string reason_;
  bool mounted_ = false;
};

}  // namespace sheetcut::testing

#define SHEETCUT_REQUIRE_SMALL_FS(fs) \
  if (!(fs).available()) GTEST_SKIP() << (fs).skipReason()
