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
  EXPECT_EQ(fileForm("a|b c.d~"), "a|b c.d~");
  // The output folder is a Linux path: left exactly as given.
  QString folder = "/home/user/hdr/Out:1/*x?/.hidden/";
  validFileName(folder, true);
  EXPECT_EQ(folder, "/home/user/hdr/Out:1/*x?/.hidden/");
}

TEST(ChildNaming, NamesShowAsTheyAreAndNeverHide) {
  // Control characters, DEL and the bidirectional controls become "_".
  EXPECT_EQ(fileForm("\x1b[31mA\tB\nC\rD\x7f"), "_[31mA_B_C_D_");
  EXPECT_EQ(fileForm(QString("A") + QChar(u'\0') + "B\x01\x1f"), "A_B__");
  EXPECT_EQ(fileForm("\u202Aa\u202Eb\u2066c\u2069"), "_a_b_c_");
  // Their neighbours are ordinary characters and stay.
  EXPECT_EQ(fileForm(" \u0080\u2029\u202F\u2065\u206A"), " \u0080\u2029\u202F\u2065\u206A");
  // Only a leading dot is replaced, by the full-width full stop.
  EXPECT_EQ(fileForm("."), "\uFF0E");
  EXPECT_EQ(fileForm(".."), "\uFF0E.");
  EXPECT_EQ(fileForm("../../x"), "\uFF0E.\uFF0F..\uFF0Fx");
  EXPECT_EQ(fileForm(".dxf"), "\uFF0Edxf");
  EXPECT_EQ(fileForm("A.1.B"), "A.1.B");
  // A surrogate pair is not a control character.
  EXPECT_EQ(fileForm("\U0001F600"), "\U0001F600");
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
  EXPECT_EQ(fallbackChildName("a.dxf.b.dxf", 4), "A-4.B-4");
  EXPECT_EQ(fallbackChildName("a.dxf.bak", 4), "A-4.BAK");
}

// The bytes of a name in the file system's encoding.
qsizetype bytes(const QString& name) {
  return name.toUtf8().size();
}

TEST(ChildNaming, LongNamesAreCutAtACharacterKeepingTheirEnd) {
  const QString latin(300, u'A');
  EXPECT_EQ(fittedFileName(latin, "", 255), QString(251, u'A') + ".dxf");
  EXPECT_EQ(fittedFileName(latin, "-7", 255), QString(249, u'A') + "-7.dxf");
  // Three bytes a character: 83 characters fit in 251 bytes.
  const QString chinese(100, QChar(u'图'));
  EXPECT_EQ(fittedFileName(chinese, "", 255), QString(83, QChar(u'图')) + ".dxf");
  EXPECT_EQ(fittedFileName(chinese, "-12", 255), QString(82, QChar(u'图')) + "-12.dxf");
  // Names that fit stay whole, up to the last byte.
  for (int length = 244; length <= 251; ++length) {
    const QString name(length, u'x');
    EXPECT_EQ(fittedFileName(name, "", 255), name + ".dxf") << length;
  }
  EXPECT_EQ(fittedFileName(QString(252, u'x'), "", 255), QString(251, u'x') + ".dxf");
  // Never inside a surrogate pair or between a letter and its accent.
  const QString emoji = QString(249, u'x') + "\U0001F600";
  EXPECT_EQ(fittedFileName(emoji, "", 255), QString(249, u'x') + ".dxf");
  const QString accented = QString(249, u'x') + "e\u0301";
  EXPECT_EQ(fittedFileName(accented, "", 255), QString(249, u'x') + ".dxf");
  EXPECT_EQ(fittedFileName(QString(248, u'x') + "e\u0301", "", 255),
            QString(248, u'x') + "e\u0301.dxf");
  // Another file system's limit.
  EXPECT_EQ(fittedFileName("ABCDEFGH", "-2", 10), "ABCD-2.dxf");
}

