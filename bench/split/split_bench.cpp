// split-bench [--analyse TEMPLATEFOLDER] [DRAWING MASK OUTDIR] | [--scale N]: measures the
// split of a whole drawing.
//   no argument: generates an ASCII sheet set (50 frames, about 100,000 entities, about 20 MB)
//                in a temporary folder and splits it into a temporary folder;
//   --scale N:   the same with N times the frames and entities;
//   DRAWING MASK OUTDIR: splits DRAWING with the drawing-number mask MASK into OUTDIR;
//   --analyse TEMPLATEFOLDER: splits with analysis, TEMPLATEFOLDER as the template folder and
//                OUTDIR as the work folder (the report is OUTDIR/AnRpt.txt). A folder without
//                "db.xml" first gets the template of the generated sheets' title block.
// The split runs through CAD as the program runs it: open, cluster, name, write every child,
// undo, close. Prints one figure a line: children written, seconds, peak memory (MB, the
// process's maximum resident set).

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "sheetgen/sheet_set.h"
#include "tarvik/cad.h"

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

int usage() {
  std::fprintf(
      stderr,
      "usage: split-bench [--analyse TEMPLATEFOLDER] [DRAWING MASK OUTDIR] | [--scale N]\n");
  return 2;
}

// The template of the generated title block: its drawing number cell and its scale cell, in
// block units from its base point (the lower-right corner).
void writeTitleTemplate(tarvik::CAD& cad, const QString& folder) {
  QDir().mkpath(folder);
  const QString list = folder + QStringLiteral("/db.xml");
  if (!QFile::exists(list)) {
    QFile file(list);
    if (!file.open(QIODevice::WriteOnly)) throw std::runtime_error("cannot write db.xml");
    file.write(QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<mods><mod name=\"%1\">"
                              "<type>图签模板</type><ins>0,0</ins></mod></mods>\n")
                   .arg(QString::fromUtf8(sheetgen::kTitleBlockName))
                   .toUtf8());
    file.close();
    cad.setModPath(folder);
    const QString name = QString::fromUtf8(sheetgen::kTitleBlockName);
    cad.ReadMod(name);
    cad.newCell(QStringLiteral("图号"), 1, QString(), tarvik::Variant::point(-50, 17, 0),
                tarvik::Variant::point(0, 6, 0));
    cad.newCell(QStringLiteral("比例"), 1, QString(), tarvik::Variant::point(-130, 24, 0),
                tarvik::Variant::point(-50, 16, 0));
    cad.SaveMod(name);
  }
  cad.setModPath(folder);
}

}  // namespace

int main(int argc, char** argv) {
  std::string templates;
  if (argc >= 3 && std::string(argv[1]) == "--analyse") {
    templates = argv[2];
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
    // Drawings only: the analysis report lands in the same folder.
    const QStringList drawings{QStringLiteral("*.dxf")};
    const auto before = out.entryList(drawings, QDir::Files).size();
    tarvik::CAD cad;
    const auto start = std::chrono::steady_clock::now();
    if (!cad.AcadAppIsRun(false, true)) throw std::runtime_error("cannot start the drawing host");
    cad.dwgIDMask = QString::fromStdString(mask);
    cad.setChildFileSavePath(QString::fromStdString(outDir));
    if (!templates.empty()) {
      writeTitleTemplate(cad, QString::fromStdString(templates));
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

    const auto children = out.entryList(drawings, QDir::Files).size() - before;
    std::printf("%lld\n%.3f\n%.1f\n", static_cast<long long>(children), seconds, peakMegabytes());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "split-bench: %s\n", e.what());
    status = 1;
  }
  if (!tempDir.empty()) std::filesystem::remove_all(tempDir);
  return status;
}
