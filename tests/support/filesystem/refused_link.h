#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "other_user.h"

namespace sheetcut::testing {

// A symbolic link that the system refuses to follow for the user of OtherUser (nobody), set up
// as a hostile user would in the temporary folder: the link lies in a sticky world-writable
// folder, belongs to a third user (65533) and names a file in nobody's own folder, which nobody
// may write. With fs.protected_symlinks=1 the system then refuses nobody every open through the
// link. The setting is made 1 where the test may write it, and left so: it is the system's
// usual setting, and putting a 0 back would pull the protection from under another test
// program that runs at the same time. Where the setting may not be written, or where nobody
// cannot be switched to, available() is false, skipReason() says why, and the test skips with
// SHEETCUT_REQUIRE_REFUSED_LINK.
class RefusedLink {
 public:
  static constexpr uid_t kThirdUser = 65533;

  // The link is named `name`; the file it names holds `content`.
  RefusedLink(const std::string& name, const std::string& content) {
    if (!user_.available()) {
      reason_ = user_.skipReason();
      return;
    }
    if (!protectLinks()) return;
    std::string pattern =
        (std::filesystem::temp_directory_path() / "sheetcut-refused-XXXXXX").string();
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    if (::mkdtemp(buf.data()) == nullptr) {
      reason_ = std::string("cannot make a folder: ") + std::strerror(errno);
      return;
    }
    root_ = buf.data();
    const std::filesystem::path sticky = root_ / "shared";
    const std::filesystem::path home = root_ / "home";
    std::filesystem::create_directory(sticky);
    std::filesystem::create_directory(home);
    file_ = (home / name).string();
    link_ = (sticky / name).string();
    std::ofstream(file_, std::ios::binary) << content;
    const bool made = ::chmod(root_.c_str(), 0755) == 0 && ::chmod(sticky.c_str(), 01777) == 0 &&
                      ::chown(home.c_str(), user_.uid(), user_.gid()) == 0 &&
                      ::chown(file_.c_str(), user_.uid(), user_.gid()) == 0 &&
                      ::chmod(file_.c_str(), 0644) == 0 &&
                      ::symlink(file_.c_str(), link_.c_str()) == 0 &&
                      ::lchown(link_.c_str(), kThirdUser, kThirdUser) == 0;
    if (!made) reason_ = std::string("cannot set up the link: ") + std::strerror(errno);
  }
  ~RefusedLink() {
    if (!root_.empty()) {
      std::error_code ec;
      std::filesystem::remove_all(root_, ec);
    }
  }
  RefusedLink(const RefusedLink&) = delete;
  RefusedLink& operator=(const RefusedLink&) = delete;

  bool available() const { return reason_.empty(); }
  const std::string& skipReason() const { return reason_; }
  // The user the link is refused to.
  const OtherUser& user() const { return user_; }
  const std::string& link() const { return link_; }
  const std::string& file() const { return file_; }
  // A folder of the user's own beside the file.
  std::string home() const { return (root_ / "home").string(); }
  std::string content() const {
    std::ifstream in(file_, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
  }

 private:
  static constexpr const char* kSetting = "/proc/sys/fs/protected_symlinks";

  bool protectLinks() {
    std::string now;
    std::ifstream(kSetting) >> now;
    if (now == "1") return true;
    if (!writeSetting("1")) {
      reason_ = std::string("cannot set fs.protected_symlinks=1: ") + std::strerror(errno);
      return false;
    }
    return true;
  }
  static bool writeSetting(const std::string& value) {
    const int fd = ::open(kSetting, O_WRONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = ::write(fd, value.data(), value.size()) == static_cast<ssize_t>(value.size());
    ::close(fd);
    return ok;
  }

  OtherUser user_;
  std::filesystem::path root_;
  std::string link_;
  std::string file_;
  std::string reason_;
};

}  // namespace sheetcut::testing

#define SHEETCUT_REQUIRE_REFUSED_LINK(link) \
  if (!(link).available()) GTEST_SKIP() << (link).skipReason()
