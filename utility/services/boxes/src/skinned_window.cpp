#include "mobrel/skinned_window.h"

#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QShortcut>
#include <QWindow>
#include <QtDebug>

#include "mobrel/skin_layout.h"
#include "mobrel/window_top.h"
#include "sheetcut/error.h"
#include "skin_pieces.h"

namespace mobrel {

using skin::Piece;

int twips(int value) {
  return qRound(value / 15.0);
}

namespace {

QRect twipsRect(int left, int top, int width, int height) {
  return QRect(twips(left), twips(top), twips(width), twips(height));
}

Piece* addPiece(QWidget* parent, Piece::Kind kind, const char* name, QRect geometry) {
  auto* piece = new Piece(kind, name, parent);
  piece->setGeometry(geometry);
  return piece;
}

}  // namespace

SkinnedWindow::SkinnedWindow(const QString& title, int titleWidthTwips, QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::FramelessWindowHint) {
  setFixedSize(kWidth, kHeight);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, skin::kBackground);
  setPalette(pal);
  setAutoFillBackground(true);
  setMouseTracking(true);
  setFont(skin::boxFont());

  // Created from the bottom of the stack upwards: a later sibling covers an earlier one.
  addPiece(this, Piece::Kind::WindowRight, "imgWindowRight", twipsRect(3960, 360, 90, 1500));
  bottomEdge_ =
      addPiece(this, Piece::Kind::WindowBottom, "imgWindowBottom", twipsRect(1080, 2400, 120, 210));
  bottomEdge_->setMouseTracking(true);
  dragHandles_.append(
      addPiece(this, Piece::Kind::TitleRight, "imgTitleRight", twipsRect(1440, 0, 1530, 450)));
  dragHandles_.append(
      addPiece(this, Piece::Kind::TitleLeft, "imgTitleLeft", twipsRect(0, 0, 1320, 450)));
  addPiece(this, Piece::Kind::TitleMain, "imgTitleMain", twipsRect(1320, 0, 120, 450));
  close_ = addPiece(this, Piece::Kind::Close, "imgClose", twipsRect(2625, 105, 225, 225));
  close_->setProperty("Tag", QStringLiteral("4"));
  close_->setCursor(Qt::PointingHandCursor);

  title_ = new QLabel(title, this);
  title_->setObjectName(QStringLiteral("lblTitle"));
  title_->setGeometry(twipsRect(120, 105, titleWidthTwips, 300));
  titleWidth_ = title_->width();
  title_->setProperty("Tag", QStringLiteral("6"));
  title_->setFont(skin::boxFont(true));
  title_->setIndent(twips(240) + 4);  // clear of the title-bar icon
  QPalette titlePal = title_->palette();
  titlePal.setColor(QPalette::WindowText, skin::kTitleText);
  title_->setPalette(titlePal);
  dragHandles_.append(title_);

  addPiece(this, Piece::Kind::TitleIcon, "imgIcon", twipsRect(120, 105, 240, 240));
  addPiece(this, Piece::Kind::WindowBottomRight, "imgWindowBottomRight",
           twipsRect(3600, 2280, 480, 210));
  addPiece(this, Piece::Kind::WindowLeft, "imgWindowLeft", twipsRect(0, 480, 90, 1500));
  addPiece(this, Piece::Kind::WindowBottomLeft, "imgWindowBottomLeft",
           twipsRect(0, 2400, 990, 210));
  line_ = addPiece(this, Piece::Kind::Line, "Line1", QRect(twips(90), twips(1950), twips(3900), 1));

  okShape_ = new skin::ButtonShape("shpOK", this);
  okLabel_ = new skin::ButtonLabel(QStringLiteral("确定(&OK)"), "labOK", this);
  cancelShape_ = new skin::ButtonShape("shpCancel", this);
  cancelLabel_ = new skin::ButtonLabel(QStringLiteral("取消(&C)"), "labCancel", this);
  placeButtons(1073, 1028, 2153, 2108);

  for (QWidget* w : {static_cast<QWidget*>(okLabel_), static_cast<QWidget*>(cancelLabel_), close_,
                     bottomEdge_}) {
    w->installEventFilter(this);
  }
  for (QWidget* w : dragHandles_) w->installEventFilter(this);
  setTabOrder(okLabel_, cancelLabel_);
  LayoutSkin(this);
}

void SkinnedWindow::Load() {
  SetTopMost(this, true);
}

QLabel* SkinnedWindow::okLabel() const {
  return okLabel_;
}
QLabel* SkinnedWindow::cancelLabel() const {
  return cancelLabel_;
}
QWidget* SkinnedWindow::okShape() const {
  return okShape_;
}
QWidget* SkinnedWindow::cancelShape() const {
  return cancelShape_;
}

void SkinnedWindow::placeButtons(int okLabelLeft, int okShapeLeft, int cancelLabelLeft,
                                 int cancelShapeLeft) {
  buttonLefts_[0] = okLabelLeft;
  buttonLefts_[1] = okShapeLeft;
  buttonLefts_[2] = cancelLabelLeft;
  buttonLefts_[3] = cancelShapeLeft;
  const QPoint shift(growth_.width() / 2, growth_.height());
  okShape_->setGeometry(twipsRect(okShapeLeft, 2100, 975, 375).translated(shift));
  okLabel_->setGeometry(twipsRect(okLabelLeft, 2205, 900, 255).translated(shift));
  cancelShape_->setGeometry(twipsRect(cancelShapeLeft, 2100, 975, 375).translated(shift));
  cancelLabel_->setGeometry(twipsRect(cancelLabelLeft, 2205, 900, 255).translated(shift));
}

