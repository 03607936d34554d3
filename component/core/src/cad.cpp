// Creation and destruction of the CAD object and its user interface.

#include "tarvik/cad.h"

#include "tarvik/component_paths.h"
#include "tarvik/constants.h"

namespace tarvik {

CAD::CAD() : WorkPath_(componentFolder()), ModPath_(WorkPath_), AcadAppVersion_(kHostAppName) {
  ui_ = currentUi();
  ui_->loadNote();
  // Frames drawn with values get their title blocks filled by the template writing.
  titleBlockFiller_ = [this](cadhost::Entity& ref, const TitleBlockMsgs& msgs) {
    WriBlock(ref, CatalogMsgs(msgs));
  };
}

CAD::~CAD() {
  // Only our references go: the host keeps running with its drawings open.
  acadApp.reset();
  AcadDoc.reset();
  ui_->unloadNote();
}

void CAD::setUi(std::shared_ptr<Ui> ui) {
  if (!ui || ui == ui_) return;
  ui->loadNote();
  ui_->unloadNote();
  ui_ = std::move(ui);
}

}  // namespace tarvik
