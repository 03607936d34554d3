#pragma once

// frmCadAppOpt: how the program should use the CAD host (start a new one or use the open one)
// and whether to ask again. It only records the choice in the settings store.

#include <QDialog>

#include "sheetcut_app/run_settings.h"

class QCheckBox;
class QRadioButton;

namespace sheetcut::app {

class HostOptionsDialog : public QDialog {
 public:
  HostOptionsDialog(RunSettings& settings, QWidget* parent = nullptr);

  void cmdOK_Click();
  QRadioButton* option(int index) const { return optGetMth_[index]; }
  QCheckBox* askNoMore() const { return chkNext_; }

 protected:
  void done(int result) override;

 private:
  RunSettings& settings_;
  bool confirmed_ = false;
  QRadioButton* optGetMth_[2] = {nullptr, nullptr};
  QCheckBox* chkNext_ = nullptr;
};

}  // namespace sheetcut::app
