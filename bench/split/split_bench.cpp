// split-bench [--plot FORMAT] [DRAWING MASK OUTDIR] | [--scale N]: measures the split of a
// whole drawing.
//   no argument: generates an ASCII sheet set (50 frames, about 100,000 entities, about 20 MB)
//                in a temporary folder and splits it into a temporary folder;
//   --scale N:   the same with N times the frames and entities;
//   DRAWING MASK OUTDIR: splits DRAWING with the drawing-number mask MASK into OUTDIR;
//   --plot FORMAT: the split also plots each child it writes into OUTDIR (pdf, eps, plt or png),
//                at scale "zoom" on the ISO sheet that the paper search matches.
// The split runs through CAD as the program runs it: open, cluster, name, write every child,
// undo, close. Prints one figure a line: children written (the drawing files new in the output
// folder, hidden or not), seconds, peak memory (MB, the process's maximum resident set).

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>

#include "sheetgen/sheet_set.h"
#include "tarvik/cad.h"
#include "tarvik/constants.h"

namespace {

constexpr int kFrames = 50;
constexpr int kEntities = 100000;

double peakMegabytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;  // ru_maxrss is in KiB
}

// Generates the drawing in a child process, so that the generator's memory does not count in
// this process's peak.
void generate(const std::string& path, int scale) {
  const pid_t child = fork();
  if (child < 0) throw std::runtime_error("cannot start the generator process");
  if (child == 0) {
    try {
      sheetgen::Options options;
      options.frames = kFrames * scale;
      options.version = "AC1024";
      options.fillerPerFrame = sheetgen::fillerForTotal(kEntities * scale, options.frames);
      sheetgen::writeSheetSetFile(path, options);
      _exit(0);
    } catch (const std::exception& e) {
      std::fprintf(stderr, "split-bench: generating %s failed: %s\n", path.c_str(), e.what());
      _exit(1);
    }
  }
  int status = 0;
  waitpid(child, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    throw std::runtime_error("generating the drawing failed");
  }
}

// The drawing files of the folder, hidden ones too (a temporary file of a write in progress has
// another extension).
QStringList drawingFiles(const QDir& folder) {
  return folder.entryList(QStringList{"*" + tarvik::kDrawingExtension},
                          QDir::Files | QDir::Hidden | QDir::System);
}

int usage() {
  std::fprintf(stderr,
               "usage: split-bench [--plot pdf|eps|plt|png] [DRAWING MASK OUTDIR] | [--scale N]\n");
  return 2;
}

// The plot settings of `--plot FORMAT`: the plotter of that format, files into `outDir`.
bool plotSettings(const std::string& format, const std::string& outDir,
                  tarvik::PlotSettings& settings) {
  const std::map<std::string, const char*> plotters{{"pdf", "CorvantisPDF Plus.pc3"},
                                                    {"eps", "CorvantisEPS Plus.pc3"},
                                                    {"plt", "HP-GL2 Plotter.pc3"},
                                                    {"png", "PNG Raster.pc3"}};
  const auto it = plotters.find(format);
  if (it == plotters.end()) return false;
  settings.set("驱动", it->second);
  settings.set("样式", "acad.ctb");
  settings.set("输出路径", QString::fromStdString(outDir));
  settings.set("路径类型", "");
  settings.set("输出类别", QString::fromStdString(format));
  settings.set("纸张大小", "auto");
  settings.set("纸张匹配失败", "");
  settings.set("比例", "zoom");
  settings.set("绘图类别", "");
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::string plotFormat;
  if (argc >= 3 && std::string(argv[1]) == "--plot") {
    plotFormat = argv[2];
    argv[2] = argv[0];
    argv += 2;
    argc -= 2;
  }
  const bool generated = argc == 1 || argc == 3;
  if (argc != 1 && argc != 3 && argc != 4) return usage();
  if (argc == 3 && std::string(argv[1]) != "--scale") return usage();
  std::string tempDir;
  int status = 0;
  try {
    std::string drawing, mask, outDir;
    if (generated) {
      const int scale = argc == 3 ? std::stoi(argv[2]) : 1;
      if (scale < 1) return usage();
      char pattern[] = "/tmp/split-bench-XXXXXX";
      if (mkdtemp(pattern) == nullptr) throw std::runtime_error("cannot create a temporary folder");
      tempDir = pattern;
      drawing = tempDir + "/sheets.dxf";
      mask = "@*-@*-#*";
      outDir = tempDir + "/out";
      generate(drawing, scale);
      std::filesystem::create_directory(outDir);
    } else {
      drawing = argv[1];
      mask = argv[2];
      outDir = argv[3];
    }

    const QDir out(QString::fromStdString(outDir));
    const QStringList before = drawingFiles(out);
    tarvik::CAD cad;
    const auto start = std::chrono::steady_clock::now();
    if (!cad.AcadAppIsRun(false, true)) throw std::runtime_error("cannot start the drawing host");
    cad.dwgIDMask = QString::fromStdString(mask);
    cad.setChildFileSavePath(QString::fromStdString(outDir));
    if (!plotFormat.empty()) {
      tarvik::PlotSettings settings;
      if (!plotSettings(plotFormat, outDir, settings)) return usage();
      cad.SetPlotCfg(settings);
    }
    try {
      cad.SplitDwg(QString::fromStdString(drawing), true);
    } catch (const std::exception& e) {
      // Frames that could not be written: reported, and the figures still count.
      std::fprintf(stderr, "split-bench: %s\n", e.what());
      status = 1;
    }
    cad.CloseAutoCAD();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    qsizetype children = 0;
    for (const QString& name : drawingFiles(out)) {
      if (!before.contains(name)) ++children;
    }
    std::printf("%lld\n%.3f\n%.1f\n", static_cast<long long>(children), seconds, peakMegabytes());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "split-bench: %s\n", e.what());
    status = 1;
  }
  if (!tempDir.empty()) std::filesystem::remove_all(tempDir);
  return status;
}
