#include "mobrel/balloon_tip_window.h"

#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QStyle>

#include <algorithm>

namespace mobrel {

namespace {

constexpr int kPadding = 8;
constexpr int kIconSize = 16;
constexpr int kGap = 4;
constexpr int kTail = 12;       // height of the balloon's tail
constexpr int kTailInset = 20;  // where the tail leaves the body, from the left
constexpr int kRadius = 8;
constexpr int kTextFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextExpandTabs;

QStyle::StandardPixmap pixmapOf(int icon) {
  switch (icon) {
    case BalloonTipWindow::WarningIcon:
      return QStyle::SP_MessageBoxWarning;
    case BalloonTipWindow::ErrorIcon:
      return QStyle::SP_MessageBoxCritical;
    default:
      return QStyle::SP_MessageBoxInformation;
  }
}

bool hasIcon(int icon) {
  return icon >= BalloonTipWindow::InfoIcon && icon <= BalloonTipWindow::ErrorIcon;
}

}  // namespace

BalloonTipWindow::BalloonTipWindow(QWidget* tool, bool balloon, bool centered)
    : QWidget(tool, Qt::ToolTip | Qt::FramelessWindowHint),
      tool_(tool),
      balloon_(balloon),
      centered_(centered) {
  setAttribute(Qt::WA_ShowWithoutActivating);
  if (balloon_) setAttribute(Qt::WA_TranslucentBackground);
  showTimer_.setSingleShot(true);
  showTimer_.setInterval(100);
  hideTimer_.setSingleShot(true);
  QObject::connect(&showTimer_, &QTimer::timeout, this, [this] { popUp(); });
  QObject::connect(&hideTimer_, &QTimer::timeout, this, [this] { hide(); });
  tool->installEventFilter(this);
}

BalloonTipWindow::~BalloonTipWindow() {
  if (tool_ != nullptr) tool_->removeEventFilter(this);
}

void BalloonTipWindow::setTitle(int icon, const QString& title) {
  icon_ = icon;
  title_ = title;
  relayout();
}

void BalloonTipWindow::setText(const QString& text) {
  text_ = text;
  relayout();
}

void BalloonTipWindow::setTextColor(const QColor& color) {
  textColor_ = color;
  update();
}

QColor BalloonTipWindow::textColor() const {
  return textColor_.isValid() ? textColor_ : palette().color(QPalette::ToolTipText);
}

void BalloonTipWindow::setBackColor(const QColor& color) {
  backColor_ = color;
  update();
}

QColor BalloonTipWindow::backColor() const {
  return backColor_.isValid() ? backColor_ : palette().color(QPalette::ToolTipBase);
}

void BalloonTipWindow::setDelays(int visibleMs, int initialMs) {
  visibleMs_ = visibleMs;
  showTimer_.setInterval(std::max(0, initialMs));
}

int BalloonTipWindow::visibleTime() const {
  // The desktop's usual time: ten double-click intervals.
  return visibleMs_ < 0 ? QApplication::doubleClickInterval() * 10 : visibleMs_;
}

bool BalloonTipWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched != tool_) return false;
  switch (event->type()) {
    case QEvent::Enter:
      showTimer_.start();
      break;
    case QEvent::Leave:
    case QEvent::MouseButtonPress:
    case QEvent::Hide:
      showTimer_.stop();
      hideTimer_.stop();
      hide();
      break;
    case QEvent::ToolTip:
      return true;  // this tip takes the place of the widget's own
    default:
      break;
  }
  return false;
}

// The point the tip points at: under the middle of the tool when centred, else the pointer
// while it is on the tool.
QPoint BalloonTipWindow::anchor() const {
  const QPoint bottomMiddle = tool_->mapToGlobal(QPoint(tool_->width() / 2, tool_->height()));
  if (centered_) return bottomMiddle;
  const QPoint cursor = QCursor::pos();
  const QRect toolRect(tool_->mapToGlobal(QPoint(0, 0)), tool_->size());
  return toolRect.contains(cursor) ? cursor : bottomMiddle;
}

