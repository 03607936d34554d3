#pragma once

// Plotter configurations and plot-style tables, known by name. Built in: a PDF plotter, an EPS
// plotter, a plain HP-GL/2 plotter and a PNG raster plotter, each with the ISO A4 to A0 sheets
// in both orientations. More plotters can be listed in the file "plotters.txt" of a folder.

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
};

inline constexpr const char* kPdfPlotter = "CorvantisPDF Plus.pc3";
inline constexpr const char* kEpsPlotter = "CorvantisEPS Plus.pc3";
inline constexpr const char* kHpglPlotter = "HP-GL2 Plotter.pc3";
inline constexpr const char* kPngPlotter = "PNG Raster.pc3";

// The ISO sheets A4 to A0, smallest first, each landscape then portrait.
const std::vector<Media>& isoMedia();

// The plotter of that name (without regard to case): a built-in one, else one listed in
// `folder`/plotters.txt (one a line: "name|kind" with kind pdf, eps, png or plt; blank lines and
// lines starting with "#" are skipped). nullopt when there is none.
std::optional<PlotterConfig> findPlotter(std::string_view name, const std::string& folder);

// The names of the built-in plotters, then those of `folder`/plotters.txt.
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
