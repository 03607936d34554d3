#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>

namespace sheetcut::testing {

// Lets go of a reader stuck opening a named pipe: after `patience` a writer opens the pipe and
// closes it again, so the reader sees an empty file. Code that should never block on a pipe
// then fails its test on the time taken instead of hanging the suite.
class PipeWatchdog {
 public:
  explicit PipeWatchdog(std::string fifo,
                        std::chrono::milliseconds patience = std::chrono::seconds(2))
      : fifo_(std::move(fifo)), thread_([this, patience] { watch(patience); }) {}
  ~PipeWatchdog() {
    done_ = true;
    thread_.join();
  }
  PipeWatchdog(const PipeWatchdog&) = delete;
  PipeWatchdog& operator=(const PipeWatchdog&) = delete;

 private:
  void watch(std::chrono::milliseconds patience) {
    const auto until = std::chrono::steady_clock::now() + patience;
    while (!done_) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      if (std::chrono::steady_clock::now() < until) continue;
      // Succeeds only while a reader has the pipe open (or is opening it).
      const int fd = ::open(fifo_.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
      if (fd >= 0) ::close(fd);
    }
  }

  std::string fifo_;
  std::atomic<bool> done_{false};
  std::thread thread_;
};

// Seconds that `call` takes.
inline double secondsTaken(const std::function<void()>& call) {
  const auto start = std::chrono::steady_clock::now();
  call();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace sheetcut::testing
