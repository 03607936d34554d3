#pragma once

#include <QPointer>
#include <QString>

#include "mobrel/balloon_tip_window.h"

class QWidget;

namespace mobrel {

// A balloon tip over one widget (the tool). Set the properties, then Create the tip for a
// widget; the tip shows by itself while the pointer rests on the widget. Before Create the
// properties are only stored. After it, Title and Icon change the tip when the title is not
// empty and the icon not 0, the colours and the text change it always.
//
// Colours are Windows colour values 0x00BBGGRR; 0 at creation keeps the palette's colour.
class clsBalloonTip {
 public:
  clsBalloonTip() = default;
  // The tip window stays with its widget.
  ~clsBalloonTip() = default;

  long Style() const { return style_; }  // 1 balloon, else a plain rectangle
  void Style(long value) { style_ = value; }
  bool Centered() const { return centered_; }  // centred under the widget
  void Centered(bool value) { centered_ = value; }
  long Icon() const { return icon_; }  // 0 none, 1 information, 2 warning, 3 error
  void Icon(long value);
  quint32 ForeColor() const { return foreColor_; }
  void ForeColor(quint32 value);
  quint32 BackColor() const { return backColor_; }
  void BackColor(quint32 value);
  const QString& Title() const { return title_; }
  void Title(const QString& value);
  const QString& TipText() const { return tipText_; }
  void TipText(const QString& value);
  long VisibleTime() const { return visibleTime_; }  // milliseconds; -1 the usual time
  void VisibleTime(long value) { visibleTime_ = value; }
  long DelayTime() const { return delayTime_; }  // milliseconds before the tip shows
  void DelayTime(long value) { delayTime_ = value; }

  // Makes the tip for the widget, replacing an earlier one. Always answers false.
  bool Create(QWidget* ParentHwnd);
  // Removes the tip from its widget.
  void Destroy();

  // The current tip window, or null.
  BalloonTipWindow* tipWindow() const { return window_; }

 private:
  void applyTitle();

  long style_ = 1;
  bool centered_ = false;
  long icon_ = 1;
  quint32 foreColor_ = 0;
  quint32 backColor_ = 0;
  QString title_;
  QString tipText_;
  long visibleTime_ = -1;
  long delayTime_ = 100;
  QPointer<BalloonTipWindow> window_;
};

// A Windows colour value 0x00BBGGRR as a colour.
QColor colorFromColorRef(quint32 value);

}  // namespace mobrel
