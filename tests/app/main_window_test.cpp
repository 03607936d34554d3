// Start-up, the main window's commands and the refusals during a run, driven headless with
// the services and the component replaced.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sheetcut/error.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyle>
#include <QSysInfo>
#include <QTableView>
#include <QToolButton>
#include <filesystem>

#include "app_test_support.h"
#include "sheetcut_app/about_dialog.h"
#include "sheetcut_app/host_options_dialog.h"
#include "sheetcut_app/main_window.h"
#include "sheetcut_app/path_delegate.h"
#include "sheetcut_app/program.h"

using namespace sheetcut::app;

namespace {

class WindowTest : public ::testing::Test {
 protected:
  std::unique_ptr<Program> start(std::function<void()> cadFailure = {}) {
    ProgramParts parts;
    parts.makeApi = [this] {
      auto made = std::make_unique<apptest::FakeServices>();
      api = made.get();
      return made;
    };
    parts.makeCad = [this, cadFailure] {
      if (cadFailure) cadFailure();
      auto made = std::make_unique<apptest::FakeComponent>();
      cad = made.get();
      return made;
    };
    parts.systemBox = [this](const QString& text, const QString& title) {
      boxes << text + "|" + title;
    };
    parts.programFolder = folder.path();
    parts.lockFolder = folder.path();
    parts.onEnd = [this] { ++ends; };
    auto program = std::make_unique<Program>(parts);
    started = program->Main();
    return program;
  }
  QAction* action(MainWindow* w, const char* name) { return w->findChild<QAction*>(name); }
  QRadioButton* chosenFolderOption(MainWindow* w) {
    return w->findChild<QRadioButton*>("optSave1");
  }

  apptest::Folder folder;
  apptest::FakeServices* api = nullptr;
  apptest::FakeComponent* cad = nullptr;
  QStringList boxes;
  bool started = false;
  int ends = 0;
};

}  // namespace

TEST_F(WindowTest, StartUpShowsTheTitledWindowWithAnEmptyList) {
  auto program = start();
  ASSERT_TRUE(started);
  MainWindow* w = program->mainWindow();
  EXPECT_EQ(w->windowTitle(), "Corvantis图形拆分工具3.0.117");
  EXPECT_EQ(w->statusText(), "Corvantis图形拆分工具");
  EXPECT_EQ(program->GetSetting("配置文件").toString(), folder / "cfg.ini");
  EXPECT_EQ(program->GetSetting("UnLoadForm").toString(), "CLOSE");
  EXPECT_FALSE(program->GetSetting("使用上次设置").toBool());
  auto* grid = w->findChild<QTableView*>("gd");
  EXPECT_EQ(grid->model()->rowCount(), 18);
  const int widths[] = {20, 20, 0, 80, 80};
  for (int c : {0, 1, 3, 4}) EXPECT_EQ(grid->columnWidth(c), widths[c]);
  EXPECT_EQ(w->findChild<QComboBox*>("cbPaper")->currentText(), "任意 - 任意 - 任意");
  EXPECT_TRUE(w->findChild<QRadioButton*>("optSave0")->isChecked());

  AboutDialog about;
  EXPECT_EQ(about.windowTitle(), "关于本软件");
  EXPECT_TRUE(about.nameText().endsWith(" V3.0.117"));
}

TEST_F(WindowTest, ThePathColumnTakesTheRoomAndKeepsTheFileNameOfALongPath) {
  auto program = start();
  MainWindow* w = program->mainWindow();
  auto* grid = w->findChild<QTableView*>("gd");
  const QString longPath =
      folder /
      "Projects/2024 Harbour Extension/Stage 2/Drawings/Structure/Issued for tender/"
      "S-Level 3 slab reinforcement.dxf";
  w->fileList().addDrawing(longPath);

  int lastWidth = 0;
  for (int windowWidth : {500, 672, 1200}) {
    w->resize(windowWidth, 480);
    QApplication::processEvents();
    const int others = 20 + 20 + 80 + 80;
    // The path column fills the grid: no gap to the right, nothing cut off.
    EXPECT_EQ(grid->columnWidth(2), grid->viewport()->width() - others) << windowWidth;
    EXPECT_GT(grid->columnWidth(2), lastWidth);
    lastWidth = grid->columnWidth(2);
  }
  // A path wider than the column loses the middle of its folder; the file name stays whole.
  w->resize(500, 480);
  QApplication::processEvents();
  auto* paths = dynamic_cast<PathDelegate*>(grid->itemDelegateForColumn(2));
  ASSERT_NE(paths, nullptr);
  const QModelIndex cell = grid->model()->index(0, 2);
  const QString shown = paths->shownText(cell, grid->columnWidth(2));
  EXPECT_NE(shown, longPath);
  EXPECT_TRUE(shown.contains("…"));
  EXPECT_TRUE(shown.endsWith("/Issued for tender/S-Level 3 slab reinforcement.dxf") ||
              shown.endsWith("/S-Level 3 slab reinforcement.dxf"))
      << shown.toStdString();
  EXPECT_TRUE(shown.startsWith(folder.path().left(4))) << shown.toStdString();
  EXPECT_LE(grid->fontMetrics().horizontalAdvance(shown), grid->columnWidth(2));
  w->resize(1900, 480);
  QApplication::processEvents();
  EXPECT_EQ(paths->shownText(cell, grid->columnWidth(2)), longPath);
}