TEST(ChildNaming, EveryFrameGetsItsOwnSequenceOfNames) {
  const auto take = [](ChildNames names, int count) {
    QStringList out;
    for (int i = 0; i < count; ++i) out << names.next();
    return out;
  };
  EXPECT_EQ(take(ChildNames("A-1", "plan.dxf", 5, 255), 4),
            (QStringList{"A-1.dxf", "A-1-5.dxf", "A-1-5-2.dxf", "A-1-5-3.dxf"}));
  EXPECT_EQ(take(ChildNames("", "plan.dxf", 5, 255), 3),
            (QStringList{"PLAN-5.dxf", "PLAN-5-2.dxf", "PLAN-5-3.dxf"}));
  EXPECT_EQ(take(ChildNames("", "a.dxf.bak", 5, 255), 2),
            (QStringList{"A-5.BAK.dxf", "A-5.BAK-2.dxf"}));
  // A hidden source gives names that show.
  EXPECT_EQ(take(ChildNames("", ".plan.dxf", 1, 255), 1), QStringList{"\uFF0EPLAN-1.dxf"});
  EXPECT_EQ(take(ChildNames("", "a\tb\u202E.dxf", 2, 255), 1), QStringList{"A_B_-2.dxf"});
  // Long numbers: every name fits and keeps its number, and the names stay distinct.
  const QStringList longNames = take(ChildNames(QString(300, QChar(u'图')), "p.dxf", 12, 255), 12);
  EXPECT_EQ(QStringList(longNames).removeDuplicates(), 0);
  for (const QString& name : longNames) {
    EXPECT_LE(bytes(name), 255) << name.toStdString();
    EXPECT_TRUE(name.startsWith(QString(80, QChar(u'图')))) << name.toStdString();
  }
  EXPECT_TRUE(longNames[1].endsWith("图-12.dxf"));
  EXPECT_TRUE(longNames[11].endsWith("图-12-11.dxf"));
  // A long source name without a number.
  const QStringList longFallback = take(ChildNames("", QString(251, u'p') + ".dxf", 7, 255), 2);
  EXPECT_EQ(longFallback,
            (QStringList{QString(249, u'P') + "-7.dxf", QString(247, u'P') + "-7-2.dxf"}));
}

TEST(ChildNaming, FreeNameNeverNamesAnExistingEntry) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString folder = dir.path() + "/";
  const auto touch = [&](const QString& name) {
    QFile f(folder + name);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  };
  const auto freeName = [&](const QString& number, const QString& source, int n) {
    ChildNames names(number, source, n, fileNameLimit(folder));
    return nextFreeName(folder, names);
  };
  EXPECT_EQ(fileNameLimit(folder), 255);
  EXPECT_EQ(fileNameLimit(folder + "missing/"), 255);
  EXPECT_EQ(freeName("A-1", "", 4), "A-1.dxf");
  touch("A-1.dxf");
  EXPECT_EQ(freeName("A-1", "", 4), "A-1-4.dxf");
  touch("A-1-4.dxf");
  EXPECT_EQ(freeName("A-1", "", 4), "A-1-4-2.dxf");
  touch("A-1-4-2.dxf");
  EXPECT_EQ(freeName("A-1", "", 4), "A-1-4-3.dxf");
  // A folder and a dangling link of that name are taken too.
  ASSERT_TRUE(QDir(folder).mkdir("PLAN-5.dxf"));
  ASSERT_TRUE(QFile::link(folder + "nowhere", folder + "PLAN-5-2.dxf"));
  EXPECT_EQ(freeName("", "plan.dxf", 5), "PLAN-5-3.dxf");
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
  // Folders of the chain show as they are, too.
  EXPECT_EQ(cad.GetFileDir(dir.path(),
                           "C1-D\x1b"
                           "2-.3"),
            dir.path() + "/C1-D_2/\uFF0E/\uFF0E3");
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
