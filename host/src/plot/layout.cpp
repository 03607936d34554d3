// Layout and Plot: the plot settings of a drawing's model layout and the plot itself.

#include "cadhost/layout.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>

#include "cadhost/host_error.h"
#include "model/document_core.h"
#include "model/geometry_cache.h"
#include "model/tags.h"
#include "model/text_util.h"
#include "plot/plot_job.h"
#include "plot/plotters.h"
#include "plot/print_queues.h"

extern char** environ;

namespace cadhost {

using detail::DocumentCore;

namespace {

constexpr double kMmPerInch = 25.4;

HostConfig configOf(const DocumentCore& doc) {
  if (auto app = doc.app.lock()) return app->config;
  return {};
}

const std::optional<plot::PlotterConfig>& plotterOf(const DocumentCore& doc) {
  return doc.plotLayout.plotter;
}

bool finite(const Point3& p) {
  return std::isfinite(p.x) && std::isfinite(p.y);
}

// The request for the document's current settings: plotter, medium and the area to plot with
// the model-space entities on it.
plot::PlotRequest makeRequest(DocumentCore& doc) {
  const plot::LayoutState& l = doc.plotLayout;
  const auto& plotter = plotterOf(doc);
  if (!plotter)
    throw HostError(HostError::Refused, "no plotter configuration is set for \"" + doc.path +
                                            "\" (\"" + l.configName + "\")");
  const auto medium = plot::findMedium(*plotter, l.mediaName);
  if (!medium) throw HostError(HostError::Refused, "no paper size is set for the plot");
  plot::PlotRequest r;
  r.drawing = &doc.dwg;
  r.plotter = *plotter;
  r.media = *medium;
  r.layout = l;
  detail::GeometryCache& cache = doc.geometry();
  geom::Box area;
  if (l.plotType == plot::kWindow && l.hasWindow) {
    area.extend(l.windowMin);
    area.extend(l.windowMax);
  } else {
    area = cache.visibleExtents();
    if (l.plotType == plot::kLimits) {
      const model::HeaderVar* mn = doc.header("$LIMMIN");
      const model::HeaderVar* mx = doc.header("$LIMMAX");
      if (mn && mx) {
        geom::Box limits;
        limits.extend(Point3{model::tagDouble(mn->tags, 10), model::tagDouble(mn->tags, 20), 0});
        limits.extend(Point3{model::tagDouble(mx->tags, 10), model::tagDouble(mx->tags, 20), 0});
        area = limits;
      }
    }
  }
  if (area.isEmpty()) area.extend(Point3{});
  area.min.z = -1e300;
  area.max.z = 1e300;
  r.area = area;
  r.context = &cache.context();
  std::vector<std::uint32_t> hits = cache.query(area);
  std::sort(hits.begin(), hits.end());
  for (std::uint32_t i : hits) {
    const auto index = static_cast<std::int32_t>(i);
    if (doc.erased(detail::EntityRef::kModelSpace, index) || doc.paperSpace(index)) continue;
    r.entities.push_back(&doc.dwg.entities[i]);
  }
  return r;
}

// A length in millimetres as the shortest text that reads back the same, in any locale.
std::string millimetres(double mm) {
  char buf[32];
  const auto result = std::to_chars(buf, buf + sizeof buf, mm);
  return std::string(buf, result.ptr);
}

// Runs a program with an argument vector (no shell) and waits; true when it exits with 0. Its
// output is dropped; what it says on its error output is kept in `errors`.
bool runProgram(const std::vector<std::string>& args, std::string& errors) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  int pipeEnds[2];
  if (pipe2(pipeEnds, O_CLOEXEC) != 0) return false;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 2);
  pid_t pid = 0;
  const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(pipeEnds[1]);
  if (spawned != 0) {
    close(pipeEnds[0]);
    errors = std::string("cannot run ") + argv[0] + ": " + std::strerror(spawned);
    return false;
  }
  char buf[512];
  for (ssize_t n; (n = read(pipeEnds[0], buf, sizeof buf)) != 0;) {
    if (n > 0)
      errors.append(buf, static_cast<std::size_t>(n));
    else if (errno != EINTR)
      break;
  }
  close(pipeEnds[0]);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  while (!errors.empty() && (errors.back() == '\n' || errors.back() == '\r')) errors.pop_back();
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

// ---- Layout -----------------------------------------------------------------------------------

std::string Layout::name() const {
  DocumentCore::lock(doc_);
  return "Model";
}

void Layout::refreshPlotDeviceInfo() {
  auto c = DocumentCore::lock(doc_);
  plot::LayoutState& l = c->plotLayout;
  if (l.plotter) l.plotter = plot::findPlotter(l.configName, configOf(*c).plotterFolder);
}

std::string Layout::configName() const {
  return DocumentCore::lock(doc_)->plotLayout.configName;
}

void Layout::setConfigName(std::string_view name) {
  auto c = DocumentCore::lock(doc_);
  auto plotter = plot::findPlotter(name, configOf(*c).plotterFolder);
  if (!plotter)
    throw HostError(HostError::NotFound,
                    "unknown plotter configuration \"" + std::string(name) + "\"");
  c->plotLayout.configName = plotter->name;
  if (!plot::findMedium(*plotter, c->plotLayout.mediaName))
    c->plotLayout.mediaName = plotter->media.empty() ? "" : plotter->media.front().canonicalName;
  c->plotLayout.plotter = std::move(plotter);
}

bool Layout::plotWithPlotStyles() const {
  return DocumentCore::lock(doc_)->plotLayout.plotWithPlotStyles;
}

void Layout::setPlotWithPlotStyles(bool value) {
  DocumentCore::lock(doc_)->plotLayout.plotWithPlotStyles = value;
}

std::string Layout::styleSheet() const {
  return DocumentCore::lock(doc_)->plotLayout.styleSheet;
}

void Layout::setStyleSheet(std::string_view name) {
  auto c = DocumentCore::lock(doc_);
  if (name.empty()) {
    c->plotLayout.styleSheet.clear();
    return;
  }
  auto table = plot::findStyleTable(name);
  if (!table)
    throw HostError(HostError::NotFound, "unknown plot style table \"" + std::string(name) + "\"");
  c->plotLayout.styleSheet = table->name;
}

int Layout::paperUnits() const {
  return DocumentCore::lock(doc_)->plotLayout.paperUnits;
}

void Layout::setPaperUnits(int units) {
  auto c = DocumentCore::lock(doc_);
  if (units < 0 || units > 2)
    throw HostError(HostError::Refused,
                    "paper units " + std::to_string(units) + " are not 0, 1 or 2");
  c->plotLayout.paperUnits = units;
}

std::string Layout::canonicalMediaName() const {
  return DocumentCore::lock(doc_)->plotLayout.mediaName;
}

void Layout::setCanonicalMediaName(std::string_view name) {
  auto c = DocumentCore::lock(doc_);
  const auto& plotter = plotterOf(*c);
  const auto m = plotter ? plot::findMedium(*plotter, name) : std::nullopt;
  if (!m)
    throw HostError(HostError::NotFound, "the plotter \"" + c->plotLayout.configName +
                                             "\" has no paper \"" + std::string(name) + "\"");
  c->plotLayout.mediaName = m->canonicalName;
}

void Layout::getPaperSize(double& width, double& height) const {
  auto c = DocumentCore::lock(doc_);
  const auto& plotter = plotterOf(*c);
  const auto m = plotter ? plot::findMedium(*plotter, c->plotLayout.mediaName) : std::nullopt;
  if (!m) throw HostError(HostError::NotFound, "no paper size is set");
  const double f = c->plotLayout.paperUnits == 0 ? 1.0 / kMmPerInch : 1.0;
  width = m->width * f;
  height = m->height * f;
}

std::vector<std::string> Layout::getCanonicalMediaNames() const {
  auto c = DocumentCore::lock(doc_);
  std::vector<std::string> names;
  if (const auto& plotter = plotterOf(*c))
    for (const plot::Media& m : plotter->media) names.push_back(m.canonicalName);
  return names;
}

int Layout::plotRotation() const {
  return DocumentCore::lock(doc_)->plotLayout.rotation;
}

void Layout::setPlotRotation(int rotation) {
  auto c = DocumentCore::lock(doc_);
  if (rotation < 0 || rotation > 3)
    throw HostError(HostError::Refused,
                    "plot rotation " + std::to_string(rotation) + " is not 0..3");
  c->plotLayout.rotation = rotation;
}

bool Layout::useStandardScale() const {
  return DocumentCore::lock(doc_)->plotLayout.useStandardScale;
}

void Layout::setUseStandardScale(bool value) {
  DocumentCore::lock(doc_)->plotLayout.useStandardScale = value;
}

int Layout::standardScale() const {
  return DocumentCore::lock(doc_)->plotLayout.standardScale;
}

void Layout::setStandardScale(int scale) {
  auto c = DocumentCore::lock(doc_);
  if (scale != 0 && scale != 16)
    throw HostError(HostError::Refused,
                    "standard scale " + std::to_string(scale) + " is not known");
  c->plotLayout.standardScale = scale;
  if (scale == 16) c->plotLayout.customNumerator = c->plotLayout.customDenominator = 1;
}

void Layout::setCustomScale(double numerator, double denominator) {
  auto c = DocumentCore::lock(doc_);
  if (!(numerator > 0) || !(denominator > 0) || !std::isfinite(numerator) ||
      !std::isfinite(denominator))
    throw HostError(HostError::Refused, "a custom scale needs two numbers above 0");
  c->plotLayout.customNumerator = numerator;
  c->plotLayout.customDenominator = denominator;
}

void Layout::getCustomScale(double& numerator, double& denominator) const {
  auto c = DocumentCore::lock(doc_);
  numerator = c->plotLayout.customNumerator;
  denominator = c->plotLayout.customDenominator;
}

Point3 Layout::plotOrigin() const {
  return DocumentCore::lock(doc_)->plotLayout.origin;
}

void Layout::setPlotOrigin(const Point3& origin) {
  auto c = DocumentCore::lock(doc_);
  if (!finite(origin)) throw HostError(HostError::Refused, "the plot origin is not finite");
  c->plotLayout.origin = {origin.x, origin.y, 0};
}

bool Layout::centerPlot() const {
  return DocumentCore::lock(doc_)->plotLayout.centerPlot;
}

void Layout::setCenterPlot(bool value) {
  DocumentCore::lock(doc_)->plotLayout.centerPlot = value;
}

void Layout::setWindowToPlot(const Point3& lowerLeft, const Point3& upperRight) {
  auto c = DocumentCore::lock(doc_);
  if (!finite(lowerLeft) || !finite(upperRight) || lowerLeft.x == upperRight.x ||
      lowerLeft.y == upperRight.y)
    throw HostError(HostError::Refused, "the plot window has no area");
  plot::LayoutState& l = c->plotLayout;
  l.windowMin = {std::min(lowerLeft.x, upperRight.x), std::min(lowerLeft.y, upperRight.y), 0};
  l.windowMax = {std::max(lowerLeft.x, upperRight.x), std::max(lowerLeft.y, upperRight.y), 0};
  l.hasWindow = true;
}

void Layout::getWindowToPlot(Point3& lowerLeft, Point3& upperRight) const {
  auto c = DocumentCore::lock(doc_);
  lowerLeft = c->plotLayout.windowMin;
  upperRight = c->plotLayout.windowMax;
}

int Layout::plotType() const {
  return DocumentCore::lock(doc_)->plotLayout.plotType;
}

void Layout::setPlotType(int type) {
  auto c = DocumentCore::lock(doc_);
  if (type < 0 || type > 5 || type == plot::kView)
    throw HostError(HostError::Refused, "plot type " + std::to_string(type) + " cannot be plotted");
  if (type == plot::kWindow && !c->plotLayout.hasWindow)
    throw HostError(HostError::Refused, "a window plot needs a window");
  c->plotLayout.plotType = type;
}

// ---- Plot -------------------------------------------------------------------------------------

bool Plot::plotToFile(const std::string& path) {
  auto c = DocumentCore::lock(doc_);
  if (path.empty()) throw HostError(HostError::Refused, "the plot file has no name");
  plot::renderToFile(makeRequest(*c), path);
  return true;
}

bool Plot::plotToDevice(const std::string& jobTitle) {
  auto c = DocumentCore::lock(doc_);
  plot::PlotRequest request = makeRequest(*c);
  request.plotter.kind = plot::OutputKind::Pdf;  // printers take the PDF
  // A print queue's configuration prints there; the others on the host's printer, else on the
  // system's default queue.
  const HostConfig config = configOf(*c);
  std::string queue = request.plotter.queue;
  if (queue.empty()) queue = config.printer;
  if (queue.empty()) queue = plot::printQueues().defaultName;
  if (queue.empty())
    throw HostError(HostError::NotFound,
                    "there is no printer: the system has no default print "
                    "queue, and the plotter configuration \"" +
                        request.plotter.name + "\" names none");
  static std::atomic<unsigned> serial{0};
  std::string title = jobTitle;
  if (title.empty())
    title = c->path.empty() ? c->untitledName : std::filesystem::path(c->path).stem().string();
  // The file's name is the host's own: a title may hold any character.
  std::string stem = "cadplot-";
  stem.append(std::to_string(getpid())).append("-").append(std::to_string(++serial));
  stem.append(".pdf");
  const std::string file = (std::filesystem::temp_directory_path() / stem).string();
  plot::renderToFile(request, file);
  // The job asks for the plot's own sheet, so that the printer does not shrink it onto its
  // default paper.
  std::string media = "media=Custom.";
  media.append(millimetres(request.media.width)).append("x");
  media.append(millimetres(request.media.height)).append("mm");
  std::string errors;
  const bool sent = runProgram({"lp", "-d", queue, "-t", title, "-o", media, "--", file}, errors);
  std::error_code ignored;
  std::filesystem::remove(file, ignored);
  if (!sent) {
    std::string text = "the print queue \"";
    text.append(queue).append("\" did not take the plot");
    if (!errors.empty()) text.append(": ").append(errors);
    throw HostError(HostError::Io, text);
  }
  return true;
}

std::vector<std::string> plotterNames(const std::string& plotterFolder) {
  return plot::plotterNames(plotterFolder);
}

}  // namespace cadhost
