#pragma once

#include <QLabel>

namespace mobrel::skin {

// The message of the message box. Unlike a word-wrapped label it never cuts a line off: a path
// breaks after any of its separators ("/", "\", "_"), and a run longer than the width breaks
// anywhere. text() is the message as given.
class MessageText : public QLabel {
 public:
  explicit MessageText(QWidget* parent);

  // The height the whole text takes in `width` pixels.
  int heightFor(int width) const;
  // The width of the longest paragraph laid out on one line.
  int naturalWidth() const;

  bool hasHeightForWidth() const override { return true; }
  int heightForWidth(int width) const override { return heightFor(width); }

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  // Lays the text out in `width` (no limit when negative), drawing it when a painter is given;
  // answers the height and, through `widest`, the widest line.
  int layOut(qreal width, QPainter* painter, qreal* widest = nullptr) const;
};

}  // namespace mobrel::skin
