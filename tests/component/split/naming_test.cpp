// Child names: sanitiser, character kinds, corner choice, fallback names, free target paths,
// folder chains and paper sizes.

#include <gtest/gtest.h>

#include <sheetcut/error.h>
#include <tarvik/cad.h>
#include <tarvik/child_naming.h>
#include <tarvik/sheet_size.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "qstring_printer.h"

namespace tarvik {
namespace {

QString fileForm(QString s) {
  validFileName(s, false);
  return s;
}

TEST(ChildNaming, SanitiserReplacesExactlyItsTable) {
  EXPECT_EQ(fileForm("A/B:1"), "A\uFF0FB\uFF1A1");
  EXPECT_EQ(fileForm(R"(\*?"<>)"), "\uFF3C\uFF0A\uFF1F\uFF07\uFF1C\uFF1E");
  EXPECT_EQ(fileForm("a|b\tc.d"), "a|b\tc.d");
  // The output folder is a Linux path: left exactly as given.
  QString folder = "/home/user/hdr/Out:1/*x?/";
  validFileName(folder, true);
  EXPECT_EQ(folder, "/home/user/hdr/Out:1/*x?/");
}

TEST(ChildNaming, CharacterKinds) {
  EXPECT_EQ(strType("123"), 0);
  EXPECT_EQ(strType(""), 0);
  EXPECT_EQ(strType("12A"), 1);
  EXPECT_EQ(strType("12设计"), 2);
  EXPECT_EQ(strType("\u00B7"), 2);  // the middle dot is two bytes in GBK
}

TEST(ChildNaming, NearestCornerWinsAndTiesKeepTheFirst) {
  const Point3d lo{0, 0, 0}, hi{100, 100, 0};
  // 5 from the lower-left against 3 from the upper-right.
  EXPECT_EQ(nearestToCorner({{5, 0, 0}, {97, 100, 0}}, lo, hi), 1);
  // Exactly the same distance, to different corners: the first one enumerated.
  EXPECT_EQ(nearestToCorner({{100, 96, 0}, {4, 0, 0}}, lo, hi), 0);
  EXPECT_EQ(nearestToCorner({{0, 4, 0}, {0, 4, 0}}, lo, hi), 0);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(nearestToCorner({{nan, nan, 0}, {50, 50, 0}}, lo, hi), 1);
  EXPECT_EQ(nearestToCorner({}, lo, hi), -1);
}

TEST(ChildNaming, FallbackNamesAlwaysCarryTheRunningNumber) {
  EXPECT_EQ(fallbackChildName("plan.dxf", 3), "PLAN-3");
  EXPECT_EQ(fallbackChildName("plan.dwg", 3), "PLAN.DWG-3");
  EXPECT_EQ(fallbackChildName("ActiveDoc", 2), "ACTIVEDOC-2");
  EXPECT_EQ(fallbackChildName("图纸", 1), "图纸-1");
}

TEST(ChildNaming, FreePathNeverNamesAnExistingEntry) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString folder = dir.path() + "/";
  const auto touch = [&](const QString& name) {
    QFile f(folder + name);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  };
  EXPECT_EQ(freeChildPath(folder, {"A-1", "A-1-4"}), folder + "A-1.dxf");
  touch("A-1.dxf");
  EXPECT_EQ(freeChildPath(folder, {"A-1", "A-1-4"}), folder + "A-1-4.dxf");
  touch("A-1-4.dxf");
  EXPECT_EQ(freeChildPath(folder, {"A-1", "A-1-4"}), folder + "A-1-4-2.dxf");
  touch("A-1-4-2.dxf");
  EXPECT_EQ(freeChildPath(folder, {"A-1", "A-1-4"}), folder + "A-1-4-3.dxf");
  // A folder and a dangling link of that name are taken too.
  ASSERT_TRUE(QDir(folder).mkdir("PLAN-5.dxf"));
  ASSERT_TRUE(QFile::link(folder + "nowhere", folder + "PLAN-5-2.dxf"));
  EXPECT_EQ(freeChildPath(folder, {"PLAN-5"}), folder + "PLAN-5-3.dxf");
  // A name with a NUL would test the same cut-short path for ever.
  EXPECT_THROW(freeChildPath(folder, {QString("PLAN") + QChar(u'\0') + "x"}), sheetcut::Error);
}

TEST(FolderChain, PartsBecomeNestedFolders) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  CAD cad;
  // A number that begins with a letter joins its first two parts.
  EXPECT_EQ(cad.GetFileDir(dir.path(), "A12-B3-01-X"), dir.path() + "/A12-B3/0/01/X");
  EXPECT_TRUE(QFileInfo(dir.path() + "/A12-B3/0/01/X").isDir());
  // One that begins with a digit does not; a part with a dot names a file, not a folder.
  EXPECT_EQ(cad.GetFileDir(dir.path(), "12-34-5.dxf"), dir.path() + "/12/3/34/34-5.dxf");
  EXPECT_TRUE(QFileInfo(dir.path() + "/12/3/34").isDir());
  EXPECT_FALSE(QFileInfo(dir.path() + "/12/3/34/34-5.dxf").exists());
  // Parts are made fit for file names and may not leave the chain.
  EXPECT_EQ(cad.GetFileDir(dir.path(), "B/1-2"), dir.path() + "/B\uFF0F1-2");
  EXPECT_THROW(cad.GetFileDir(dir.path(), "B-..-1"), sheetcut::Error);
  EXPECT_FALSE(QFileInfo(dir.path() + "/B-..").exists());
  EXPECT_THROW(cad.GetFileDir(dir.path(), "C12"), sheetcut::Error);  // no second part
  // A file where a folder belongs fails the call.
  QFile blocker(dir.path() + "/9");
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  EXPECT_THROW(cad.GetFileDir(dir.path(), "9-1"), sheetcut::Error);
}

TEST(SheetSize, ExtentsAtScaleGiveAPaperSize) {
  EXPECT_EQ(paperSizeName(420, 297, 1), "A3");
  EXPECT_EQ(paperSizeName(210, 297, 1), "A4");
  EXPECT_EQ(paperSizeName(594, 420, 1), "A2");
  EXPECT_EQ(paperSizeName(841, 594, 1), "A1");
  EXPECT_EQ(paperSizeName(1189, 841, 1), "A0");
  EXPECT_EQ(paperSizeName(100, 100, 1), "A3");
  EXPECT_EQ(paperSizeName(-42000, -29700, 100), "A3");
  EXPECT_EQ(paperSizeName(420, 297, 0), "");
  EXPECT_THROW(paperSizeName(1, 1e300, 1e-10), sheetcut::Error);
}

}  // namespace
}  // namespace tarvik
