#pragma once

// The notice window: a small borderless box in the middle of the screen that tells the user
// what is going on while the component is busy (such as starting the drawing host).

#include <QLabel>
#include <QWidget>

namespace tarvik {

class frmNote : public QWidget {
 public:
  frmNote();

  // Shows strNote on top of other windows and paints it at once (the caller may not return to
  // the event loop for a while).
  void ViewNote(const QString& strNote);
  // Clears the note and hides the window.
  void HideNote();

  QLabel* lblNote() const { return lblNote_; }

 private:
  QLabel* lblNote_;
};

}  // namespace tarvik
