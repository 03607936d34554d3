#include <gtest/gtest.h>

#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>

#include "mobrel/input_box.h"
#include "mobrel/message_box.h"
#include "mobrel/skin_layout.h"
#include "modal_driver.h"
#include "sheetcut/error.h"

using namespace mobrel;

namespace {

template <typename T = QWidget>
T* child(QWidget* window, const char* name) {
  T* w = window->findChild<T*>(QLatin1String(name));
  EXPECT_NE(w, nullptr) << name;
  return w;
}

void click(QWidget* window, const char* name) {
  QTest::mouseClick(child(window, name), Qt::LeftButton);
}

// Sends a pointer move over the widget, at its centre unless told where.
void moveOver(QWidget* widget, QPointF at = QPointF(-1, -1)) {
  if (at.x() < 0) at = QPointF(widget->width() / 2.0, widget->height() / 2.0);
  QMouseEvent move(QEvent::MouseMove, at, widget->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                   Qt::NoModifier);
  QApplication::sendEvent(widget, &move);
}

struct Seen {
  QString title, ok, cancel, message;
  bool cancelVisible = true;
  QRect okShape, okLabel;
};

}  // namespace

TEST(MessageBox, ConfirmCaptionsAndAnswers) {
  auto seen = std::make_shared<Seen>();
  auto record = [seen](const char* clickOn) {
    whenModal<frmMsgBox>([seen, clickOn](frmMsgBox* box) {
      seen->title = child<QLabel>(box, "lblTitle")->text();
      seen->ok = child<QLabel>(box, "labOK")->text();
      seen->cancel = child<QLabel>(box, "labCancel")->text();
      seen->message = child<QLabel>(box, "lblMsg")->text();
      click(box, clickOn);
    });
  };
  record("labOK");
  EXPECT_TRUE(confirmBox("继续吗？", "OK"));
  EXPECT_EQ(seen->ok, "确定(&OK)");
  EXPECT_EQ(seen->cancel, "取消(&C)");
  EXPECT_EQ(seen->title, "系统提示");
  EXPECT_EQ(seen->message, "继续吗？");

  for (const char* kind : {"ok", "", "YesNo"}) {
    record("labCancel");
    EXPECT_FALSE(confirmBox("继续吗？", kind, "标题"));
    EXPECT_EQ(seen->ok, "是(&Y)") << kind;
    EXPECT_EQ(seen->cancel, "否(&N)") << kind;
    EXPECT_EQ(seen->title, "标题");
  }
  record("imgClose");
  EXPECT_FALSE(confirmBox("继续吗？"));
}

TEST(MessageBox, AlertShowsOneCentredButton) {
  auto seen = std::make_shared<Seen>();
  whenModal<frmMsgBox>([seen](frmMsgBox* box) {
    seen->cancelVisible =
        child(box, "labCancel")->isVisible() || child(box, "shpCancel")->isVisible();
    seen->okShape = child(box, "shpOK")->geometry();
    seen->okLabel = child(box, "labOK")->geometry();
    seen->title = child<QLabel>(box, "lblTitle")->text();
    click(box, "labOK");
  });
  alertBox("完成", "");
  EXPECT_FALSE(seen->cancelVisible);
  EXPECT_EQ(seen->okShape.left(), 103);
  EXPECT_EQ(seen->okLabel.left(), 106);
  EXPECT_EQ(seen->title, "系统提示");
}

