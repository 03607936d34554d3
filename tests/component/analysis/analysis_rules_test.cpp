// The analysis rules that need no drawing.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cmath>
#include <set>

#include "mobrel/ini_file.h"
#include "qstring_printer.h"
#include "small_filesystem.h"
#include "tarvik/analysis_report.h"

namespace {

using namespace tarvik;

TEST(AnalysisRulesTest, LineKeysKeepThreeDigitsAndNeverWrap) {
  EXPECT_EQ(reportLineKey(0), "Line000");
  EXPECT_EQ(reportLineKey(10), "Line010");
  EXPECT_EQ(reportLineKey(999), "Line999");
  EXPECT_EQ(reportLineKey(1000), "Line1000");
  std::set<QString> keys;
  for (int i = 0; i < 1200; ++i) keys.insert(reportLineKey(i));
  EXPECT_EQ(keys.size(), 1200u);
}

TEST(AnalysisRulesTest, SheetClassesOfTheWorkedSizes) {
  const auto cls = [](int w, int h) { return sheetClass({w, h}); };
  EXPECT_EQ(cls(210, 297), "A4");
  EXPECT_EQ(cls(297, 210), "A3");  // landscape A4 matches no rule
  EXPECT_EQ(cls(297, 420), "A3");  // upright A3 is turned
  EXPECT_EQ(cls(420, 297), "A3");
  EXPECT_EQ(cls(594, 420), "A2");
  EXPECT_EQ(cls(841, 594), "A1");
  EXPECT_EQ(cls(1189, 841), "A0");
  EXPECT_EQ(cls(260, 900), "A3");  // not turned (260 < 280), 59 from 841
  EXPECT_EQ(cls(0, 0), "A3");
  EXPECT_EQ(cls(std::numeric_limits<int>::min(), std::numeric_limits<int>::max()), "A3");
}

TEST(AnalysisRulesTest, SheetSizesRoundHalfToEvenAndRefuseWhatCannotBeMeasured) {
  const auto size = sheetSizeOf(840.5, -593.5, 1);
  ASSERT_TRUE(size);
  EXPECT_EQ(size->W, 840);
  EXPECT_EQ(size->H, 594);
  EXPECT_EQ(sheetSizeOf(840, 594, 2)->W, 420);
  EXPECT_FALSE(sheetSizeOf(840, 594, 0));
  EXPECT_FALSE(sheetSizeOf(1e300, 594, 1e-300));
  EXPECT_FALSE(sheetSizeOf(NAN, 594, 1));
  EXPECT_FALSE(roundToInt(3e9));
  EXPECT_EQ(*roundToInt(2.5), 2);
  EXPECT_EQ(*roundToInt(-3.5), -4);
}

TEST(AnalysisRulesTest, FrameBasePointFollowsTheBlocksRotation) {
  const auto near = [](const Point3d& a, const Point3d& b) {
    return std::hypot(a[0] - b[0], a[1] - b[1]) < 1e-9;
  };
  // Unrotated and based at the origin: unchanged.
  EXPECT_TRUE(near(frameBasePoint({100, 50, 0}, 2, 2, 0, {0, 0, 0}), {100, 50, 0}));
  EXPECT_TRUE(near(frameBasePoint({100, 50, 0}, 2, 2, 1.2, {0, 0, 0}), {100, 50, 0}));
  EXPECT_TRUE(near(frameBasePoint({100, 50, 0}, 2, 3, 0, {10, 5, 0}), {80, 35, 0}));
  // Based at its lower-right corner (420, 0), scale 2, turned a quarter: the origin lies 840
  // below the insertion point.
  EXPECT_TRUE(
      near(frameBasePoint({1000, 300, 0}, 2, 2, std::atan(1.0) * 2, {420, 0, 0}), {1000, -540, 0}));
}

TEST(AnalysisRulesTest, WildcardsInLabelsAreEscapedAndKeysMadeUnique) {
  EXPECT_EQ(escapeWildcards("图号"), "图号");
  EXPECT_EQ(escapeWildcards("A,B#@?~[x].*`-"), "A`,B`#`@`?`~`[x`]`.`*```-");
  QStringList taken{"10:00:00", "10:00:00 (2)"};
  EXPECT_EQ(uniqueKey("09:59:59", [&](const QString& k) { return taken.contains(k); }), "09:59:59");
  EXPECT_EQ(uniqueKey("10:00:00", [&](const QString& k) { return taken.contains(k); }),
            "10:00:00 (3)");
}

}  // namespace

