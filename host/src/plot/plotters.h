#pragma once

// Plotter configurations and plot-style tables, known by name. Built in: a PDF plotter, an EPS
// plotter, a plain HP-GL/2 plotter and a PNG raster plotter, each with the ISO A4 to A0 sheets
// and an oversize sheet for each of them, in both orientations; the PDF plotter also takes a
// sheet of any size named "W×Hmm". More plotters can be listed in the file "plotters.txt" of a
// folder, and every print queue of the CUPS server is a plotter of its own name.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cadhost::plot {

enum class OutputKind { Pdf, Eps, Png, Hpgl };

struct Media {
  std::string canonicalName;     // "ISO_A3_(420.00_x_297.00_MM)"
  double width = 0, height = 0;  // millimetres, as the sheet lies
};

struct PlotterConfig {
  std::string name;  // "CorvantisPDF Plus.pc3"
  OutputKind kind = OutputKind::Pdf;
  std::vector<Media> media;  // in the plotter's own order
  bool anySize = false;      // also takes a sheet named "W×Hmm" of any size
  std::string queue;         // the print queue of device plots; "" for the default queue
};

inline constexpr const char* kPdfPlotter = "CorvantisPDF Plus.pc3";
inline constexpr const char* kEpsPlotter = "CorvantisEPS Plus.pc3";
inline constexpr const char* kHpglPlotter = "HP-GL2 Plotter.pc3";
inline constexpr const char* kPngPlotter = "PNG Raster.pc3";

// The sheets of every plotter, smallest first, each landscape then portrait: the ISO sheets A4
// to A0 and, after each, a sheet named "W×Hmm" that holds a frame of that ISO size with at least
// 30 mm to spare each way (and a little more for a border drawn slightly over its size).
const std::vector<Media>& standardMedia();

// The sheet of a name "W×Hmm" (width across, height up, whole or decimal millimetres; "x" also
// separates): nullopt for any other name and for a side outside 1 to 32767 mm.
std::optional<Media> sheetOfName(std::string_view name);

// The plotter's medium of that name (without regard to case), or the sheet its name gives when
// the plotter takes any size; nullopt otherwise.
std::optional<Media> findMedium(const PlotterConfig& plotter, std::string_view name);

// The plotter of that name (without regard to case): a built-in one, else one listed in
// `folder`/plotters.txt (one a line: "name|kind" with kind pdf, eps, png or plt; blank lines and
// lines starting with "#" are skipped), else a print queue of the CUPS server (its plots go to
// the queue as PDF). nullopt when there is none.
std::optional<PlotterConfig> findPlotter(std::string_view name, const std::string& folder);

// The names of the built-in plotters, then those of `folder`/plotters.txt, then the print
// queues.
std::vector<std::string> plotterNames(const std::string& folder);

// The file extension a plotter's output gets by default ("pdf", "eps", "png", "plt").
const char* defaultExtension(OutputKind kind);

// A plot-style table: "acad.ctb" plots with the objects' colours, "monochrome.ctb" all in black,
// "acad.stb" and "monochrome.stb" are the named-style forms.
struct StyleTable {
  std::string name;
  bool monochrome = false;
  bool named = false;
};
std::optional<StyleTable> findStyleTable(std::string_view name);

}  // namespace cadhost::plot
