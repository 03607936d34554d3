#pragma once

#include <QString>

#include "mobrel/skinned_window.h"

class QPlainTextEdit;
class QTimer;

namespace mobrel {

// The skinned input box: a prompt (labTip) and a text field (txtMemo). 300 ms after Load the
// field takes the focus with its whole text selected (Timer1), so typing replaces the default.
class frmInputBox : public SkinnedWindow {
 public:
  explicit frmInputBox(QWidget* owner = nullptr);

  QString strTip;      // the prompt; replaces the design text even when empty
  QString strDefault;  // the text the field starts with
  QString strRtn;      // the typed text after the first button, else ""

  void Load() override;

 protected:
  void okClicked() override;
  void cancelClicked() override;
  void closeClicked() override;

 private:
  QLabel* tip_;
  QPlainTextEdit* memo_;
  QTimer* focusTimer_;
};

// Asks for a text and answers it; cancel and close answer "" (as does an empty text
// confirmed). An empty title keeps "信息输入窗口".
QString inputBox(const QString& strTip = QStringLiteral("请输入内容："),
                 const QString& strDefault = QString(), const QString& strTitle = QString(),
                 QWidget* owner = nullptr);

}  // namespace mobrel
