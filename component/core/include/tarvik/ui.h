#pragma once

// The component's user interface: the yield to the event loop, the questions it asks and the
// notice window. CAD talks to this interface only, so it runs without a QApplication; the Qt
// implementation is used when one exists, and tests install a scripted one.

#include <QString>
#include <memory>

namespace tarvik {

class Ui {
 public:
  virtual ~Ui() = default;

  // Lets pending window events run (called in long loops and before a stop question).
  virtual void processEvents() = 0;
  // A Yes/No question without icon; true for Yes.
  virtual bool askYesNo(const QString& title, const QString& text) = 0;
  // A message with an OK button; returns when it was acknowledged.
  virtual void showMessage(const QString& title, const QString& text) = 0;

  // The notice window of this thread: loaded with each CAD object, unloaded with it (counted,
  // so several objects share one window).
  virtual void loadNote() = 0;
  virtual void unloadNote() = 0;
  virtual void viewNote(const QString& text) = 0;
  virtual void hideNote() = 0;
};

// Installs the interface new CAD objects take; nullptr returns to the default choice.
void installUi(std::shared_ptr<Ui> ui);
// The installed interface, else the Qt one when a QApplication exists, else a headless one
// that answers every question Yes.
std::shared_ptr<Ui> currentUi();

}  // namespace tarvik
