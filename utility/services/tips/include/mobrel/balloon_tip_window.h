#pragma once

#include <QColor>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QWidget>

namespace mobrel {

// The tip window of one tool widget: after the pointer has rested on the tool for the initial
// delay it shows its title line (icon and bold title) and text, as a balloon pointing at the
// tool or as a plain rectangle, and hides again after the visible time, when the pointer
// leaves or a button is pressed. The window belongs to the tool and goes with it.
class BalloonTipWindow : public QWidget {
 public:
  enum IconCode { NoIcon = 0, InfoIcon = 1, WarningIcon = 2, ErrorIcon = 3 };

  BalloonTipWindow(QWidget* tool, bool balloon, bool centered);
  ~BalloonTipWindow() override;

  QWidget* tool() const { return tool_; }
  bool isBalloon() const { return balloon_; }
  bool isCentered() const { return centered_; }

  // The title line; it shows only when the title is not empty.
  void setTitle(int icon, const QString& title);
  int icon() const { return icon_; }
  const QString& title() const { return title_; }
  void setText(const QString& text);
  const QString& text() const { return text_; }
  // An invalid colour keeps the tool-tip colours of the palette.
  void setTextColor(const QColor& color);
  QColor textColor() const;
  void setBackColor(const QColor& color);
  QColor backColor() const;
  // Milliseconds the tip stays (negative: the desktop's usual time) and the delay before it
  // shows.
  void setDelays(int visibleMs, int initialMs);
  int visibleTime() const;
  int initialDelay() const { return showTimer_.interval(); }

  // Shows the tip now, pointing at the tool.
  void popUp();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void relayout();
  QPoint anchor() const;

  QPointer<QWidget> tool_;
  bool balloon_;
  bool centered_;
  int icon_ = NoIcon;
  QString title_;
  QString text_;
  QColor textColor_;
  QColor backColor_;
  int visibleMs_ = -1;
  QTimer showTimer_;
  QTimer hideTimer_;
  bool tailUp_ = true;  // the balloon's tail points up at a tool above it
};

}  // namespace mobrel
