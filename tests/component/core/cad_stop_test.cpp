// The stop handshake, the folder test and the small services.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <tarvik/cad.h>
#include <tarvik/form_ctrl.h>
#include <tarvik/guid_text.h>
#include <tarvik/scripted_ui.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "qstring_printer.h"

namespace tarvik {
namespace {

class StopHandshake : public ::testing::Test {
 protected:
  StopHandshake() : ui(std::make_shared<ScriptedUi>()) { cad.setUi(ui); }
  CAD cad;
  std::shared_ptr<ScriptedUi> ui;
};

TEST_F(StopHandshake, NoRequestClearsBothFlags) {
  cad.setuConfirmStop(true);
  EXPECT_FALSE(cad.ConfirmStop());
  EXPECT_FALSE(cad.uConfirmStop());
  EXPECT_FALSE(cad.IsEventStop());
  EXPECT_TRUE(ui->questions().empty());
  EXPECT_EQ(ui->eventPumps(), 1);
}

TEST_F(StopHandshake, YesConfirmsOnceForEveryLaterCall) {
  ui->queueAnswer(true);
  cad.setIsEventStop(true);
  EXPECT_TRUE(cad.ConfirmStop());
  ASSERT_EQ(ui->questions().size(), 1u);
  EXPECT_EQ(ui->questions()[0].title, "确认");
  EXPECT_EQ(ui->questions()[0].text, QString::fromUtf8("真的要停止处理吗?\u3000"));
  EXPECT_TRUE(cad.uConfirmStop());
  EXPECT_TRUE(cad.ConfirmStop());
  EXPECT_EQ(ui->questions().size(), 1u);
}

TEST_F(StopHandshake, NoForgetsTheRequest) {
  ui->queueAnswer(false);
  cad.setIsEventStop(true);
  EXPECT_FALSE(cad.ConfirmStop());
  EXPECT_FALSE(cad.IsEventStop());
  EXPECT_FALSE(cad.uConfirmStop());
  EXPECT_FALSE(cad.ConfirmStop());
  EXPECT_EQ(ui->questions().size(), 1u);
}

TEST_F(StopHandshake, BothFlagsStopWithoutAsking) {
  cad.setIsEventStop(true);
  cad.setuConfirmStop(true);
  EXPECT_TRUE(cad.ConfirmStop());
  EXPECT_TRUE(ui->questions().empty());
}

TEST(ChkDir, FolderTests) {
  QTemporaryDir tmp;
  CAD cad;
  EXPECT_TRUE(cad.ChkDir("", true));
  EXPECT_TRUE(cad.ChkDir("   ", true));
  EXPECT_FALSE(cad.ChkDir(tmp.path() + "/missing", false));
  EXPECT_TRUE(cad.ChkDir(tmp.path(), false));

  // A user's file named "test" survives the write probe, and the probe leaves nothing behind.
  QFile user(tmp.path() + "/test");
  ASSERT_TRUE(user.open(QIODevice::WriteOnly));
  user.write("keep me");
  user.close();
  EXPECT_TRUE(cad.ChkDir(tmp.path(), true));
  ASSERT_TRUE(user.open(QIODevice::ReadOnly));
  EXPECT_EQ(user.readAll(), "keep me");
  EXPECT_EQ(QDir(tmp.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
            QStringList{"test"});

  // A file is not a folder.
  EXPECT_FALSE(cad.ChkDir(tmp.path() + "/test", false));
}

TEST(ChkDir, ReadOnlyFolderFailsTheWriteTest) {
  if (geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
  QTemporaryDir tmp;
  ASSERT_EQ(chmod(QFile::encodeName(tmp.path()).constData(), 0555), 0);
  CAD cad;
  EXPECT_TRUE(cad.ChkDir(tmp.path(), false));
  EXPECT_FALSE(cad.ChkDir(tmp.path(), true));
  chmod(QFile::encodeName(tmp.path()).constData(), 0755);
}

TEST(SmallServices, GuidText) {
  const QString a = newGuidText();
  const QString b = newGuidText();
  EXPECT_TRUE(QRegularExpression("^[0-9A-F]{32}$").match(a).hasMatch()) << a.toStdString();
  EXPECT_NE(a, b);
}

TEST(SmallServices, MakeDirCreatesEveryLevel) {
  QTemporaryDir tmp;
  FormCtrl::MakeDir(tmp.path() + "/a/b/c");
  EXPECT_TRUE(QFileInfo(tmp.path() + "/a/b/c").isDir());
  FormCtrl::MakeDir(tmp.path() + "/a/x/");
  EXPECT_TRUE(QFileInfo(tmp.path() + "/a/x").isDir());
  // An existing file in the way is left alone.
  QFile file(tmp.path() + "/f");
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.close();
  FormCtrl::MakeDir(tmp.path() + "/f/g");
  EXPECT_TRUE(QFileInfo(tmp.path() + "/f").isFile());
}

}  // namespace
}  // namespace tarvik
