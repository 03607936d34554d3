// The split run without a window: output folder checks, cfg.ini, rows, status and failures.

#include <gtest/gtest.h>
#include <sheetcut/error.h>

#include <QFile>

#include "app_test_support.h"
#include "sheetcut_app/split_run.h"

using namespace sheetcut::app;

namespace {

class SplitRunTest : public ::testing::Test {
 protected:
  SplitRunTest() {
    run.onStatus = [this](const QString& text) { statuses << text; };
    run.onFolderChosen = [this](const QString& folder) { chosenFolder = folder; };
    run.onWaitCursor = [this](bool on) { cursor << on; };
    run.clock = [this] { return QStringLiteral("10:00:%1").arg(++ticks, 2, 10, QChar('0')); };
  }

  QString cfg(const QString& sect, const QString& key) {
    return api.GetINIKeyValue(ini, sect, key);
  }
  void addDrawings(int n) {
    for (int i = 1; i <= n; ++i) list.addDrawing(folder / QStringLiteral("Proj/d%1.dxf").arg(i));
  }
  QString status() const { return statuses.isEmpty() ? QString() : statuses.last(); }

  apptest::Folder folder;
  QString ini = folder / "cfg.ini";
  apptest::FakeServices api;
  apptest::FakeComponent cad;
  FileList list;
  ConfigFile config{api, ini};
  SplitRun run{list, api, cad, config};
  QStringList statuses;
  QString chosenFolder;
  QList<bool> cursor;
  int ticks = 0;
};

}  // namespace

TEST_F(SplitRunTest, OwnFolderModeSplitsEveryRowIntoItsDrawingsFolder) {
  addDrawings(3);
  run.StartSplit({SaveMode::OwnFolder, "", "任意 - 任意 - 任意"});

  EXPECT_EQ(cad.splitPaths, (QStringList{list.path(0), list.path(1), list.path(2)}));
  EXPECT_EQ(cad.childFolders.first(), folder / "Proj/D1");
  EXPECT_EQ(cad.mask, "*-*-*");
  EXPECT_TRUE(cad.minimised);
  for (int row = 0; row < 3; ++row) {
    EXPECT_EQ(list.picture(row), "ok");
    EXPECT_LT(list.startTime(row), list.endTime(row));
  }
  EXPECT_EQ(status(), "3张图纸拆分完毕,双击可查看拆分后的文件列表!");
  EXPECT_EQ(statuses.first(), "正在转换:" + list.path(0));
  EXPECT_EQ(cursor, (QList<bool>{true, false}));
  EXPECT_EQ(cad.closes, 1);
  EXPECT_EQ(cfg("UserSet", "SaveChildType"), "0");
  EXPECT_EQ(cfg("DwgIDFormat", "DefaultFormat"), "任意 - 任意 - 任意");
  EXPECT_FALSE(run.running());
}

TEST_F(SplitRunTest, ChosenFolderIsUsedAndKeptAsTyped) {
  addDrawings(1);
  const QString out = folder / "Out";
  QDir().mkpath(out);
  run.StartSplit({SaveMode::ChosenFolder, out, "字母 - 字母 - 数字"});
  EXPECT_EQ(cad.childFolders, QStringList{out + "/D1"});
  EXPECT_EQ(cfg("UserSet", "SaveChildType"), "1");
  EXPECT_EQ(cfg("UserSet", "SPPath"), out);
  EXPECT_TRUE(api.alerts.isEmpty());
  // The own-folder mode leaves the chosen folder stored for later.
  run.StartSplit({SaveMode::OwnFolder, "", "字母 - 字母 - 数字"});
  EXPECT_EQ(cfg("UserSet", "SPPath"), out);
}

