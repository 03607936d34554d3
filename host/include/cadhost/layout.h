#pragma once

// The plot settings of a drawing's model layout and the plot itself. Plotter configurations
// and plot-style tables are known by name (see plotterNames()); setting an unknown one, a
// medium the plotter does not have, a window without area or a plot type the host cannot plot
// fails with HostError, and the setting keeps its old value.

#include <string>
#include <string_view>
#include <vector>

#include "cadhost/fwd.h"
#include "cadhost/types.h"

namespace cadhost {

class Layout {
 public:
  Layout() = default;

  std::string name() const;  // "Model"
  // Reads the plotter's media again; nothing to refresh in this host (no failure).
  void refreshPlotDeviceInfo();

  std::string configName() const;  // "None" until one is chosen
  // HostError(NotFound) for an unknown plotter. The medium stays when the plotter has it,
  // else becomes the plotter's first.
  void setConfigName(std::string_view name);
  bool plotWithPlotStyles() const;
  void setPlotWithPlotStyles(bool value);
  std::string styleSheet() const;
  void setStyleSheet(std::string_view name);  // "" for none; HostError(NotFound) when unknown
  int paperUnits() const;                     // 0 inches, 1 millimetres, 2 pixels
  void setPaperUnits(int units);              // HostError(Refused) outside 0..2

  std::string canonicalMediaName() const;
  // HostError(NotFound) when the current plotter has no medium of that name (or there is none).
  void setCanonicalMediaName(std::string_view name);
  // The medium's size as it lies (width across, height up) in the paper units (pixels count
  // as millimetres). HostError(NotFound) when no medium is chosen.
  void getPaperSize(double& width, double& height) const;
  std::vector<std::string> getCanonicalMediaNames() const;  // the plotter's order

  int plotRotation() const;            // quarter turns counter-clockwise: 0..3
  void setPlotRotation(int rotation);  // HostError(Refused) outside 0..3
  bool useStandardScale() const;
  void setUseStandardScale(bool value);
  int standardScale() const;         // 0 scale to fit, 16 1:1
  void setStandardScale(int scale);  // HostError(Refused) for other values
  // numerator paper units show denominator drawing units; HostError(Refused) unless both > 0.
  void setCustomScale(double numerator, double denominator);
  void getCustomScale(double& numerator, double& denominator) const;
  Point3 plotOrigin() const;  // paper units; z unused
  void setPlotOrigin(const Point3& origin);
  bool centerPlot() const;
  void setCenterPlot(bool value);
  // The window in display coordinates (the plan view of the world system). HostError(Refused)
  // for corners that are not finite or span no area.
  void setWindowToPlot(const Point3& lowerLeft, const Point3& upperRight);
  void getWindowToPlot(Point3& lowerLeft, Point3& upperRight) const;
  // 0 display, 1 extents, 2 limits, 4 window, 5 layout. HostError(Refused) for 3 (no named
  // views) and other values, and for 4 before a window was set.
  int plotType() const;
  void setPlotType(int type);

 private:
  friend class detail::DocumentCore;
  explicit Layout(std::weak_ptr<detail::DocumentCore> doc) : doc_(std::move(doc)) {}

  std::weak_ptr<detail::DocumentCore> doc_;
};

class Plot {
 public:
  Plot() = default;

  // Plots the layout's area to `path` through the layout's plotter (PDF, EPS, PNG or
  // HP-GL/2 by its kind). The file is written under a temporary name beside it and renamed
  // into place. HostError(Refused) without a plotter or medium, HostError(Io) when the file
  // cannot be written. Returns true.
  bool plotToFile(const std::string& path);
  // Prints the plot as a PDF handed to "lp" (run without a shell): to the print queue that the
  // plotter configuration is, else to the host's printer, else to the system's default queue.
  // The job is titled `title`, or after the drawing when that is "". HostError(NotFound) when
  // there is no queue to print to, HostError(Io) when lp refuses the job. Returns true.
  bool plotToDevice(const std::string& title = {});

 private:
  friend class detail::DocumentCore;
  explicit Plot(std::weak_ptr<detail::DocumentCore> doc) : doc_(std::move(doc)) {}

  std::weak_ptr<detail::DocumentCore> doc_;
};

// The names of the built-in plotter configurations, of those listed in the host's plotter
// folder and of the CUPS print queues.
std::vector<std::string> plotterNames(const std::string& plotterFolder);

}  // namespace cadhost
