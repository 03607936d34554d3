#include "ftp_test_servers.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <chrono>
#include <functional>
#include <thread>

extern char** environ;

namespace {

constexpr const char* kVsftpdUser = "sheetcutftp";
constexpr const char* kVsftpdPassword = "Sc-ftp-Test1";

FtpTestServers servers;

int freeLoopbackPort() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof addr;
  int port = 0;
  if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
      getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) == 0) {
    port = ntohs(addr.sin_port);
  }
  close(fd);
  return port;
}

// True once a server on the port answers with its "220" greeting.
bool greets(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<uint16_t>(port));
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  timeval timeout{2, 0};
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
  char reply[4] = {};
  const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
                  recv(fd, reply, 3, MSG_WAITALL) == 3 && QByteArray(reply) == "220";
  close(fd);
  return ok;
}

// Starts a program (found on PATH), its output to a file when one is named; 0 on failure.
pid_t spawn(const QStringList& argv, const QString& outputFile = {}) {
  std::vector<QByteArray> bytes;
  std::vector<char*> args;
  for (const QString& a : argv) bytes.push_back(a.toLocal8Bit());
  for (QByteArray& b : bytes) args.push_back(b.data());
  args.push_back(nullptr);
  const QByteArray out = outputFile.toLocal8Bit();
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (!out.isEmpty()) {
    posix_spawn_file_actions_addopen(&actions, 1, out.constData(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
  }
  pid_t pid = 0;
  if (posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ) != 0) pid = 0;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

// Runs a program to its end; its exit status (-1 when it could not start).
int run(const QStringList& argv) {
  const pid_t pid = spawn(argv);
  int status = 0;
  if (pid == 0 || waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A server process started by the fixture, output to a log file; stopped on destruction.
class ServerProcess {
 public:
  ~ServerProcess() { stop(); }

  bool start(const QStringList& argv, const QString& outputFile) {
    pid_ = spawn(argv, outputFile);
    return pid_ != 0;
  }

  bool running() {
    if (pid_ == 0) return false;
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) pid_ = 0;
    return pid_ != 0;
  }

  void stop() {
    if (!running()) return;
    kill(pid_, SIGTERM);
    for (int i = 0; i < 50 && waitpid(pid_, nullptr, WNOHANG) == 0; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    if (waitpid(pid_, nullptr, WNOHANG) == 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    pid_ = 0;
  }

 private:
  pid_t pid_ = 0;
};

// Starts a server on a fresh port until it greets, a few ports at most; "" on success, else
// what went wrong with the server's own output.
QString startOnFreePort(ServerProcess& process, int& port,
                        const std::function<QStringList(int)>& argvForPort,
                        const QString& outputFile) {
  QString why;
  for (int attempt = 0; attempt < 3; ++attempt) {
    port = freeLoopbackPort();
    const QStringList argv = argvForPort(port);
    if (!process.start(argv, outputFile)) return "cannot start " + argv.front();
    for (int i = 0; i < 100 && process.running(); ++i) {
      if (greets(port)) return {};
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    process.stop();
    QFile out(outputFile);
    out.open(QIODevice::ReadOnly);
    why = argv.join(' ') + " did not come up on 127.0.0.1:" + QString::number(port) + ": " +
          QString::fromLocal8Bit(out.readAll());
  }
  return why;
}

class ServersEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    // The server's user walks into its root below this folder.
    chmod(QFile::encodeName(dir_.path()).constData(), 0755);
    servers.scratch = dir_.filePath("local");
    QDir().mkpath(servers.scratch);

    ASSERT_EQ(geteuid(), 0u) << "the FTP tests start vsftpd, which must run as root to log "
                                "in a local user; run them as root";
    ASSERT_TRUE(QFileInfo::exists("/usr/sbin/vsftpd"))
        << "vsftpd is missing: install the Debian package vsftpd";
    ASSERT_TRUE(QFileInfo::exists("/usr/bin/python3"))
        << "/usr/bin/python3 is missing: install python3-pyftpdlib";
    ASSERT_NO_FATAL_FAILURE(ensureUser());
    ASSERT_NO_FATAL_FAILURE(startVsftpd());
    ASSERT_NO_FATAL_FAILURE(startPyftpd());
  }

  void TearDown() override {
    vsftpd_.stop();
    pyftpd_.stop();
    // Qt cannot remove names that are not UTF-8 (the GBK names the tests upload).
    run({"rm", "-rf", "--", dir_.path()});
  }

 private:
  // Creates the user when missing and sets its password. Another run may hold the lock on
  // the user files at the same moment, so each step is tried a few times.
  static void ensureUser() {
    const auto tried = [](const std::function<bool()>& step) {
      for (int attempt = 0; attempt < 10; ++attempt) {
        if (step()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
      }
      return false;
    };
    ASSERT_TRUE(tried([] {
      return getpwnam(kVsftpdUser) != nullptr || run({"useradd", "--no-create-home", "--home-dir",
                                                      "/", "--shell", "/bin/sh", kVsftpdUser}) == 0;
    })) << "cannot create the FTP test user "
        << kVsftpdUser << " (useradd failed)";
    ASSERT_TRUE(tried([] {
      return run({"sh", "-c",
                  QStringLiteral("echo '%1:%2' | chpasswd").arg(kVsftpdUser, kVsftpdPassword)}) ==
             0;
    })) << "cannot set the password of the FTP test user "
        << kVsftpdUser;
  }

  void startVsftpd() {
    const passwd* pw = getpwnam(kVsftpdUser);
    servers.vsftpdUser = kVsftpdUser;
    servers.vsftpdPassword = kVsftpdPassword;
    servers.vsftpdRoot = dir_.filePath("vsftpd-root");
    servers.vsftpdLogFile = dir_.filePath("vsftpd.log");
    const QString empty = dir_.filePath("vsftpd-empty");
    QDir().mkpath(servers.vsftpdRoot);
    QDir().mkpath(empty);
    ASSERT_EQ(chown(QFile::encodeName(servers.vsftpdRoot).constData(), pw->pw_uid, pw->pw_gid), 0);
    const QString config = dir_.filePath("vsftpd.conf");
    const QString output = dir_.filePath("vsftpd.out");
    const QString error = startOnFreePort(
        vsftpd_, servers.vsftpdPort,
        [&](int port) {
          QFile file(config);
          file.open(QIODevice::WriteOnly | QIODevice::Truncate);
          file.write(QStringLiteral("listen=YES\nlisten_ipv6=NO\nlisten_address=127.0.0.1\n"
                                    "listen_port=%1\nbackground=NO\nanonymous_enable=NO\n"
                                    "local_enable=YES\nwrite_enable=YES\nlocal_umask=022\n"
                                    "local_root=%2\npasv_enable=YES\npasv_address=127.0.0.1\n"
                                    "port_enable=YES\nconnect_from_port_20=NO\n"
                                    "ascii_download_enable=YES\nascii_upload_enable=YES\n"
                                    "seccomp_sandbox=NO\nisolate=NO\nisolate_network=NO\n"
                                    "secure_chroot_dir=%3\npam_service_name=vsftpd\n"
                                    "xferlog_enable=YES\nvsftpd_log_file=%4\n"
                                    "dual_log_enable=YES\nlog_ftp_protocol=YES\n"
                                    "idle_session_timeout=120\ndata_connection_timeout=60\n")
                         .arg(port)
                         .arg(servers.vsftpdRoot, empty, servers.vsftpdLogFile)
                         .toUtf8());
          file.close();
          return QStringList{"/usr/sbin/vsftpd", config};
        },
        output);
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();
  }

  void startPyftpd() {
    servers.pyftpdUser = "u1";
    servers.pyftpdPassword = "p1";
    servers.pyftpdRoot = dir_.filePath("pyftpd-root");
    QDir().mkpath(servers.pyftpdRoot);
    const QString error = startOnFreePort(
        pyftpd_, servers.pyftpdPort,
        [&](int port) {
          return QStringList{"/usr/bin/python3",
                             "-m",
                             "pyftpdlib",
                             "-i",
                             "127.0.0.1",
                             "-p",
                             QString::number(port),
                             "-w",
                             "-u",
                             servers.pyftpdUser,
                             "-P",
                             servers.pyftpdPassword,
                             "-d",
                             servers.pyftpdRoot};
        },
        dir_.filePath("pyftpd.out"));
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();
  }

  QTemporaryDir dir_{QDir::temp().filePath("sheetcut-ftp-XXXXXX")};
  ServerProcess vsftpd_;
  ServerProcess pyftpd_;
};

[[maybe_unused]] ::testing::Environment* const environment =
    ::testing::AddGlobalTestEnvironment(new ServersEnvironment);

}  // namespace

struct ScriptedFtpServer::Process : ServerProcess {};

ScriptedFtpServer::ScriptedFtpServer(const QByteArray& jsonScript)
    : process_(std::make_unique<Process>()) {
  static int count = 0;
  const QString script = servers.scratch + QStringLiteral("/../script-%1.json").arg(++count);
  writeBytes(script, jsonScript);
  why_ = startOnFreePort(
      *process_, port_,
      [&](int port) {
        return QStringList{"/usr/bin/python3",
                           SHEETCUT_SOURCE_DIR "/tests/utility/ftp/scripted_ftp_server.py",
                           QString::number(port), script};
      },
      script + ".out");
  if (!why_.isEmpty()) port_ = 0;
}

ScriptedFtpServer::~ScriptedFtpServer() = default;

const FtpTestServers& FtpTestServers::get() {
  return servers;
}

QString FtpTestServers::vsftpdLog() {
  return QString::fromUtf8(readBytes(servers.vsftpdLogFile));
}

QByteArray readBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeBytes(const QString& path, const QByteArray& bytes) {
  QDir().mkpath(QFileInfo(path).path());
  QFile file(path);
  file.open(QIODevice::WriteOnly | QIODevice::Truncate);
  file.write(bytes);
}
