// What the program says first about a drawing that could not be split: the kind of file it
// is, the line where a damaged drawing stops, and what keeps its output folder from being made.

#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QFile>

#include "app_test_support.h"
#include "sheetcut_app/split_failure.h"

using namespace sheetcut::app;

namespace {

QString write(const apptest::Folder& folder, const QString& name, const QByteArray& bytes) {
  const QString path = folder / name;
  QFile file(path);
  EXPECT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(bytes);
  return path;
}

}  // namespace

TEST(SplitFailure, TheStartOfAFileTellsWhatItIs) {
  apptest::Folder folder;
  const std::pair<QByteArray, DrawingKind> files[] = {
      {"  0\nSECTION\n  2\nHEADER\n", DrawingKind::Dxf},
      {"0\r\nSECTION\r\n", DrawingKind::Dxf},
      {"\xEF\xBB\xBF"
       "999\nmade by hand\n0\nSECTION\n",
       DrawingKind::Dxf},
      {"0\nEOF\n", DrawingKind::Dxf},
      {QByteArray("AutoCAD Binary DXF\r\n\x1a\0", 22), DrawingKind::Dxf},
      {QByteArray("AC1015\0\0\0\0", 10), DrawingKind::Dwg},
      {"", DrawingKind::Empty},
      {"\xEF\xBB\xBF \r\n\n", DrawingKind::Empty},
      {"0\nLINE\n", DrawingKind::NotDxf},
      {"2\nSECTION\n", DrawingKind::NotDxf},
      {"0\n", DrawingKind::NotDxf},
      {"ACAD drawing list\n", DrawingKind::NotDxf},
      {"AC10\n", DrawingKind::NotDxf},
  };
  int i = 0;
  for (const auto& [bytes, kind] : files) {
    const QString path = write(folder, QString("f%1.dxf").arg(i++), bytes);
    EXPECT_EQ(drawingKindOf(path), kind) << bytes.toStdString();
  }
  EXPECT_EQ(drawingKindOf(folder / "missing.dxf"), DrawingKind::Unreadable);
  EXPECT_EQ(drawingKindOf(folder.path()), DrawingKind::Unreadable);
}

TEST(SplitFailure, ReasonComesBeforeTheDetailOnlyWhereItIsKnown) {
  apptest::Folder folder;
  const QString dxf = write(folder, "a.dxf", "0\nSECTION\n2\nENTITIES\n");
  const QString out = folder / "A";
  const QString detail = "Cannot open the drawing \"" + dxf + "\": " + dxf +
                         ": line 17: expected SECTION, found \"LINE\"";
  EXPECT_EQ(splitFailureReason(dxf, out, detail), "DXF图纸已损坏(第17行): " + detail);
  const QString binary = dxf + ": byte offset 2048: unknown group code 1234";
  EXPECT_EQ(splitFailureReason(dxf, out, binary), "DXF图纸已损坏(第2048字节): " + binary);
  // A readable drawing whose folder can be made, and a drawing that is gone: the detail alone.
  EXPECT_EQ(splitFailureReason(dxf, out, "the host stopped"), "the host stopped");
  EXPECT_EQ(splitFailureReason(folder / "gone.dxf", out, "not found"), "not found");

  // A file where a folder of the path should be, however deep below it the folder lies.
  write(folder, "Out", "");
  for (const QString& target : {folder / "Out", folder / "Out/PLAN", folder / "Out/x/PLAN"}) {
    EXPECT_EQ(whyFolderCannotBeCreated(target), "\"" + folder / "Out" + "\"是文件, 不是文件夹");
    EXPECT_EQ(splitFailureReason(dxf, target, "1 frame not written"),
              "无法创建输出文件夹\"" + target + "\"(\"" + folder / "Out" +
                  "\"是文件, 不是文件夹): 1 frame not written");
  }
  EXPECT_EQ(whyFolderCannotBeCreated(folder.path()), "");
  EXPECT_EQ(whyFolderCannotBeCreated(folder / "New/Deeper"), "");
  EXPECT_EQ(whyFolderCannotBeCreated(""), "");
}

