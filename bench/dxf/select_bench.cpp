#include "select_bench.h"

#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <vector>

#include "cadhost/cadhost.h"

namespace bench {

namespace {

struct Rect {
  cadhost::Point3 min, max;
  double area() const { return (max.x - min.x) * (max.y - min.y); }
  bool contains(const Rect& r) const {
    return r.min.x >= min.x && r.min.y >= min.y && r.max.x <= max.x && r.max.y <= max.y;
  }
};

// The frames: closed polylines that no larger closed polyline contains.
std::vector<Rect> findFrames(cadhost::Document& doc) {
  std::vector<Rect> boxes;
  for (const cadhost::Entity& e : doc.modelSpace().entities()) {
    if (e.dxfType() != "LWPOLYLINE" || !e.closed()) continue;
    Rect r;
    e.getBoundingBox(r.min, r.max);
    boxes.push_back(r);
  }
  std::sort(boxes.begin(), boxes.end(),
            [](const Rect& a, const Rect& b) { return a.area() > b.area(); });
  std::vector<Rect> frames;
  for (const Rect& r : boxes)
    if (std::none_of(frames.begin(), frames.end(), [&](const Rect& f) { return f.contains(r); }))
      frames.push_back(r);
  return frames;
}

// CPU time of this process in microseconds (on a busy machine the wall clock also counts the
// time spent waiting for a processor).
double cpuMicroseconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e6 + static_cast<double>(t.tv_nsec) / 1e3;
}

double microsecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
      .count();
}

}  // namespace

namespace {

void measure(const std::string& drawingPath) {
  auto app = cadhost::Application::create();
  cadhost::Document doc = app->documents().open(drawingPath, true);
  std::vector<Rect> frames = findFrames(doc);
  if (frames.empty()) {
    std::printf("select one frame by window: no frames found\n");
    app->quit();
    return;
  }
  cadhost::SelectionSet set = doc.selectionSets().add("SSSS");

  // The first selection builds the spatial index.
  auto start = std::chrono::steady_clock::now();
  set.select(cadhost::SelectMode::Window, &frames[0].min, &frames[0].max);
  const double firstMs = microsecondsSince(start) / 1000.0;

  constexpr int kRounds = 20;
  std::size_t selected = 0;
  start = std::chrono::steady_clock::now();
  for (int round = 0; round < kRounds; ++round) {
    for (const Rect& f : frames) {
      set.clear();
      set.select(cadhost::SelectMode::Window, &f.min, &f.max);
      selected += static_cast<std::size_t>(set.count());
    }
  }
  const double total = microsecondsSince(start);
  const double selections = static_cast<double>(kRounds) * static_cast<double>(frames.size());
  std::printf("first selection, building the index: %.1f ms\n", firstMs);
  std::printf("select one frame by window (%zu frames, %.0f entities each): %.1f microseconds\n",
              frames.size(), static_cast<double>(selected) / selections, total / selections);

  // The split as the component runs it: per frame a window selection, a child drawing written
  // by Wblock, the frame's entities erased; at the end the undo group is taken back.
  const std::string folder = std::filesystem::temp_directory_path() / "dxf-bench-split";
  std::filesystem::create_directories(folder);
  start = std::chrono::steady_clock::now();
  double wblockMicroseconds = 0, wblockCpu = 0;
  doc.startUndoMark();
  for (std::size_t i = 0; i < frames.size(); ++i) {
    set.clear();
    set.select(cadhost::SelectMode::Window, &frames[i].min, &frames[i].max);
    const auto wblockStart = std::chrono::steady_clock::now();
    const double cpuStart = cpuMicroseconds();
    doc.wblock(folder + "/frame-" + std::to_string(i) + ".dxf", set);
    wblockMicroseconds += microsecondsSince(wblockStart);
    wblockCpu += cpuMicroseconds() - cpuStart;
    set.erase();
  }
  doc.endUndoMark();
  doc.sendCommand("(command \"U\" )\r");
  std::printf("split into %zu child drawings by Wblock, with undo: %.3f s\n", frames.size(),
              microsecondsSince(start) / 1e6);
  std::printf("Wblock of one frame: %.2f ms, %.2f ms of CPU time (mean of %zu)\n",
              wblockMicroseconds / 1000.0 / static_cast<double>(frames.size()),
              wblockCpu / 1000.0 / static_cast<double>(frames.size()), frames.size());
  std::filesystem::remove_all(folder);
  app->quit();
}

}  // namespace

void printWindowSelectionFigures(const std::string& drawingPath) {
  std::fflush(stdout);
  pid_t child = fork();
  if (child < 0) {
    std::printf("select one frame by window: cannot start the measuring process\n");
    return;
  }
  if (child == 0) {
    int code = 0;
    try {
      measure(drawingPath);
    } catch (const std::exception& e) {
      std::printf("select one frame by window: failed: %s\n", e.what());
      code = 1;
    }
    std::fflush(stdout);
    _exit(code);
  }
  int status = 0;
  waitpid(child, &status, 0);
}

}  // namespace bench
