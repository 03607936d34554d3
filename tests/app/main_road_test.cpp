// The main road end to end with the real component and host: two listed drawings, the
// chosen-folder and own-folder modes, a second run, a blocked output folder, the window, and
// the sample sheet set of the repository.

#include <gtest/gtest.h>
#include <tarvik/cad.h>
#include <tarvik/scripted_ui.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QRadioButton>
#include <QRegularExpression>
#include <cstring>
#include <functional>
#include <iostream>

#include "acceptance_drawings.h"
#include "app_test_support.h"
#include "dxf/dxf_io.h"
#include "sheet_fixture.h"
#include "sheetcut_app/main_window.h"
#include "sheetcut_app/program.h"
#include "sheetcut_app/split_run.h"
#include "sheetgen/sheet_set.h"

using namespace sheetcut::app;

namespace {

const QString kFormat = QStringLiteral("字母 - 字母 - 数字");

QByteArray digest(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly)
             ? QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256)
             : QByteArray();
}

QStringList namesIn(const QString& folder) {
  return QDir(folder).entryList(QDir::Files, QDir::Name);
}

class MainRoadTest : public ::testing::Test {
 protected:
  MainRoadTest() {
    QDir().mkpath(root / "Proj/Sub Dir");
    QDir().mkpath(out);
    acceptance::writePlan(plan.toStdString());
    acceptance::writeB(b.toStdString());
    planDigest = digest(plan);
    bDigest = digest(b);
    cad.setUi(std::make_shared<tarvik::ScriptedUi>());
    // A work folder of the test's own, so that no other test's report can interfere.
    QDir().mkpath(root / "Work");
    cad.setWorkPath(root / "Work");
    report = root / "Work/AnRpt.txt";
  }

  // Lists both drawings and runs the split through the controller.
  void run(SaveMode mode) {
    list.clear();
    list.addDrawing(plan);
    list.addDrawing(b);
    ConfigFile config(api, ini);
    SplitRun split(list, api, *component, config);
    split.onStatus = [this](const QString& text) { status = text; };
    split.StartSplit({mode, out, kFormat});
  }

  // Lists one drawing alone and splits it beside itself.
  void splitAlone(const QString& path) {
    list.clear();
    list.addDrawing(path);
    ConfigFile config(api, ini);
    SplitRun split(list, api, *component, config);
    split.onStatus = [this](const QString& text) { status = text; };
    split.StartSplit({SaveMode::OwnFolder, QString(), kFormat});
  }

  // The program over the fixture's component, its services answered by the test.
  std::unique_ptr<Program> startProgram() {
    auto program =
        std::make_unique<Program>(ProgramParts{.makeApi =
                                                   [this] {
                                                     auto made =
                                                         std::make_unique<apptest::FakeServices>();
                                                     windowApi = made.get();
                                                     return made;
                                                   },
                                               .makeCad = [this] { return wrapCad(cad); },
                                               .systemBox = {},
                                               .programFolder = root.path(),
                                               .lockFolder = root.path(),
                                               .onEnd = [this] { ++ends; }});
    EXPECT_TRUE(program->Main());
    return program;
  }

  void expectSourcesAndReportUnchanged() {
    EXPECT_EQ(digest(plan), planDigest);
    EXPECT_EQ(digest(b), bDigest);
    EXPECT_FALSE(QFile::exists(report));
  }

  apptest::Folder root;
  QString plan = root / "Proj/Plan.dxf";
  QString b = root / "Proj/Sub Dir/b.dxf";
  QString out = root / "Out";
  QString ini = root / "cfg.ini";
  QByteArray planDigest, bDigest;
  QString report;
  apptest::FakeServices api;
  tarvik::CAD cad;
  std::unique_ptr<SplitComponent> component = wrapCad(cad);
  FileList list;
  QString status;
  apptest::FakeServices* windowApi = nullptr;
  int ends = 0;
};

// The component's user interface, with a hook wherever the component lets events through.
class PumpingUi : public tarvik::ScriptedUi {
 public:
  std::function<void()> onPump;
  void processEvents() override {
    if (onPump) onPump();
    ScriptedUi::processEvents();
  }
};

const QStringList kPlanChildren = {"A123-B567-08-4.dxf", "A123-B567-08.dxf", "A123-B567-09.dxf",
                                   "A12／3-B4-05.dxf", "PLAN-5.dxf"};

}  // namespace