void SkinnedWindow::setGrowth(int dx, int dy) {
  growth_ = QSize(dx, dy);
  setFixedSize(kWidth + dx, kHeight + dy);
  title_->resize(titleWidth_ + dx, title_->height());
  line_->setGeometry(twips(90), twips(1950) + dy, twips(3900) + dx, 1);
  placeButtons(buttonLefts_[0], buttonLefts_[1], buttonLefts_[2], buttonLefts_[3]);
}

void SkinnedWindow::setField(QWidget* field) {
  field_ = field;
  field_->installEventFilter(this);
  setTabOrder(field_, okLabel_);
  setTabOrder(okLabel_, cancelLabel_);
}

void SkinnedWindow::enterPressed() {
  if (focusWidget() == cancelLabel_ && cancelLabel_->isVisible()) {
    cancelClicked();
  } else {
    okClicked();
  }
}

void SkinnedWindow::keyPressEvent(QKeyEvent* event) {
  if (event->modifiers() & ~Qt::KeypadModifier) {
    QDialog::keyPressEvent(event);
    return;
  }
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      enterPressed();
      break;
    case Qt::Key_Escape:
      if (cancelLabel_->isVisible()) {
        cancelClicked();
      } else {
        closeClicked();
      }
      break;
    case Qt::Key_Space:
      if (focusWidget() == okLabel_) {
        okClicked();
      } else if (focusWidget() == cancelLabel_) {
        cancelClicked();
      }
      break;
    default:
      QDialog::keyPressEvent(event);
      return;
  }
  event->accept();
}

void SkinnedWindow::resetButtons() {
  okLabel_->setColour(skin::kTextNormal);
  cancelLabel_->setColour(skin::kTextNormal);
  okShape_->setOutline(skin::kOutlineNormal);
  cancelShape_->setOutline(skin::kOutlineNormal);
}

bool SkinnedWindow::eventFilter(QObject* watched, QEvent* event) {
  auto* widget = qobject_cast<QWidget*>(watched);
  const auto type = event->type();
  if (widget != nullptr && widget == field_ && type == QEvent::KeyPress) {
    // The field would take Enter as a line break; the box answers instead.
    const auto* key = static_cast<QKeyEvent*>(event);
    if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
        !(key->modifiers() & ~Qt::KeypadModifier)) {
      enterPressed();
      return true;
    }
  }
  const bool leftButton =
      (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease) &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
  if (type == QEvent::MouseMove) {
    if (widget == bottomEdge_) resetButtons();
    if (widget == okLabel_) okLabel_->setColour(skin::kTextHover);
    if (widget == cancelLabel_) cancelLabel_->setColour(skin::kTextHover);
  } else if (type == QEvent::MouseButtonPress && leftButton) {
    if (widget == okLabel_) okShape_->setOutline(skin::kOutlinePressed);
    if (widget == cancelLabel_) cancelShape_->setOutline(skin::kOutlinePressed);
    if (dragHandles_.contains(widget) && windowHandle()) windowHandle()->startSystemMove();
  } else if (type == QEvent::MouseButtonRelease && leftButton &&
             widget->rect().contains(static_cast<QMouseEvent*>(event)->position().toPoint())) {
    if (widget == okLabel_)
      okClicked();
    else if (widget == cancelLabel_)
      cancelClicked();
    else if (widget == close_)
      closeClicked();
  }
  return QDialog::eventFilter(watched, event);
}

void SkinnedWindow::mouseMoveEvent(QMouseEvent* event) {
  // Moves over a child that does not take them arrive here too; only the bare background
  // resets the buttons.
  if (!childAt(event->position().toPoint())) resetButtons();
  QDialog::mouseMoveEvent(event);
}

void SkinnedWindow::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  try {
    LayoutSkin(this);
  } catch (const sheetcut::Error& e) {
    qWarning("%s", e.what());  // every skinned window has all its pieces
  }
}

void SkinnedWindow::showEvent(QShowEvent* event) {
  // The "&" letters of the captions work as Alt shortcuts, as on a button.
  for (QShortcut* old : findChildren<QShortcut*>(QString(), Qt::FindDirectChildrenOnly)) {
    delete old;
  }
  for (skin::ButtonLabel* label : {okLabel_, cancelLabel_}) {
    const QKeySequence key = QKeySequence::mnemonic(label->text());
    if (key.isEmpty() || label->isHidden()) continue;
    auto* shortcut = new QShortcut(key, this);
    connect(shortcut, &QShortcut::activated, this,
            [this, label] { label == okLabel_ ? okClicked() : cancelClicked(); });
  }
  QDialog::showEvent(event);
  // As a standard dialog, the window opens with the focus on its field or default button.
  if (field_ != nullptr) {
    field_->setFocus(Qt::OtherFocusReason);
  } else {
    okLabel_->setFocus(Qt::OtherFocusReason);
  }
}

}  // namespace mobrel
