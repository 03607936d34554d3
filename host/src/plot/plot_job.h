#pragma once

// The plot settings of a layout and one plot of a drawing to a file.

#include <optional>
#include <string>
#include <vector>

#include "cadhost/types.h"
#include "geom/box.h"
#include "geom/extents.h"
#include "model/drawing.h"
#include "plot/plotters.h"

namespace cadhost::plot {

// Plot types: what part of the drawing a plot shows.
enum PlotType { kDisplay = 0, kExtents = 1, kLimits = 2, kView = 3, kWindow = 4, kLayout = 5 };

// The plot settings of the model layout of a drawing.
struct LayoutState {
  std::string configName = "None";
  std::optional<PlotterConfig> plotter;  // the configuration configName names, once set
  std::string styleSheet;                // "" none
  bool plotWithPlotStyles = true;
  int paperUnits = 1;  // 0 inches, 1 millimetres, 2 pixels
  std::string mediaName;
  int rotation = 0;  // quarter turns counter-clockwise
  bool useStandardScale = true;
  int standardScale = 0;                              // 0: scale to fit; 16: 1:1
  double customNumerator = 1, customDenominator = 1;  // paper millimetres : drawing units
  Point3 origin{};                                    // millimetres
  bool centerPlot = false;
  bool hasWindow = false;
  Point3 windowMin{}, windowMax{};  // WCS
  int plotType = kDisplay;
};

struct PlotRequest {
  const model::Drawing* drawing = nullptr;
  const geom::ExtentsContext* context = nullptr;
  std::vector<const model::Object*> entities;  // the model-space entities to draw
  geom::Box area;                              // the WCS area to plot
  PlotterConfig plotter;
  Media media;
  LayoutState layout;
};

// The affine map from WCS to paper millimetres for the request's area, sheet, rotation, scale
// and origin; `mmPerUnit` receives the scale.
Matrix4 paperTransform(const PlotRequest& request, double& mmPerUnit);

// Renders the request into `path` by the plotter's kind. The file is written under a temporary
// name in the same folder and renamed into place. HostError(Io) when it cannot be written.
void renderToFile(const PlotRequest& request, const std::string& path);

}  // namespace cadhost::plot