TEST_F(MainRoadTest, ChosenFolderGetsOneDrawingPerFrameAndASecondRunAddsNewOnes) {
  run(SaveMode::ChosenFolder);
  ASSERT_EQ(status, "2张图纸拆分完毕,双击可查看拆分后的文件列表!");
  EXPECT_EQ(namesIn(out + "/PLAN"), kPlanChildren);
  EXPECT_EQ(namesIn(out + "/B"), QStringList{"B001-C002-1.dxf"});
  expectSourcesAndReportUnchanged();
  EXPECT_EQ(cad.acadApp, nullptr);

  // Each child holds exactly its frame, at its place, with its title block and texts.
  const QStringList byFrame = {"A123-B567-08.dxf", "A123-B567-09.dxf", "A12／3-B4-05.dxf",
                               "A123-B567-08-4.dxf", "PLAN-5.dxf"};
  const std::map<std::string, int> common = {
      {"LWPOLYLINE", 1}, {"LINE", 4}, {"INSERT", 1}, {"CIRCLE", 1}};
  for (int i = 0; i < 5; ++i) {
    const auto child = apptest::summarize(out + "/PLAN/" + byFrame[i]);
    const auto& frame = acceptance::planFrames()[i];
    auto expected = common;
    expected[i == 2 ? "MTEXT" : "TEXT"] += 1;
    expected["TEXT"] += i == 1 ? 2 : 1;
    EXPECT_EQ(child.countByType, expected) << byFrame[i].toStdString();
    for (const auto& [x, y] : child.points) {
      EXPECT_TRUE(x >= frame.minX - 1e-6 && x <= frame.maxX + 1e-6 && y >= frame.minY - 1e-6 &&
                  y <= frame.maxY + 1e-6)
          << byFrame[i].toStdString() << " " << x << "," << y;
    }
    EXPECT_NE(std::find(child.blocks.begin(), child.blocks.end(), "TB"), child.blocks.end());
    EXPECT_NE(std::find(child.texts.begin(), child.texts.end(), "设计"), child.texts.end());
  }
  const auto first = apptest::summarize(out + "/PLAN/A123-B567-08.dxf");
  EXPECT_EQ(first.borderVertices,
            (std::vector<std::pair<double, double>>{{0, 300}, {420, 300}, {420, 597}, {0, 597}}));
  EXPECT_TRUE(first.borderClosed);

  EXPECT_EQ(api.GetINIKeyValue(ini, "UserSet", "SaveChildType"), "1");
  EXPECT_EQ(api.GetINIKeyValue(ini, "UserSet", "SPPath"), out);  // the folder the run used
  EXPECT_EQ(api.GetINIKeyValue(ini, "DwgIDFormat", "DefaultFormat"), kFormat);
  const QRegularExpression time("^\\d\\d:\\d\\d:\\d\\d$");
  for (int row = 0; row < 2; ++row) {
    EXPECT_EQ(list.picture(row), "ok");
    EXPECT_TRUE(time.match(list.startTime(row)).hasMatch());
    EXPECT_LE(list.startTime(row), list.endTime(row));
  }
  EXPECT_EQ(list.path(0), plan);

  // Again: nothing written is touched, every frame gets a new name.
  std::map<QString, QByteArray> firstRun;
  for (const QString& name : kPlanChildren) firstRun[name] = digest(out + "/PLAN/" + name);
  run(SaveMode::ChosenFolder);
  ASSERT_EQ(status, "2张图纸拆分完毕,双击可查看拆分后的文件列表!");
  for (const auto& [name, hash] : firstRun) EXPECT_EQ(digest(out + "/PLAN/" + name), hash);
  const QStringList second = namesIn(out + "/PLAN");
  EXPECT_EQ(second.size(), 10);
  for (const char* name : {"A123-B567-08-1.dxf", "A123-B567-09-2.dxf", "A12／3-B4-05-3.dxf"}) {
    EXPECT_TRUE(second.contains(QString::fromUtf8(name))) << name;
  }
  EXPECT_EQ(namesIn(out + "/B").size(), 2);
  expectSourcesAndReportUnchanged();
}

TEST_F(MainRoadTest, OwnFolderModeWritesBesideEachDrawing) {
  run(SaveMode::OwnFolder);
  ASSERT_EQ(status, "2张图纸拆分完毕,双击可查看拆分后的文件列表!");
  EXPECT_EQ(namesIn(root / "Proj/PLAN"), kPlanChildren);
  EXPECT_EQ(namesIn(root / "Proj/Sub Dir/B"), QStringList{"B001-C002-1.dxf"});
  EXPECT_TRUE(namesIn(out).isEmpty());
  EXPECT_EQ(api.GetINIKeyValue(ini, "UserSet", "SaveChildType"), "0");
  expectSourcesAndReportUnchanged();
}

