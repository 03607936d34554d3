#pragma once

#include <QColor>
#include <QFont>
#include <QLabel>
#include <QWidget>

namespace mobrel::skin {

// The colours of the skinned windows.
inline const QColor kBackground(198, 218, 239);
inline const QColor kTitleText(21, 66, 139);
inline const QColor kLine(192, 192, 192);
inline const QColor kOutlineNormal(18, 61, 179);
inline const QColor kOutlinePressed(192, 156, 15);
inline const QColor kTextNormal(0, 0, 0);
inline const QColor kTextHover(247, 192, 30);

// 9-point "宋体" (SimSun) with the CJK fonts fontconfig offers in its place.
QFont boxFont(bool bold = false);

// One painted piece of the window's skin.
class Piece : public QWidget {
 public:
  enum class Kind {
    TitleLeft,
    TitleMain,
    TitleRight,
    WindowLeft,
    WindowRight,
    WindowBottomLeft,
    WindowBottom,
    WindowBottomRight,
    Close,
    TitleIcon,
    MessageIcon,
    Line,
  };
  Piece(Kind kind, const char* name, QWidget* parent);

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  Kind kind_;
};

// A rounded button outline with a white fill. Its colour is also kept in the property
// "BorderColor", where a test or a caller can read it.
class ButtonShape : public QWidget {
 public:
  ButtonShape(const char* name, QWidget* parent);
  void setOutline(const QColor& colour);
  QColor outline() const { return outline_; }

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  QColor outline_;
};

// A button caption: centred text whose "&" underlines the mnemonic letter, in the colour of
// the palette's window text. It takes the keyboard focus by Tab, and shows it with a dotted
// rectangle as a button does.
class ButtonLabel : public QLabel {
 public:
  ButtonLabel(const QString& text, const char* name, QWidget* parent);
  void setColour(const QColor& colour);
  QColor colour() const { return palette().color(QPalette::WindowText); }

 protected:
  void paintEvent(QPaintEvent*) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
};

}  // namespace mobrel::skin
