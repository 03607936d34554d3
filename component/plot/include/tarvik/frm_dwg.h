#pragma once

// frmDwg: the drawing-number dialog of a window plot ("请输入以下信息"), its check of what was
// typed, and the sheet size the window plot records for the typed scale.

#include <QDialog>
#include <QString>
#include <functional>
#include <optional>

#include "tarvik/ui.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace tarvik {

// The confirm button's check, with every field trimmed of spaces: "信息输入不全" when a field is
// empty, "图号必须为*-*-*格式" unless the number has exactly two "-", "比例必须大于零的数字"
// unless the scale is a number above 0 (in single precision); "" when the entry is accepted.
QString frmDwgCheck(const DrawingNumberEntry& entry);

// The dialog's three results: the trimmed number and name and the scale, or "", "" and 0 when
// it was cancelled.
struct DrawingNumberResult {
  QString DlgDwgNo;
  QString DlgDwgName;
  double DlgScale = 0;
};
DrawingNumberResult drawingNumberResult(const std::optional<DrawingNumberEntry>& entry);

// The sheet size of a window of width x height drawing units at `scale`: both sides rounded to
// paper millimetres, a portrait window wider than 280 mm taken as landscape, then the first of
// A4 (|h - 297| <= 99 and |w - 210| <= 99), A3 (|h - 297| <= 99), A2, A1, A0 (|h - 420|,
// |h - 594|, |h - 841| <= 99) that holds; A3 when none does.
QString windowSheetSize(double width, double height, double scale);

class frmDwg : public QDialog {
 public:
  // `showMessage` shows a refusal (an information box titled "Tarvik" when not given).
  explicit frmDwg(DrawingNumberCheck check, std::function<void(const QString&)> showMessage = {},
                  QWidget* parent = nullptr);

  // What was confirmed; nullopt while nothing was (cancel, or closed by its frame).
  const std::optional<DrawingNumberEntry>& confirmed() const { return confirmed_; }

  QLabel* Label1;
  QLineEdit* Text1;
  QLabel* Label2;
  QLineEdit* Text2;
  QLabel* Label3;
  QLineEdit* Text3;
  QPushButton* Command1;
  QPushButton* Command2;

 private:
  void confirm();

  DrawingNumberCheck check_;
  std::function<void(const QString&)> showMessage_;
  std::optional<DrawingNumberEntry> confirmed_;
};

}  // namespace tarvik
