// The user interface of a Qt Widgets program.

#include "tarvik/qt_ui.h"

#include <QApplication>
#include <QMessageBox>

#include "tarvik/note_window.h"

namespace tarvik {

QtUi::QtUi() = default;
QtUi::~QtUi() = default;

void QtUi::processEvents() {
  QCoreApplication::processEvents();
}

bool QtUi::askYesNo(const QString& title, const QString& text) {
  QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Yes | QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

void QtUi::showMessage(const QString& title, const QString& text) {
  QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok);
  box.exec();
}

void QtUi::loadNote() {
  if (loads_++ == 0) note_ = std::make_unique<frmNote>();
}

void QtUi::unloadNote() {
  if (loads_ > 0 && --loads_ == 0) note_.reset();
}

void QtUi::viewNote(const QString& text) {
  if (note_) note_->ViewNote(text);
}

void QtUi::hideNote() {
  if (note_) note_->HideNote();
}

}  // namespace tarvik
