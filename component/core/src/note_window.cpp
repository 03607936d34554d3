// The notice window.

#include "tarvik/note_window.h"

#include <QApplication>
#include <QGuiApplication>
#include <QPalette>
#include <QScreen>

#include "tarvik/form_ctrl.h"

namespace tarvik {

namespace {

// Sizes of the original form, in twips (1/1440 inch; 15 twips are one pixel at 96 dpi).
constexpr int kTwipsPerPixel = 15;
constexpr int kClientWidth = 4035 / kTwipsPerPixel;
constexpr int kClientHeight = 1215 / kTwipsPerPixel;
constexpr int kLabelLeft = 30 / kTwipsPerPixel;
constexpr int kLabelTop = 480 / kTwipsPerPixel;
constexpr int kLabelWidth = 3975 / kTwipsPerPixel;
constexpr int kLabelHeight = 255 / kTwipsPerPixel;

}  // namespace

frmNote::frmNote() : QWidget(nullptr, Qt::FramelessWindowHint | Qt::Tool) {
  setObjectName(QStringLiteral("frmNote"));
  setAttribute(Qt::WA_ShowWithoutActivating);
  setFixedSize(kClientWidth, kClientHeight);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, QColor(208, 208, 191));
  pal.setColor(QPalette::WindowText, Qt::black);
  setPalette(pal);
  setAutoFillBackground(true);

  lblNote_ = new QLabel(this);
  lblNote_->setObjectName(QStringLiteral("lblNote"));
  lblNote_->setGeometry(kLabelLeft, kLabelTop, kLabelWidth, kLabelHeight);
  lblNote_->setAlignment(Qt::AlignCenter);
  lblNote_->setAttribute(Qt::WA_TranslucentBackground);
  QFont font(QStringLiteral("SimSun"));
  font.setFamilies({QStringLiteral("SimSun"), QStringLiteral("宋体"),
                    QStringLiteral("Noto Serif CJK SC"), QStringLiteral("Noto Sans CJK SC")});
  font.setPointSize(9);
  font.setBold(true);
  lblNote_->setFont(font);

  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->availableGeometry();
    move(area.center() - rect().center());
  }
}

void frmNote::ViewNote(const QString& strNote) {
  FormCtrl::SetTopMost(this, true);
  lblNote_->setText(strNote);
  show();
  // The caller is about to block (a host start pumps no events): paint now.
  repaint();
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void frmNote::HideNote() {
  FormCtrl::SetTopMost(this, false);
  lblNote_->clear();
  hide();
}

}  // namespace tarvik
