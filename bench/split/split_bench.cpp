// split-bench [--plot FORMAT] [--analyse TEMPLATEFOLDER [--entries N]] [DRAWING MASK OUTDIR] |
//             [--plain] [--scale N] [--frames N] [--layers N]: measures the split of a whole
//             drawing.
//   no argument: generates a realistic ASCII R2010 sheet set (50 frames, about 90,000
//                entities and 8,750 dimensions with their blocks, about 34 MB) in a temporary
//                folder and splits it into a temporary folder;
//   --plain:     the plain sheet set instead (50 frames, about 100,000 entities, about 20 MB,
//                no dimensions and no per-frame blocks);
//   --scale N:   the same with N times the frames and entities;
//   --frames N:  a plain set of N frames with 20 filler entities each;
//   --layers N:  the generated drawing also holds N layers that nothing uses, every second one
//                locked (the split makes them usable and puts them back);
//   DRAWING MASK OUTDIR: splits DRAWING with the drawing-number mask MASK into OUTDIR;
//   --plot FORMAT: the split also plots each child it writes into OUTDIR (pdf, eps, plt or png),
//                at scale "zoom" on the ISO sheet that the paper search matches;
//   --analyse TEMPLATEFOLDER: splits with analysis, TEMPLATEFOLDER as the template folder and
//                OUTDIR as the work folder (the report is OUTDIR/AnRpt.txt). A folder without
//                "db.xml" first gets the template of the generated sheets' title block;
//   --entries N: that new "db.xml" names the title block's template N times (default 1), so
//                that every frame matches N templates.
// The split runs through CAD as the program runs it: open, cluster, name, write every child,
// undo, close. Prints one figure a line: children written (the drawing files new in the output
// folder, hidden or not), seconds, peak memory (MB, the process's maximum resident set); then,
// labelled, the drawing's size, the children's total size and peak memory as a multiple of the
// drawing's size.

#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "sheetgen/sheet_set.h"
#include "tarvik/cad.h"
#include "tarvik/constants.h"

namespace {

constexpr int kFrames = 50;
constexpr int kPlainEntities = 100000;

double peakMegabytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;  // ru_maxrss is in KiB
}

// Generates the drawing in a child process, so that the generator's memory does not count in
// this process's peak.
struct Generated {
  int scale = 1;
  bool plain = false;
  int frames = 0;  // a plain set of this many frames when above 0
  int layers = 0;
};