TEST_F(MainRoadTest, DrawingsWithoutAFrameAreNotCalledSplit) {
  // An empty model space, and one holding a text but no line work.
  const QString empty = root / "Proj/empty.dxf";
  const QString note = root / "Proj/note.dxf";
  cadhost::dxf::writeDxfFile(acceptance::newDrawing("AC1024", "ANSI_936"), empty.toStdString());
  cadhost::model::Drawing d = acceptance::newDrawing("AC1024", "ANSI_936");
  sheetgen::EntityBuilder builder(d);
  acceptance::addLayersAndStyle(builder);
  builder.text("TEXT", acceptance::kStyle, {10, 10}, acceptance::kTextHeight, "A100-B500-00");
  cadhost::dxf::writeDxfFile(d, note.toStdString());
  // A folder left by an earlier run counts only what this run adds to it.
  QDir().mkpath(out + "/NOTE");
  QFile(out + "/NOTE/old.dxf").open(QIODevice::WriteOnly);

  list.clear();
  for (const QString& path : {empty, plan, note}) list.addDrawing(path);
  ConfigFile config(api, ini);
  SplitRun split(list, api, *component, config);
  split.onStatus = [this](const QString& text) { status = text; };
  split.StartSplit({SaveMode::ChosenFolder, out, kFormat});
  EXPECT_EQ(status, "1张图纸拆分完毕,2张图纸中没有找到图框,双击可查看拆分后的文件列表!");
  EXPECT_EQ(list.picture(0), "none");
  EXPECT_EQ(list.picture(1), "ok");
  EXPECT_EQ(list.picture(2), "none");
  EXPECT_FALSE(QFileInfo::exists(out + "/EMPTY"));
  EXPECT_EQ(namesIn(out + "/NOTE"), QStringList{"old.dxf"});
  EXPECT_EQ(namesIn(out + "/PLAN"), kPlanChildren);
}

TEST_F(MainRoadTest, BlockedOutputFolderFailsItsRowOnly) {
  QFile blocker(out + "/B");
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  run(SaveMode::ChosenFolder);
  EXPECT_EQ(list.picture(0), "ok");
  EXPECT_NE(list.picture(1), "ok");
  // The reason names the folder and what stands in its way before the component's detail.
  const QString reason = "2拆分发生异常, 原因: \r\n无法创建输出文件夹\"" + out + "/B\"(\"" + out +
                         "/B\"是文件, 不是文件夹): ";
  EXPECT_TRUE(status.startsWith(reason)) << status.toStdString();
  EXPECT_GT(status.size(), reason.size());
  EXPECT_EQ(namesIn(out + "/PLAN"), kPlanChildren);
  expectSourcesAndReportUnchanged();

  // The host the failure left open serves the next run once the cause is gone.
  ASSERT_TRUE(QFile::remove(out + "/B"));
  run(SaveMode::ChosenFolder);
  EXPECT_EQ(status, "2张图纸拆分完毕,双击可查看拆分后的文件列表!");
  EXPECT_EQ(namesIn(out + "/PLAN").size(), 10);
  EXPECT_EQ(namesIn(out + "/B"), QStringList{"B001-C002-1.dxf"});
  EXPECT_EQ(cad.acadApp, nullptr);
  expectSourcesAndReportUnchanged();
}

