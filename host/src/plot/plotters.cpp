#include "plot/plotters.h"

#include <array>
#include <cstdio>
#include <fstream>

#include "model/text_util.h"

namespace cadhost::plot {

namespace {

std::string mediaName(const char* sheet, double w, double h) {
  char buf[80];
  std::snprintf(buf, sizeof buf, "ISO_%s_(%.2f_x_%.2f_MM)", sheet, w, h);
  return buf;
}

std::string trim(std::string s) {
  const auto b = s.find_first_not_of(" \t\r");
  const auto e = s.find_last_not_of(" \t\r");
  return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

std::optional<OutputKind> kindOf(const std::string& text) {
  const std::string k = detail::toUpper(text);
  if (k == "PDF") return OutputKind::Pdf;
  if (k == "EPS") return OutputKind::Eps;
  if (k == "PNG") return OutputKind::Png;
  if (k == "PLT" || k == "HPGL") return OutputKind::Hpgl;
  return std::nullopt;
}

}  // namespace

const std::vector<Media>& isoMedia() {
  static const std::vector<Media> media = [] {
    struct Sheet {
      const char* name;
      double shortSide, longSide;
    };
    constexpr std::array<Sheet, 5> sheets{{{"A4", 210, 297},
                                           {"A3", 297, 420},
                                           {"A2", 420, 594},
                                           {"A1", 594, 841},
                                           {"A0", 841, 1189}}};
    std::vector<Media> list;
    for (const Sheet& s : sheets) {
      list.push_back({mediaName(s.name, s.longSide, s.shortSide), s.longSide, s.shortSide});
      list.push_back({mediaName(s.name, s.shortSide, s.longSide), s.shortSide, s.longSide});
    }
    return list;
  }();
  return media;
}

// Built-in plotters first, then the folder's list, in order.
static std::vector<std::pair<std::string, OutputKind>> allPlotters(const std::string& folder) {
  std::vector<std::pair<std::string, OutputKind>> list{{kPdfPlotter, OutputKind::Pdf},
                                                       {kEpsPlotter, OutputKind::Eps},
                                                       {kHpglPlotter, OutputKind::Hpgl},
                                                       {kPngPlotter, OutputKind::Png}};
  if (folder.empty()) return list;
  std::ifstream in(folder + "/plotters.txt");
  std::string line;
  while (std::getline(in, line)) {
    line = trim(line);
    if (line.empty() || line.front() == '#') continue;
    const auto bar = line.find('|');
    if (bar == std::string::npos) continue;
    const std::string n = trim(line.substr(0, bar));
    const auto kind = kindOf(trim(line.substr(bar + 1)));
    if (kind && !n.empty()) list.emplace_back(n, *kind);
  }
  return list;
}

std::optional<PlotterConfig> findPlotter(std::string_view name, const std::string& folder) {
  for (const auto& [n, kind] : allPlotters(folder))
    if (detail::equalsNoCase(n, name)) return PlotterConfig{n, kind, isoMedia()};
  return std::nullopt;
}

std::vector<std::string> plotterNames(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : allPlotters(folder)) names.push_back(entry.first);
  return names;
}

const char* defaultExtension(OutputKind kind) {
  switch (kind) {
    case OutputKind::Pdf:
      return "pdf";
    case OutputKind::Eps:
      return "eps";
    case OutputKind::Png:
      return "png";
    case OutputKind::Hpgl:
      return "plt";
  }
  return "pdf";
}

std::optional<StyleTable> findStyleTable(std::string_view name) {
  const std::array<StyleTable, 4> tables{{{"acad.ctb", false, false},
                                          {"monochrome.ctb", true, false},
                                          {"acad.stb", false, true},
                                          {"monochrome.stb", true, true}}};
  for (const StyleTable& t : tables)
    if (detail::equalsNoCase(t.name, name)) return t;
  return std::nullopt;
}

}  // namespace cadhost::plot
