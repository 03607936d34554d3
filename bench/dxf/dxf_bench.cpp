// dxf-bench [DRAWING [COPY]]: measures DXF loading and writing.
//   no argument: generates an ASCII R2010 sheet set (50 frames, about 100,000 entities) in a
//                temporary folder, loads it and writes a copy there;
//   DRAWING:     loads that file;
//   COPY:        also writes the loaded drawing there.
// Prints one figure a line: load MB/s, write MB/s, peak memory (MB, the process's maximum
// resident set).

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <string>

#include "dxf/dxf_io.h"
#include "select_bench.h"
#include "sheetgen/sheet_set.h"

namespace {

constexpr int kFrames = 50;
constexpr int kEntities = 100000;

double seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

double fileMegabytes(const std::string& path) {
  return static_cast<double>(std::filesystem::file_size(path)) / 1e6;
}

double peakMegabytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;  // ru_maxrss is in KiB
}

// Generates the drawing in a child process, so that the generator's memory does not count
// in this process's peak.
void generate(const std::string& path) {
  pid_t child = fork();
  if (child < 0) throw std::runtime_error("cannot start the generator process");
  if (child == 0) {
    try {
      sheetgen::Options options;
      options.frames = kFrames;
      options.version = "AC1024";
      options.fillerPerFrame = sheetgen::fillerForTotal(kEntities, kFrames);
      sheetgen::writeSheetSetFile(path, options);
      _exit(0);
    } catch (const std::exception& e) {
      std::fprintf(stderr, "dxf-bench: generating %s failed: %s\n", path.c_str(), e.what());
      _exit(1);
    }
  }
  int status = 0;
  waitpid(child, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
    throw std::runtime_error("generating the drawing failed");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 3) {
    std::fprintf(stderr, "usage: dxf-bench [DRAWING [COPY]]\n");
    return 2;
  }
  std::string tempDir;
  try {
    std::string drawingPath, copyPath;
    if (argc == 1) {
      char pattern[] = "/tmp/dxf-bench-XXXXXX";
      if (!mkdtemp(pattern)) throw std::runtime_error("cannot create a temporary folder");
      tempDir = pattern;
      drawingPath = tempDir + "/sheets.dxf";
      copyPath = tempDir + "/copy.dxf";
      generate(drawingPath);
    } else {
      drawingPath = argv[1];
      if (argc == 3) copyPath = argv[2];
    }

    const double megabytes = fileMegabytes(drawingPath);
    auto start = std::chrono::steady_clock::now();
    cadhost::model::Drawing drawing = cadhost::dxf::readDxfFile(drawingPath);
    const double loadSeconds = seconds(start);
    std::printf("file: %.1f MB, %zu entities\n", megabytes, drawing.entities.size());
    std::printf("load: %.1f MB/s\n", megabytes / loadSeconds);

    if (!copyPath.empty()) {
      start = std::chrono::steady_clock::now();
      cadhost::dxf::writeDxfFile(drawing, copyPath);
      const double writeSeconds = seconds(start);
      std::printf("write: %.1f MB/s\n", fileMegabytes(copyPath) / writeSeconds);
    }

    // Further figures on the loaded drawing go here.

    // Window selection through the object model (in a child process: its own copy of the
    // drawing does not count in this process's peak memory).
    bench::printWindowSelectionFigures(drawingPath);

    const double peak = peakMegabytes();
    std::printf("peak memory: %.1f MB (%.2f x file size)\n", peak, peak / megabytes);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "dxf-bench: %s\n", e.what());
    if (!tempDir.empty()) std::filesystem::remove_all(tempDir);
    return 1;
  }
  if (!tempDir.empty()) std::filesystem::remove_all(tempDir);
  return 0;
}
