#include "mobrel/balloon_tip.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QThread>
#include <QWidget>

#include <functional>
#include <memory>

using mobrel::BalloonTipWindow;
using mobrel::clsBalloonTip;

namespace {

// Runs the event loop until the condition holds, at most a few seconds.
bool waitUntil(const std::function<bool()>& condition) {
  QElapsedTimer clock;
  clock.start();
  while (!condition() && clock.elapsed() < 3000) {
    QApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(5);
  }
  return condition();
}

void pointerEnters(QWidget& w) {
  QEvent enter(QEvent::Enter);
  QApplication::sendEvent(&w, &enter);
}

void pointerLeaves(QWidget& w) {
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(&w, &leave);
}

class BalloonTip : public ::testing::Test {
 protected:
  void SetUp() override {
    tool = std::make_unique<QWidget>();
    tool->setGeometry(100, 100, 120, 30);
    tool->show();
  }
  std::unique_ptr<QWidget> tool;
  clsBalloonTip tip;
};

TEST_F(BalloonTip, ShowsOverItsWidgetWithTitleAndText) {
  tip.Title("Drawing number");
  tip.TipText("Type it as A&B-01\nsecond line");
  tip.Centered(true);
  EXPECT_EQ(tip.tipWindow(), nullptr);  // only stored until Create
  EXPECT_FALSE(tip.Create(tool.get()));

  BalloonTipWindow* window = tip.tipWindow();
  ASSERT_NE(window, nullptr);
  // The defaults: a balloon with the information icon, shown after 100 ms.
  EXPECT_TRUE(window->isBalloon());
  EXPECT_EQ(window->title(), "Drawing number");
  EXPECT_EQ(window->icon(), BalloonTipWindow::InfoIcon);
  EXPECT_EQ(window->text(), "Type it as A&B-01\nsecond line");
  EXPECT_EQ(window->initialDelay(), 100);
  EXPECT_FALSE(window->isVisible());

  pointerEnters(*tool);
  ASSERT_TRUE(waitUntil([&] { return window->isVisible(); }));
  // Centred: the balloon's tail starts at the middle of the widget's lower edge.
  const QRect toolRect(tool->mapToGlobal(QPoint(0, 0)), tool->size());
  EXPECT_EQ(window->geometry().top(), toolRect.bottom() + 1);
  EXPECT_NEAR(window->geometry().center().x(), toolRect.center().x(), 1);
  EXPECT_GT(window->width(), window->fontMetrics().horizontalAdvance("second line"));
  EXPECT_FALSE(window->grab().isNull());

  pointerLeaves(*tool);
  EXPECT_FALSE(window->isVisible());
}

TEST_F(BalloonTip, PropertiesAfterCreationFollowTheirRules) {
  tip.Title("T");
  tip.Icon(0);
  tip.ForeColor(0);
  tip.BackColor(0x0000FF);  // red, as 0x00BBGGRR
  tip.Style(0);
  tip.Create(tool.get());
  BalloonTipWindow* window = tip.tipWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_FALSE(window->isBalloon());
  // A title is shown even without an icon; colour 0 keeps the palette's.
  EXPECT_EQ(window->title(), "T");
  EXPECT_EQ(window->icon(), 0);
  EXPECT_EQ(window->textColor(), window->palette().color(QPalette::ToolTipText));
  EXPECT_EQ(window->backColor(), QColor(255, 0, 0));

  // Title and icon change the tip only together.
  tip.Title("New");
  EXPECT_EQ(window->title(), "T");
  tip.Icon(2);
  EXPECT_EQ(window->title(), "New");
  EXPECT_EQ(window->icon(), BalloonTipWindow::WarningIcon);
  tip.Icon(0);
  EXPECT_EQ(window->icon(), BalloonTipWindow::WarningIcon);
  // Colours and text change it always; after creation 0 is black.
  tip.ForeColor(0);
  EXPECT_EQ(window->textColor(), QColor(0, 0, 0));
  tip.TipText("changed");
  EXPECT_EQ(window->text(), "changed");

  // An icon without a title goes with an empty title.
  clsBalloonTip iconOnly;
  iconOnly.Icon(3);
  iconOnly.Create(tool.get());
  EXPECT_EQ(iconOnly.tipWindow()->icon(), BalloonTipWindow::ErrorIcon);
  EXPECT_EQ(iconOnly.tipWindow()->title(), "");
}

TEST_F(BalloonTip, CreateReplacesAndDestroyDetaches) {
  tip.TipText("first");
  tip.DelayTime(0);
  tip.VisibleTime(30);
  tip.Create(tool.get());
  QPointer<BalloonTipWindow> first = tip.tipWindow();
  tip.TipText("second");
  tip.Create(tool.get());
  EXPECT_TRUE(first.isNull());
  ASSERT_EQ(tool->findChildren<BalloonTipWindow*>().size(), 1);

  // It hides by itself after the visible time.
  pointerEnters(*tool);
  BalloonTipWindow* window = tip.tipWindow();
  ASSERT_TRUE(waitUntil([&] { return window->isVisible(); }));
  EXPECT_TRUE(waitUntil([&] { return !window->isVisible(); }));

  tip.Destroy();
  EXPECT_EQ(tip.tipWindow(), nullptr);
  EXPECT_TRUE(tool->findChildren<BalloonTipWindow*>().isEmpty());

  // The tip goes with its widget; the object stays usable.
  tip.Create(tool.get());
  tool.reset();
  EXPECT_EQ(tip.tipWindow(), nullptr);
  tip.Destroy();
}

}  // namespace
