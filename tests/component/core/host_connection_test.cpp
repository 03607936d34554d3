// The connection with the drawing host, and the big fonts of a drawing's text styles.

#include <gtest/gtest.h>

#include <cadhost/cadhost.h>
#include <sheetcut/error.h>
#include <tarvik/cad.h>
#include <tarvik/scripted_ui.h>
#include <QFile>
#include <QTemporaryDir>

#include "qstring_printer.h"

namespace tarvik {
namespace {

// Quits every host still running, so that each test starts with none.
void quitAllHosts() {
  for (int i = 0; i < 100; ++i) {
    try {
      cadhost::Application::getRunning()->quit();
    } catch (const cadhost::HostError&) {
      return;
    }
  }
}

bool alive(const std::shared_ptr<cadhost::Application>& app) {
  try {
    (void)app->version();
    return true;
  } catch (const cadhost::HostError&) {
    return false;
  }
}

class HostConnection : public ::testing::Test {
 protected:
  HostConnection() {
    quitAllHosts();
    ui = std::make_shared<ScriptedUi>();
    cad.setUi(ui);
  }
  ~HostConnection() override { quitAllHosts(); }

  std::shared_ptr<ScriptedUi> ui;
  CAD cad;
};

TEST_F(HostConnection, StartBehindTheNoticeThenCloseQuits) {
  cad.setAcadAppVersion("Other.Application");
  ASSERT_TRUE(cad.AcadAppIsRun(false, false));
  ASSERT_NE(cad.acadApp, nullptr);
  EXPECT_TRUE(cad.acadApp->visible());
  EXPECT_EQ(cad.AcadAppVersion(), "AutoCAD.Application");
  EXPECT_EQ(ui->notesShown(), std::vector<QString>{"正在启动AutoCAD, 请稍候……"});
  EXPECT_FALSE(ui->noteVisible());

  EXPECT_FALSE(cad.AcadDocIsActive(false));  // nothing open, none added
  EXPECT_FALSE(cad.AcadDoc.has_value());
  EXPECT_TRUE(cad.AcadDocIsActive());  // adds a new drawing
  ASSERT_TRUE(cad.AcadDoc.has_value());
  EXPECT_EQ(cad.acadApp->documents().count(), 1);

  const auto app = cad.acadApp;
  cad.CloseAutoCAD();
  EXPECT_EQ(cad.acadApp, nullptr);
  EXPECT_FALSE(alive(app));
  EXPECT_TRUE(cad.AcadDoc.has_value());  // left for the caller to release
}

TEST_F(HostConnection, LiveHostIsKeptAndItsModeRecorded) {
  ASSERT_TRUE(cad.AcadAppIsRun());
  const auto app = cad.acadApp;
  app->setVisible(false);
  // Asking to attach finds the live object: nothing new, no notice, but the host is made
  // visible and the next close only releases it.
  EXPECT_TRUE(cad.AcadAppIsRun(true, false));
  EXPECT_EQ(cad.acadApp, app);
  EXPECT_TRUE(app->visible());
  EXPECT_EQ(ui->notesShown().size(), 1u);
  cad.CloseAutoCAD();
  EXPECT_TRUE(alive(app));
}

TEST_F(HostConnection, AttachToTheRunningHostAndRelease) {
  const auto running = cadhost::Application::create();
  running->documents().add();
  EXPECT_TRUE(cad.AcadAppIsRun(true, false));
  EXPECT_EQ(cad.acadApp, running);
  EXPECT_TRUE(ui->notesShown().empty());
  EXPECT_TRUE(cad.AcadDocIsActive(false));
  cad.CloseAutoCAD();
  EXPECT_EQ(cad.acadApp, nullptr);
  EXPECT_TRUE(alive(running));
  EXPECT_EQ(running->documents().count(), 1);
}

TEST_F(HostConnection, AttachWithNoneRunning) {
  EXPECT_FALSE(cad.AcadAppIsRun(true, false));
  EXPECT_EQ(cad.acadApp, nullptr);
  EXPECT_TRUE(ui->notesShown().empty());

  // Allowed to start: starts one, but a close after an attach request only releases it.
  EXPECT_TRUE(cad.AcadAppIsRun(true, true));
  const auto app = cad.acadApp;
  ASSERT_NE(app, nullptr);
  EXPECT_EQ(ui->notesShown().size(), 1u);
  cad.CloseAutoCAD();
  EXPECT_TRUE(alive(app));
}

TEST_F(HostConnection, StaleHostIsReplaced) {
  ASSERT_TRUE(cad.AcadAppIsRun());
  const auto first = cad.acadApp;
  first->quit();
  EXPECT_TRUE(cad.AcadAppIsRun());
  EXPECT_NE(cad.acadApp, first);
  EXPECT_TRUE(alive(cad.acadApp));
}

TEST_F(HostConnection, DestroyingTheObjectLeavesTheHostRunning) {
  std::shared_ptr<cadhost::Application> app;
  {
    CAD other;
    other.setUi(ui);
    ASSERT_TRUE(other.AcadAppIsRun());
    ASSERT_TRUE(other.AcadDocIsActive());
    app = other.acadApp;
  }
  EXPECT_TRUE(alive(app));
  EXPECT_EQ(app->documents().count(), 1);
  EXPECT_EQ(cadhost::Application::getRunning(), app);
}

TEST_F(HostConnection, BigFontsOfShapeFontStyles) {
  ASSERT_TRUE(cad.AcadAppIsRun());
  ASSERT_TRUE(cad.AcadDocIsActive());
  cadhost::TextStyles styles = cad.AcadDoc->textStyles();
  styles.add("SHAPE").setFontFile("txt.shx");
  styles.add("TRUE_LOWER").setFontFile("simsun.ttf");
  styles.add("TRUE_UPPER").setFontFile("ARIAL.TTF");
  cadhost::TextStyle kept = styles.add("KEPT");
  kept.setFontFile("txt.shx");
  kept.setBigFontFile("gbcbig.shx");

  cad.SetBigFont();
  EXPECT_EQ(styles.item("SHAPE").bigFontFile(), "gbcbig.shx");
  EXPECT_EQ(styles.item("TRUE_LOWER").bigFontFile(), "");
  EXPECT_EQ(styles.item("TRUE_UPPER").bigFontFile(), "");
  EXPECT_EQ(styles.item("KEPT").bigFontFile(), "gbcbig.shx");

  cad.AcadDoc.reset();
  EXPECT_THROW(cad.SetBigFont(), sheetcut::Error);
}

TEST_F(HostConnection, BigFontTheHostNoLongerAcceptsIsReplaced) {
  QTemporaryDir fonts;
  for (const char* name : {"/mybig.shx", "/other.shx"}) {
    QFile file(fonts.path() + name);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  }
  const auto app = cadhost::Application::create({fonts.path().toStdString()});
  ASSERT_TRUE(cad.AcadAppIsRun(true));
  ASSERT_EQ(cad.acadApp, app);
  ASSERT_TRUE(cad.AcadDocIsActive());
  cadhost::TextStyles styles = cad.AcadDoc->textStyles();
  styles.add("GONE").setBigFontFile("mybig.shx");
  styles.add("THERE").setBigFontFile("other.shx");
  ASSERT_TRUE(QFile::remove(fonts.path() + "/mybig.shx"));

  cad.SetBigFont();
  EXPECT_EQ(styles.item("GONE").bigFontFile(), "gbcbig.shx");
  EXPECT_EQ(styles.item("THERE").bigFontFile(), "other.shx");
}

}  // namespace
}  // namespace tarvik