TEST(SplitFailure, AFolderThatMayNotBeWrittenIsNamed) {
  if (::geteuid() == 0) GTEST_SKIP() << "the superuser may write everywhere";
  apptest::Folder folder;
  const QString locked = folder / "Locked";
  ASSERT_TRUE(QDir().mkpath(locked));
  QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner);
  EXPECT_EQ(whyFolderCannotBeCreated(locked + "/PLAN"),
            "没有在\"" + locked + "\"中新建文件夹的权限");
  QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

TEST(SplitFailure, FramesNotWrittenAreCountedAndTheirCausesSaid) {
  apptest::Folder folder;
  const QString dxf = write(folder, "d01.dxf", "0\nSECTION\n2\nENTITIES\n");
  const QString out = folder.path();  // exists: nothing keeps it from being made
  const QString denied = "4 of the frames of \"" + dxf +
                         "\" were not written or not plotted: frame 1 \"A-1\": cannot write the "
                         "drawing " +
                         out +
                         "/D01/A-1.dxf: Permission denied; frame 2 \"A-2\": cannot write "
                         "the drawing " +
                         out + "/D01/A-2.dxf: Permission denied; and 2 more";
  EXPECT_EQ(splitFailureReason(dxf, out, denied), "4个图框没有写入(没有写入权限): " + denied);

  const QString mixed = "2 of the frames of \"" + dxf +
                        "\" were not written or not plotted: frame 1: not plotted: no plotter; "
                        "frame 2 \"B; C\": cannot write the drawing /o/x.dxf: No space left on "
                        "device";
  EXPECT_EQ(splitFailureReason(dxf, out, mixed), "2个图框没有写入或没有打印(磁盘已满): " + mixed);
  const QString plots = "1 of the frames of \"" + dxf +
                        "\" were not written or not plotted: frame 3 \"X\": not plotted: odd";
  EXPECT_EQ(splitFailureReason(dxf, out, plots), "1个图框没有打印: " + plots);
  // A frame's name may hold quotes (inches, say).
  const QString inches = "1 of the frames of \"" + dxf +
                         "\" were not written or not plotted: frame 1 \"1/2\" P\": not "
                         "plotted: odd";
  EXPECT_EQ(splitFailureReason(dxf, out, inches), "1个图框没有打印: " + inches);
  const QString twice = "1 of the frames of \"" + dxf +
                        "\" were not written or not plotted: frame 1 \"Y\": cannot write the "
                        "drawing /o/Y.dxf: the file exists; frame 1 \"Y\": not plotted: "
                        "Read-only file system";
  EXPECT_EQ(splitFailureReason(dxf, out, twice),
            "1个图框没有写入或没有打印(磁盘是只读的、同名文件已存在): " + twice);
}

TEST(SplitFailure, ADrawingThatCannotBeOpenedOrReadIsSaidSo) {
  apptest::Folder folder;
  // Readable now: what is said comes from the component's detail, not from the file today.
  const QString dxf = write(folder, "a: b.dxf", "0\nSECTION\n2\nENTITIES\n");
  const QString out = folder / "A";
  const QString component = "Cannot open the drawing \"" + dxf + "\": ";
  const std::pair<QString, QString> cases[] = {
      {"cannot open the drawing " + dxf + ": Permission denied", "无法打开图纸(没有读取权限)"},
      {"cannot open the drawing " + dxf + ": Too many levels of symbolic links",
       "无法打开图纸(符号链接太多或成环)"},
      {"cannot open the drawing " + dxf + ": No such device", "无法打开图纸(不是普通文件)"},
      {"cannot open the drawing " + dxf + ": Some new error", "无法打开图纸"},
      {"cannot read the drawing " + dxf + ": Input/output error", "无法读取图纸(磁盘读取出错)"},
      {dxf + ": cannot read the file: Input/output error", "无法读取图纸(磁盘读取出错)"},
  };
  for (const auto& [host, said] : cases) {
    EXPECT_EQ(splitFailureReason(dxf, out, component + host), said + ": " + component + host);
  }
  const QString nul = "The drawing path \"" + folder / "x?.dxf" + "\" holds a NUL character";
  EXPECT_EQ(splitFailureReason(folder / "x", out, nul), "图纸路径中有NUL字符: " + nul);
  // A drawing read to a damaged line is no drawing that could not be opened.
  const QString damaged = component + dxf + ": line 3: expected SECTION";
  EXPECT_EQ(splitFailureReason(dxf, out, damaged), "DXF图纸已损坏(第3行): " + damaged);
}
