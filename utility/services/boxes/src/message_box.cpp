#include "mobrel/message_box.h"

#include <QApplication>
#include <QLabel>

#include "skin_pieces.h"

namespace mobrel {

frmMsgBox::frmMsgBox(QWidget* owner) : SkinnedWindow(QStringLiteral("系统提示"), 3660, owner) {
  setObjectName(QStringLiteral("frmMsgBox"));
  auto* icon = new skin::Piece(skin::Piece::Kind::MessageIcon, "Image1", this);
  icon->setGeometry(twips(180), twips(600), 32, 32);
  message_ = new QLabel(this);
  message_->setObjectName(QStringLiteral("lblMsg"));
  message_->setGeometry(twips(840), twips(600), twips(3015), twips(1185));
  message_->setWordWrap(true);
  message_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  message_->setTextFormat(Qt::PlainText);
}

void frmMsgBox::Load() {
  SkinnedWindow::Load();
  message_->setText(msgStr);
  ConfirmRtn = false;
}

void frmMsgBox::okClicked() {
  ConfirmRtn = true;
  accept();
}

void frmMsgBox::cancelClicked() {
  ConfirmRtn = false;
  reject();
}

void frmMsgBox::closeClicked() {
  reject();
}

void alertBox(const QString& infoStr, const QString& strTitle, QWidget* owner) {
  frmMsgBox box(owner);
  box.msgStr = infoStr;
  box.Load();
  box.cancelShape()->hide();
  box.cancelLabel()->hide();
  box.okShape()->move(103, box.okShape()->y());
  box.okLabel()->move(106, box.okLabel()->y());
  QApplication::beep();
  if (!strTitle.isEmpty()) box.titleLabel()->setText(strTitle);
  box.exec();
}

bool confirmBox(const QString& infoStr, const QString& btnCls, const QString& strTitle,
                QWidget* owner) {
  frmMsgBox box(owner);
  box.msgStr = infoStr;
  box.Load();
  if (btnCls != QLatin1String("OK")) {
    box.okLabel()->setText(QStringLiteral("是(&Y)"));
    box.cancelLabel()->setText(QStringLiteral("否(&N)"));
  }
  if (!strTitle.isEmpty()) box.titleLabel()->setText(strTitle);
  QApplication::beep();
  box.exec();
  return box.ConfirmRtn;
}

}  // namespace mobrel
