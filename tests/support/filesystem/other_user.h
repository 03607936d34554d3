#pragma once

#include <grp.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <exception>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace sheetcut::testing {

// Runs code as another user: a forked child gives up root, becomes the user and group (65534,
// nobody and nogroup, unless told otherwise) with the supplementary groups given (none unless
// told), runs a function and hands its text back to the test. Switching needs root; where the test
// does not run as root, or the system refuses the switch, available() is false and skipReason()
// says why, and the test skips with SHEETCUT_REQUIRE_OTHER_USER.
class OtherUser {
 public:
  explicit OtherUser(uid_t uid = 65534, gid_t gid = 65534, std::vector<gid_t> groups = {})
      : uid_(uid), gid_(gid), groups_(std::move(groups)) {
    const std::string who = "uid " + std::to_string(uid) + " and gid " + std::to_string(gid);
    if (::geteuid() != 0) {
      reason_ = "needs root to run code as " + who;
      return;
    }
    const std::string probe = run([] { return std::string("switched"); });
    if (probe != "switched") reason_ = "cannot run code as " + who + ": " + probe;
  }

  bool available() const { return reason_.empty(); }
  const std::string& skipReason() const { return reason_; }
  uid_t uid() const { return uid_; }
  gid_t gid() const { return gid_; }

  // What `body` answers when run as the user, or a text in angle brackets saying why the child
  // gave no answer (it could not switch, threw or died).
  std::string run(const std::function<std::string()>& body) const {
    int fds[2];
    if (::pipe(fds) != 0) return std::string("<no pipe: ") + std::strerror(errno) + ">";
    const pid_t pid = ::fork();
    if (pid < 0) {
      ::close(fds[0]);
      ::close(fds[1]);
      return std::string("<no child: ") + std::strerror(errno) + ">";
    }
    if (pid == 0) {
      ::close(fds[0]);
      std::string answer;
      if (::setgroups(groups_.size(), groups_.data()) != 0 || ::setresgid(gid_, gid_, gid_) != 0 ||
          ::setresuid(uid_, uid_, uid_) != 0) {
        answer = std::string("<cannot switch: ") + std::strerror(errno) + ">";
      } else {
        try {
          answer = body();
        } catch (const std::exception& e) {
          answer = std::string("<threw: ") + e.what() + ">";
        } catch (...) {
          answer = "<threw>";
        }
      }
      const char* p = answer.data();
      size_t left = answer.size();
      while (left > 0) {
        const ssize_t n = ::write(fds[1], p, left);
        if (n <= 0) break;
        p += n;
        left -= static_cast<size_t>(n);
      }
      ::_exit(0);  // no test teardown in the child
    }
    ::close(fds[1]);
    std::string answer;
    char buf[4096];
    for (;;) {
      const ssize_t n = ::read(fds[0], buf, sizeof buf);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      answer.append(buf, static_cast<size_t>(n));
    }
    ::close(fds[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return "<the child died>";
    return answer;
  }

 private:
  uid_t uid_;
  gid_t gid_;
  std::vector<gid_t> groups_;
  std::string reason_;
};

}  // namespace sheetcut::testing

#define SHEETCUT_REQUIRE_OTHER_USER(user) \
  if (!(user).available()) GTEST_SKIP() << (user).skipReason()