void BalloonTipWindow::relayout() {
  QFont bold = font();
  bold.setBold(true);
  const QFontMetrics titleMetrics(bold);
  const QRect textRect = fontMetrics().boundingRect(QRect(0, 0, 4000, 4000), kTextFlags, text_);
  int width = textRect.width();
  int height = textRect.height();
  if (!title_.isEmpty()) {
    const int iconWidth = hasIcon(icon_) ? kIconSize + kGap : 0;
    width = std::max(width, iconWidth + titleMetrics.horizontalAdvance(title_));
    height += std::max(hasIcon(icon_) ? kIconSize : 0, titleMetrics.height()) + kGap;
  }
  // Wide enough for the tail to leave the body's straight edge, also from the middle.
  const int minWidth = 2 * (2 * kTail + kRadius);
  setFixedSize(std::max(minWidth, width + 2 * kPadding + 1),
               height + 2 * kPadding + 1 + (balloon_ ? kTail : 0));
  update();
}

void BalloonTipWindow::popUp() {
  if (tool_ == nullptr || !tool_->isVisible()) return;
  relayout();
  const QPoint at = anchor();
  const int tailX = centered_ ? width() / 2 : std::min(kTailInset, width() / 2);
  QPoint topLeft(at.x() - tailX, at.y());
  tailUp_ = true;
  if (const QScreen* screen = tool_->screen()) {
    const QRect area = screen->availableGeometry();
    // Above the anchor when there is no room below it.
    if (topLeft.y() + height() > area.bottom() && at.y() - height() >= area.top()) {
      topLeft.setY(at.y() - height());
      tailUp_ = false;
    }
    topLeft.setX(
        std::clamp(topLeft.x(), area.left(), std::max(area.left(), area.right() - width())));
  }
  move(topLeft);
  show();
  hideTimer_.start(visibleTime());
}

void BalloonTipWindow::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  QRectF body = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
  QPainterPath outline;
  if (balloon_) {
    if (tailUp_) {
      body.setTop(body.top() + kTail);
    } else {
      body.setBottom(body.bottom() - kTail);
    }
    outline.addRoundedRect(body, kRadius, kRadius);
    const qreal tailX = centered_ ? width() / 2.0 : std::min<qreal>(kTailInset, width() / 2.0);
    const qreal base = tailUp_ ? body.top() : body.bottom();
    const qreal tip = tailUp_ ? 0.5 : height() - 0.5;
    QPainterPath tail;
    tail.moveTo(tailX, tip);
    tail.lineTo(tailX + kTail, base + (tailUp_ ? 1 : -1));
    tail.lineTo(tailX + 2 * kTail, base + (tailUp_ ? 1 : -1));
    tail.closeSubpath();
    outline = outline.united(tail);
  } else {
    outline.addRect(body);
  }
  painter.fillPath(outline, backColor());
  painter.setPen(textColor());
  painter.drawPath(outline);

  int y = static_cast<int>(body.top()) + kPadding;
  const int x = static_cast<int>(body.left()) + kPadding;
  if (!title_.isEmpty()) {
    QFont bold = font();
    bold.setBold(true);
    const QFontMetrics titleMetrics(bold);
    const int lineHeight = std::max(hasIcon(icon_) ? kIconSize : 0, titleMetrics.height());
    int titleX = x;
    if (hasIcon(icon_)) {
      const QPixmap pixmap = style()->standardIcon(pixmapOf(icon_)).pixmap(kIconSize, kIconSize);
      painter.drawPixmap(x, y + (lineHeight - kIconSize) / 2, pixmap);
      titleX += kIconSize + kGap;
    }
    painter.setFont(bold);
    painter.drawText(QRect(titleX, y, width(), lineHeight), Qt::AlignLeft | Qt::AlignVCenter,
                     title_);
    painter.setFont(font());
    y += lineHeight + kGap;
  }
  painter.drawText(QRect(x, y, width(), height()), kTextFlags, text_);
}

}  // namespace mobrel
