#include "mobrel/input_box.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTimer>

#include "skin_pieces.h"

namespace mobrel {

frmInputBox::frmInputBox(QWidget* owner)
    : SkinnedWindow(QStringLiteral("信息输入窗口"), 3570, owner) {
  setObjectName(QStringLiteral("frmInputBox"));
  placeButtons(1080, 1035, 2160, 2115);

  auto* frame = new QFrame(this);
  frame->setObjectName(QStringLiteral("Shape1"));
  frame->setGeometry(twips(225), twips(825), twips(3630), twips(855));
  frame->setStyleSheet(
      QStringLiteral("#Shape1 { background: white; border: 1px solid rgb(%1,%2,%3); }")
          .arg(skin::kOutlineNormal.red())
          .arg(skin::kOutlineNormal.green())
          .arg(skin::kOutlineNormal.blue()));

  memo_ = new QPlainTextEdit(this);
  memo_->setObjectName(QStringLiteral("txtMemo"));
  memo_->setGeometry(twips(240), twips(840), twips(3600), twips(825));
  memo_->setFrameShape(QFrame::NoFrame);
  memo_->setFont(skin::boxFont());
  memo_->setTabChangesFocus(true);
  setField(memo_);

  tip_ = new QLabel(QStringLiteral("请输入"), this);
  tip_->setObjectName(QStringLiteral("labTip"));
  tip_->setGeometry(twips(240), twips(540), twips(3615), twips(255));
  tip_->setTextFormat(Qt::PlainText);
  QPalette pal = tip_->palette();
  pal.setColor(QPalette::WindowText, skin::kTitleText);
  tip_->setPalette(pal);

  // The field can take the focus only once the window shows, hence the one-shot timer.
  focusTimer_ = new QTimer(this);
  focusTimer_->setObjectName(QStringLiteral("Timer1"));
  focusTimer_->setSingleShot(true);
  focusTimer_->setInterval(300);
  connect(focusTimer_, &QTimer::timeout, this, [this] {
    memo_->setFocus();
    memo_->selectAll();
  });
}

void frmInputBox::Load() {
  SkinnedWindow::Load();
  tip_->setText(strTip);
  memo_->setPlainText(strDefault);
  strRtn.clear();
  focusTimer_->start();
}

void frmInputBox::okClicked() {
  strRtn = memo_->toPlainText();
  accept();
}

void frmInputBox::cancelClicked() {
  strRtn.clear();
  reject();
}

void frmInputBox::closeClicked() {
  strRtn.clear();
  reject();
}

QString inputBox(const QString& strTip, const QString& strDefault, const QString& strTitle,
                 QWidget* owner) {
  frmInputBox box(owner);
  box.strTip = strTip;
  box.strDefault = strDefault;
  if (!strTitle.isEmpty()) box.titleLabel()->setText(strTitle);
  box.Load();
  QApplication::beep();
  box.exec();
  return box.strRtn;
}

}  // namespace mobrel
