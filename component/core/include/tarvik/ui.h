#pragma once

// The component's user interface: the yield to the event loop, the questions it asks and the
// notice window. CAD talks to this interface only, so it runs without a QApplication; the Qt
// implementation is used when one exists, and tests install a scripted one.

#include <QString>
#include <functional>
#include <memory>
#include <optional>

namespace tarvik {

// What the drawing-number dialog of a window plot holds: drawing number, name and scale, as
// typed.
struct DrawingNumberEntry {
  QString number, name, scale;
};
// The dialog's check when the user confirms: "" accepts the entry; any other text is shown as a
// message and the dialog stays open.
using DrawingNumberCheck = std::function<QString(const DrawingNumberEntry&)>;

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

  // The modal drawing-number dialog: returns the first entry that passes `check` (each refusal
  // shown as an information message titled "Tarvik"), nullopt when the user cancels. Without a
  // window to ask in, the dialog is cancelled at once.
  virtual std::optional<DrawingNumberEntry> askDrawingNumber(const DrawingNumberCheck& check);
};

// Installs the interface new CAD objects take; nullptr returns to the default choice.
void installUi(std::shared_ptr<Ui> ui);
// The installed interface, else the Qt one when a QApplication exists, else a headless one
// that answers every question Yes.
std::shared_ptr<Ui> currentUi();

}  // namespace tarvik
