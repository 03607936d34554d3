#pragma once

// The host application: the running instance, its open drawings and its settings.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "cadhost/document.h"
#include "cadhost/fwd.h"
#include "cadhost/types.h"

namespace cadhost {

// Settings of our host that the original application keeps in its own configuration.
struct HostConfig {
  // A folder of big-font files (*.shx) accepted besides the built-in names; "" for none.
  std::string fontFolder;
  // Plotting: a folder whose "plotters.txt" lists plotter configurations besides the built-in
  // ones ("" for none); the CUPS print queue that device plots of the configurations that are
  // no print queue go to ("" for the system's default queue).
  std::string plotterFolder = {};
  std::string printer = {};
};

// Answers a command's point prompt ("pause") with a WCS point; nullopt cancels the command.
using PointInput = std::function<std::optional<Point3>(std::string_view prompt)>;

class Documents {
 public:
  Documents() = default;

  int count() const;
  Document item(int i) const;
  // Opens a drawing file, which becomes the active document. HostError when it is missing or
  // unreadable; a failed open changes nothing.
  Document open(const std::string& path, bool readOnly = false);
  Document add();                        // a new empty drawing, made active
  void close(bool saveChanges = false);  // closes every drawing

 private:
  friend class Application;
  explicit Documents(std::weak_ptr<detail::AppCore> app) : app_(std::move(app)) {}

  std::weak_ptr<detail::AppCore> app_;
};

class Application {
 public:
  // The live instance most recently created; HostError(Dead) when none is running.
  static std::shared_ptr<Application> getRunning();
  // Starts a new instance and registers it as running until quit().
  static std::shared_ptr<Application> create(const HostConfig& config = {});

  std::string version() const;  // HostError(Dead) after quit()
  void setVisible(bool v);
  bool visible() const;
  void setWindowState(int state);
  int windowState() const;

  Documents documents() const;
  Document activeDocument() const;  // HostError(NoDocument) when no drawing is open

  // The view is not modelled: selections work on the database.
  void zoomExtents();
  void zoomWindow(const Point3& p1, const Point3& p2);
  void update() const;
  void quit();  // closes every drawing; afterwards every member fails

  // Installs the answer to "pause" in command text; without one "pause" cancels.
  void setPointInput(PointInput input);

  const HostConfig& config() const;

  explicit Application(std::shared_ptr<detail::AppCore> core);

 private:
  std::shared_ptr<detail::AppCore> core_;
};

}  // namespace cadhost
