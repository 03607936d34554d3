#include "mobrel/message_box.h"

#include <QApplication>
#include <QLabel>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <algorithm>

#include "message_text.h"
#include "skin_pieces.h"

namespace mobrel {

frmMsgBox::frmMsgBox(QWidget* owner) : SkinnedWindow(QStringLiteral("系统提示"), 3660, owner) {
  setObjectName(QStringLiteral("frmMsgBox"));
  auto* icon = new skin::Piece(skin::Piece::Kind::MessageIcon, "Image1", this);
  icon->setGeometry(twips(180), twips(600), 32, 32);
  // The message lies in a frameless, see-through scroll area that scrolls only when the box
  // cannot grow any further.
  area_ = new QScrollArea(this);
  area_->setObjectName(QStringLiteral("msgArea"));
  area_->setFrameShape(QFrame::NoFrame);
  area_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  area_->setWidgetResizable(false);
  area_->setFocusPolicy(Qt::NoFocus);
  area_->setAutoFillBackground(false);
  area_->viewport()->setAutoFillBackground(false);
  area_->setGeometry(twips(840), twips(600), twips(3015), twips(1185));
  message_ = new skin::MessageText(area_);
  message_->setObjectName(QStringLiteral("lblMsg"));
  message_->setAutoFillBackground(false);
  area_->setWidget(message_);
  message_->resize(area_->size());
}

void frmMsgBox::Load() {
  SkinnedWindow::Load();
  message_->setText(msgStr);
  ConfirmRtn = false;
  const QScreen* screen = this->screen();
  if (screen == nullptr) screen = QGuiApplication::primaryScreen();
  if (screen != nullptr) fitText(screen->availableGeometry().size());
}

void frmMsgBox::fitText(const QSize& room) {
  constexpr int kMargin = 16;  // kept free between the box and the screen's edges
  const int designW = twips(3015), designH = twips(1185);
  const int maxW = std::max(designW, room.width() - 2 * kMargin - (kWidth - designW));
  const int maxH = std::max(designH, room.height() - 2 * kMargin - (kHeight - designH));
  // Wider first, in steps of 24, while the text is taller than two thirds of its width and a
  // wider box would still hold a line of it; then as tall as it needs. A wider box never makes
  // the text taller, so the first width that is wide enough is found by halving the steps: a
  // long message is laid out a few times, not once a step.
  const int natural = message_->naturalWidth();
  const auto widthAt = [&](int step) { return std::min(maxW, designW + 24 * step); };
  const auto needsWider = [&](int width) {
    return width < maxW && width < natural &&
           message_->heightFor(width) > std::max(designH, width * 2 / 3);
  };
  int low = 0, high = (maxW - designW + 23) / 24;  // the answer lies in [low, high]
  while (low < high) {
    const int mid = low + (high - low) / 2;
    if (needsWider(widthAt(mid))) {
      low = mid + 1;
    } else {
      high = mid;
    }
  }
  const int w = widthAt(low);
  int textW = w;
  int h = message_->heightFor(textW);
  if (h > maxH) {
    // The rest scrolls: the scroll bar takes its room from the text.
    textW = w - area_->verticalScrollBar()->sizeHint().width();
    h = message_->heightFor(textW);
  }
  const int areaH = std::clamp(h, designH, maxH);
  area_->setVerticalScrollBarPolicy(h > maxH ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
  // Tab reaches the message only when there is something to scroll with the keys.
  area_->setFocusPolicy(h > maxH ? Qt::TabFocus : Qt::NoFocus);
  area_->resize(w, areaH);
  message_->resize(textW, std::max(h, areaH));
  setGrowth(w - designW, areaH - designH);
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
  // The single button sits in the middle, also of a box grown for its message.
  const int shift = box.growth().width() / 2;
  box.okShape()->move(103 + shift, box.okShape()->y());
  box.okLabel()->move(106 + shift, box.okLabel()->y());
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
