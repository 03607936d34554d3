// plot-bench [FORMAT]: measures the plot of one A3 frame of about 2,000 entities (a generated
// frame: border, title block with Chinese text, lines, arcs, texts and polylines) through the
// host, to PDF unless FORMAT (pdf, eps, plt, png) says otherwise. Plots it 20 times and prints
// one figure a line: entities, milliseconds per plot (mean), milliseconds of the fastest plot,
// processor milliseconds per plot (mean; steadier than the clock on a busy machine); then,
// labelled, the fixed cost of the process's first plot for its fonts: the processor
// milliseconds of a first plot of a few texts (Latin, Chinese, symbols from a fallback font)
// less those of plotting them again.

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>

#include "cadhost/cadhost.h"
#include "sheetgen/sheet_set.h"

int main(int argc, char** argv) {
  const std::map<std::string, const char*> plotters{{"pdf", "CorvantisPDF Plus.pc3"},
                                                    {"eps", "CorvantisEPS Plus.pc3"},
                                                    {"plt", "HP-GL2 Plotter.pc3"},
                                                    {"png", "PNG Raster.pc3"}};
  const std::string format = argc > 1 ? argv[1] : "pdf";
  if (argc > 2 || !plotters.count(format)) {
    std::fprintf(stderr, "usage: plot-bench [pdf|eps|plt|png]\n");
    return 2;
  }
  char pattern[] = "/tmp/plot-bench-XXXXXX";
  if (mkdtemp(pattern) == nullptr) return 1;
  const std::string dir = pattern;
  int status = 0;
  try {
    sheetgen::Options options;
    options.frames = 1;
    options.fillerPerFrame = sheetgen::fillerForTotal(2000, 1);
    const sheetgen::SheetSet sheets = sheetgen::writeSheetSetFile(dir + "/frame.dxf", options);
    auto cpuNow = [] {
      timespec t{};
      clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
      return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
    };
    auto app = cadhost::Application::create();
    double fontCost = 0;
    {
      cadhost::Document texts = app->documents().add();
      texts.modelSpace().addText("H 12 %%c25 %%d %%p", {10, 10, 0}, 5);
      texts.modelSpace().addText("图纸目录", {10, 20, 0}, 5);
      cadhost::Layout l = texts.activeLayout();
      l.setConfigName(plotters.at(format));
      l.setCanonicalMediaName("ISO_A4_(297.00_x_210.00_MM)");
      for (int i = 0; i < 2; ++i) {
        const double start = cpuNow();
        texts.plot().plotToFile(dir + "/texts." + format);
        fontCost += (i == 0 ? 1 : -1) * (cpuNow() - start);
      }
      texts.close(false);
    }
    cadhost::Document doc = app->documents().open(dir + "/frame.dxf");
    cadhost::Layout layout = doc.activeLayout();
    layout.setConfigName(plotters.at(format));
    layout.setCanonicalMediaName("ISO_A3_(420.00_x_297.00_MM)");
    const sheetgen::Rect& r = sheets.frames[0];
    layout.setWindowToPlot({r.minX, r.minY, 0}, {r.maxX, r.maxY, 0});
    layout.setPlotType(4);
    layout.setStandardScale(0);
    layout.setStyleSheet("acad.ctb");
    constexpr int kRuns = 20;
    double total = 0, fastest = 1e300, cpu = 0;
    for (int i = 0; i <= kRuns; ++i) {
      const auto start = std::chrono::steady_clock::now();
      const double cpuStart = cpuNow();
      doc.plot().plotToFile(dir + "/frame." + format);
      const double ms =
          std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
              .count();
      if (i == 0) continue;  // the first plot loads the fonts
      cpu += cpuNow() - cpuStart;
      total += ms;
      fastest = std::min(fastest, ms);
    }
    std::printf("%d\n%.2f\n%.2f\n%.2f\n", doc.modelSpace().count(), total / kRuns, fastest,
                cpu / kRuns);
    std::printf("fonts' fixed cost: %.2f ms\n", fontCost);
    app->quit();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "plot-bench: %s\n", e.what());
    status = 1;
  }
  std::filesystem::remove_all(dir);
  return status;
}
