#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <functional>

// Runs `act` on the modal window once the code under test has shown it (on the first turn of
// the window's own event loop), so a test can answer a modal dialog. If no modal window
// appears, the test fails and every top-level window is closed, so the test cannot hang.
template <typename Window>
void whenModal(std::function<void(Window*)> act) {
  QTimer::singleShot(0, [act] {
    auto* window = dynamic_cast<Window*>(QApplication::activeModalWidget());
    if (!window) {
      ADD_FAILURE() << "no modal window of the expected kind";
      for (QWidget* w : QApplication::topLevelWidgets()) w->close();
      return;
    }
    act(window);
  });
}
