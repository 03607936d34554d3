#include <gtest/gtest.h>

#include <QFileDialog>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTest>

#include <memory>

#include "mobrel/api.h"
#include "mobrel/balloon_tip_window.h"
#include "mobrel/input_box.h"
#include "mobrel/message_box.h"
#include "modal_driver.h"
#include "sheetcut/error.h"

using mobrel::API;
using mobrel::BalloonTipWindow;
using mobrel::frmInputBox;
using mobrel::frmMsgBox;

namespace {

QString textOf(QWidget* window, const char* name) {
  auto* label = window->findChild<QLabel*>(QLatin1String(name));
  return label != nullptr ? label->text() : QStringLiteral("<no %1>").arg(name);
}

void click(QWidget* window, const char* name) {
  QTest::mouseClick(window->findChild<QWidget*>(QLatin1String(name)), Qt::LeftButton);
}

struct SeenBox {
  QString title, message, ok, cancel;
  bool cancelShown = true;
};

// Answers the next message box by clicking one of its pieces, noting what it showed.
std::shared_ptr<SeenBox> answerMessageBox(const char* clickOn) {
  auto seen = std::make_shared<SeenBox>();
  whenModal<frmMsgBox>([seen, clickOn](frmMsgBox* box) {
    seen->title = textOf(box, "lblTitle");
    seen->message = textOf(box, "lblMsg");
    seen->ok = textOf(box, "labOK");
    seen->cancel = textOf(box, "labCancel");
    seen->cancelShown = box->cancelLabel()->isVisible();
    click(box, clickOn);
  });
  return seen;
}

TEST(ApiWindows, AlertConfirmAndInputBox) {
  API api;
  auto seen = answerMessageBox("labOK");
  api.Alert("已完成");
  EXPECT_EQ(seen->message, "已完成");
  EXPECT_EQ(seen->title, "系统提示");
  EXPECT_FALSE(seen->cancelShown);

  seen = answerMessageBox("labOK");
  EXPECT_TRUE(api.Confirm("继续吗？"));
  EXPECT_EQ(seen->ok, "确定(&OK)");
  EXPECT_EQ(seen->cancel, "取消(&C)");
  seen = answerMessageBox("labCancel");
  EXPECT_FALSE(api.Confirm("继续吗？", "ok", "标题"));
  EXPECT_EQ(seen->ok, "是(&Y)");
  EXPECT_EQ(seen->title, "标题");

  auto tip = std::make_shared<QString>();
  whenModal<frmInputBox>([tip](frmInputBox* box) {
    *tip = textOf(box, "labTip");
    box->findChild<QPlainTextEdit*>("txtMemo")->setPlainText("A-02");
    click(box, "labOK");
  });
  EXPECT_EQ(api.InputBox(), "A-02");
  EXPECT_EQ(*tip, "请输入内容：");
  whenModal<frmInputBox>([](frmInputBox* box) { click(box, "labCancel"); });
  EXPECT_EQ(api.InputBox("图号：", "A-01", "输入"), "");
}

TEST(ApiWindows, ShowErrShowsNumberedErrorAndClearsIt) {
  API api;
  mobrel::ErrObject none(0, "kept");
  // A box, if one showed, would be closed and noted.
  auto boxShown = std::make_shared<bool>(false);
  QTimer::singleShot(0, [boxShown] {
    if (QWidget* box = QApplication::activeModalWidget()) *boxShown = box->close();
  });
  api.ShowErr(none, "SplitDwg");
  QApplication::processEvents();
  EXPECT_FALSE(*boxShown);
  EXPECT_EQ(none.Description, "kept");

  mobrel::ErrObject err(sheetcut::Error(53, "文件未找到"));
  auto seen = answerMessageBox("labOK");
  api.ShowErr(err, "SplitDwg");
  EXPECT_EQ(seen->message, "SplitDwg函数发生异常[53], 原因：\r\n\r\n文件未找到");
  EXPECT_EQ(seen->title, "系统提示");
  EXPECT_EQ(err.Number, 0);
  EXPECT_EQ(err.Description, "");
}

TEST(ApiWindows, DialogDefaults) {
  API api;
  auto title = std::make_shared<QString>();
  auto multiple = std::make_shared<bool>(false);
  whenModal<QFileDialog>([title, multiple](QFileDialog* dlg) {
    *title = dlg->windowTitle();
    *multiple = dlg->fileMode() == QFileDialog::ExistingFiles;
    dlg->reject();
  });
  EXPECT_EQ(api.SelectFiles().iCount, 0);
  EXPECT_EQ(*title, "请选择文件");
  EXPECT_TRUE(*multiple);
  whenModal<QFileDialog>([title](QFileDialog* dlg) {
    *title = dlg->windowTitle();
    dlg->reject();
  });
  EXPECT_EQ(api.SelectFolder(nullptr), "");
  EXPECT_EQ(*title, "请选择一个文件夹");
}

TEST(ApiWindows, ToolTipStaysWithItsFirstText) {
  API api;
  QWidget first, second;
  auto textOfTip = [](QWidget& w) {
    const auto tips = w.findChildren<BalloonTipWindow*>();
    return tips.size() == 1 ? tips.front()->title() + "|" + tips.front()->text() : QString();
  };
  api.CrtToolTip(&first, "first text", "Title");
  api.CrtToolTip(&first, "other text");
  EXPECT_EQ(textOfTip(first), "Title|first text");
  // Another widget in between lets the first one get a new tip.
  api.CrtToolTip(&second, "second text");
  EXPECT_EQ(textOfTip(second), "|second text");
  api.CrtToolTip(&first, "new text");
  EXPECT_EQ(textOfTip(first), "|new text");
}

}  // namespace