TEST(PathElision, FolderGoesFirstThenTheName) {
  QFont font(QStringLiteral("Noto Sans CJK SC"), 9);
  const QFontMetrics metrics(font);
  const QString path = "/data/工程/2024/Stage 2/Drawings/Issued/S-301 楼板配筋.dxf";
  const QString name = "S-301 楼板配筋.dxf";
  EXPECT_EQ(elidePath(path, metrics, metrics.horizontalAdvance(path)), path);
  for (int room : {metrics.horizontalAdvance(path) - 1, metrics.horizontalAdvance(name) + 40,
                   metrics.horizontalAdvance("…/" + name)}) {
    const QString shown = elidePath(path, metrics, room);
    EXPECT_TRUE(shown.endsWith("/" + name)) << room << " " << shown.toStdString();
    EXPECT_TRUE(shown.contains("…")) << room;
    EXPECT_LE(metrics.horizontalAdvance(shown), room) << shown.toStdString();
  }
  // Too narrow for the whole name: the name keeps its start and its extension.
  const int narrow = metrics.horizontalAdvance(name) - 10;
  const QString shown = elidePath(path, metrics, narrow);
  EXPECT_FALSE(shown.contains("/"));
  EXPECT_TRUE(shown.startsWith("S-") && shown.endsWith(".dxf")) << shown.toStdString();
  EXPECT_LE(metrics.horizontalAdvance(shown), narrow);
  // A bare name and an empty cell.
  EXPECT_EQ(elidePath("plan.dxf", metrics, 1000), "plan.dxf");
  EXPECT_EQ(elidePath("", metrics, 0), "");
}

TEST_F(WindowTest, SecondCopyAndMissingComponentEndAtStartUp) {
  auto first = start();
  ASSERT_TRUE(started);
  auto second = start();
  EXPECT_FALSE(started);
  EXPECT_EQ(boxes, QStringList{"图纸拆分工具已经启动!\u3000|提示"});
  EXPECT_EQ(second->mainWindow(), nullptr);
  first.reset();
  second.reset();

  // A lock left by a copy that is gone does not count.
  QFile stale(folder / "Sheetcut.lock");
  ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
  stale.write("2147483646\nSheetcut\n" + QSysInfo::machineHostName().toUtf8() + "\n");
  stale.close();
  boxes.clear();
  EXPECT_TRUE(start()->mainWindow() != nullptr);
  EXPECT_TRUE(boxes.isEmpty());

  auto failed = start([] { throw sheetcut::Error(429, "组件未注册"); });
  EXPECT_FALSE(started);
  EXPECT_EQ(boxes, QStringList{"系统启动异常, 原因: 组件未注册|图纸转换"});
  EXPECT_EQ(failed->mainWindow(), nullptr);
}

TEST_F(WindowTest, ClosingAsksFirstAndThenEndsTheProgram) {
  auto program = start();
  MainWindow* w = program->mainWindow();
  api->confirmAnswers = {false};
  w->close();
  QApplication::processEvents();
  EXPECT_EQ(api->confirms, QStringList{"真的要退出系统吗?"});
  EXPECT_TRUE(w->isVisible());
  EXPECT_EQ(ends, 0);

  w->ab_ToolClick("tlExit");
  QApplication::processEvents();
  EXPECT_TRUE(program->ended());
  EXPECT_EQ(ends, 1);
  EXPECT_EQ(program->GetSetting("UnLoadForm").toString(), "NullString");
}

TEST_F(WindowTest, AddingFilesAndFoldersListsExactPathsOnce) {
  auto program = start();
  MainWindow* w = program->mainWindow();
  FileList& list = w->fileList();
  const QString proj = folder / "Proj/";
  api->fileAnswers.push_back({proj, {"Plan.dxf", "Plan.dxf"}});
  w->ab_ToolClick("tlAddFile");
  EXPECT_EQ(api->lastFilter, "CAD图形文件|*.dxf");
  EXPECT_EQ(list.drawingCount(), 1);
  EXPECT_EQ(list.path(0), proj + "Plan.dxf");

  QDir().mkpath(folder / "Empty");
  api->folderAnswers = {folder / "Empty", folder / "Proj"};
  w->ab_ToolClick("tlAddFolder");
  EXPECT_EQ(api->alerts, QStringList{"该文件夹下没有发现DWG文件"});
  folder.touch("Proj/Plan.dxf");
  folder.touch("Proj/Sub.DXF");
  w->ab_ToolClick("tlAddFolder");
  EXPECT_EQ(list.drawingCount(), 2);
  EXPECT_TRUE(action(w, "tlAddFolder")->isEnabled());

  api->confirmAnswers = {false, true};
  w->ab_ToolClick("tlClear");
  EXPECT_EQ(list.drawingCount(), 2);
  w->ab_ToolClick("tlClear");
  EXPECT_TRUE(list.isEmpty());
  EXPECT_EQ(list.rowCount(), 18);
}

