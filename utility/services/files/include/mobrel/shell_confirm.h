#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace mobrel {

// Asks the user a yes/no question before a file operation that was called with its alarm flag
// set (a permanent delete, a replacement of an existing file). The default shows a Qt question
// box over the owner when a QApplication runs, and answers yes without one. Tests and programs
// may install their own; an empty function restores the default.
using ShellConfirmHandler = std::function<bool(QWidget* owner, const QString& question)>;

void setShellConfirmHandler(ShellConfirmHandler handler);
bool askShellConfirmation(QWidget* owner, const QString& question);

}  // namespace mobrel
