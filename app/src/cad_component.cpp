// The component's CAD object behind the interface the split run uses.

#include <tarvik/cad.h>
#include <tarvik/constants.h>

#include <QDir>
#include <QSet>

#include "sheetcut_app/split_component.h"

namespace sheetcut::app {

namespace {

// The host's window state for a minimised window.
constexpr int kMinimised = 2;

// The drawing files in a folder (none when it does not exist).
QSet<QString> drawingsIn(const QString& folder) {
  const QStringList names =
      QDir(folder).entryList({QStringLiteral("*") + tarvik::kDrawingExtension}, QDir::Files);
  return QSet<QString>(names.begin(), names.end());
}

class CadComponent : public SplitComponent {
 public:
  explicit CadComponent(tarvik::CAD& cad, std::unique_ptr<tarvik::CAD> owned = nullptr)
      : owned_(std::move(owned)), cad_(cad) {}

  bool AcadAppIsRun(bool IsGetCurAutoCAD, bool IsCrtNewApp) override {
    return cad_.AcadAppIsRun(IsGetCurAutoCAD, IsCrtNewApp);
  }
  bool hasHost() const override { return cad_.acadApp != nullptr; }
  void showHost(bool minimised) override {
    if (!cad_.acadApp) return;
    cad_.acadApp->setVisible(true);
    if (minimised) cad_.acadApp->setWindowState(kMinimised);
  }
  void setDwgIDMask(const QString& mask) override { cad_.dwgIDMask = mask; }
  void setChildFileSavePath(const QString& folder) override { cad_.setChildFileSavePath(folder); }
  int SplitDwg(const QString& path, bool IsOnlySplit) override {
    // The component writes each frame as a new file of its output folder and never replaces
    // one, so the files that were not there before are the drawings of this split.
    const QString folder = cad_.ChildFileSavePath();
    const QSet<QString> before = drawingsIn(folder);
    cad_.SplitDwg(path, IsOnlySplit);
    return int(drawingsIn(folder).subtract(before).size());
  }
  void CloseAutoCAD() override { cad_.CloseAutoCAD(); }
  void releaseHost() override {
    cad_.acadApp.reset();
    cad_.AcadDoc.reset();
  }

 private:
  std::unique_ptr<tarvik::CAD> owned_;
  tarvik::CAD& cad_;
};

}  // namespace

std::unique_ptr<SplitComponent> makeCadComponent() {
  auto cad = std::make_unique<tarvik::CAD>();
  tarvik::CAD& ref = *cad;
  return std::make_unique<CadComponent>(ref, std::move(cad));
}

std::unique_ptr<SplitComponent> wrapCad(tarvik::CAD& cad) {
  return std::make_unique<CadComponent>(cad);
}

}  // namespace sheetcut::app
