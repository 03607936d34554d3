#include "print_queue_server.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include "plot_files.h"

extern char** environ;

namespace plottest {

namespace {

namespace fs = std::filesystem;

constexpr const char* kScheduler = "/usr/sbin/cupsd";
constexpr const char* kPdfBackend = "/usr/lib/cups/backend/cups-pdf";
constexpr const char* kPdfPrinterModel = "/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd";
// The PDF printer reads the configuration of queue NAME from this folder's cups-pdf-NAME.conf.
constexpr const char* kPdfPrinterConfigFolder = "/etc/cups";

bool writeFile(const std::string& path, const std::string& text) {
  std::ofstream out(path);
  out << text;
  return static_cast<bool>(out);
}

std::string readFile(const std::string& path) {
  std::ifstream in(path);
  return std::string((std::istreambuf_iterator<char>(in)), {});
}

bool answers(const std::string& socketPath) {
  const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::strncpy(addr.sun_path, socketPath.c_str(), sizeof addr.sun_path - 1);
  const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
  close(fd);
  return ok;
}

}  // namespace

PrintQueueServer::~PrintQueueServer() {
  stop();
  std::error_code ignored;
  if (!printerConfig_.empty()) fs::remove(printerConfig_, ignored);
  if (!dir_.empty()) fs::remove_all(dir_, ignored);
}

std::string PrintQueueServer::start() {
  if (geteuid() != 0) return "the PDF printer (cups-pdf) runs only as root";
  for (const char* file : {kScheduler, kPdfBackend, kPdfPrinterModel})
    if (!fs::exists(file))
      return std::string(file) +
             " is missing: install the Debian packages cups and "
             "printer-driver-cups-pdf";
  if (run({"sh", "-c", "command -v lp"}).status != 0) return "lp is missing: install cups-client";

  char pattern[] = "/tmp/sheetcut-cups-XXXXXX";
  if (mkdtemp(pattern) == nullptr) return "cannot create a temporary folder";
  dir_ = pattern;
  fs::permissions(dir_, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                            fs::perms::others_read | fs::perms::others_exec);
  queue_ = "sheetcut-pdf-" + std::to_string(getpid());
  for (const char* sub : {"conf/ppd", "spool/tmp", "cache", "state", "log", "printed", "pdfspool"})
    fs::create_directories(dir_ + "/" + sub);
  const std::string socketPath = dir_ + "/cups.sock";

  bool written = writeFile(dir_ + "/conf/cupsd.conf", "Listen " + socketPath +
                                                          "\n"
                                                          "LogLevel info\n"
                                                          "Browsing Off\n"
                                                          "DefaultAuthType None\n"
                                                          "<Location />\n"
                                                          "  Order allow,deny\n"
                                                          "  Allow all\n"
                                                          "</Location>\n");
  written = written &&
            writeFile(dir_ + "/conf/cups-files.conf",
                      "ServerRoot " + dir_ + "/conf\nRequestRoot " + dir_ + "/spool\nTempDir " +
                          dir_ + "/spool/tmp\nCacheDir " + dir_ + "/cache\nStateDir " + dir_ +
                          "/state\nErrorLog " + dir_ + "/log/error_log\nAccessLog " + dir_ +
                          "/log/access_log\nPageLog " + dir_ + "/log/page_log\n");
  written =
      written && writeFile(dir_ + "/conf/printers.conf",
                           "<DefaultPrinter " + queue_ + ">\nDeviceURI cups-pdf:/" + queue_ +
                               "\nState Idle\nAccepting Yes\nShared No\n" + "</DefaultPrinter>\n");
  std::error_code ec;
  fs::copy_file(kPdfPrinterModel, dir_ + "/conf/ppd/" + queue_ + ".ppd", ec);
  printerConfig_ = std::string(kPdfPrinterConfigFolder) + "/cups-pdf-" + queue_ + ".conf";
  written = written && !ec &&
            writeFile(printerConfig_, "Out " + outputFolder() + "\nAnonDirName " + outputFolder() +
                                          "\nSpool " + dir_ + "/pdfspool\nLog " + dir_ +
                                          "/log\nLogType 3\n");
  if (!written) return "cannot write the configuration of the test's CUPS scheduler";

  const std::string out = dir_ + "/log/cupsd.out";
  std::vector<std::string> args{
      kScheduler, "-f", "-c", dir_ + "/conf/cupsd.conf", "-s", dir_ + "/conf/cups-files.conf"};
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, kScheduler, &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return "cannot start " + std::string(kScheduler);
  pid_ = pid;
  for (int i = 0; i < 100; ++i) {
    if (answers(socketPath)) {
      setenv("CUPS_SERVER", socketPath.c_str(), 1);
      return {};
    }
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = 0;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  const std::string why = "the test's CUPS scheduler did not come up: " + log();
  stop();
  return why;
}

void PrintQueueServer::stop() {
  if (pid_ == 0) return;
  kill(pid_, SIGTERM);
  for (int i = 0; i < 50 && waitpid(pid_, nullptr, WNOHANG) == 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  if (waitpid(pid_, nullptr, WNOHANG) == 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  pid_ = 0;
}

std::string PrintQueueServer::waitForPrintedPdf(int seconds) const {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (std::chrono::steady_clock::now() < end) {
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(outputFolder(), ec)) {
      // The printer writes the file while it converts the job: it is done once it reads whole.
      if (entry.path().extension() == ".pdf" && pdfInfo(entry.path().string()).pages > 0)
        return entry.path().string();
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
  return {};
}

std::string PrintQueueServer::log() const {
  std::ostringstream text;
  text << readFile(dir_ + "/log/cupsd.out") << readFile(dir_ + "/log/error_log")
       << readFile(dir_ + "/log/cups-pdf-" + queue_ + "_log");
  return text.str();
}

}  // namespace plottest
