#pragma once

#include <QDialog>

class QLabel;

namespace mobrel {

namespace skin {
class ButtonLabel;
class ButtonShape;
}  // namespace skin

// The frameless 274 x 177 dialog that the message and input boxes share: a painted title bar
// and frame, a title label (lblTitle) that drags the window, a close button (imgClose), a
// separator (Line1) and two buttons, each a caption (labOK, labCancel) on a rounded outline
// (shpOK, shpCancel). Every piece is a child widget named as above, so tests can find and
// click them. Hovering a caption colours it, pressing it colours its outline; moving over the
// window's background or its bottom edge resets both.
//
// The keyboard works as in a standard dialog: Enter answers with the focused button, or with
// the first (default) button when the focus is elsewhere; Escape answers with the second
// button, or with the close button when the second one is hidden; Space presses the focused
// button; Tab moves between the field (if any) and the visible buttons.
class SkinnedWindow : public QDialog {
 public:
  static constexpr int kWidth = 274;
  static constexpr int kHeight = 177;

  // Prepares the window before it is shown: keeps it on top.
  virtual void Load();

  QLabel* titleLabel() const { return title_; }
  // How much wider and taller than designed the window was made (see setGrowth).
  QSize growth() const { return growth_; }
  QLabel* okLabel() const;
  QLabel* cancelLabel() const;
  QWidget* okShape() const;
  QWidget* cancelShape() const;

 protected:
  SkinnedWindow(const QString& title, int titleWidthTwips, QWidget* owner);

  virtual void okClicked() = 0;
  virtual void cancelClicked() = 0;
  virtual void closeClicked() = 0;

  // Places the buttons (captions and outlines, lefts in twips), shifted as setGrowth says.
  void placeButtons(int okLabelLeft, int okShapeLeft, int cancelLabelLeft, int cancelShapeLeft);
  // Makes the window dx pixels wider and dy taller than designed: the title and the separator
  // get longer, the buttons stay centred below the separator, the skin follows the size.
  void setGrowth(int dx, int dy);
  // Makes `field` the widget that has the focus when the window shows, first in the Tab
  // order, and one in which Enter answers with the first button.
  void setField(QWidget* field);

  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void resetButtons();
  // Answers as the Enter key does.
  void enterPressed();

  QLabel* title_ = nullptr;
  skin::ButtonLabel* okLabel_ = nullptr;
  skin::ButtonLabel* cancelLabel_ = nullptr;
  skin::ButtonShape* okShape_ = nullptr;
  skin::ButtonShape* cancelShape_ = nullptr;
  QWidget* close_ = nullptr;
  QList<QWidget*> dragHandles_;
  QWidget* bottomEdge_ = nullptr;
  QWidget* field_ = nullptr;
  QWidget* line_ = nullptr;
  int titleWidth_ = 0;
  int buttonLefts_[4] = {0, 0, 0, 0};
  QSize growth_;
};

// Converts a design length in twips to pixels (15 twips to the pixel).
int twips(int value);

}  // namespace mobrel
