#pragma once

// frmFormat, the drawing-number format editor: compose a format from three section choosers,
// add it to the stored list or delete one. Not modal, kept above other windows; closing it
// (its close box, "关闭" or Escape) lets the main window reload its format list. Each opening
// makes a new editor, so that it starts on 字母, 字母, 数字 with the stored list.

#include <QDialog>
#include <functional>

#include "sheetcut_app/program_config.h"
#include "sheetcut_app/program_services.h"

class QComboBox;
class QListWidget;
class QPushButton;

namespace sheetcut::app {

class FormatEditor : public QDialog {
 public:
  FormatEditor(ProgramServices& api, ConfigFile& config, std::function<void()> onClosed,
               QWidget* parent = nullptr);

  void cmdAdd_Click();
  void cmdDel_Click();
  QComboBox* chooser(int section) const { return cbFormat_[section]; }
  QListWidget* list() const { return lstFormat_; }

  // Escape closes the editor like its close box.
  void reject() override;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void InitFormatForm();
  // Runs a button's handler; a failure is shown with the handler's name.
  void guarded(const QString& name, void (FormatEditor::*handler)());

  ProgramServices& api_;
  FormatStore store_;
  std::function<void()> onClosed_;
  QComboBox* cbFormat_[3] = {nullptr, nullptr, nullptr};
  QListWidget* lstFormat_ = nullptr;
};

}  // namespace sheetcut::app
