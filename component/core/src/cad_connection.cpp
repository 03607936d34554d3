// The connection of CAD with the drawing host: attach to the running host or start one, pick
// the active drawing, end the connection. No member raises: failures become the result.

#include <cadhost/application.h>

#include "tarvik/attempt.h"
#include "tarvik/cad.h"
#include "tarvik/constants.h"

namespace tarvik {

bool CAD::AcadAppIsRun(bool IsGetCurAutoCAD, bool IsCrtNewApp) {
  LastIsGetCur = IsGetCurAutoCAD;
  bool live = acadApp && attempt([&] { (void)acadApp->version(); });
  if (!live) {
    acadApp.reset();
    bool tryStart = true;
    if (IsGetCurAutoCAD) {
      live = GetCurAcadApp();
      tryStart = !live && IsCrtNewApp;
    }
    if (tryStart) {
      ui_->viewNote(QStringLiteral("正在启动AutoCAD, 请稍候……"));
      live = CrtNewAcadApp();
      ui_->hideNote();
    }
  }
  if (acadApp) attempt([&] { acadApp->setVisible(true); });
  return live;
}

bool CAD::GetCurAcadApp() {
  if (acadApp) return true;
  AcadAppVersion_ = kHostAppName;
  if (attemptGet(acadApp, [] { return cadhost::Application::getRunning(); }) && acadApp) {
    return true;
  }
  acadApp.reset();
  return false;
}

bool CAD::CrtNewAcadApp() {
  AcadAppVersion_ = kHostAppName;
  if (attemptGet(acadApp, [] { return cadhost::Application::create(); }) && acadApp) return true;
  acadApp.reset();
  return false;
}

bool CAD::AcadDocIsActive(bool IsCrtNewDoc) {
  if (!acadApp) return false;
  const auto active = [&] { return std::optional(acadApp->activeDocument()); };
  if (attemptGet(AcadDoc, active)) return true;
  if (!IsCrtNewDoc) return false;
  return attempt([&] { acadApp->documents().add(); }) && attemptGet(AcadDoc, active);
}

void CAD::CloseAutoCAD() {
  if (!LastIsGetCur && acadApp) {
    attempt([&] { acadApp->documents().close(false); });
    attempt([&] { acadApp->quit(); });
  }
  acadApp.reset();
}

}  // namespace tarvik
