#pragma once

// Opens files and folders with the desktop's opener (xdg-open), without a shell, and tells
// when no program could open them: the opener is missing, or it ran and found no program for
// the file (its exit code 3).

#include <QObject>
#include <QString>
#include <functional>

namespace sheetcut::app {

class DesktopOpener : public QObject {
 public:
  // `opener` is the program run with the path as its one argument.
  explicit DesktopOpener(QString opener = QStringLiteral("xdg-open"));
  // Openers still running are ended (a viewer one of them started stays open); their answers
  // no longer arrive.
  ~DesktopOpener() override;

  // Starts the opener and returns; `onNoProgram` runs, at once or later from the event loop,
  // when the opener could not be started or answered that no program opens the path.
  void open(const QString& path, std::function<void()> onNoProgram);

 private:
  QString opener_;
};

}  // namespace sheetcut::app
