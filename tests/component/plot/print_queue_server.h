#pragma once

// A CUPS scheduler of the test's own with one PDF printer (cups-pdf) as its default queue: its
// configuration, spool, state and socket in a fresh temporary folder, and no network port, so
// that test programs running side by side never meet. CUPS_SERVER points at it while it runs.
// It needs root (cups-pdf runs only as root) and the Debian packages cups and
// printer-driver-cups-pdf.

#include <string>

namespace plottest {

class PrintQueueServer {
 public:
  PrintQueueServer() = default;
  PrintQueueServer(const PrintQueueServer&) = delete;
  PrintQueueServer& operator=(const PrintQueueServer&) = delete;
  ~PrintQueueServer();

  // Starts the scheduler; "" once it answers, else why it cannot run here.
  std::string start();

  const std::string& queue() const { return queue_; }
  // Where the PDF printer writes the jobs it prints.
  std::string outputFolder() const { return dir_ + "/printed"; }
  // The first job the PDF printer finished writing, waiting for it up to `seconds`; "" when
  // none came (see log()).
  std::string waitForPrintedPdf(int seconds) const;
  // The scheduler's and the PDF printer's logs.
  std::string log() const;

 private:
  void stop();

  std::string dir_;
  std::string queue_;
  std::string printerConfig_;  // the PDF printer's configuration file for this queue
  int pid_ = 0;
};

}  // namespace plottest
