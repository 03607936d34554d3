#include "ghostscript.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

extern char** environ;

namespace tarvik {

namespace {

constexpr std::size_t kTailBytes = 600;

}  // namespace

ProgramResult runGhostscript(const QStringList& arguments) {
  std::vector<std::string> args{"gs", "-q", "-dSAFER", "-dBATCH", "-dNOPAUSE"};
  for (const QString& a : arguments) args.push_back(a.toStdString());
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  ProgramResult result;
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) {
    result.errorTail = QStringLiteral("Ghostscript cannot be started: no pipe");
    return result;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
  posix_spawn_file_actions_adddup2(&actions, fds[1], 2);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  pid_t pid = 0;
  const int rc = posix_spawnp(&pid, "gs", &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(fds[1]);
  std::string output;
  char buf[4096];
  for (;;) {
    const ssize_t n = read(fds[0], buf, sizeof buf);
    if (n > 0) {
      output.append(buf, static_cast<std::size_t>(n));
      if (output.size() > 4 * kTailBytes) output.erase(0, output.size() - kTailBytes);
    } else if (n == 0 || errno != EINTR) {
      break;
    }
  }
  close(fds[0]);
  if (rc != 0) {
    result.errorTail = QStringLiteral("Ghostscript (gs) cannot be started: ") +
                       QString::fromLocal8Bit(strerror(rc));
    return result;
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  result.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  if (output.size() > kTailBytes) output.erase(0, output.size() - kTailBytes);
  result.errorTail = QString::fromUtf8(output).trimmed();
  if (!result.ok && result.errorTail.isEmpty())
    result.errorTail = QStringLiteral("Ghostscript failed with status %1").arg(status);
  return result;
}

}  // namespace tarvik