TEST(MessageBox, HoverAndPressColours) {
  frmMsgBox box;
  box.msgStr = "x";
  box.Load();
  box.show();
  auto* ok = child<QLabel>(&box, "labOK");
  auto* shape = child(&box, "shpOK");
  const QColor normalText(0, 0, 0), hoverText(247, 192, 30);
  const QColor normalOutline(18, 61, 179), pressedOutline(192, 156, 15);

  moveOver(ok);
  EXPECT_EQ(ok->palette().color(QPalette::WindowText), hoverText);
  QTest::mousePress(ok, Qt::LeftButton);
  EXPECT_EQ(shape->property("BorderColor").value<QColor>(), pressedOutline);
  moveOver(child(&box, "lblMsg"));  // not the background: the colours stay
  EXPECT_EQ(ok->palette().color(QPalette::WindowText), hoverText);
  moveOver(child(&box, "imgWindowBottom"));
  EXPECT_EQ(ok->palette().color(QPalette::WindowText), normalText);
  EXPECT_EQ(shape->property("BorderColor").value<QColor>(), normalOutline);
  moveOver(child(&box, "labCancel"));
  moveOver(&box, QPointF(30, 110));  // bare background
  EXPECT_EQ(child<QLabel>(&box, "labCancel")->palette().color(QPalette::WindowText), normalText);
  EXPECT_TRUE(box.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_TRUE(box.windowFlags().testFlag(Qt::FramelessWindowHint));
  box.close();
}

TEST(MessageBox, TheWholeMessageShowsOnA1024x768Screen) {
  const QString folder =
      "/home/user/drawings/project_for_testing_the_wrapping_of_long_paths/issued for tender/"
      "Structure_Level_3_slab_reinforcement_and_openings_revision_C/";
  const QString messages[] = {
      "程序的设置无法保存, 下次启动时不会保留。原因: "
      "\r\n无法写入设置文件\"/opt/sheetcut/cfg.ini\": "
      "Permission denied",
      folder + "D01-A-001不存在!可能是转换过程中出现异常",
      "/" + QString(400, 'x') + "/plan.dxf不存在!",
      "短",
  };
  for (const QString& message : messages) {
    frmMsgBox box;
    box.msgStr = message;
    box.Load();
    box.fitText(QSize(1024, 768));
    box.show();  // lays the scroll area and the skin out for the size
    auto* text = child<QLabel>(&box, "lblMsg");
    auto* area = child<QScrollArea>(&box, "msgArea");
    EXPECT_EQ(text->text(), message);
    EXPECT_LE(box.width(), 1024);
    EXPECT_LE(box.height(), 768);
    // Every line of it, laid out in the room it has, is in sight: nothing to scroll, nothing
    // cut at the right or the bottom.
    EXPECT_LE(text->heightForWidth(text->width()), area->viewport()->height())
        << message.toStdString();
    EXPECT_LE(text->width(), area->viewport()->width());
    EXPECT_LE(area->geometry().right(), child(&box, "imgWindowRight")->x());
    // The separator and the buttons stay below the message, inside the box.
    EXPECT_GT(child(&box, "Line1")->y(), area->geometry().bottom());
    EXPECT_LT(child(&box, "shpOK")->geometry().bottom(), box.height());
    EXPECT_GT(child(&box, "shpOK")->y(), child(&box, "Line1")->y());
    EXPECT_EQ(child(&box, "imgClose")->x(), box.width() - 22);
    box.close();
  }

  frmMsgBox shortOne;
  shortOne.msgStr = "完成";
  shortOne.Load();
  EXPECT_EQ(shortOne.size(), QSize(274, 177));
  // An empty line between two takes one line.
  auto* text = child<QLabel>(&shortOne, "lblMsg");
  const int one = text->heightForWidth(200);
  text->setText("完成\r\n\r\n完成");
  EXPECT_EQ(text->heightForWidth(200), 3 * one);
}

TEST(MessageBox, AMessageLongerThanTheScreenScrolls) {
  QStringList lines;
  for (int i = 1; i <= 300; ++i) lines << QString("第%1行: /data/drawings/d%1.dxf").arg(i);
  frmMsgBox box;
  box.msgStr = lines.join("\r\n");
  box.Load();
  box.fitText(QSize(1024, 768));
  EXPECT_LE(box.height(), 768);
  EXPECT_LE(box.width(), 1024);
  auto* text = child<QLabel>(&box, "lblMsg");
  auto* area = child<QScrollArea>(&box, "msgArea");
  EXPECT_EQ(area->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  EXPECT_GE(text->height(), text->heightForWidth(text->width()));
  EXPECT_GT(text->height(), area->viewport()->height());
  // The scroll bar reaches the last line.
  box.show();
  QApplication::processEvents();
  EXPECT_EQ(area->verticalScrollBar()->maximum(), text->height() - area->viewport()->height());
  box.close();

  // An alert grown for its message keeps its one button in the middle.
  auto centre = std::make_shared<int>(0);
  whenModal<frmMsgBox>([centre](frmMsgBox* box) {
    *centre = child(box, "shpOK")->geometry().center().x() * 2 - box->width();
    click(box, "labOK");
  });
  alertBox(QString(600, u'长'));
  EXPECT_LE(std::abs(*centre), 4);  // as in the designed box: 103 + 65 / 2 against 274 / 2
}

TEST(SkinLayout, PlacesPiecesForTheWindowSize) {
  frmMsgBox box;
  ASSERT_EQ(box.size(), QSize(274, 177));
  LayoutSkin(&box);
  EXPECT_EQ(child(&box, "imgTitleRight")->x(), 172);
  EXPECT_EQ(child(&box, "imgTitleMain")->width(), 256);
  EXPECT_EQ(child(&box, "imgWindowLeft")->height(), 169);
  EXPECT_EQ(child(&box, "imgWindowRight")->geometry(), QRect(268, 8, 6, 169));
  EXPECT_EQ(child(&box, "imgWindowBottomLeft")->pos(), QPoint(0, 163));
  EXPECT_EQ(child(&box, "imgWindowBottomRight")->pos(), QPoint(242, 163));
  EXPECT_EQ(child(&box, "imgClose")->pos(), QPoint(252, 4));
  EXPECT_EQ(child(&box, "lblTitle")->y(), 6);

  QWidget bare;
  bare.resize(100, 100);
  EXPECT_THROW(LayoutSkin(&bare), sheetcut::Error);
}

TEST(InputBox, ReturnsTheTextOrNothing) {
  auto selectedAll = std::make_shared<bool>(false);
  whenModal<frmInputBox>([selectedAll](frmInputBox* box) {
    auto* memo = child<QPlainTextEdit>(box, "txtMemo");
    // The default is selected once the focus timer has fired, so typing replaces it.
    *selectedAll = QTest::qWaitFor([memo] { return memo->textCursor().selectedText() == "默认"; });
    QTest::keyClicks(memo, "typed");
    click(box, "labOK");
  });
  EXPECT_EQ(inputBox("名称：", "默认", "输入"), "typed");
  EXPECT_TRUE(*selectedAll);

  auto tip = std::make_shared<QString>("unset");
  for (const char* closer : {"labCancel", "imgClose"}) {
    whenModal<frmInputBox>([tip, closer](frmInputBox* box) {
      *tip = child<QLabel>(box, "labTip")->text();
      click(box, closer);
    });
    EXPECT_EQ(inputBox("", "默认"), "") << closer;
    EXPECT_EQ(*tip, "");  // an empty prompt replaces the design text
  }
}

namespace {

// Presses the keys, one after the other, on whatever has the box's keyboard focus.
void pressKeys(QWidget* box, std::initializer_list<Qt::Key> keys) {
  for (Qt::Key key : keys) {
    QWidget* target = box->focusWidget() ? box->focusWidget() : box;
    QTest::keyClick(target, key);
  }
}

QString focusName(QWidget* box) {
  return box->focusWidget() ? box->focusWidget()->objectName() : QString();
}

}  // namespace

TEST(BoxKeyboard, ConfirmAnswersEnterEscapeAndSpace) {
  struct Case {
    std::initializer_list<Qt::Key> keys;
    bool answer;
  };
  // Enter takes the focused button, the first one when the box opens; Tab reaches the second.
  const Case cases[] = {
      {{Qt::Key_Return}, true},
      {{Qt::Key_Enter}, true},
      {{Qt::Key_Escape}, false},
      {{Qt::Key_Space}, true},
      {{Qt::Key_Tab, Qt::Key_Space}, false},
      {{Qt::Key_Tab, Qt::Key_Return}, false},
      {{Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Return}, true},
  };
  for (const Case& c : cases) {
    auto opened = std::make_shared<QString>();
    whenModal<frmMsgBox>([c, opened](frmMsgBox* box) {
      *opened = focusName(box);
      pressKeys(box, c.keys);
      if (box->isVisible()) {
        ADD_FAILURE() << "the keys left the box open";
        box->reject();
      }
    });
    EXPECT_EQ(confirmBox("继续吗？", "YesNo"), c.answer) << c.keys.size() << " keys";
    EXPECT_EQ(*opened, "labOK");
  }
}

TEST(BoxKeyboard, AlertClosesOnEnterEscapeAndSpace) {
  for (Qt::Key key : {Qt::Key_Return, Qt::Key_Escape, Qt::Key_Space}) {
    auto closed = std::make_shared<bool>(false);
    whenModal<frmMsgBox>([key, closed](frmMsgBox* box) {
      // The hidden second button is never reached by Tab.
      pressKeys(box, {Qt::Key_Tab});
      EXPECT_EQ(focusName(box), "labOK");
      pressKeys(box, {key});
      *closed = !box->isVisible();
      if (!*closed) box->reject();
    });
    alertBox("完成");
    EXPECT_TRUE(*closed) << key;
  }
  // Keys that answer nothing leave the box open.
  auto open = std::make_shared<bool>(false);
  whenModal<frmMsgBox>([open](frmMsgBox* box) {
    pressKeys(box, {Qt::Key_A, Qt::Key_Down});
    *open = box->isVisible();
    box->reject();
  });
  alertBox("完成");
  EXPECT_TRUE(*open);
}

TEST(BoxKeyboard, InputBoxTakesEnterInTheFieldAndEscapeAnywhere) {
  struct Case {
    std::initializer_list<Qt::Key> keys;
    QString answer;
  };
  const Case cases[] = {
      {{Qt::Key_Return}, "默认x"},
      {{Qt::Key_Enter}, "默认x"},
      {{Qt::Key_Escape}, ""},
      {{Qt::Key_Tab, Qt::Key_Space}, "默认x"},
      {{Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Space}, ""},
      {{Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Return}, ""},
      {{Qt::Key_Tab, Qt::Key_Escape}, ""},
  };
  for (const Case& c : cases) {
    auto opened = std::make_shared<QString>();
    auto text = std::make_shared<QString>();
    whenModal<frmInputBox>([c, opened, text](frmInputBox* box) {
      *opened = focusName(box);
      auto* memo = child<QPlainTextEdit>(box, "txtMemo");
      memo->moveCursor(QTextCursor::End);
      QTest::keyClicks(memo, "x");
      pressKeys(box, c.keys);
      *text = memo->toPlainText();
      if (box->isVisible()) {
        ADD_FAILURE() << "the keys left the box open";
        box->reject();
      }
    });
    EXPECT_EQ(inputBox("名称：", "默认"), c.answer) << c.keys.size() << " keys";
    EXPECT_EQ(*opened, "txtMemo");
    EXPECT_EQ(*text, "默认x");  // neither Enter nor Space reached the text
  }
}
