#pragma once

// frmAbout: the program's name and version, modal, closed by its button.

#include <QDialog>

class QLabel;

namespace sheetcut::app {

class AboutDialog : public QDialog {
 public:
  explicit AboutDialog(QWidget* parent = nullptr);
  // "Corvantis图形拆分工具 V" followed by the version.
  QString nameText() const;

 private:
  QLabel* lblName_ = nullptr;
};

}  // namespace sheetcut::app