TEST_F(MainRoadTest, FailedDrawingsAreNamedForWhatIsWrongWithThem) {
  // A real drawing, damaged at a known line: a group code that is no number.
  QFile source(plan);
  ASSERT_TRUE(source.open(QIODevice::ReadOnly));
  QList<QByteArray> lines = source.readAll().split('\n');
  source.close();
  const int entities = int(lines.indexOf("ENTITIES"));
  ASSERT_GT(entities, 0);
  // The same drawing cut short in its entities: it ends without its EOF tag.
  const QByteArray cut = lines.mid(0, entities + 40).join('\n') + '\n';
  // Codes and values alternate: the third group code after the value "ENTITIES", 1-based.
  const int badLine = entities + 6;
  lines[badLine - 1] = "1O";
  const QByteArray damaged = lines.join('\n');

  struct Case {
    const char* name;
    QByteArray bytes;
    QString reason;
  };
  const Case cases[] = {
      {"dwg.dxf", QByteArray("AC1032\0\0\0\0\0\x01\x02", 13),
       "这是DWG格式的图纸, 本程序只能读取DXF图纸: "},
      {"empty.dxf", QByteArray(), "图纸文件是空的: "},
      {"notes.dxf", QByteArray("图纸目录\n1. A100-B500-00 总平面图\n"), "不是DXF图纸: "},
      {"scan.dxf", QByteArray("%PDF-1.4\n%\xE2\xE3\xCF\xD3\n"), "不是DXF图纸: "},
      {"damaged.dxf", damaged, QString("DXF图纸已损坏(第%1行): ").arg(badLine)},
      {"cut.dxf", cut, QString("DXF图纸已损坏(第%1行): ").arg(entities + 40)},
  };
  for (const Case& c : cases) {
    const QString path = root / QString("Bad/") + c.name;
    QDir().mkpath(root / "Bad");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(c.bytes);
    file.close();
    splitAlone(path);
    const QString start = "1拆分发生异常, 原因: \r\n" + c.reason;
    EXPECT_TRUE(status.startsWith(start)) << c.name << ": " << status.toStdString();
    // The component's own detail follows and names the drawing.
    EXPECT_TRUE(status.contains(path)) << c.name << ": " << status.toStdString();
    EXPECT_EQ(list.picture(0), "err") << c.name;
    EXPECT_FALSE(QFileInfo::exists(root / "Bad/" + QFileInfo(path).baseName().toUpper())) << c.name;
  }
  // The reported line is where the component stopped reading.
  EXPECT_TRUE(status.contains("line ")) << status.toStdString();
}

TEST_F(MainRoadTest, DrawingsThatCannotBeOpenedAreSaidWhyInChinese) {
  QDir().mkpath(root / "Bad");
  struct Case {
    QString path;
    QString reason;
    std::function<bool()> make;  // false: the case cannot be made here
    bool byMode = false;         // refused by the file's mode alone
  };
  const Case cases[] = {
      // Listed, then deleted before the run.
      {root / "Bad/gone.dxf", "无法打开图纸(文件不存在): ", [] { return true; }},
      {root / "Bad/pipe.dxf", "无法打开图纸(不是普通文件): ",
       [this] { return ::mkfifo((root / "Bad/pipe.dxf").toUtf8().constData(), 0644) == 0; }},
      {root / "Bad/sock.dxf", "无法打开图纸(不是普通文件): ",
       [this] {
         const QByteArray name = (root / "Bad/sock.dxf").toUtf8();
         sockaddr_un address{};
         address.sun_family = AF_UNIX;
         if (size_t(name.size()) >= sizeof address.sun_path) return false;
         std::memcpy(address.sun_path, name.constData(), size_t(name.size()));
         const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
         const bool bound = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
         ::close(fd);
         return bound;
       }},
      {root / "Bad/locked.dxf", "无法打开图纸(没有读取权限): ",
       [this] {
         return QFile::copy(plan, root / "Bad/locked.dxf") &&
                ::chmod((root / "Bad/locked.dxf").toUtf8().constData(), 0) == 0;
       },
       true},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(c.make()) << c.path.toStdString();
    {
      // The superuser reads a file of mode 000 unless it gives up that power.
      apptest::WithoutReadOverride asUser;
      if (c.byMode && !asUser.held()) {
        std::cout << "[  SKIPPED ] " << c.path.toStdString()
                  << ": the superuser's power to read any file cannot be given up here\n";
        continue;
      }
      splitAlone(c.path);
    }
    const QString start =
        "1拆分发生异常, 原因: \r\n" + c.reason + "Cannot open the drawing \"" + c.path + "\": ";
    EXPECT_TRUE(status.startsWith(start)) << status.toStdString();
    EXPECT_EQ(list.picture(0), "err") << c.path.toStdString();
  }
  ::chmod((root / "Bad/locked.dxf").toUtf8().constData(), 0644);
  EXPECT_EQ(digest(root / "Bad/locked.dxf"), planDigest);
  EXPECT_EQ(QDir(root / "Bad").entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot),
            (QStringList{"locked.dxf", "pipe.dxf", "sock.dxf"}));
}