void generate(const std::string& path, const Generated& g) {
  const pid_t child = fork();
  if (child < 0) throw std::runtime_error("cannot start the generator process");
  if (child == 0) {
    try {
      sheetgen::Options options = sheetgen::Options::realistic(kFrames * g.scale);
      if (g.frames > 0) {
        options = sheetgen::Options();
        options.frames = g.frames;
        options.version = "AC1024";
      } else if (g.plain) {
        options = sheetgen::Options();
        options.frames = kFrames * g.scale;
        options.version = "AC1024";
        options.fillerPerFrame = sheetgen::fillerForTotal(kPlainEntities * g.scale, options.frames);
      }
      options.extraLayers = g.layers;
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
               "usage: split-bench [--plot pdf|eps|plt|png] [--analyse TEMPLATEFOLDER] "
               "[--entries N] [DRAWING MASK OUTDIR] | [--plain] [--scale N] [--frames N] "
               "[--layers N]\n");
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

// A template list naming the generated title block's template `entries` times.
void writeTemplateList(const QString& list, int entries) {
  QFile file(list);
  if (!file.open(QIODevice::WriteOnly)) throw std::runtime_error("cannot write db.xml");
  const QByteArray entry =
      QStringLiteral("<mod name=\"%1\"><type>图签模板</type><ins>0,0</ins></mod>\n")
          .arg(QString::fromUtf8(sheetgen::kTitleBlockName))
          .toUtf8();
  file.write("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<mods>\n");
  for (int i = 0; i < entries; ++i) file.write(entry);
  file.write("</mods>\n");
}

// The template of the generated title block: its drawing number cell and its scale cell, in
// block units from its base point (the lower-right corner). The cells are saved while the list
// names the template once, so that saving them costs the same whatever `entries` is.
void writeTitleTemplate(tarvik::CAD& cad, const QString& folder, int entries) {
  QDir().mkpath(folder);
  const QString list = folder + QStringLiteral("/db.xml");
  if (!QFile::exists(list)) {
    writeTemplateList(list, 1);
    cad.setModPath(folder);
    const QString name = QString::fromUtf8(sheetgen::kTitleBlockName);
    cad.ReadMod(name);
    cad.newCell(QStringLiteral("图号"), 1, QString(), tarvik::Variant::point(-50, 17, 0),
                tarvik::Variant::point(0, 6, 0));
    cad.newCell(QStringLiteral("比例"), 1, QString(), tarvik::Variant::point(-130, 24, 0),
                tarvik::Variant::point(-50, 16, 0));
    cad.SaveMod(name);
    if (entries > 1) writeTemplateList(list, entries);
  }
  cad.setModPath(folder);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  std::string plotFormat, templates;
  int entries = 1;
  while (args.size() >= 2 &&
         (args[0] == "--plot" || args[0] == "--analyse" || args[0] == "--entries")) {
    if (args[0] == "--entries") {
      entries = std::atoi(args[1].c_str());
      if (entries < 1) return usage();
    } else {
      (args[0] == "--plot" ? plotFormat : templates) = args[1];
    }
    args.erase(args.begin(), args.begin() + 2);
  }
  Generated gen;
  const bool generated = args.size() != 3 || args[0].rfind("--", 0) == 0;
  if (generated) {
    for (size_t i = 0; i < args.size(); ++i) {
      if (args[i] == "--plain") {
        gen.plain = true;
      } else if (args[i] == "--scale" && i + 1 < args.size()) {
        gen.scale = std::atoi(args[++i].c_str());
        if (gen.scale < 1) return usage();
      } else if (args[i] == "--frames" && i + 1 < args.size()) {
        gen.frames = std::atoi(args[++i].c_str());
        if (gen.frames < 1) return usage();
      } else if (args[i] == "--layers" && i + 1 < args.size()) {
        gen.layers = std::atoi(args[++i].c_str());
        if (gen.layers < 0) return usage();
      } else {
        return usage();
      }
    }
  }
  std::string tempDir;
  int status = 0;
  try {
    std::string drawing, mask, outDir;
    if (generated) {
      char pattern[] = "/tmp/split-bench-XXXXXX";
      if (mkdtemp(pattern) == nullptr) throw std::runtime_error("cannot create a temporary folder");
      tempDir = pattern;
      drawing = tempDir + "/sheets.dxf";
      mask = "@*-@*-#*";
      outDir = tempDir + "/out";
      generate(drawing, gen);
      std::filesystem::create_directory(outDir);
    } else {
      drawing = args[0];
      mask = args[1];
      outDir = args[2];
    }

    const QDir out(QString::fromStdString(outDir));
    const QStringList before = drawingFiles(out);
    tarvik::CAD cad;
    const auto start = std::chrono::steady_clock::now();
    timespec cpuStart{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpuStart);
    if (!cad.AcadAppIsRun(false, true)) throw std::runtime_error("cannot start the drawing host");
    cad.dwgIDMask = QString::fromStdString(mask);
    cad.setChildFileSavePath(QString::fromStdString(outDir));
    if (!plotFormat.empty()) {
      tarvik::PlotSettings settings;
      if (!plotSettings(plotFormat, outDir, settings)) return usage();
      cad.SetPlotCfg(settings);
    }
    if (!templates.empty()) {
      writeTitleTemplate(cad, QString::fromStdString(templates), entries);
      cad.setWorkPath(QString::fromStdString(outDir));
    }
    try {
      cad.SplitDwg(QString::fromStdString(drawing), templates.empty());
    } catch (const std::exception& e) {
      // Frames that could not be written: reported, and the figures still count.
      std::fprintf(stderr, "split-bench: %s\n", e.what());
      status = 1;
    }
    cad.CloseAutoCAD();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    timespec cpuEnd{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpuEnd);
    // On a busy machine the CPU time shows what the split costs; the wall clock also counts
    // the time spent waiting for a processor.
    const double cpu = static_cast<double>(cpuEnd.tv_sec - cpuStart.tv_sec) +
                       static_cast<double>(cpuEnd.tv_nsec - cpuStart.tv_nsec) / 1e9;

    qsizetype children = 0;
    for (const QString& name : drawingFiles(out)) {
      if (!before.contains(name)) ++children;
    }
    const double peak = peakMegabytes();
    std::printf("%lld\n%.3f\n%.1f\n", static_cast<long long>(children), seconds, peak);
    double childBytes = 0;
    for (const QString& name : drawingFiles(out)) {
      if (!before.contains(name))
        childBytes += static_cast<double>(QFileInfo(out.filePath(name)).size());
    }
    const double drawingMegabytes = static_cast<double>(std::filesystem::file_size(drawing)) / 1e6;
    std::printf("cpu: %.3f s\n", cpu);
    std::printf("drawing: %.1f MB\nchildren: %.1f MB (%.2f x drawing)\npeak: %.2f x drawing\n",
                drawingMegabytes, childBytes / 1e6, childBytes / 1e6 / drawingMegabytes,
                peak * 1.048576 / drawingMegabytes);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "split-bench: %s\n", e.what());
    status = 1;
  }
  if (!tempDir.empty()) std::filesystem::remove_all(tempDir);
  return status;
}