TEST_F(SplitRunTest, MissingOrEmptyFolderAsksForAnother) {
  addDrawings(1);
  // Empty box, dialog cancelled: nothing written, no host.
  run.StartSplit({SaveMode::ChosenFolder, "", "字母 - 字母 - 数字"});
  EXPECT_EQ(api.alerts, QStringList{"请先设置转换文件的存放路径"});
  EXPECT_EQ(api.folderDialogTitles, QStringList{"转换文件的存放路径"});
  EXPECT_FALSE(QFile::exists(ini));
  EXPECT_EQ(cad.connects, 0);

  // A missing folder is named; the picked one is stored, shown and used.
  const QString missing = folder / "Gone";
  const QString picked = folder / "Picked";
  QDir().mkpath(picked);
  api.folderAnswers.push_back(picked);
  run.StartSplit({SaveMode::ChosenFolder, missing, "字母 - 字母 - 数字"});
  EXPECT_EQ(api.alerts.last(), missing + "不存在,请重新设置!");
  EXPECT_EQ(cfg("UserSet", "SPPath"), picked);
  EXPECT_EQ(chosenFolder, picked);
  EXPECT_EQ(cad.childFolders, QStringList{picked + "/D1"});
}

TEST_F(SplitRunTest, HostThatCannotStartIsReportedAsAFailure) {
  addDrawings(2);
  cad.startable = false;
  run.StartSplit({SaveMode::OwnFolder, "", "字母 - 字母 - 数字"});
  EXPECT_EQ(status(), "2拆分发生异常, 原因: \r\n无法启动AutoCAD");
  EXPECT_TRUE(cad.splitPaths.isEmpty());
  EXPECT_EQ(list.picture(0), "");
  EXPECT_EQ(cfg("UserSet", "SaveChildType"), "0");
  EXPECT_EQ(cfg("DwgIDFormat", "DefaultFormat"), "");
}

TEST_F(SplitRunTest, UnwritableSettingsAreToldOnceAndTheRunGoesOn) {
  addDrawings(2);
  api.iniWritesFail = true;
  const QString picked = folder / "Picked";
  QDir().mkpath(picked);
  api.folderAnswers.push_back(picked);
  run.StartSplit({SaveMode::ChosenFolder, "", "字母 - 字母 - 数字"});
  EXPECT_EQ(status(), "2张图纸拆分完毕,双击可查看拆分后的文件列表!");
  EXPECT_EQ(cad.splitPaths.size(), 2);
  EXPECT_EQ(chosenFolder, picked);
  // The folder alert, then one notice for the three settings that were not kept.
  ASSERT_EQ(api.alerts.size(), 2);
  EXPECT_EQ(api.alerts[1], "程序的设置无法保存, 下次启动时不会保留。原因: \r\n无法写入 " + ini);
  run.StartSplit({SaveMode::OwnFolder, "", "字母 - 字母 - 数字"});
  EXPECT_EQ(api.alerts.size(), 2);
  EXPECT_EQ(cad.splitPaths.size(), 4);
  EXPECT_FALSE(QFile::exists(ini));
}

TEST_F(SplitRunTest, DrawingsWithoutAFrameAreCountedApartAndTheRunGoesOn) {
  addDrawings(3);
  cad.withoutFrames = QStringList{list.path(1)};
  run.StartSplit({SaveMode::OwnFolder, "", "字母 - 字母 - 数字"});
  EXPECT_EQ(cad.splitPaths.size(), 3);
  EXPECT_EQ(list.picture(0), "ok");
  EXPECT_EQ(list.picture(1), "none");
  EXPECT_NE(list.endTime(1), "");
  EXPECT_EQ(list.picture(2), "ok");
  EXPECT_EQ(status(), "2张图纸拆分完毕,1张图纸中没有找到图框,双击可查看拆分后的文件列表!");
  EXPECT_EQ(cad.closes, 1);

  // Nothing split at all: nothing to look at either.
  cad.withoutFrames = QStringList{list.path(0), list.path(1), list.path(2)};
  run.StartSplit({SaveMode::OwnFolder, "", "字母 - 字母 - 数字"});
  EXPECT_EQ(status(), "0张图纸拆分完毕,3张图纸中没有找到图框!");
  for (int row = 0; row < 3; ++row) EXPECT_EQ(list.picture(row), "none");
}