namespace {

TEST(AnalysisRulesTest, PendingReportKeysReadBackAndReachTheFileInOrder) {
  QTemporaryDir dir;
  const QString a = dir.filePath("a.txt"), b = dir.filePath("b.txt");
  {
    tarvik::ReportBuffer buffer;
    buffer.put(a, "s1", "模版", "X");
    buffer.put(a, "S1", "k", "1");
    buffer.put(a, "s1", "模版", "X,Y");  // replaced in place
    EXPECT_EQ(buffer.get(a, "S1", "模版"), "X,Y");
    EXPECT_FALSE(QFile::exists(a));
    buffer.put(b, "t", "k", "2");  // another file: the first one is written
    EXPECT_EQ(mobrel::IniFile(a).GetIniKey("s1", "模版"), "X,Y");
    EXPECT_EQ(buffer.get(a, "s1", "k"), "1");
    EXPECT_FALSE(QFile::exists(b));
  }
  // The last keys are written when the buffer goes.
  EXPECT_EQ(mobrel::IniFile(b).GetIniKey("t", "k"), "2");
  QFile file(a);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(QString::fromUtf8(file.readAll()), "[s1]\r\n模版=X,Y\r\nk=1\r\n");
}

}  // namespace

namespace {

TEST(AnalysisRulesTest, ReportKeysThatCannotBeWrittenAreNamedWithTheReport) {
  QTemporaryDir dir;
  ASSERT_TRUE(QDir().mkpath(dir.filePath("work")));
  const QString report = dir.filePath("work/AnRpt.txt");
  tarvik::ReportBuffer buffer;
  buffer.put(report, "a", "SCount", "1", true);
  buffer.put(report, "b", "k", "v");
  EXPECT_EQ(buffer.flush(), "");
  // A count that replaces its value may wait for a later rewrite (the first change rewrites
  // the file, the next ones wait): sync() writes it.
  for (const char* count : {"2", "3"}) {
    buffer.put(report, "a", "SCount", count, true);
    EXPECT_EQ(buffer.flush(), "");
  }
  // The folder is replaced by a file before the waiting key reaches the report.
  ASSERT_TRUE(QDir().rename(dir.filePath("work"), dir.filePath("gone")));
  QFile blocker(dir.filePath("work"));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  const QString waiting = buffer.sync();
  EXPECT_TRUE(waiting.contains(report)) << waiting.toStdString();
  buffer.put(report, "b", "k2", "v");
  const QString pending = buffer.flush();
  EXPECT_TRUE(pending.contains(report)) << pending.toStdString();
  EXPECT_EQ(buffer.flush(), "");  // each failure is said once
}

}  // namespace

namespace {

// Keys held for a child are written only with it: when they cannot be written they are taken
// back whole, so that no later write or sync brings a section of a child that was taken back,
// while the keys put before them still reach the report. The count put before them is still in
// the buffer, or already waits in the file for its next rewrite (then the child's section fits
// an append while that rewrite does not).
TEST(AnalysisRulesTest, WithheldKeysThatCannotBeWrittenAreTakenBack) {
  sheetcut::testing::SmallFileSystem fs(256 * 1024);
  if (!fs.available()) GTEST_SKIP() << fs.skipReason();
  for (const bool countWaitsInFile : {false, true}) {
    SCOPED_TRACE(countWaitsInFile);
    const QString report =
        QString::fromStdString((fs.root() / (countWaitsInFile ? "b.txt" : "a.txt")).string());
    {
      tarvik::ReportBuffer buffer;
      buffer.put(report, "drawing", "SCount", "1", true);
      ASSERT_EQ(buffer.flush(), "");
      buffer.put(report, "drawing", "SCount", "2", true);
      if (countWaitsInFile) {
        ASSERT_EQ(buffer.flush(), "");  // rewrites at once
        buffer.put(report, "drawing", "SCount", "3", true);
        ASSERT_EQ(buffer.flush(), "");  // waits
      }
      buffer.withhold();
      buffer.put(report, "child", "模版", QString(countWaitsInFile ? 64 : 4096, u'x'));
      fs.fill();
      const QString failure = buffer.release();
      EXPECT_TRUE(failure.contains(report)) << failure.toStdString();
      EXPECT_EQ(mobrel::IniFile(report).GetIniKey("child", "模版"), "");
      fs.release();
      EXPECT_EQ(buffer.sync(), "");
    }
    mobrel::IniFile file(report);
    EXPECT_EQ(file.GetIniKey("drawing", "SCount"), countWaitsInFile ? "3" : "2");
    EXPECT_EQ(file.GetIniKey("child", "模版"), "");
  }
}

}  // namespace
