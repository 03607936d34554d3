// split-process DRAWING MASK OUTDIR GOFILE: one split in a process of its own, for the tests of
// splits side by side. Starts the drawing host, waits until GOFILE exists (so that several
// processes begin their splits together), splits DRAWING into OUTDIR with the drawing-number
// mask MASK, and exits with 0; on a failure it prints the error and exits with 1.

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <thread>

#include "tarvik/cad.h"

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: split-process DRAWING MASK OUTDIR GOFILE\n");
    return 2;
  }
  int status = 0;
  try {
    tarvik::CAD cad;
    if (!cad.AcadAppIsRun(false, true)) throw std::runtime_error("cannot start the drawing host");
    cad.dwgIDMask = QString::fromLocal8Bit(argv[2]);
    cad.setChildFileSavePath(QString::fromLocal8Bit(argv[3]));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(2);
    while (!std::filesystem::exists(argv[4])) {
      if (std::chrono::steady_clock::now() > deadline) throw std::runtime_error("no go");
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    try {
      cad.SplitDwg(QString::fromLocal8Bit(argv[1]), true);
    } catch (const std::exception& e) {
      std::fprintf(stderr, "split-process: %s\n", e.what());
      status = 1;
    }
    cad.CloseAutoCAD();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "split-process: %s\n", e.what());
    status = 1;
  }
  return status;
}