TEST_F(SplitRunTest, FailureOnTheSecondOfFiveStopsTheRun) {
  addDrawings(5);
  cad.onSplit = [this](const QString& path) {
    if (path == list.path(1)) throw sheetcut::Error(76, "无法创建文件夹 /x");
  };
  run.StartSplit({SaveMode::OwnFolder, "", "字母 - 字母 - 数字"});
  EXPECT_EQ(list.picture(0), "ok");
  EXPECT_EQ(list.picture(1), "err");
  EXPECT_NE(list.startTime(1), "");
  EXPECT_EQ(list.endTime(1), "");
  for (int row = 2; row < 5; ++row) {
    EXPECT_EQ(list.picture(row), "");
    EXPECT_EQ(list.startTime(row), "");
  }
  EXPECT_EQ(status(), "5拆分发生异常, 原因: \r\n无法创建文件夹 /x");
  EXPECT_EQ(cursor, (QList<bool>{true, false}));
  EXPECT_EQ(cad.closes, 0);  // the host stays for the user to look at
  EXPECT_FALSE(cad.minimised);
  EXPECT_FALSE(run.running());
}

TEST_F(SplitRunTest, FramesThatCouldNotBeWrittenAreSaidFirstInChinese) {
  addDrawings(1);
  QFile drawing(list.path(0));
  QDir().mkpath(folder / "Proj");
  ASSERT_TRUE(drawing.open(QIODevice::WriteOnly));
  drawing.write("0\nSECTION\n2\nENTITIES\n0\nENDSEC\n0\nEOF\n");
  drawing.close();
  const QString detail = "2 of the frames of \"" + list.path(0) +
                         "\" were not written or not plotted: frame 1 \"A-1\": cannot write the "
                         "drawing " +
                         folder /
                             "Proj/D1/A-1.dxf: Permission denied; frame 2 "
                             "\"A-2\": cannot write the drawing " +
                         folder /
                             "Proj/D1/A-2.dxf: "
                             "Permission denied";
  cad.onSplit = [&](const QString&) { throw sheetcut::Error(1, detail.toStdString()); };
  run.StartSplit({SaveMode::OwnFolder, "", "字母 - 字母 - 数字"});
  EXPECT_EQ(status(), "1拆分发生异常, 原因: \r\n2个图框没有写入(没有写入权限): " + detail);
  EXPECT_EQ(list.picture(0), "err");
}

TEST_F(SplitRunTest, NestedStartIsIgnoredAndAStopEndsAfterTheCurrentDrawing) {
  addDrawings(3);
  cad.onSplit = [this](const QString&) {
    run.StartSplit({SaveMode::OwnFolder, "", "字母 - 字母 - 数字"});
    run.stopAfterCurrent();
  };
  run.StartSplit({SaveMode::OwnFolder, "", "字母 - 字母 - 数字"});
  EXPECT_EQ(cad.splitPaths.size(), 1);
  EXPECT_EQ(list.picture(0), "ok");
  EXPECT_EQ(list.picture(1), "");
  EXPECT_EQ(cursor, (QList<bool>{true, false}));

  // An empty list does nothing at all.
  list.clear();
  run.StartSplit({SaveMode::OwnFolder, "", "字母 - 字母 - 数字"});
  EXPECT_EQ(cad.connects, 1);
}

TEST_F(SplitRunTest, ASecondRunShowsOnlyWhatItDidItself) {
  addDrawings(3);
  run.StartSplit({SaveMode::OwnFolder, "", "字母 - 字母 - 数字"});
  ASSERT_EQ(list.picture(2), "ok");

  // While the second run splits its first drawing, the rows after it show nothing of the first.
  QStringList seen;
  cad.onSplit = [&](const QString& path) {
    if (path == list.path(0)) {
      for (int row = 1; row < 3; ++row) {
        seen << list.picture(row) + "|" + list.startTime(row) + "|" + list.endTime(row);
      }
    }
    if (path == list.path(1)) throw sheetcut::Error(1, "broken drawing");
  };
  run.StartSplit({SaveMode::OwnFolder, "", "字母 - 字母 - 数字"});
  EXPECT_EQ(seen, (QStringList{"||", "||"}));
  EXPECT_EQ(list.picture(1) + "|" + list.startTime(1) + "|" + list.endTime(1), "err|10:00:09|");
  EXPECT_EQ(list.picture(2) + "|" + list.startTime(2) + "|" + list.endTime(2), "||");
}
