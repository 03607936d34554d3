#include "mobrel/shell_confirm.h"

#include <QApplication>
#include <QMessageBox>

namespace mobrel {

namespace {

ShellConfirmHandler& handler() {
  static ShellConfirmHandler h;
  return h;
}

}  // namespace

void setShellConfirmHandler(ShellConfirmHandler h) {
  handler() = std::move(h);
}

bool askShellConfirmation(QWidget* owner, const QString& question) {
  if (handler()) return handler()(owner, question);
  if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return true;
  return QMessageBox::question(owner, QStringLiteral("确认"), question) == QMessageBox::Yes;
}

}  // namespace mobrel
