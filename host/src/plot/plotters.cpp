#include "plot/plotters.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <fstream>

#include "model/text_util.h"
#include "plot/print_queues.h"

namespace cadhost::plot {

namespace {

std::string mediaName(const char* sheet, double w, double h) {
  char buf[80];
  std::snprintf(buf, sizeof buf, "ISO_%s_(%.2f_x_%.2f_MM)", sheet, w, h);
  return buf;
}

// The multiplication sign of sheet names, in UTF-8.
constexpr std::string_view kTimes = "\xC3\x97";
constexpr double kLargestSide = 32767;

std::string sheetName(double w, double h) {
  char buf[48];
  std::snprintf(buf, sizeof buf, "%g%.*s%gmm", w, static_cast<int>(kTimes.size()), kTimes.data(),
                h);
  return buf;
}

// A side of the oversize sheet of an ISO sheet: 40 mm more, up to whole centimetres.
double oversize(double side) {
  return std::ceil((side + 40) / 10) * 10;
}

// A number of millimetres at the front of `text`, which it leaves after the number.
std::optional<double> takeNumber(std::string_view& text) {
  double v = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || end == text.data()) return std::nullopt;
  text.remove_prefix(static_cast<std::size_t>(end - text.data()));
  return v;
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

const std::vector<Media>& standardMedia() {
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
      const double longer = oversize(s.longSide), shorter = oversize(s.shortSide);
      list.push_back({sheetName(longer, shorter), longer, shorter});
      list.push_back({sheetName(shorter, longer), shorter, longer});
    }
    return list;
  }();
  return media;
}

std::optional<Media> sheetOfName(std::string_view name) {
  std::string_view rest = name;
  const auto w = takeNumber(rest);
  if (!w) return std::nullopt;
  if (rest.substr(0, kTimes.size()) == kTimes)
    rest.remove_prefix(kTimes.size());
  else if (!rest.empty() && (rest.front() == 'x' || rest.front() == 'X'))
    rest.remove_prefix(1);
  else
    return std::nullopt;
  const auto h = takeNumber(rest);
  if (!h || !detail::equalsNoCase(rest, "mm")) return std::nullopt;
  const auto valid = [](double v) { return v >= 1 && v <= kLargestSide; };
  if (!valid(*w) || !valid(*h)) return std::nullopt;
  return Media{std::string(name), *w, *h};
}

std::optional<Media> findMedium(const PlotterConfig& plotter, std::string_view name) {
  for (const Media& m : plotter.media)
    if (detail::equalsNoCase(m.canonicalName, name)) return m;
  if (plotter.anySize) return sheetOfName(name);
  return std::nullopt;
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
    if (detail::equalsNoCase(n, name))
      return PlotterConfig{n, kind, standardMedia(), n == kPdfPlotter, {}};
  // A print queue: its name is the configuration's; printers take the plot as a PDF.
  for (const std::string& queue : printQueues().names)
    if (detail::equalsNoCase(queue, name))
      return PlotterConfig{queue, OutputKind::Pdf, standardMedia(), false, queue};
  return std::nullopt;
}

std::vector<std::string> plotterNames(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : allPlotters(folder)) names.push_back(entry.first);
  for (std::string& queue : printQueues().names) names.push_back(std::move(queue));
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
