#include "plot/plot_job.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <random>

#include "cadhost/host_error.h"
#include "geom/matrix.h"
#include "plot/canvas.h"
#include "plot/drawing_painter.h"
#include "plot/plotters.h"

namespace cadhost::plot {

namespace {

std::string temporarySibling(const std::string& path) {
  static std::mt19937_64 random{std::random_device{}()};
  const std::filesystem::path p(path);
  // A short name of its own: a plot named after a long drawing number must not fail for want
  // of room for a longer temporary name.
  char name[48];
  std::snprintf(name, sizeof name, ".cadplot-%d-%08llx.tmp", static_cast<int>(getpid()),
                static_cast<unsigned long long>(random() & 0xffffffffULL));
  return (p.parent_path() / name).string();
}

}  // namespace

Matrix4 paperTransform(const PlotRequest& request, double& mmPerUnit) {
  const LayoutState& l = request.layout;
  const double w = std::max(request.area.max.x - request.area.min.x, 0.0);
  const double h = std::max(request.area.max.y - request.area.min.y, 0.0);
  const int turns = ((l.rotation % 4) + 4) % 4;
  const bool quarter = turns % 2 == 1;
  // The window's extent along the sheet's width and height after rotation.
  const double alongWidth = quarter ? h : w, alongHeight = quarter ? w : h;
  double s = 1;
  if (l.useStandardScale && l.standardScale == 0) {
    // Scaled to fit from the origin, the far edges keep the origin's margin too, so that a
    // border drawn round the window stays off the sheet's edges.
    const double availW = request.media.width - (l.centerPlot ? 0 : 2 * l.origin.x);
    const double availH = request.media.height - (l.centerPlot ? 0 : 2 * l.origin.y);
    const double sx = alongWidth > 0 ? availW / alongWidth : HUGE_VAL;
    const double sy = alongHeight > 0 ? availH / alongHeight : HUGE_VAL;
    s = std::min(sx, sy);
    if (!std::isfinite(s) || s <= 0) s = 1;
  } else if (!l.useStandardScale) {
    s = l.customNumerator / l.customDenominator;
  }
  mmPerUnit = s;
  const double W = w * s, H = h * s;
  // Window-local millimetres, then the quarter turns, then the offset on the sheet.
  Matrix4 local =
      geom::multiply(geom::scalingMatrix(s, s, 0),
                     geom::translationMatrix({-request.area.min.x, -request.area.min.y, 0}));
  Matrix4 turn = geom::identityMatrix();
  switch (turns) {
    case 1:  // (u, v) -> (H - v, u)
      turn = {0, -1, 0, H, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
      break;
    case 2:  // (u, v) -> (W - u, H - v)
      turn = {-1, 0, 0, W, 0, -1, 0, H, 0, 0, 1, 0, 0, 0, 0, 1};
      break;
    case 3:  // (u, v) -> (v, W - u)
      turn = {0, 1, 0, 0, -1, 0, 0, W, 0, 0, 1, 0, 0, 0, 0, 1};
      break;
    default:
      break;
  }
  Point3 offset{l.origin.x, l.origin.y, 0};
  if (l.centerPlot)
    offset = {(request.media.width - alongWidth * s) / 2,
              (request.media.height - alongHeight * s) / 2, 0};
  return geom::multiply(geom::translationMatrix(offset), geom::multiply(turn, local));
}

void renderToFile(const PlotRequest& request, const std::string& path) {
  PaintOptions options;
  options.toPaper = paperTransform(request, options.mmPerUnit);
  if (request.layout.plotWithPlotStyles && !request.layout.styleSheet.empty())
    if (auto table = findStyleTable(request.layout.styleSheet))
      options.monochrome = table->monochrome;

  const PlotFile file{temporarySibling(path), path};
  const std::string& temp = file.path;
  try {
    std::unique_ptr<Canvas> canvas =
        request.plotter.kind == OutputKind::Hpgl
            ? makeHpglCanvas(file, request.media.width, request.media.height)
            : makeCairoCanvas(request.plotter.kind, file, request.media.width,
                              request.media.height);
    paintEntities(*request.drawing, *request.context, request.entities, options, *canvas);
    canvas->finish();
    canvas.reset();
    std::error_code ec;
    std::filesystem::rename(temp, path, ec);
    if (ec)
      throw HostError(HostError::Io, "cannot write the plot file " + path + ": " + ec.message());
  } catch (...) {
    std::error_code ignored;
    std::filesystem::remove(temp, ignored);
    throw;
  }
}

}  // namespace cadhost::plot
