// The list of drawings: exact paths, tags, duplicates, the folder lister's entries.

#include <gtest/gtest.h>

#include "app_test_support.h"
#include "sheetcut_app/file_list.h"
#include "sheetcut_app/name_order.h"

using namespace sheetcut::app;

TEST(FileList, EmptyListShowsBlankRowsUntilTheFirstDrawing) {
  FileList list;
  EXPECT_EQ(list.rowCount(), FileList::kBlankRows);
  EXPECT_TRUE(list.isEmpty());
  EXPECT_EQ(list.drawingCount(), 0);
  EXPECT_EQ(list.model().headerData(FileList::kPath, Qt::Horizontal).toString(), "文件名");

  ASSERT_TRUE(list.addDrawing("/Data/Proj/Plan.dxf"));
  EXPECT_EQ(list.rowCount(), 1);
  EXPECT_EQ(list.path(0), "/Data/Proj/Plan.dxf");
  EXPECT_EQ(list.folderTag(0), "/Data/Proj/");
  EXPECT_EQ(list.nameTag(0), "PLAN");

  // Exact paths: the same path once, another case is another file.
  EXPECT_FALSE(list.addDrawing("/Data/Proj/Plan.dxf"));
  EXPECT_TRUE(list.addDrawing("/data/proj/plan.dxf"));
  EXPECT_EQ(list.drawingCount(), 2);

  list.removeRow(0);
  list.removeRow(0);
  EXPECT_TRUE(list.isEmpty());
  EXPECT_EQ(list.rowCount(), FileList::kBlankRows);
}

TEST(FileList, OutputNamesDropEveryDrawingExtension) {
  EXPECT_EQ(outputNameOf("Plan.dxf"), "PLAN");
  EXPECT_EQ(outputNameOf("a.DXF.dxf"), "A");
  EXPECT_EQ(outputNameOf("old.dwg"), "OLD.DWG");
  EXPECT_EQ(outputNameOf("总图.Dxf"), "总图");
}

TEST(FileList, FolderEntriesGiveTheirExactPaths) {
  apptest::Folder folder;
  const QString sub = folder / "Sub Dir";
  const QString b = folder.touch("Sub Dir/b.dxf");
  const QString upper = folder.touch("Sub Dir/Big.DXF");
  folder.touch("Sub Dir/notes.txt");
  apptest::FakeServices api;
  const QStringList entries = api.FindFolderFiles(sub, "*.dxf").entries;
  ASSERT_EQ(entries.size(), 2);

  FileList list;
  EXPECT_EQ(list.addFolderEntries(entries), 2);
  EXPECT_EQ(list.addFolderEntries(entries), 0);
  QStringList paths{list.path(0), list.path(1)};
  paths.sort();
  EXPECT_EQ(paths, (QStringList{upper, b}));
  EXPECT_EQ(list.folderTag(0), sub + "/");

  EXPECT_EQ(pathOfFolderEntry("/a/b/x.dxf/12Kb/2026-01-01 10:00:00/2026-01-02 10:00:00/"
                              "2026-01-03 10:00:00"),
            "/a/b/x.dxf");
  EXPECT_EQ(pathOfFolderEntry(""), "");
  EXPECT_EQ(pathOfFolderEntry("x/1Kb/t"), "");
}

TEST(FileList, AFoldersDrawingsAreListedInNameOrderNumbersAsNumbers) {
  apptest::Folder folder;
  // Created out of order, so that the file system's order is not the name order.
  for (const char* name : {"d10.dxf", "D2.dxf", "d1.dxf", "d01.dxf", "e.dxf", "d1a.dxf"}) {
    folder.touch(QString("Sheets/") + name);
  }
  apptest::FakeServices api;
  FileList list;
  EXPECT_EQ(list.addFolderEntries(api.FindFolderFiles(folder / "Sheets", "*.dxf").entries), 6);
  QStringList names;
  for (int row = 0; row < list.drawingCount(); ++row) names << list.nameTag(row);
  EXPECT_EQ(names, (QStringList{"D1", "D01", "D1A", "D2", "D10", "E"}));

  // Case only breaks a tie; other characters go by their code.
  const QStringList ordered{"",
                            "0",
                            "00",
                            "A",
                            "a",
                            "a1",
                            "a01",
                            "a2",
                            "a10",
                            "a10b",
                            "a100",
                            "b-2",
                            "b-10",
                            "x99999999999999999999",
                            "x100000000000000000000",
                            "图1",
                            "图2",
                            "图10",
                            "图号"};
  for (qsizetype i = 0; i + 1 < ordered.size(); ++i) {
    EXPECT_TRUE(nameLess(ordered[i], ordered[i + 1])) << ordered[i].toStdString();
    EXPECT_FALSE(nameLess(ordered[i + 1], ordered[i])) << ordered[i].toStdString();
  }
  EXPECT_FALSE(nameLess("d1", "d1"));
}
