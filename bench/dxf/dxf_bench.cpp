// dxf-bench [--plain] [--frames N] | [DRAWING [COPY]]: measures DXF loading and writing.
//   no argument: generates a realistic ASCII R2010 sheet set (50 frames, about 90,000
//                entities and 8,750 dimensions with their blocks, about 34 MB) in a temporary
//                folder, loads it and writes a copy there;
//   --plain:     the plain sheet set instead (about 100,000 entities, no dimensions);
//   --frames N:  N frames of the same content instead of 50;
//   DRAWING:     loads that file;
//   COPY:        also writes the loaded drawing there.
// Prints one figure a line: load MB/s, write MB/s, peak memory (MB, the process's maximum
// resident set).

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <string>
#include <vector>

#include "dxf/dxf_io.h"
#include "select_bench.h"
#include "sheetgen/sheet_set.h"

namespace {

constexpr int kFrames = 50;
constexpr int kPlainEntities = 100000;

double seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// CPU time of this process: on a busy machine it shows what the work costs, where the wall
// clock also counts the time spent waiting for a processor.
double cpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
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
void generate(const std::string& path, int frames, bool plain) {
  pid_t child = fork();
  if (child < 0) throw std::runtime_error("cannot start the generator process");
  if (child == 0) {
    try {
      sheetgen::Options options = sheetgen::Options::realistic(frames);
      if (plain) {
        options = sheetgen::Options();
        options.frames = frames;
        options.version = "AC1024";
        // As many entities per frame as the 50-frame plain set.
        options.fillerPerFrame = sheetgen::fillerForTotal(kPlainEntities, kFrames);
      }
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

int usage() {
  std::fprintf(stderr, "usage: dxf-bench [--plain] [--frames N] | [DRAWING [COPY]]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  bool plain = false;
  int frames = kFrames;
  bool generated = args.empty() || args[0].rfind("--", 0) == 0;
  if (generated) {
    for (size_t i = 0; i < args.size(); ++i) {
      if (args[i] == "--plain") {
        plain = true;
      } else if (args[i] == "--frames" && i + 1 < args.size()) {
        frames = std::atoi(args[++i].c_str());
        if (frames < 1) return usage();
      } else {
        return usage();
      }
    }
  } else if (args.size() > 2) {
    return usage();
  }
  std::string tempDir;
  try {
    std::string drawingPath, copyPath;
    if (generated) {
      char pattern[] = "/tmp/dxf-bench-XXXXXX";
      if (!mkdtemp(pattern)) throw std::runtime_error("cannot create a temporary folder");
      tempDir = pattern;
      drawingPath = tempDir + "/sheets.dxf";
      copyPath = tempDir + "/copy.dxf";
      generate(drawingPath, frames, plain);
    } else {
      drawingPath = args[0];
      if (args.size() == 2) copyPath = args[1];
    }

    const double megabytes = fileMegabytes(drawingPath);
    auto start = std::chrono::steady_clock::now();
    const double cpuStart = cpuSeconds();
    cadhost::model::Drawing drawing = cadhost::dxf::readDxfFile(drawingPath);
    const double loadSeconds = seconds(start);
    const double loadCpu = cpuSeconds() - cpuStart;
    std::printf("file: %.1f MB, %zu entities\n", megabytes, drawing.entities.size());
    std::printf("load: %.1f MB/s (%.1f MB/s of CPU time)\n", megabytes / loadSeconds,
                megabytes / loadCpu);

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
