#include "cadhost/application.h"

#include <algorithm>
#include <mutex>

#include "dxf/dxf_io.h"
#include "model/document_core.h"

namespace cadhost {

using detail::AppCore;
using detail::DocumentCore;

namespace {

// The running instances, most recent last. An instance stays registered (and its drawings
// open) when its caller drops the reference, until it quits or the process ends.
std::mutex& registryMutex() {
  static std::mutex m;
  return m;
}
std::vector<std::shared_ptr<Application>>& registry() {
  static std::vector<std::shared_ptr<Application>> r;
  return r;
}

std::shared_ptr<AppCore> lockApp(const std::weak_ptr<AppCore>& app) {
  auto core = app.lock();
  if (!core || !core->alive) throw HostError(HostError::Dead, "the host application has quit");
  return core;
}

}  // namespace

// ---- Application

Application::Application(std::shared_ptr<AppCore> core) : core_(std::move(core)) {}

std::shared_ptr<Application> Application::create(const HostConfig& config) {
  auto core = std::make_shared<AppCore>();
  core->config = config;
  auto app = std::make_shared<Application>(core);
  std::lock_guard lock(registryMutex());
  registry().push_back(app);
  return app;
}

std::shared_ptr<Application> Application::getRunning() {
  std::lock_guard lock(registryMutex());
  for (auto it = registry().rbegin(); it != registry().rend(); ++it)
    if ((*it)->core_->alive) return *it;
  throw HostError(HostError::Dead, "no host application is running");
}

std::string Application::version() const {
  core_->checkAlive();
  return "cadhost 1.0";
}

void Application::setVisible(bool v) {
  core_->checkAlive();
  core_->visible = v;
}

bool Application::visible() const {
  core_->checkAlive();
  return core_->visible;
}

void Application::setWindowState(int state) {
  core_->checkAlive();
  core_->windowState = state;
}

int Application::windowState() const {
  core_->checkAlive();
  return core_->windowState;
}

Documents Application::documents() const {
  core_->checkAlive();
  return Documents(core_);
}

Document Application::activeDocument() const {
  core_->checkAlive();
  if (!core_->active) throw HostError(HostError::NoDocument, "no drawing is open");
  return Document(core_->active);
}

void Application::zoomExtents() {
  core_->checkAlive();
}

void Application::zoomWindow(const Point3&, const Point3&) {
  core_->checkAlive();
}

void Application::update() const {
  core_->checkAlive();
}

void Application::quit() {
  core_->checkAlive();
  core_->documents.clear();
  core_->active.reset();
  core_->alive = false;
  std::lock_guard lock(registryMutex());
  std::erase_if(registry(), [&](const auto& a) { return a->core_ == core_; });
}

void Application::setPointInput(PointInput input) {
  core_->checkAlive();
  core_->pointInput = std::move(input);
}

const HostConfig& Application::config() const {
  core_->checkAlive();
  return core_->config;
}

// ---- Documents

int Documents::count() const {
  return static_cast<int>(lockApp(app_)->documents.size());
}

Document Documents::item(int i) const {
  auto app = lockApp(app_);
  if (i < 0 || i >= static_cast<int>(app->documents.size()))
    throw HostError(HostError::NotFound, "no drawing at index " + std::to_string(i));
  return Document(app->documents[i]);
}

Document Documents::open(const std::string& path, bool readOnly) {
  auto app = lockApp(app_);
  // Reading first: a failed open leaves the application as it was.
  model::Drawing drawing = dxf::readDxfFile(path);
  auto doc = std::make_shared<DocumentCore>(app, std::move(drawing), path, std::string(), readOnly);
  app->documents.push_back(doc);
  app->active = doc;
  return Document(doc);
}

Document Documents::add() {
  auto app = lockApp(app_);
  std::string name = "Drawing" + std::to_string(++app->untitledCount) + ".dxf";
  auto doc = std::make_shared<DocumentCore>(app, dxf::newDrawing(), std::string(), name, false);
  app->documents.push_back(doc);
  app->active = doc;
  return Document(doc);
}

void Documents::close(bool saveChanges) {
  auto app = lockApp(app_);
  if (saveChanges) {
    // Each close takes the drawing out of the list: walk a copy.
    const auto open = app->documents;
    for (const auto& d : open) Document(d).close(true);
  }
  app->documents.clear();
  app->active.reset();
}

}  // namespace cadhost
