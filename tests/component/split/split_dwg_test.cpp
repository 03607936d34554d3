// The split of whole drawings through CAD and the host: the acceptance run and its variants,
// names, failures and the restoring of the source.

#include <gtest/gtest.h>

#include <sheetcut/error.h>
#include <tarvik/cad.h>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "qstring_printer.h"
#include "split_fixture.h"

namespace tarvik {
namespace {

using namespace splittest;

class SplitTest : public HostedCadTest {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(HostedCadTest::SetUp());
    ui = std::make_shared<StoppingUi>();
    cad.setUi(ui);
    ui->cad = &cad;
    cad.dwgIDMask = kMask;
    ASSERT_TRUE(QDir().mkpath(path("work")));
    cad.setWorkPath(path("work"));
    ASSERT_TRUE(QDir().mkpath(path("Proj/Sub Dir")));
    ASSERT_TRUE(QDir().mkpath(path("Out")));
  }
  void split(const QString& drawing, const QString& out) {
    cad.setChildFileSavePath(out);
    cad.SplitDwg(drawing, true);
  }
  // The acceptance drawings, split into Out/PLAN and Out/B.
  void firstRun() {
    writePlan(spath("Proj/Plan.dxf"));
    writeB(spath("Proj/Sub Dir/b.dxf"));
    planBytes = fileBytes(path("Proj/Plan.dxf"));
    bBytes = fileBytes(path("Proj/Sub Dir/b.dxf"));
    split(path("Proj/Plan.dxf"), path("Out/PLAN"));
    planStrips = cad.SplitSpeed();
    split(path("Proj/Sub Dir/b.dxf"), path("Out/B"));
  }
  std::map<QString, QByteArray> hashes(const QString& folder) {
    std::map<QString, QByteArray> out;
    for (const QString& name : fileNames(folder)) {
      out[name] =
          QCryptographicHash::hash(fileBytes(folder + "/" + name), QCryptographicHash::Sha256);
    }
    return out;
  }
  QString errorOf(const std::function<void()>& f) {
    try {
      f();
    } catch (const sheetcut::Error& e) {
      return QString::fromStdString(e.description());
    }
    return {};
  }

