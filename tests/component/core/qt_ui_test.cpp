// The Qt user interface: chosen when a QApplication exists, one notice window per thread.

#include <gtest/gtest.h>

#include <tarvik/cad.h>
#include <tarvik/note_window.h>
#include <tarvik/qt_ui.h>
#include <QApplication>

#include "qstring_printer.h"

namespace tarvik {
namespace {

TEST(QtUi, CadTakesTheQtInterfaceAndSharesOneNoticeWindow) {
  auto* qt = dynamic_cast<QtUi*>(currentUi().get());
  ASSERT_NE(qt, nullptr);
  EXPECT_EQ(qt->noteWindow(), nullptr);
  {
    CAD first;
    EXPECT_EQ(&first.ui(), qt);
    frmNote* note = qt->noteWindow();
    ASSERT_NE(note, nullptr);
    EXPECT_FALSE(note->isVisible());
    {
      CAD second;
      EXPECT_EQ(qt->noteWindow(), note);
    }
    EXPECT_EQ(qt->noteWindow(), note);  // still loaded for the first object
  }
  EXPECT_EQ(qt->noteWindow(), nullptr);
}

TEST(QtUi, NoticeShowsOnTopAndHides) {
  CAD cad;
  auto& qt = dynamic_cast<QtUi&>(cad.ui());
  qt.viewNote("正在启动");
  frmNote* note = qt.noteWindow();
  ASSERT_NE(note, nullptr);
  EXPECT_TRUE(note->isVisible());
  EXPECT_TRUE(note->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_TRUE(note->windowFlags().testFlag(Qt::FramelessWindowHint));
  EXPECT_EQ(note->lblNote()->text(), "正在启动");
  qt.hideNote();
  EXPECT_FALSE(note->isVisible());
  EXPECT_FALSE(note->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_TRUE(note->lblNote()->text().isEmpty());
}

}  // namespace
}  // namespace tarvik
