#include "mobrel/balloon_tip.h"

#include <limits>

namespace mobrel {

namespace {

int toInt(long value) {
  if (value > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
  if (value < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
  return static_cast<int>(value);
}

}  // namespace

QColor colorFromColorRef(quint32 value) {
  return QColor(static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                static_cast<int>((value >> 16) & 0xFF));
}

void clsBalloonTip::Icon(long value) {
  icon_ = value;
  applyTitle();
}

void clsBalloonTip::Title(const QString& value) {
  title_ = value;
  applyTitle();
}

// After creation the title line changes only for a title with an icon.
void clsBalloonTip::applyTitle() {
  if (window_ != nullptr && !title_.isEmpty() && icon_ != 0) {
    window_->setTitle(toInt(icon_), title_);
  }
}

void clsBalloonTip::ForeColor(quint32 value) {
  foreColor_ = value;
  if (window_ != nullptr) window_->setTextColor(colorFromColorRef(value));
}

void clsBalloonTip::BackColor(quint32 value) {
  backColor_ = value;
  if (window_ != nullptr) window_->setBackColor(colorFromColorRef(value));
}

void clsBalloonTip::TipText(const QString& value) {
  tipText_ = value;
  if (window_ != nullptr) window_->setText(value);
}

bool clsBalloonTip::Create(QWidget* ParentHwnd) {
  Destroy();
  if (ParentHwnd == nullptr) return false;
  window_ = new BalloonTipWindow(ParentHwnd, style_ == 1, centered_);
  window_->setText(tipText_);
  if (!title_.isEmpty() || icon_ != 0) window_->setTitle(toInt(icon_), title_);
  // 0 stands for "keep the palette's colour" here, so black cannot be chosen at creation.
  if (foreColor_ != 0) window_->setTextColor(colorFromColorRef(foreColor_));
  if (backColor_ != 0) window_->setBackColor(colorFromColorRef(backColor_));
  window_->setDelays(toInt(visibleTime_), toInt(delayTime_));
  return false;
}

void clsBalloonTip::Destroy() {
  delete window_.data();
  window_ = nullptr;
}

}  // namespace mobrel