TEST_F(MainRoadTest, ThroughTheWindow) {
  // The status pictures the build drew beside the program.
  const QString built = QCoreApplication::applicationDirPath() + "/ico/";
  QDir().mkpath(root / "ico");
  for (const char* name : {"go.gif", "ok.gif", "faliure.gif"}) {
    ASSERT_TRUE(QFile::copy(built + name, root / "ico/" + name)) << name;
  }
  auto program = startProgram();
  MainWindow* w = program->mainWindow();
  windowApi->fileAnswers.push_back({root / "Proj/", {"Plan.dxf"}});
  windowApi->folderAnswers.push_back(root / "Proj/Sub Dir");
  w->ab_ToolClick("tlAddFile");
  w->ab_ToolClick("tlAddFolder");
  windowApi->SetINIKeyValue(root / "cfg.ini", "DwgIDFormat", "DefaultFormat", kFormat);
  w->LoadConfigInfo(false);
  w->findChild<QRadioButton*>("optSave1")->setChecked(true);
  w->findChild<QLineEdit*>("txtFolder")->setText(out);
  EXPECT_EQ(w->GetDwgIDMask(), "@*-@*-#*");

  w->ab_ToolClick("tlStart");
  EXPECT_EQ(w->statusText(), "2张图纸拆分完毕,双击可查看拆分后的文件列表!");
  EXPECT_EQ(w->fileList().path(1), b);
  EXPECT_EQ(namesIn(out + "/PLAN"), kPlanChildren);
  const QRegularExpression time("^\\d\\d:\\d\\d:\\d\\d$");
  for (int row = 0; row < 2; ++row) {
    EXPECT_EQ(w->fileList().picture(row), "ok");
    EXPECT_FALSE(w->fileList().model().item(row, FileList::kStatus)->icon().pixmap(16).isNull());
    EXPECT_TRUE(time.match(w->fileList().endTime(row)).hasMatch());
  }
  EXPECT_EQ(windowApi->GetINIKeyValue(ini, "UserSet", "SaveChildType"), "1");
  EXPECT_EQ(windowApi->GetINIKeyValue(ini, "UserSet", "SPPath"), out);
  EXPECT_EQ(windowApi->GetINIKeyValue(ini, "DwgIDFormat", "DefaultFormat"), kFormat);
  w->openOutputFolder(0);
  EXPECT_EQ(windowApi->openedFolders, QStringList{out + "/PLAN"});
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  program->QuitApp();
  EXPECT_EQ(ends, 1);
  EXPECT_EQ(cad.acadApp, nullptr);
  expectSourcesAndReportUnchanged();
}

TEST_F(MainRoadTest, ExitDuringARunEndsAfterTheDrawingBeingSplit) {
  auto ui = std::make_shared<PumpingUi>();
  cad.setUi(ui);
  api.SetINIKeyValue(ini, "DwgIDFormat", "DefaultFormat", kFormat);
  auto program = startProgram();
  MainWindow* w = program->mainWindow();
  w->fileList().addDrawing(plan);
  w->fileList().addDrawing(b);
  bool closed = false;
  ui->onPump = [&] {
    if (closed || w->statusText() != "正在转换:" + plan) return;
    closed = true;
    w->close();
  };
  w->ab_ToolClick("tlStart");
  ASSERT_TRUE(closed);
  EXPECT_EQ(windowApi->confirms, QStringList{"真的要退出系统吗?"});
  EXPECT_EQ(namesIn(root / "Proj/PLAN"), kPlanChildren);
  EXPECT_EQ(w->fileList().picture(0), "ok");
  EXPECT_EQ(w->fileList().picture(1), "");
  EXPECT_FALSE(QFileInfo::exists(root / "Proj/Sub Dir/B"));
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(ends, 0);
  QApplication::processEvents();
  EXPECT_EQ(ends, 1);
  EXPECT_TRUE(program->ended());
  expectSourcesAndReportUnchanged();
}

TEST(Sample, TheRepositorysSheetSetSplitsIntoItsNumberedSheets) {
  apptest::Folder out;
  const QString sample = QStringLiteral(SHEETCUT_SOURCE_DIR "/examples/sample/sample-sheets.dxf");
  const QByteArray before = digest(sample);
  ASSERT_FALSE(before.isEmpty());
  tarvik::CAD cad;
  cad.setUi(std::make_shared<tarvik::ScriptedUi>());
  auto component = wrapCad(cad);
  apptest::FakeServices api;
  FileList list;
  list.addDrawing(sample);
  ConfigFile config(api, out / "cfg.ini");
  SplitRun split(list, api, *component, config);
  split.StartSplit({SaveMode::ChosenFolder, out.path(), kFormat});
  QStringList numbers;
  for (int i = 0; i < 4; ++i)
    numbers << QString::fromStdString(sheetgen::drawingNumber(i)) + ".dxf";
  EXPECT_EQ(namesIn(out / "SAMPLE-SHEETS"), numbers);
  EXPECT_EQ(digest(sample), before);
}
