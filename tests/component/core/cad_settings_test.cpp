// The CAD object without a QApplication: defaults, setter rules and the template folder.

#include <gtest/gtest.h>

#include <sheetcut/error.h>
#include <tarvik/cad.h>
#include <tarvik/scripted_ui.h>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include "qstring_printer.h"

namespace tarvik {
namespace {

TEST(CadObject, NewObjectWithoutQApplication) {
  ASSERT_EQ(QCoreApplication::instance(), nullptr);
  CAD cad;
  EXPECT_EQ(cad.AcadAppVersion(), "AutoCAD.Application");
  EXPECT_EQ(cad.SplitSpeed(), 100);
  EXPECT_FALSE(cad.AnSubFolder());
  EXPECT_EQ(cad.ChildFileSavePath(), "");
  EXPECT_EQ(cad.State, 1);
  EXPECT_EQ(cad.acadApp, nullptr);
  EXPECT_FALSE(cad.AcadDoc.has_value());
  EXPECT_EQ(cad.ModCount(), 0);
  // Both folders are the folder of the component's library file.
  EXPECT_EQ(cad.WorkPath(), cad.ModPath());
  EXPECT_TRUE(QFileInfo(cad.WorkPath() + "/libTarvik.so").isFile()) << cad.WorkPath().toStdString();
  EXPECT_FALSE(cad.WorkPath().endsWith('/'));
  // Creation made no template folders.
  EXPECT_FALSE(QFileInfo(cad.ModPath() + "/mod").exists());
}

TEST(CadObject, SetterRules) {
  CAD cad;
  cad.setSplitSpeed(0);
  EXPECT_EQ(cad.SplitSpeed(), 4);
  cad.setSplitSpeed(-5);
  EXPECT_EQ(cad.SplitSpeed(), 4);
  cad.setSplitSpeed(1);
  EXPECT_EQ(cad.SplitSpeed(), 1);
  cad.setSplitSpeed(600);
  EXPECT_EQ(cad.SplitSpeed(), 600);

  cad.setChildFileSavePath("x");
  EXPECT_EQ(cad.ChildFileSavePath(), "x/");
  cad.setChildFileSavePath("/out/");
  EXPECT_EQ(cad.ChildFileSavePath(), "/out/");
  cad.setChildFileSavePath("");
  EXPECT_EQ(cad.ChildFileSavePath(), "");

  cad.setOutPltPath("");
  EXPECT_EQ(cad.OutPltPath(), "");
  cad.setOutPltPath("/plt");
  EXPECT_EQ(cad.OutPltPath(), "/plt/");

  cad.setWorkPath("/work/");
  EXPECT_EQ(cad.WorkPath(), "/work/");
  cad.setAcadAppVersion("Other.Application");
  EXPECT_EQ(cad.AcadAppVersion(), "Other.Application");
}

TEST(CadObject, ModPathCreatesTemplateFolders) {
  QTemporaryDir tmp;
  ASSERT_TRUE(tmp.isValid());
  CAD cad;
  cad.setModPath(tmp.path() + "/");
  EXPECT_EQ(cad.ModPath(), tmp.path());
  EXPECT_TRUE(QFileInfo(tmp.path() + "/mod").isDir());
  EXPECT_TRUE(QFileInfo(tmp.path() + "/moddwg").isDir());

  // Only one trailing separator goes; the folders are made below what remains.
  ASSERT_TRUE(QDir(tmp.path()).mkdir("t"));
  cad.setModPath(tmp.path() + "/t//");
  EXPECT_EQ(cad.ModPath(), tmp.path() + "/t/");
  EXPECT_TRUE(QFileInfo(tmp.path() + "/t/mod").isDir());
}

TEST(CadObject, ModPathFindsFoldersWithoutRegardToCase) {
  QTemporaryDir tmp;
  ASSERT_TRUE(QDir(tmp.path()).mkdir("Mod"));
  ASSERT_TRUE(QDir(tmp.path()).mkdir("MODDWG"));
  CAD cad;
  cad.setModPath(tmp.path());
  QStringList folders = QDir(tmp.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
  folders.sort();
  EXPECT_EQ(folders, QStringList({"MODDWG", "Mod"}));
}

TEST(CadObject, ModPathWithMissingParentRaisesAndKeepsValue) {
  QTemporaryDir tmp;
  CAD cad;
  const QString target = tmp.path() + "/missing/templates";
  try {
    cad.setModPath(target);
    FAIL() << "no error";
  } catch (const sheetcut::Error& e) {
    EXPECT_NE(std::string(e.what()).find("missing/templates/mod"), std::string::npos) << e.what();
  }
  EXPECT_EQ(cad.ModPath(), target);
  EXPECT_FALSE(QFileInfo(tmp.path() + "/missing").exists());
}

}  // namespace
}  // namespace tarvik