TEST_F(WindowTest, AFolderWhoseNameHoldsAQuoteListsItsDrawings) {
  auto program = start();
  MainWindow* w = program->mainWindow();
  const QString drawing = folder.touch("quote q\"/plan \"A\".dxf");
  api->folderAnswers = {folder / "quote q\""};
  w->ab_ToolClick("tlAddFolder");
  EXPECT_TRUE(api->alerts.isEmpty()) << api->alerts.join("|").toStdString();
  ASSERT_EQ(w->fileList().drawingCount(), 1);
  EXPECT_EQ(w->fileList().path(0), drawing);
  EXPECT_EQ(w->fileList().nameTag(0), "PLAN \"A\"");
}

TEST_F(WindowTest, AddingAFolderSaysWhichDrawingsItPassedOverForTheirNames) {
  auto program = start();
  MainWindow* w = program->mainWindow();
  const QString utf8 = folder.touch("Unpacked/图号.dxf");
  const std::string gbk = (folder / "Unpacked/").toStdString() + "\xCD\xBC\xBA\xC5.dxf";
  ASSERT_EQ(::close(::open(gbk.c_str(), O_CREAT | O_WRONLY, 0644)), 0);
  api->folderAnswers = {folder / "Unpacked"};
  w->ab_ToolClick("tlAddFolder");
  ASSERT_EQ(w->fileList().drawingCount(), 1);
  EXPECT_EQ(w->fileList().path(0), utf8);
  ASSERT_EQ(api->alerts.size(), 1);
  EXPECT_TRUE(api->alerts[0].startsWith("有1个图纸文件的文件名不是UTF-8编码"))
      << api->alerts[0].toStdString();
  EXPECT_TRUE(api->alerts[0].endsWith("\r\n" + folder / "Unpacked/图号.dxf"))
      << api->alerts[0].toStdString();

  // A folder of such drawings only is not said to hold none.
  ASSERT_EQ(::unlink(utf8.toUtf8().constData()), 0);
  w->fileList().clear();
  api->folderAnswers = {folder / "Unpacked"};
  w->ab_ToolClick("tlAddFolder");
  EXPECT_TRUE(w->fileList().isEmpty());
  ASSERT_EQ(api->alerts.size(), 2);
  EXPECT_TRUE(api->alerts[1].startsWith("有1个图纸文件")) << api->alerts[1].toStdString();
  std::filesystem::remove_all((folder / "Unpacked").toStdString());  // names Qt cannot reach
}

TEST_F(WindowTest, NamesPassedOverAreSaidInNameOrderAndFoldersApart) {
  auto program = start();
  MainWindow* w = program->mainWindow();
  const QString unpacked = folder / "Unpacked/";
  folder.touch("Unpacked/a.dxf");
  // 图号<n>.dxf in GBK, made out of order; and 标, a GBK folder with a drawing in it.
  for (int n : {5, 11, 8, 1, 10, 3, 2, 9, 4, 7, 6}) {
    const std::string gbk =
        unpacked.toStdString() + "\xCD\xBC\xBA\xC5" + std::to_string(n) + ".dxf";
    ASSERT_EQ(::close(::open(gbk.c_str(), O_CREAT | O_WRONLY, 0644)), 0);
  }
  ASSERT_EQ(::mkdir((unpacked.toStdString() + "\xB1\xEA").c_str(), 0755), 0);
  const std::string inside = unpacked.toStdString() + "\xB1\xEA/b.dxf";
  ASSERT_EQ(::close(::open(inside.c_str(), O_CREAT | O_WRONLY, 0644)), 0);

  api->folderAnswers = {folder / "Unpacked"};
  w->ab_ToolClick("tlAddFolder");
  EXPECT_EQ(w->fileList().drawingCount(), 1);
  QString said =
      "有11个图纸文件的文件名不是UTF-8编码(可能来自Windows的压缩包), 本程序无法打开, "
      "没有加入列表; 请把文件改名后再添加:";
  for (int n = 1; n <= 10; ++n) said += "\r\n" + unpacked + QString("图号%1.dxf").arg(n);
  said +=
      "\r\n……等11个\r\n\r\n有1个文件夹的名称不是UTF-8编码(可能来自Windows的压缩包), "
      "本程序无法打开; 请把文件夹改名:\r\n" +
      unpacked + "标";
  EXPECT_EQ(api->alerts, QStringList{said});

  // A folder that holds only such a folder holds no drawing, and says which folder it passed.
  QDir().mkpath(folder / "Outer");
  ASSERT_EQ(::mkdir((folder.path().toStdString() + "/Outer/\xB1\xEA").c_str(), 0755), 0);
  api->folderAnswers = {folder / "Outer"};
  w->ab_ToolClick("tlAddFolder");
  ASSERT_EQ(api->alerts.size(), 2);
  EXPECT_EQ(api->alerts[1],
            "该文件夹下没有发现DWG文件\r\n\r\n有1个文件夹的名称不是UTF-8编码(可能来自"
            "Windows的压缩包), 本程序无法打开; 请把文件夹改名:\r\n" +
                folder / "Outer/标");
  EXPECT_EQ(w->fileList().drawingCount(), 1);
  for (const char* made : {"Unpacked", "Outer"}) {
    std::filesystem::remove_all((folder / made).toStdString());  // names Qt cannot reach
  }
}

