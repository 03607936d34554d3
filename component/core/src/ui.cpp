// Which user interface new CAD objects take.

#include "tarvik/ui.h"

#include <QApplication>

#include "tarvik/qt_ui.h"
#include "tarvik/scripted_ui.h"

namespace tarvik {

namespace {

std::shared_ptr<Ui>& installed() {
  static std::shared_ptr<Ui> ui;
  return ui;
}

}  // namespace

std::optional<DrawingNumberEntry> Ui::askDrawingNumber(const DrawingNumberCheck&) {
  return std::nullopt;
}

void installUi(std::shared_ptr<Ui> ui) {
  installed() = std::move(ui);
}

std::shared_ptr<Ui> currentUi() {
  if (installed()) return installed();
  // One default of each kind, so that every object of a thread shares one notice window.
  if (qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr) {
    static std::shared_ptr<Ui> qtUi = std::make_shared<QtUi>();
    return qtUi;
  }
  static std::shared_ptr<Ui> headless = std::make_shared<ScriptedUi>();
  return headless;
}

}  // namespace tarvik
