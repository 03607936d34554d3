#include "mobrel/file_dialogs.h"

#include <gtest/gtest.h>

#include <QFileDialog>
#include <QLineEdit>
#include <QListView>
#include <QTest>

#include "modal_driver.h"
#include "test_folder.h"

using namespace mobrel;

TEST(FileDialogs, RecordFromChosenPaths) {
  DlgFileInfo one = SplitDlgFileList({"/data/dwg/a.dxf"});
  EXPECT_EQ(one.iCount, 1);
  EXPECT_EQ(one.sPath, "/data/dwg/");
  EXPECT_EQ(one.sFile, QStringList({"", "a.dxf"}));

  DlgFileInfo three = SplitDlgFileList({"/d/a.dxf", "/d/b.dxf", "/d/c.dxf"});
  EXPECT_EQ(three.iCount, 3);
  EXPECT_EQ(three.sFile, QStringList({"", "a.dxf", "b.dxf", "c.dxf"}));

  EXPECT_EQ(SplitDlgFileList({"/r.dxf"}).sPath, "/");
  DlgFileInfo none = SplitDlgFileList({});
  EXPECT_EQ(none.iCount, 0);
  EXPECT_EQ(none.sPath, "");
  EXPECT_TRUE(none.sFile.isEmpty());
}

TEST(FileDialogs, FilterTranslation) {
  EXPECT_EQ(translateFileFilter("所有文件|*.*"), QStringList{"所有文件 (*)"});
  EXPECT_EQ(translateFileFilter("图纸|*.dxf;*.dwg|文本|*.txt"),
            QStringList({"图纸 (*.dxf *.dwg)", "文本 (*.txt)"}));
  EXPECT_EQ(translateFileFilter("只有说明"), QStringList{"只有说明 (*)"});
  EXPECT_EQ(translateFileFilter(""), QStringList{"* (*)"});
}

TEST(FileDialogs, OpenFileDialogPicksAndCancels) {
  TestFolder dir;
  for (const char* name : {"a.dxf", "B.DXF", "c.txt"}) writeBytes(dir.path() / name, "1");
  const QString folder = dir / "";

  auto shown = std::make_shared<int>(-1);
  whenModal<QFileDialog>([shown](QFileDialog* dlg) {
    auto* view = dlg->findChild<QListView*>("listView");
    // "*.dxf" lists B.DXF too, and not c.txt.
    if (view) {
      (void)QTest::qWaitFor([view] { return view->model()->rowCount(view->rootIndex()) >= 2; });
      *shown = view->model()->rowCount(view->rootIndex());
    }
    dlg->findChild<QLineEdit*>("fileNameEdit")->setText("\"a.dxf\" \"B.DXF\"");
    static_cast<QDialog*>(dlg)->accept();
  });
  DlgFileInfo picked = ShowOpenFileDlg("选择", "图纸|*.dxf", folder, true, nullptr);
  EXPECT_EQ(*shown, 2);
  EXPECT_EQ(picked.iCount, 2);
  EXPECT_EQ(picked.sPath, folder);
  EXPECT_EQ(picked.sFile, QStringList({"", "a.dxf", "B.DXF"}));

  whenModal<QFileDialog>([](QFileDialog* dlg) {
    dlg->findChild<QLineEdit*>("fileNameEdit")->setText("c.txt");
    static_cast<QDialog*>(dlg)->accept();
  });
  DlgFileInfo single = ShowOpenFileDlg("选择", "所有文件|*.*", folder, false, nullptr);
  EXPECT_EQ(single.iCount, 1);
  EXPECT_EQ(single.sFile, QStringList({"", "c.txt"}));

  whenModal<QFileDialog>([](QFileDialog* dlg) { dlg->reject(); });
  DlgFileInfo cancelled = ShowOpenFileDlg("选择", "所有文件|*.*", folder, true, nullptr);
  EXPECT_EQ(cancelled.iCount, 0);
  EXPECT_EQ(cancelled.sPath, "");
  EXPECT_TRUE(cancelled.sFile.isEmpty());
}

TEST(FileDialogs, FolderDialog) {
  TestFolder dir;
  std::filesystem::create_directory(dir.path() / "start");
  const QString start = dir / "start";

  auto readOnly = std::make_shared<bool>(false);
  whenModal<QFileDialog>([readOnly](QFileDialog* dlg) {
    *readOnly = dlg->testOption(QFileDialog::ReadOnly);
    static_cast<QDialog*>(dlg)->accept();
  });
  EXPECT_EQ(BrowseForFolder(nullptr, "选择文件夹", start, false), start);
  EXPECT_TRUE(*readOnly);  // no new-folder button

  whenModal<QFileDialog>([readOnly](QFileDialog* dlg) {
    *readOnly = dlg->testOption(QFileDialog::ReadOnly);
    dlg->reject();
  });
  EXPECT_EQ(BrowseForFolder(nullptr, "选择文件夹", start, true), "");
  EXPECT_FALSE(*readOnly);
}

TEST(FileDialogs, AFolderNamedWithAQuoteIsChosenWhole) {
  TestFolder dir;
  std::filesystem::create_directory(dir.path() / "quote q\"");
  std::filesystem::create_directory(dir.path() / "a");
  const QString start = dir / "";
  const QString quoted = start + "quote q\"";
  // Typed as a name, typed as a whole path, and picked: a click fills the name box with it.
  for (const QString& typed : {QString("quote q\""), quoted, QString()}) {
    whenModal<QFileDialog>([typed](QFileDialog* dlg) {
      auto* view = dlg->findChild<QListView*>("listView");
      (void)QTest::qWaitFor([view] { return view->model()->rowCount(view->rootIndex()) >= 2; });
      QString name = typed;
      if (typed.isEmpty()) {
        for (int row = 0; row < view->model()->rowCount(view->rootIndex()); ++row) {
          const QModelIndex item = view->model()->index(row, 0, view->rootIndex());
          if (item.data().toString() != "quote q\"") continue;
          QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(item).center());
          name = item.data().toString();
        }
      }
      dlg->findChild<QLineEdit*>("fileNameEdit")->setText(name);
      static_cast<QDialog*>(dlg)->accept();
    });
    EXPECT_EQ(BrowseForFolder(nullptr, "选择文件夹", start, false), quoted) << typed.toStdString();
  }
  // Quoted names of folders that exist keep their meaning.
  whenModal<QFileDialog>([](QFileDialog* dlg) {
    dlg->findChild<QLineEdit*>("fileNameEdit")->setText("\"a\"");
    static_cast<QDialog*>(dlg)->accept();
  });
  EXPECT_EQ(BrowseForFolder(nullptr, "选择文件夹", start, false), start + "a");
}
