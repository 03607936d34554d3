#pragma once

#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace sheetcut::testing {

// A file system image made by a mkfs command in a fresh temporary folder and loop-mounted
// there, unmounted and removed with everything in it at the end. `mkfs` is the command without
// the image's path ("mkfs.ext2 -q -F -I 128"). Needs root and loop devices; where the image
// cannot be made or mounted, available() is false and skipReason() says why, and the test
// skips with SHEETCUT_REQUIRE_MOUNTED_IMAGE.
class MountedImage {
 public:
  MountedImage(const std::string& mkfs, size_t bytes) {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "sheetcut-image-XXXXXX").string();
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    if (::mkdtemp(buf.data()) == nullptr) {
      reason_ = std::string("cannot make a temporary folder: ") + std::strerror(errno);
      return;
    }
    folder_ = buf.data();
    const std::filesystem::path image = folder_ / "image";
    root_ = folder_ / "mnt";
    std::error_code ec;
    std::filesystem::create_directory(root_, ec);
    {
      const std::string make = "truncate -s " + std::to_string(bytes) + " '" + image.string() +
                               "' && " + mkfs + " '" + image.string() + "' >/dev/null 2>&1";
      if (std::system(make.c_str()) != 0) {
        reason_ = "cannot make the image (" + mkfs + ")";
        return;
      }
    }
    const std::string mount =
        "mount -o loop '" + image.string() + "' '" + root_.string() + "' >/dev/null 2>&1";
    if (::geteuid() != 0 || std::system(mount.c_str()) != 0) {
      reason_ = "cannot loop-mount an image (needs root and loop devices)";
      return;
    }
    mounted_ = true;
  }
  ~MountedImage() {
    if (mounted_ && ::umount2(root_.c_str(), 0) != 0) ::umount2(root_.c_str(), MNT_DETACH);
    std::error_code ec;
    if (!folder_.empty()) std::filesystem::remove_all(folder_, ec);
  }
  MountedImage(const MountedImage&) = delete;
  MountedImage& operator=(const MountedImage&) = delete;

  bool available() const { return mounted_; }
  const std::string& skipReason() const { return reason_; }
  // The mounted file system's root.
  const std::filesystem::path& root() const { return root_; }

 private:
  std::filesystem::path folder_;
  std::filesystem::path root_;
  std::string reason_;
  bool mounted_ = false;
};

}  // namespace sheetcut::testing

#define SHEETCUT_REQUIRE_MOUNTED_IMAGE(image) \
  if (!(image).available()) GTEST_SKIP() << (image).skipReason()