  std::shared_ptr<StoppingUi> ui;
  QByteArray planBytes, bBytes;
  int planStrips = 0;
};

const QString kSlash = QStringLiteral("\uFF0F");

TEST_F(SplitTest, AcceptanceRunWritesEveryFrameUnderItsNumber) {
  firstRun();
  EXPECT_EQ(fileNames(path("Out/PLAN")),
            (QStringList{"A123-B567-08-4.dxf", "A123-B567-08.dxf", "A123-B567-09.dxf",
                         "A12" + kSlash + "3-B4-05.dxf", "PLAN-5.dxf"}));
  EXPECT_EQ(fileNames(path("Out/B")), QStringList{"B001-C002-1.dxf"});
  EXPECT_EQ(planStrips, 172);  // 597 / 3.5 + 1, rounded

  // Each child holds exactly its frame: border, 4 lines, title block, circle, its texts.
  const std::pair<QString, int> texts[] = {
      {"PLAN/A123-B567-08", 2},   {"PLAN/A123-B567-09", 3}, {"PLAN/A12" + kSlash + "3-B4-05", 1},
      {"PLAN/A123-B567-08-4", 2}, {"PLAN/PLAN-5", 2},       {"B/B001-C002-1", 2}};
  QStringList children;
  for (const auto& [child, textCount] : texts) {
    children << path("Out/" + child + ".dxf");
    std::map<std::string, int> expected{
        {"LWPOLYLINE", 1}, {"LINE", 4}, {"INSERT", 1}, {"CIRCLE", 1}, {"TEXT", textCount}};
    if (textCount == 1) expected["MTEXT"] = 1;
    EXPECT_EQ(countByType(*app, children.last().toStdString()), expected) << child.toStdString();
  }

  // Child 1 at unchanged coordinates, with its block, layers and Chinese text.
  cadhost::Document first = app->documents().open(spath("Out/PLAN/A123-B567-08.dxf"), true);
  bool border = false, chinese = false;
  for (const cadhost::Entity& e : first.modelSpace().entities()) {
    if (e.dxfType() == "LWPOLYLINE") {
      EXPECT_EQ(e.coordinates(), (std::vector<double>{0, 300, 420, 300, 420, 597, 0, 597}));
      border = e.closed();
    }
    if (e.dxfType() == "TEXT" && e.textString() == "设计") chinese = true;
    if (e.dxfType() == "TEXT" && e.textString() != "设计") {
      EXPECT_EQ(e.textString(), "A123-B567-08");
    }
  }
  EXPECT_TRUE(border);
  EXPECT_TRUE(chinese);
  EXPECT_NO_THROW(first.blocks().item("TB"));
  EXPECT_NO_THROW(first.layers().item("FRAME"));
  first.close(false);

  EXPECT_EQ(ezdxfAudit(children), "");
  // The sources are untouched and closed; nothing was written to the report.
  EXPECT_EQ(fileBytes(path("Proj/Plan.dxf")), planBytes);
  EXPECT_EQ(fileBytes(path("Proj/Sub Dir/b.dxf")), bBytes);
  EXPECT_EQ(app->documents().count(), 0);
  EXPECT_FALSE(cad.AcadDoc.has_value());
  EXPECT_FALSE(QFile::exists(path("work/AnRpt.txt")));
}

TEST_F(SplitTest, SecondRunReplacesNothingAndAddsFreeNames) {
  firstRun();
  const auto before = hashes(path("Out/PLAN"));
  split(path("Proj/Plan.dxf"), path("Out/PLAN"));
  const auto after = hashes(path("Out/PLAN"));
  for (const auto& [name, hash] : before) EXPECT_EQ(after.at(name), hash) << name.toStdString();
  QStringList added;
  for (const auto& [name, hash] : after) {
    if (before.count(name) == 0) added << name;
  }
  EXPECT_EQ(added, (QStringList{"A123-B567-08-1.dxf", "A123-B567-08-4-2.dxf", "A123-B567-09-2.dxf",
                                "A12" + kSlash + "3-B4-05-3.dxf", "PLAN-5-2.dxf"}));
}

TEST_F(SplitTest, OutputFolderBlockedByAFileFailsAfterTheOtherDrawing) {
  writePlan(spath("Proj/Plan.dxf"));
  writeB(spath("Proj/Sub Dir/b.dxf"));
  QFile blocker(path("Out/B"));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  split(path("Proj/Plan.dxf"), path("Out/PLAN"));
  const QString error = errorOf([&] { split(path("Proj/Sub Dir/b.dxf"), path("Out/B")); });
  EXPECT_TRUE(error.contains("frame 1")) << error.toStdString();
  EXPECT_TRUE(error.contains("B001-C002-1")) << error.toStdString();
  EXPECT_EQ(fileNames(path("Out/PLAN")).size(), 5);
  EXPECT_EQ(fileBytes(path("Out/B")), QByteArray());
  EXPECT_EQ(app->documents().count(), 0);  // the drawing was closed before the error
}

TEST_F(SplitTest, FrameThatCannotBeWrittenIsReportedAfterTheOthers) {
  // A folder so deep that only a long name makes a path too long for the system.
  QString deep = path("Out");
  while (deep.toUtf8().size() < 3800) deep += "/" + QString(200, u'd');
  ASSERT_TRUE(QDir().mkpath(deep));
  const std::string longNumber = "A" + std::string(300, 'x') + "-B-2";
  writeNamedFrames(spath("Proj/n.dxf"), {{'T', "A1-B1-1"}, {'T', longNumber}, {'T', "C1-D1-3"}});
  const QString error = errorOf([&] { split(path("Proj/n.dxf"), deep); });
  EXPECT_TRUE(error.startsWith("1 of the frames")) << error.toStdString();
  EXPECT_TRUE(error.contains("frame 2 \"Axxx")) << error.toStdString();
  EXPECT_TRUE(error.contains("File name too long")) << error.toStdString();
  EXPECT_EQ(fileNames(deep), (QStringList{"A1-B1-1.dxf", "C1-D1-3.dxf"}));
  EXPECT_EQ(app->documents().count(), 0);
}

TEST_F(SplitTest, UnnamedFramesEachGetAFileOfTheirOwn) {
  writePlan(spath("Proj/plan"));  // no extension
  cad.dwgIDMask = "ZZZ#";
  split(path("Proj/plan"), path("Out"));
  EXPECT_EQ(fileNames(path("Out")),
            (QStringList{"PLAN-1.dxf", "PLAN-2.dxf", "PLAN-3.dxf", "PLAN-4.dxf", "PLAN-5.dxf"}));
}

TEST_F(SplitTest, CornerSearchReadsTextsMultiLineTextsAndAttributeTags) {
  writeNamedFrames(
      spath("Proj/kinds.dxf"),
      {{'A', "TAG-B-1"}, {'M', "A1-B2-3\\P"}, {'M', "{\\H2;A1-B2-4}"}, {'T', "A中-B文-5"}});
  split(path("Proj/kinds.dxf"), path("Out"));
  // A formatted multi-line text does not match the mask as stored: that frame is unnamed.
  EXPECT_EQ(fileNames(path("Out")),
            (QStringList{"A1-B2-3.dxf", "A中-B文-5.dxf", "KINDS-3.dxf", "TAG-B-1.dxf"}));
}

TEST_F(SplitTest, NulInADrawingNumberBecomesAnUnderscore) {
  writeB(spath("Proj/b.dxf"));
  QByteArray bytes = fileBytes(path("Proj/b.dxf"));
  ASSERT_TRUE(bytes.contains("B001-C002-1"));
  bytes.replace("B001-C002-1", QByteArray("B001-C002-1\0zz", 14));
  QFile source(path("Proj/b.dxf"));
  ASSERT_TRUE(source.open(QIODevice::WriteOnly));
  source.write(bytes);
  source.close();
  // The file that the name cut short at the NUL would test (and replace).
  QFile user(path("Out/B001-C002-1"));
  ASSERT_TRUE(user.open(QIODevice::WriteOnly));
  user.write("user");
  user.close();

  split(path("Proj/b.dxf"), path("Out"));
  EXPECT_EQ(fileNames(path("Out")), (QStringList{"B001-C002-1", "B001-C002-1_zz.dxf"}));
  EXPECT_EQ(fileBytes(path("Out/B001-C002-1")), "user");
}

TEST_F(SplitTest, RefusedAndEmptyCallsWriteNothingAndTouchNoOtherDrawing) {
  writeB(spath("Proj/b.dxf"));
  writeEmpty(spath("Proj/empty.dxf"));
  cadhost::Document other = app->documents().open(spath("Proj/b.dxf"));
  const int entities = other.modelSpace().count();

  EXPECT_TRUE(
      errorOf([&] { split(path("Proj/missing.dxf"), path("Out")); }).contains("missing.dxf"));
  // The system would open "b.dxf" for a path that goes on after a NUL.
  EXPECT_TRUE(errorOf([&] {
                split(path("Proj/b.dxf") + QChar(u'\0') + "x", path("Out"));
              }).contains("NUL"));
  EXPECT_FALSE(errorOf([&] { split(path("Proj/b.dxf"), ""); }).isEmpty());
  cad.setChildFileSavePath(path("Out"));
  // Without templates no title block is recognised: no child, and the frames are reported.
  EXPECT_TRUE(errorOf([&] { cad.SplitDwg(path("Proj/b.dxf")); }).contains("not recognised"));
  EXPECT_EQ(errorOf([&] { split(path("Proj/empty.dxf"), path("Out")); }), "");
  cad.acadApp.reset();
  EXPECT_FALSE(errorOf([&] { split(path("Proj/b.dxf"), path("Out")); }).isEmpty());

  ASSERT_EQ(app->documents().count(), 1);
  EXPECT_TRUE(app->activeDocument() == other);
  EXPECT_EQ(other.modelSpace().count(), entities);
  EXPECT_TRUE(fileNames(path("Out")).isEmpty());
}

TEST_F(SplitTest, PlotSettingsDoNotStopTheWriteButAutoScaleNeedsTheAnalysis) {
  writeB(spath("Proj/b.dxf"));
  PlotSettings settings;
  for (const QString& key : kPlotCfgKeys) settings.set(key, "1");
  ASSERT_EQ(cad.SetPlotCfg(settings), "");
  // The settings name no known plotter: the plot shows its message, the child is written and
  // the split's error names the frame that was not plotted.
  const QString notPlotted = errorOf([&] { split(path("Proj/b.dxf"), path("Out")); });
  EXPECT_TRUE(notPlotted.contains("frame 1 \"B001-C002-1\": not plotted: 设置【打印驱动】出错: 1"))
      << notPlotted.toStdString();
  EXPECT_EQ(fileNames(path("Out")), QStringList{"B001-C002-1.dxf"});

  settings.set(kPlotScaleKey, "auto");
  ASSERT_EQ(cad.SetPlotCfg(settings), "");
  EXPECT_TRUE(errorOf([&] { split(path("Proj/b.dxf"), path("Out")); }).contains("not recognised"));
  EXPECT_EQ(fileNames(path("Out")).size(), 1);
  EXPECT_EQ(app->documents().count(), 0);
}

// The state of every layer: frozen, on, locked.
std::map<std::string, std::array<bool, 3>> layerStates(const cadhost::Document& doc) {
  std::map<std::string, std::array<bool, 3>> out;
  const cadhost::Layers layers = doc.layers();
  for (int i = 0; i < layers.count(); ++i) {
    const cadhost::Layer l = layers.item(i);
    out[l.name()] = {l.freeze(), l.layerOn(), l.lock()};
  }
  return out;
}

TEST_F(SplitTest, ActiveDocumentIsSplitAndRestored) {
  writePlan(spath("Proj/Plan.dxf"));
  cadhost::Document doc = app->documents().open(spath("Proj/Plan.dxf"));
  doc.layers().item("TEXT").setLock(true);
  doc.layers().add("FROZEN").setFreeze(true);
  cadhost::Layer offLocked = doc.layers().add("OFFLOCKED");
  offLocked.setLayerOn(false);
  offLocked.setLock(true);
  const auto layersBefore = layerStates(doc);
  const int entities = doc.modelSpace().count();

  // While the split runs, the locked layer is usable; in model space the frozen one stays
  // frozen and the locked one that is off stays locked.
  std::optional<std::map<std::string, std::array<bool, 3>>> during;
  ui->onPump = [&] {
    if (!during) during = layerStates(doc);
  };
  ASSERT_TRUE(cad.AcadDocIsActive(false));
  split("", path("Out"));
  ASSERT_TRUE(during);
  EXPECT_FALSE(during->at("TEXT")[2]);
  EXPECT_TRUE(during->at("FROZEN")[0]);
  EXPECT_TRUE(during->at("OFFLOCKED")[2]);

  EXPECT_EQ(fileNames(path("Out")).size(), 5);
  EXPECT_TRUE(fileNames(path("Out")).contains("PLAN-5.dxf"));
  ASSERT_EQ(app->documents().count(), 1);
  EXPECT_EQ(doc.modelSpace().count(), entities);
  EXPECT_EQ(layerStates(doc), layersBefore);
}

TEST_F(SplitTest, StopLeavesTheActiveDocumentRestored) {
  writePlan(spath("Proj/Plan.dxf"));
  cadhost::Document doc = app->documents().open(spath("Proj/Plan.dxf"));
  const int entities = doc.modelSpace().count();
  ASSERT_TRUE(cad.AcadDocIsActive(false));
  // Stop once the first strip's frames are being handled; the question is answered Yes.
  ui->stopAfterPumps = 60;
  split("", path("Out"));
  EXPECT_FALSE(ui->questions().empty());
  // The top row was written, the bottom row was not reached.
  EXPECT_EQ(fileNames(path("Out")).size(), 3);
  ASSERT_EQ(app->documents().count(), 1);
  EXPECT_EQ(doc.modelSpace().count(), entities);
  EXPECT_TRUE(cad.AcadDoc.has_value());
}

TEST_F(SplitTest, FailureMidSplitStillRestoresTheDrawing) {
  writePlan(spath("Proj/Plan.dxf"));
  const QByteArray source = fileBytes(path("Proj/Plan.dxf"));
  // A caller's event handler fails while the first strip's frames are being handled (each copy
  // counts from 0).
  const auto failingHandler = [pumps = 0]() mutable {
    if (++pumps == 60) throw std::runtime_error("handler failed");
  };
  ui->onPump = failingHandler;

  // The active document: the undo group is taken back, the drawing stays open.
  cadhost::Document doc = app->documents().open(spath("Proj/Plan.dxf"));
  doc.layers().item("TEXT").setLock(true);
  const auto layersBefore = layerStates(doc);
  const int entities = doc.modelSpace().count();
  ASSERT_TRUE(cad.AcadDocIsActive(false));
  EXPECT_THROW(split("", path("Out")), std::runtime_error);
  EXPECT_FALSE(fileNames(path("Out")).isEmpty());  // it failed in the middle
  ASSERT_EQ(app->documents().count(), 1);
  EXPECT_EQ(doc.modelSpace().count(), entities);
  EXPECT_EQ(layerStates(doc), layersBefore);
  doc.close(false);

  // A drawing the split opened is closed as well.
  ui->onPump = failingHandler;
  EXPECT_THROW(split(path("Proj/Plan.dxf"), path("Out/again")), std::runtime_error);
  EXPECT_EQ(app->documents().count(), 0);
  EXPECT_FALSE(cad.AcadDoc.has_value());
  EXPECT_EQ(fileBytes(path("Proj/Plan.dxf")), source);
}

}  // namespace
}  // namespace tarvik
