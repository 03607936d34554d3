#pragma once

#include <QString>

#include "mobrel/skinned_window.h"

class QScrollArea;

namespace mobrel {

// The skinned message and confirmation box: an icon, the message (lblMsg) and the two buttons.
// The first button sets ConfirmRtn and closes; the second and the close button leave it false.
// The whole message shows: a path wraps after its separators, the box grows (wider first, then
// taller) as far as the screen allows, and beyond that the message scrolls.
namespace skin {
class MessageText;
}

class frmMsgBox : public SkinnedWindow {
 public:
  explicit frmMsgBox(QWidget* owner = nullptr);

  QString msgStr;           // set before Load, which shows it
  bool ConfirmRtn = false;  // true only when the first button closed the window

  void Load() override;
  // Sizes the box for msgStr within `room` (a screen's free area); Load does it for the
  // window's screen.
  void fitText(const QSize& room);

 protected:
  void okClicked() override;
  void cancelClicked() override;
  void closeClicked() override;

 private:
  skin::MessageText* message_;
  QScrollArea* area_;
};

// Shows the message with one button, centred; an empty title keeps "系统提示". Returns when
// the box is closed.
void alertBox(const QString& infoStr, const QString& strTitle = QString(),
              QWidget* owner = nullptr);

// Asks a question with two buttons and answers true when the first one was chosen. With
// btnCls exactly "OK" the buttons read "确定(&OK)" and "取消(&C)", otherwise "是(&Y)" and
// "否(&N)".
bool confirmBox(const QString& infoStr, const QString& btnCls = QStringLiteral("OK"),
                const QString& strTitle = QString(), QWidget* owner = nullptr);

}  // namespace mobrel