TEST_F(WindowTest, FoldersOfDwgDrawingsAreToldApartFromFoldersWithoutDrawings) {
  auto program = start();
  MainWindow* w = program->mainWindow();
  QDir().mkpath(folder / "Empty");
  folder.touch("Dwg/plan.dwg");
  folder.touch("Dwg/B.DWG");
  api->folderAnswers = {folder / "Dwg", folder / "Empty"};
  w->ab_ToolClick("tlAddFolder");
  w->ab_ToolClick("tlAddFolder");
  EXPECT_EQ(api->alerts,
            (QStringList{"该文件夹下发现了DWG图纸, 但本程序无法读取DWG图纸, 只能读取DXF图纸",
                         "该文件夹下没有发现DWG文件"}));
  EXPECT_TRUE(w->fileList().isEmpty());
}

TEST_F(WindowTest, TheGridIsOneTabStopAndArrowsMoveWithinIt) {
  auto program = start();
  MainWindow* w = program->mainWindow();
  w->show();
  w->activateWindow();
  QApplication::processEvents();
  auto* grid = w->findChild<QTableView*>("gd");
  auto* before = w->findChild<QToolButton*>("cmdSelectFolder");
  auto* after = w->findChild<QComboBox*>("cbPaper");
  const auto press = [](QWidget* to, int key, Qt::KeyboardModifiers modifiers = {}) {
    QKeyEvent down(QEvent::KeyPress, key, modifiers);
    QApplication::sendEvent(to, &down);
    QKeyEvent up(QEvent::KeyRelease, key, modifiers);
    QApplication::sendEvent(to, &up);
  };
  // The 18 blank rows of an empty list, and a list of drawings.
  for (bool filled : {false, true}) {
    if (filled) {
      w->fileList().addDrawing(folder / "a.dxf");
      w->fileList().addDrawing(folder / "b.dxf");
    }
    grid->setFocus(Qt::OtherFocusReason);
    grid->setCurrentIndex(grid->model()->index(0, 2));
    ASSERT_EQ(w->focusWidget(), grid);
    press(grid, Qt::Key_Down);
    EXPECT_EQ(grid->currentIndex().row(), 1) << filled;
    EXPECT_EQ(w->focusWidget(), grid);

    press(grid, Qt::Key_Tab);
    EXPECT_EQ(w->focusWidget(), after) << filled;
    grid->setFocus(Qt::OtherFocusReason);
    press(grid, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(w->focusWidget(), before) << filled;
    // And back into the grid with one Tab, where its current cell is kept.
    press(before, Qt::Key_Tab);
    EXPECT_EQ(w->focusWidget(), grid) << filled;
    EXPECT_EQ(grid->currentIndex().row(), 1) << filled;
  }
}

TEST_F(WindowTest, ClearingLeavesNothingBehindAndDeleteTakesOnlySelectedRows) {
  auto program = start();
  MainWindow* w = program->mainWindow();
  auto* grid = w->findChild<QTableView*>("gd");
  FileList& list = w->fileList();
  QStringList names;
  for (int i = 0; i < 60; ++i) names << QStringLiteral("d%1.dxf").arg(i, 2, 10, QChar('0'));
  api->fileAnswers.push_back({folder.path() + "/", names});
  w->ab_ToolClick("tlAddFile");
  // The whole path shows on hover, however the column shortens it.
  EXPECT_EQ(list.model().index(3, 2).data(Qt::ToolTipRole).toString(), folder / "d03.dxf");
  grid->selectRow(40);
  grid->scrollToBottom();
  ASSERT_GT(grid->verticalScrollBar()->value(), 0);
  cad->withoutFrames = QStringList{folder / "d05.dxf"};
  w->ab_ToolClick("tlStart");
  ASSERT_TRUE(w->statusText().startsWith("59张图纸拆分完毕"));
  EXPECT_EQ(list.model().index(5, 1).data(Qt::ToolTipRole).toString(),
            "没有找到图框, 没有拆分出图纸");

  w->ab_ToolClick("tlClear");
  EXPECT_EQ(w->statusText(), "Corvantis图形拆分工具");
  EXPECT_EQ(grid->verticalScrollBar()->value(), 0);
  EXPECT_TRUE(grid->selectionModel()->selectedRows().isEmpty());

  // Nothing shown as selected: 删除 removes nothing, whatever the grid's current row.
  api->fileAnswers.push_back({folder.path() + "/", {"a.dxf", "b.dxf", "c.dxf"}});
  w->ab_ToolClick("tlAddFile");
  grid->setCurrentIndex(list.model().index(0, 2));
  grid->selectionModel()->clearSelection();
  w->ab_ToolClick("tlDelete");
  EXPECT_EQ(list.drawingCount(), 3);
  grid->selectRow(1);
  w->ab_ToolClick("tlDelete");
  EXPECT_EQ(list.drawingCount(), 2);
  EXPECT_EQ(list.path(0), folder / "a.dxf");
  EXPECT_EQ(list.path(1), folder / "c.dxf");
}

TEST_F(WindowTest, DuringARunTheListAndTheChoicesAreLockedAndExitWaits) {
  auto program = start();
  MainWindow* w = program->mainWindow();
  FileList& list = w->fileList();
  for (const char* name : {"a.dxf", "b.dxf", "c.dxf"}) list.addDrawing(folder / name);
  w->findChild<QTableView*>("gd")->setCurrentIndex(list.model().index(1, 2));
  api->fileAnswers.push_back({folder.path() + "/", {"new.dxf"}});

  int splitsSeen = 0;
  bool lockedInside = false;
  cad->onSplit = [&](const QString&) {
    if (++splitsSeen > 1) return;
    for (const char* name :
         {"tlStart", "tlClear", "tlDelete", "tlAddFile", "tlAddFolder", "tlUserSet"}) {
      w->ab_ToolClick(name);
    }
    chosenFolderOption(w)->click();
    w->findChild<QToolButton*>("cmdSelectFolder")->click();
    lockedInside = !action(w, "tlStart")->isEnabled() && !action(w, "tlClear")->isEnabled() &&
                   !chosenFolderOption(w)->isEnabled() && w->formatEditor() == nullptr;
    w->close();  // asks, then waits for this drawing
  };
  w->ab_ToolClick("tlStart");
  EXPECT_TRUE(lockedInside);
  EXPECT_EQ(splitsSeen, 1);
  EXPECT_EQ(list.drawingCount(), 3);
  EXPECT_EQ(list.picture(0), "ok");
  EXPECT_EQ(list.picture(1), "");
  EXPECT_EQ(api->fileAnswers.size(), 1u);
  EXPECT_TRUE(api->folderDialogTitles.isEmpty());
  EXPECT_FALSE(chosenFolderOption(w)->isChecked());
  EXPECT_EQ(ends, 0);
  QApplication::processEvents();
  EXPECT_EQ(ends, 1);
}

TEST_F(WindowTest, ARunGivesTheFocusBackAndLeavesTheFolderBoxAsItWas) {
  auto program = start();
  MainWindow* w = program->mainWindow();
  w->activateWindow();
  for (int i = 0; i < 50 && QApplication::activeWindow() != w; ++i) {
    QApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  ASSERT_EQ(QApplication::activeWindow(), w);
  auto* box = w->findChild<QLineEdit*>("txtFolder");
  auto* option = chosenFolderOption(w);
  const QString out = folder / "Out";
  QDir().mkpath(out);
  w->fileList().addDrawing(folder / "a.dxf");
  const auto typeX = [] {
    QKeyEvent down(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, "x");
    QApplication::sendEvent(QApplication::focusWidget(), &down);
  };

  // While the drawing is split the box shows as locked, with its path, and has no focus.
  bool failSplit = false;
  QStringList during;
  cad->onSplit = [&](const QString&) {
    during << QStringLiteral("enabled %1, path kept %2, focused %3")
                  .arg(box->isEnabled())
                  .arg(box->text() == out)
                  .arg(QApplication::focusWidget() == box);
    if (failSplit) throw sheetcut::Error(1, "broken drawing");
  };

  // A run that ends well, one that fails, and one that stops at its folder check (the status
  // bar keeps the failure before it); each started with 指定文件夹 just clicked.
  struct End {
    const char* name;
    QString folder;
    bool fails;
    const char* status;
  };
  for (const End& end :
       {End{"done", out, false, "1张图纸拆分完毕"}, End{"failed", out, true, "1拆分发生异常"},
        End{"stopped", folder / "Missing", false, "1拆分发生异常"}}) {
    SCOPED_TRACE(end.name);
    box->setText(end.folder);
    failSplit = end.fails;
    option->setFocus(Qt::MouseFocusReason);
    option->click();
    ASSERT_EQ(QApplication::focusWidget(), option);
    during.clear();
    w->ab_ToolClick("tlStart");
    EXPECT_TRUE(w->statusText().startsWith(end.status)) << w->statusText().toStdString();
    EXPECT_EQ(during,
              end.folder == out ? QStringList{"enabled 0, path kept 1, focused 0"} : QStringList{});
    if (end.folder != out) {
      EXPECT_EQ(api->alerts.last(), end.folder + "不存在,请重新设置!");
    }
    EXPECT_EQ(QApplication::focusWidget(), option);
    EXPECT_FALSE(box->hasSelectedText());
    EXPECT_TRUE(box->isEnabled() && !box->isReadOnly());
    typeX();
    EXPECT_EQ(box->text(), end.folder);
  }

  // Started from the box itself, the run gives the focus back to it without selecting its
  // text: a key typed afterwards goes where the cursor was.
  box->setText(out);
  box->setFocus(Qt::MouseFocusReason);
  box->end(false);
  ASSERT_EQ(QApplication::focusWidget(), box);
  w->ab_ToolClick("tlStart");
  EXPECT_EQ(QApplication::focusWidget(), box);
  EXPECT_FALSE(box->hasSelectedText());
  typeX();
  EXPECT_EQ(box->text(), out + "x");
}

TEST_F(WindowTest, DoubleClickAndHelpOpenWithoutAShellAndSayWhenTheyCannot) {
  auto program = start();
  MainWindow* w = program->mainWindow();
  const QString name = "a&b;$(touch x)";
  const QString output = folder / "A&B;$(TOUCH X)";
  w->fileList().addDrawing(folder / (name + ".dxf"));
  w->openOutputFolder(0);
  EXPECT_EQ(api->alerts, QStringList{output + "不存在!可能是转换过程中出现异常"});
  QDir().mkpath(output);
  w->openOutputFolder(0);
  EXPECT_EQ(api->openedFolders, QStringList{output});
  EXPECT_FALSE(QFile::exists("x"));

  api->openerWorks = false;
  w->openOutputFolder(0);
  EXPECT_EQ(api->alerts.last(), "没有可以打开文件夹的程序: " + output);
  // A drawing without a frame made no folder: that is what double-clicking it says.
  const QString frameless = folder / "blank.dxf";
  w->fileList().addDrawing(frameless);
  w->fileList().setPicture(1, "none");
  w->openOutputFolder(1);
  EXPECT_EQ(api->alerts.last(), frameless + "中没有找到图框, 没有拆分出图纸");
  w->ab_ToolClick("tlHelp");
  EXPECT_EQ(api->alerts.last(), folder / "help.pdf" + "不存在!");
  folder.touch("help.pdf");
  w->ab_ToolClick("tlHelp");
  EXPECT_EQ(api->openedDocuments, QStringList{folder / "help.pdf"});
  EXPECT_EQ(api->alerts.last(), "没有可以打开帮助文件的程序: " + folder / "help.pdf");
}

TEST_F(WindowTest, ADoubleClickOpensTheFolderTheRowsLastRunWroteInto) {
  auto program = start();
  MainWindow* w = program->mainWindow();
  FileList& list = w->fileList();
  auto* box = w->findChild<QLineEdit*>("txtFolder");
  const QString out = folder / "Out";
  const QString other = folder / "Other";
  QDir().mkpath(out);
  QDir().mkpath(other);
  list.addDrawing(folder / "a.dxf");
  list.addDrawing(folder / "b.dxf");
  // The split makes the folder it is given, as the component does.
  cad->onSplit = [this](const QString&) { QDir().mkpath(cad->childFolder); };

  // Split beside the drawings, then 指定文件夹 chosen: the row opens where it was split.
  w->ab_ToolClick("tlStart");
  chosenFolderOption(w)->click();
  box->setText(out);
  w->openOutputFolder(0);
  EXPECT_EQ(api->openedFolders, QStringList{folder / "A"});

  // Split into the chosen folder, then back to 原始路径 with the box edited.
  w->ab_ToolClick("tlStart");
  w->findChild<QRadioButton*>("optSave0")->click();
  box->setText(other);
  w->openOutputFolder(1);
  // A removed row takes its folder along: the next row moves up with its own.
  w->findChild<QTableView*>("gd")->selectRow(0);
  w->ab_ToolClick("tlDelete");
  ASSERT_EQ(list.path(0), folder / "b.dxf");
  w->openOutputFolder(0);
  EXPECT_EQ(api->openedFolders, (QStringList{folder / "A", out + "/B", out + "/B"}));

  // Listed anew after the list was cleared, the drawing has not been split: the controls
  // decide, as before any run.
  chosenFolderOption(w)->click();
  w->ab_ToolClick("tlClear");
  list.addDrawing(folder / "b.dxf");
  w->openOutputFolder(0);
  EXPECT_EQ(api->openedFolders.size(), 3);
  EXPECT_EQ(api->alerts, QStringList{other + "/B不存在!可能是转换过程中出现异常"});
}

TEST_F(WindowTest, FailuresOfCommandsAreShownAndTheWindowGoesOn) {
  auto program = start();
  MainWindow* w = program->mainWindow();
  // Settings that cannot be stored: said once, in the program's words, and nothing stops.
  api->iniWritesFail = true;
  api->folderAnswers = {folder / "Out"};
  w->findChild<QToolButton*>("cmdSelectFolder")->click();
  EXPECT_EQ(w->findChild<QLineEdit*>("txtFolder")->text(), folder / "Out");
  w->ab_ToolClick("tlUserSet");
  w->formatEditor()->findChild<QPushButton*>("cmdAdd")->click();
  EXPECT_EQ(w->formatEditor()->list()->count(), 1);  // for this session
  w->formatEditor()->close();
  EXPECT_TRUE(api->errors.isEmpty());
  EXPECT_EQ(api->alerts, QStringList{"程序的设置无法保存, 下次启动时不会保留。原因: \r\n无法写入 " +
                                     w->iniPath()});

  // A failed run names its reason in the status bar, whole in its tooltip.
  api->iniWritesFail = false;
  cad->startable = false;
  w->fileList().addDrawing(folder / "a.dxf");
  w->ab_ToolClick("tlStart");
  EXPECT_EQ(w->statusText(), "1拆分发生异常, 原因: \r\n无法启动AutoCAD");
  auto* bar = w->findChild<QLabel*>("tlTipTxt");
  EXPECT_EQ(bar->toolTip(), w->statusText());
  // The bar shows it on one line, the reason right after the count.
  EXPECT_EQ(bar->text(), "1拆分发生异常, 原因: 无法启动AutoCAD");
  EXPECT_TRUE(action(w, "tlStart")->isEnabled());

  // A long reason neither widens the window nor makes the bar taller.
  const int barHeight = bar->sizeHint().height();
  cad->startable = true;
  cad->onSplit = [](const QString& path) {
    throw sheetcut::Error(1, ("Cannot open the drawing \"" + path + "\": " + path +
                              ": line 2: expected SECTION, found \"" + QString(300, 'x') + "\"")
                                 .toStdString());
  };
  w->ab_ToolClick("tlStart");
  QApplication::processEvents();
  EXPECT_TRUE(w->statusText().startsWith("1拆分发生异常, 原因: \r\n"));
  EXPECT_LT(w->minimumSizeHint().width(), 800);
  EXPECT_EQ(bar->sizeHint().height(), barHeight);
}

TEST_F(WindowTest, FormatEditorStoresFormatsAndTheListFollowsOnClose) {
  auto program = start();
  MainWindow* w = program->mainWindow();
  w->ab_ToolClick("tlUserSet");
  FormatEditor* editor = w->formatEditor();
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(editor->windowTitle(), "图号格式设置");
  EXPECT_EQ(api->onTopCalls, 1);
  EXPECT_EQ(editor->chooser(2)->currentText(), "数字");
  editor->cmdAdd_Click();
  editor->cmdAdd_Click();
  editor->chooser(0)->setCurrentIndex(2);
  editor->cmdAdd_Click();
  ASSERT_EQ(editor->list()->count(), 2);

  editor->list()->setCurrentRow(0);
  api->confirmAnswers = {true};
  editor->cmdDel_Click();
  EXPECT_EQ(api->confirms, QStringList{"真的要删除选中的图号格式吗?"});
  editor->close();
  auto* combo = w->findChild<QComboBox*>("cbPaper");
  ASSERT_EQ(combo->count(), 2);
  EXPECT_EQ(combo->itemText(0), "任意 - 字母 - 数字");
  // The preset chosen before the editor opened is still chosen.
  EXPECT_EQ(combo->currentText(), "任意 - 任意 - 任意");

  // Reopened, the editor starts on 字母, 字母, 数字 again; Escape closes it like its close box.
  w->ab_ToolClick("tlUserSet");
  editor = w->formatEditor();
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(editor->chooser(i)->currentText(), i < 2 ? "字母" : "数字") << i;
  }
  EXPECT_EQ(editor->list()->count(), 1);
  editor->chooser(1)->setCurrentIndex(2);
  editor->cmdAdd_Click();
  QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QApplication::sendEvent(editor, &escape);
  EXPECT_FALSE(editor->isVisible());
  EXPECT_EQ(combo->count(), 3);
  w->ab_ToolClick("tlUserSet");
  EXPECT_EQ(w->formatEditor()->chooser(1)->currentText(), "字母");
  w->formatEditor()->close();
}

TEST_F(WindowTest, TheFormatChosenInTheListIsTheOneTheNextRunUses) {
  QFile file(folder / "cfg.ini");
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  // A gap before the formats, a text that is no format and a default that is none either.
  file.write(
      "[DwgIDFormat]\r\nFormat2=字母 - 数字 - 数字\r\nFormat3=garbage###\r\n"
      "Format4=数字 - 数字 - 任意\r\nDefaultFormat=garbage###\r\n");
  file.close();
  auto program = start();
  MainWindow* w = program->mainWindow();
  auto* combo = w->findChild<QComboBox*>("cbPaper");
  QStringList entries;
  for (int i = 0; i < combo->count(); ++i) entries << combo->itemText(i);
  EXPECT_EQ(entries,
            (QStringList{"字母 - 数字 - 数字", "数字 - 数字 - 任意", "任意 - 任意 - 任意"}));
  EXPECT_EQ(combo->currentText(), "任意 - 任意 - 任意");

  // The editor lists what the list offers; a format the user picks survives the editor.
  combo->setCurrentIndex(0);
  w->ab_ToolClick("tlUserSet");
  EXPECT_EQ(w->formatEditor()->list()->count(), 2);
  w->formatEditor()->close();
  EXPECT_EQ(combo->currentText(), "字母 - 数字 - 数字");
  w->fileList().addDrawing(folder / "a.dxf");
  w->ab_ToolClick("tlStart");
  EXPECT_EQ(cad->mask, "@*-#*-#*");
  EXPECT_EQ(api->GetINIKeyValue(w->iniPath(), "DwgIDFormat", "DefaultFormat"),
            "字母 - 数字 - 数字");

  // Once the chosen format is deleted, the stored default is chosen again.
  combo->setCurrentIndex(1);
  w->ab_ToolClick("tlUserSet");
  FormatEditor* editor = w->formatEditor();
  editor->list()->setCurrentRow(1);
  editor->cmdDel_Click();
  editor->close();
  EXPECT_EQ(combo->currentText(), "字母 - 数字 - 数字");
  EXPECT_EQ(combo->count(), 1);
}

TEST_F(WindowTest, TheFormatOfTheLastRunStaysChosenAfterARestartAndTheEditor) {
  QStringList masks;
  const auto runOnce = [&](MainWindow* w) {
    w->fileList().clear();
    w->fileList().addDrawing(folder / "a.dxf");
    w->ab_ToolClick("tlStart");
    masks << cad->mask;
  };
  const auto chosen = [](MainWindow* w) {
    return w->findChild<QComboBox*>("cbPaper")->currentText();
  };
  {
    auto program = start();
    MainWindow* w = program->mainWindow();
    api->SetINIKeyValue(w->iniPath(), "DwgIDFormat", "Format1", "字母 - 字母 - 数字");
    api->SetINIKeyValue(w->iniPath(), "DwgIDFormat", "Format2", "数字 - 数字 - 任意");
    // No default yet: the stored formats, then the preset, which stays chosen.
    w->LoadConfigInfo(false);
    EXPECT_EQ(chosen(w), "任意 - 任意 - 任意");
    auto* combo = w->findChild<QComboBox*>("cbPaper");
    ASSERT_EQ(combo->count(), 3);
    EXPECT_EQ(combo->currentIndex(), 2);
    runOnce(w);
    EXPECT_EQ(api->GetINIKeyValue(w->iniPath(), "DwgIDFormat", "DefaultFormat"),
              "任意 - 任意 - 任意");
    // Opening and closing the editor keeps the choice.
    w->ab_ToolClick("tlUserSet");
    w->formatEditor()->close();
    EXPECT_EQ(chosen(w), "任意 - 任意 - 任意");
    program->QuitApp();
  }
  auto program = start();
  MainWindow* w = program->mainWindow();
  EXPECT_EQ(chosen(w), "任意 - 任意 - 任意");
  w->ab_ToolClick("tlUserSet");
  w->formatEditor()->close();
  EXPECT_EQ(chosen(w), "任意 - 任意 - 任意");
  runOnce(w);
  EXPECT_EQ(masks, (QStringList{"*-*-*", "*-*-*"}));
}

TEST(HostOptionsDialog, RecordsAChoiceOnlyWhenConfirmed) {
  RunSettings settings;
  {
    HostOptionsDialog dialog(settings);
    dialog.option(1)->setChecked(true);
    dialog.askNoMore()->setChecked(true);
    dialog.reject();  // the close box
  }
  EXPECT_EQ(settings.GetSetting("应用CAD的方式").toString(), "新建");
  EXPECT_FALSE(settings.GetSetting("使用上次设置").toBool());
  HostOptionsDialog dialog(settings);
  dialog.option(1)->setChecked(true);
  dialog.askNoMore()->setChecked(true);
  dialog.cmdOK_Click();
  EXPECT_EQ(settings.GetSetting("应用CAD的方式").toString(), "当前");
  EXPECT_TRUE(settings.GetSetting("使用上次设置").toBool());
}

TEST_F(WindowTest, AFolderTypedIntoTheBoxIsOfferedAgainAfterARestart) {
  const QString out = folder / "Typed Out";
  QDir().mkpath(out);
  {
    auto program = start();
    MainWindow* w = program->mainWindow();
    chosenFolderOption(w)->setChecked(true);
    w->findChild<QLineEdit*>("txtFolder")->setText(out);
    w->fileList().addDrawing(folder / "a.dxf");
    w->ab_ToolClick("tlStart");
    EXPECT_EQ(cad->childFolders, QStringList{out + "/A"});
    program->QuitApp();
  }
  auto program = start();
  MainWindow* w = program->mainWindow();
  EXPECT_TRUE(chosenFolderOption(w)->isChecked());
  EXPECT_EQ(w->findChild<QLineEdit*>("txtFolder")->text(), out);
}

TEST_F(WindowTest, InAReadOnlyInstallAddedFormatsHoldForTheSession) {
  auto program = start();
  MainWindow* w = program->mainWindow();
  api->iniWritesFail = true;
  w->ab_ToolClick("tlUserSet");
  FormatEditor* editor = w->formatEditor();
  editor->findChild<QPushButton*>("cmdAdd")->click();
  editor->chooser(0)->setCurrentIndex(1);
  editor->findChild<QPushButton*>("cmdAdd")->click();
  ASSERT_EQ(editor->list()->count(), 2);
  EXPECT_EQ(editor->list()->item(1)->text(), "数字 - 字母 - 数字");
  EXPECT_EQ(api->alerts.size(), 1);
  EXPECT_TRUE(api->alerts[0].startsWith("程序的设置无法保存"));
  editor->close();
  auto* combo = w->findChild<QComboBox*>("cbPaper");
  ASSERT_EQ(combo->count(), 3);
  EXPECT_EQ(combo->itemText(0), "字母 - 字母 - 数字");
  EXPECT_EQ(combo->currentText(), "任意 - 任意 - 任意");
  // Reopened, the editor lists the session's formats; nothing reached the disk.
  w->ab_ToolClick("tlUserSet");
  EXPECT_EQ(w->formatEditor()->list()->count(), 2);
  w->formatEditor()->close();
  EXPECT_FALSE(QFile::exists(w->iniPath()));
  EXPECT_EQ(api->alerts.size(), 1);
}
