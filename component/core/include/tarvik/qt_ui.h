#pragma once

// The Ui of a Qt Widgets program: message boxes, the event loop and the notice window. Needs a
// QApplication; one window per thread is shared by every CAD object that uses this Ui.

#include <memory>

#include "tarvik/ui.h"

namespace tarvik {

class frmNote;

class QtUi : public Ui {
 public:
  QtUi();
  ~QtUi() override;

  void processEvents() override;
  bool askYesNo(const QString& title, const QString& text) override;
  void showMessage(const QString& title, const QString& text) override;
  void loadNote() override;
  void unloadNote() override;
  void viewNote(const QString& text) override;
  void hideNote() override;
  // Shows frmDwg (see the plot folder).
  std::optional<DrawingNumberEntry> askDrawingNumber(const DrawingNumberCheck& check) override;

  // The notice window while loaded, else nullptr.
  frmNote* noteWindow() const { return note_.get(); }

 private:
  std::unique_ptr<frmNote> note_;
  int loads_ = 0;
};

}  // namespace tarvik
