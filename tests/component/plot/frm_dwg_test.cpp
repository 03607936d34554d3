// The drawing-number dialog: its check, its results, the scripted dialog and the Qt dialog
// driven by its buttons; and the sheet size a window plot records.

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "qstring_printer.h"
#include "tarvik/frm_dwg.h"
#include "tarvik/scripted_ui.h"

namespace tarvik {
namespace {

const QString kIncomplete = QStringLiteral("信息输入不全");
const QString kNumberForm = QStringLiteral("图号必须为*-*-*格式");
const QString kScale = QStringLiteral("比例必须大于零的数字");

TEST(FrmDwg, TheCheckWantsAllThreeFieldsANumberWithTwoDashesAndAScaleAboveZero) {
  EXPECT_EQ(frmDwgCheck({"A-01-001", "总平面图", "100"}), "");
  EXPECT_EQ(frmDwgCheck({" --  ", "x", " 1 "}), "");  // two "-" alone, fields trimmed
  EXPECT_EQ(frmDwgCheck({"A-01", "x", "100"}), kNumberForm);
  EXPECT_EQ(frmDwgCheck({"A-01-001-2", "x", "100"}), kNumberForm);
  EXPECT_EQ(frmDwgCheck({"A-01-001", " ", "100"}), kIncomplete);
  EXPECT_EQ(frmDwgCheck({"", "x", "1"}), kIncomplete);
  EXPECT_EQ(frmDwgCheck({"A-01", "x", ""}), kIncomplete);  // emptiness is checked first
  for (const char* bad : {"0", "-5", "abc", "1e-50", "inf"})
    EXPECT_EQ(frmDwgCheck({"A-01-001", "x", bad}), kScale) << bad;
  EXPECT_EQ(frmDwgCheck({"A-01-001", "x", "0.5"}), "");
}

TEST(FrmDwg, ResultsAreTrimmedAndACancelGivesNothing) {
  const DrawingNumberResult r = drawingNumberResult(DrawingNumberEntry{" A-1-2 ", " 图 ", " 50 "});
  EXPECT_EQ(r.DlgDwgNo, "A-1-2");
  EXPECT_EQ(r.DlgDwgName, "图");
  EXPECT_EQ(r.DlgScale, 50);
  const DrawingNumberResult none = drawingNumberResult(std::nullopt);
  EXPECT_EQ(none.DlgDwgNo, "");
  EXPECT_EQ(none.DlgScale, 0);
}

TEST(FrmDwg, AScriptedDialogShowsEachRefusalAndEndsAtTheFirstAcceptedEntry) {
  ScriptedUi ui;
  ui.queueDrawingNumber(
      {DrawingNumberEntry{"A-01", "x", "1"}, DrawingNumberEntry{"A-01-001", "x", "0"},
       DrawingNumberEntry{"A-01-001", "x", "100"}, DrawingNumberEntry{"never", "", ""}});
  ui.queueDrawingNumber({DrawingNumberEntry{"", "", ""}, std::nullopt});
  const auto first = ui.askDrawingNumber(frmDwgCheck);
  ASSERT_TRUE(first.has_value());
  EXPECT_EQ(first->scale, "100");
  ASSERT_EQ(ui.messages().size(), 2u);
  EXPECT_EQ(ui.messages()[0].title, "Tarvik");
  EXPECT_EQ(ui.messages()[0].text, kNumberForm);
  EXPECT_EQ(ui.messages()[1].text, kScale);
  EXPECT_FALSE(ui.askDrawingNumber(frmDwgCheck).has_value());  // refused, then cancelled
  EXPECT_EQ(ui.messages().back().text, kIncomplete);
  EXPECT_FALSE(ui.askDrawingNumber(frmDwgCheck).has_value());  // no script: cancelled
  EXPECT_EQ(ui.drawingNumberDialogs(), 3);
}

TEST(FrmDwg, TheQtDialogStaysOpenOnARefusalAndClosesOnConfirmOrCancel) {
  QStringList shown;
  frmDwg dialog(frmDwgCheck, [&](const QString& m) { shown << m; });
  EXPECT_EQ(dialog.windowTitle(), "请输入以下信息");
  EXPECT_EQ(dialog.Command1->text(), "确 定");
  EXPECT_EQ(dialog.Command2->text(), "取 消");
  dialog.Text1->setText("A-01");
  dialog.Text2->setText("总平面图");
  dialog.Text3->setText("100");
  QTimer::singleShot(0, [&] {
    dialog.Command1->click();  // refused: stays open
    dialog.Text1->setText("A-01-001");
    dialog.Command1->click();
  });
  EXPECT_EQ(dialog.exec(), QDialog::Accepted);
  EXPECT_EQ(shown, QStringList{kNumberForm});
  ASSERT_TRUE(dialog.confirmed().has_value());
  EXPECT_EQ(dialog.confirmed()->number, "A-01-001");

  frmDwg cancelled(frmDwgCheck, [&](const QString& m) { shown << m; });
  QTimer::singleShot(0, [&] { cancelled.Command2->click(); });
  EXPECT_EQ(cancelled.exec(), QDialog::Rejected);
  EXPECT_FALSE(cancelled.confirmed().has_value());
}

TEST(FrmDwg, TheWindowSheetSizeTakesTheFirstSizeWithinNinetyNineMillimetres) {
  EXPECT_EQ(windowSheetSize(42000, 29700, 100), "A3");
  EXPECT_EQ(windowSheetSize(21000, 29700, 100), "A4");
  EXPECT_EQ(windowSheetSize(29700, 42000, 100), "A3");  // portrait wider than 280: turned
  EXPECT_EQ(windowSheetSize(1189, 841, 1), "A0");
  EXPECT_EQ(windowSheetSize(50, 50, 1), "A3");
  EXPECT_EQ(windowSheetSize(-594, -420, 1), "A2");
  EXPECT_EQ(windowSheetSize(841, 594, 1), "A1");
  EXPECT_EQ(windowSheetSize(297, 210, 1), "A4");  // the ranges overlap: A4 is tested first
}

}  // namespace
}  // namespace tarvik
