// Drawing and folder reports: report names, labels of template cells found by block and by
// block layout, events in order; and the block-layout matcher.

#include <sheetcut/error.h>
#include <tarvik/cell_file.h>
#include <tarvik/report_names.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "callers_drawing.h"
#include "writing_fixture.h"

namespace tarvik {
namespace {

using Access = WritingTestAccess;

bool writeFile(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray readFile(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST(ReportNames, EveryPathBecomesOneFileInTheReportFolder) {
  EXPECT_EQ(drawingReportPath("D:/Out", "C:\\Work\\Plan 1.dxf"),
            "D:/Out/FileRpt/C：‖Work‖Plan 1.rpt");
  EXPECT_EQ(drawingReportPath("/out", "/home/u/Plan 1.dxf"), "/out/FileRpt/‖home‖u‖Plan 1.rpt");
  EXPECT_EQ(folderReportPath("/out", "/data/dwg/"), "/out/FolderRpt/‖data‖dwg‖.txt");
  for (const QString& path : {QStringLiteral("../../etc/passwd.dxf"), QStringLiteral(".."),
                              QStringLiteral("a/../../b.dxf"), QStringLiteral("")}) {
    SCOPED_TRACE(path.toStdString());
    EXPECT_EQ(QFileInfo(drawingReportPath("/out", path)).absolutePath(), "/out/FileRpt");
    EXPECT_EQ(QFileInfo(folderReportPath("/out", path)).absolutePath(), "/out/FolderRpt");
  }
}

// Records the events of a CAD object as lines.
class EventLog : public CADEvents {
 public:
  void AnDwgFileBigen(const QString& p) override { lines << "file " + QFileInfo(p).fileName(); }
  void AnDwgFileEnd(const QString& p, const QString& r) override {
    lines << "end " + QFileInfo(p).fileName();
    reports << r;
  }
  void AnDwgDirBigen(const QString& p) override { lines << "dir " + QFileInfo(p).fileName(); }
  void AnDwgDirEnd(const QString& p, const QString& r) override {
    lines << "dir end " + QFileInfo(p).fileName();
    reports << r;
  }
  QStringList lines, reports;
};

// Two templates: the title block TB, inserted as a block, and LAB, found by its block layout
// (reference texts 项目, 编号, 日期, 比例 at the corners of a 50 x 30 box).
class Reports : public WritingTest {
 protected:
  void SetUp() override {
    WritingTest::SetUp();
    const QString mods = tmp.path() + "/mods";
    ASSERT_TRUE(QDir().mkpath(mods));
    ASSERT_TRUE(writeFile(mods + "/db.xml",
                          "<r><m n='TB'><c>图签模板</c><p>0,0</p></m>"
                          "<m n='LAB'><c>其它模板</c><p>0,0</p></m></r>"));
    cad.setModPath(mods);
    work = tmp.path() + "/work";
    ASSERT_TRUE(QDir().mkpath(work + "/FileRpt"));
    cad.setWorkPath(work);
    cad.ReadMod("TB");
    cad.newCell("图号", 1, {}, Variant::point(0, 0, 0), Variant::point(50, 8, 0));
    cad.newCell("名称", 1, {}, Variant::point(0, 8, 0), Variant::point(50, 16, 0));
    cad.SaveMod("TB");
    cad.ReadMod("LAB");
    cad.newCell("项目值", 1, {}, Variant::point(10, 25, 0), Variant::point(40, 35, 0));
    cad.SaveMod("LAB");
    auto& corners = Access::cornerTexts(cad);
    corners.assign(5, TextType{});
    corners[1] = {0, 6, 3, 30, "项目"};
    corners[2] = {50, 56, 3, 30, "编号"};
    corners[3] = {50, 56, 3, 0, "日期"};
    corners[4] = {0, 6, 3, 0, "比例"};
    Access::saveBlockLayoutEx(cad, "LAB", {});
  }
  // A drawing by ezdxf: TB inserted at (100, 50) at scale 2, and the layout's texts twice, at
  // scale 2 from (1000, 500) and at scale 1 from (3000, 0).
  QString drawing(const QString& name) {
    const QString path = tmp.path() + "/" + name;
    const QString script = QStringLiteral(R"(
import sys, ezdxf
doc = ezdxf.new('R2018')
msp = doc.modelspace()
b = doc.blocks.new(name='TB')
b.add_lwpolyline([(0, 0), (50, 0), (50, 16), (0, 16)], close=True)
msp.add_blockref('TB', (100, 50), dxfattribs={'xscale': 2, 'yscale': 2})
for (x0, y0, s) in ((1000, 500, 2), (3000, 0, 1)):
    for (t, x, y) in (('项目', 0, 30), ('编号', 50, 30), ('日期', 50, 0), ('比例', 0, 0)):
        msp.add_text(t, dxfattribs={'insert': (x0 + s * x, y0 + s * y), 'height': 3 * s})
doc.saveas(sys.argv[1])
)");
    runEzdxf(script, {path});
    EXPECT_TRUE(QFile::exists(path));
    return path;
  }
  std::map<std::string, std::vector<cadhost::Point3>> labels() const {
    std::map<std::string, std::vector<cadhost::Point3>> out;
    for (const auto& t : entities("TEXT")) {
      const std::string s = t.textString();
      if (!s.empty() && s.front() == '[') out[s].push_back(t.insertionPoint());
    }
    return out;
  }

  QString work;
};

TEST_F(Reports, CellsAreLabelledWhereBlocksAndLayoutsLie) {
  doc = app->documents().open(drawing("a.dxf").toStdString());
  cad.AcadDoc = doc;
  Access::getDwgTexts(cad);
  Access::wriBlnCells(cad, 1, 100, 50, 2, 2);
  Access::readBln(cad, 2);
  const auto found = labels();
  ASSERT_EQ(found.size(), 3u);
  EXPECT_EQ(found.at("[图号]"), (std::vector<cadhost::Point3>{{100, 50 + 0.2 * 16, 0}}));
  EXPECT_EQ(found.at("[名称]"), (std::vector<cadhost::Point3>{{100, 66 + 0.2 * 16, 0}}));
  // Both places of the layout, each at its own scale.
  EXPECT_EQ(found.at("[项目值]"),
            (std::vector<cadhost::Point3>{{1020, 550 + 4, 0}, {3010, 25 + 2, 0}}));
  const auto texts = entities("TEXT");
  EXPECT_DOUBLE_EQ(texts.back().height(), 6);

  // The matcher finds the same two places with its own text selection, and only one inside a
  // window around the second.
  const auto places = Access::matchBlnMod(cad, 2);
  ASSERT_EQ(places.size(), 2u);
  EXPECT_DOUBLE_EQ(places[0].scale, 2);
  EXPECT_DOUBLE_EQ(places[0].X0, 1000);
  EXPECT_DOUBLE_EQ(places[0].Y0, 500);
  EXPECT_DOUBLE_EQ(places[1].scale, 1);
  EXPECT_EQ(Access::matchBlnMod(cad, 2, Point3d{2990, -10, 0}, Point3d{3100, 40, 0}).size(), 1u);
  EXPECT_TRUE(Access::matchBlnMod(cad, 1).empty());  // TB has no layout
  EXPECT_TRUE(Access::matchBlnMod(cad, 7).empty());
  EXPECT_TRUE(ezdxfAudit(save("labelled.dxf")).empty());
}

TEST_F(Reports, MatcherComparesWithoutSpacesAndRefusesLevelReferences) {
  doc.modelSpace().addText("项 目", {0, 30, 0}, 3);
  doc.modelSpace().addText("日期", {50, 0, 0}, 3);
  EXPECT_EQ(Access::matchBlnMod(cad, 2).size(), 1u);
  doc.modelSpace().addText("日期", {60, 30, 0}, 3);  // level with 项目: never fits
  EXPECT_EQ(Access::matchBlnMod(cad, 2).size(), 1u);
  // The reference texts lie level: no place at all.
  auto& corners = Access::cornerTexts(cad);
  corners[3].Y = 30;
  Access::saveBlockLayoutEx(cad, "LAB", {});
  EXPECT_TRUE(Access::matchBlnMod(cad, 2).empty());
}

TEST_F(Reports, WriteDwgRaisesItsEventsAndLeavesTheDrawingAsItWas) {
  const QString path = drawing("Plan 1.dxf");
  const QByteArray before = readFile(path);
  const QString report = drawingReportPath(work, path);
  ASSERT_TRUE(writeFile(report, "old"));
  // The caller's own drawing, with a change it has not saved.
  const CallersDrawing caller(app, cad, doc);
  EventLog log;
  cad.addEventHandler(&log);
  cad.WriteDwg(path);
  EXPECT_EQ(log.lines, (QStringList{"file Plan 1.dxf", "end Plan 1.dxf"}));
  EXPECT_EQ(log.reports, QStringList{report});
  EXPECT_FALSE(QFile::exists(report));
  EXPECT_EQ(QFileInfo(report).absolutePath(), work + "/FileRpt");
  EXPECT_EQ(readFile(path), before);
  caller.check();
  EXPECT_FALSE(app->visible());

  // A drawing that cannot be opened: the begin event only.
  log.lines.clear();
  cad.WriteDwg(tmp.path() + "/missing.dxf");
  EXPECT_EQ(log.lines, QStringList{"file missing.dxf"});
  caller.check();

  // A stop request ends the run before the labels; the drawing opened for it goes all the same.
  log.lines.clear();
  cad.Quit();
  cad.WriteDwg(path);
  EXPECT_EQ(log.lines, QStringList{"file Plan 1.dxf"});
  caller.check();

  cad.acadApp.reset();
  EXPECT_THROW(cad.WriteDwg(path), sheetcut::Error);
  cad.removeEventHandler(&log);
}

TEST_F(Reports, ATemplateNamedWithWildcardsIsFoundAndItsCellFileMustBeReadable) {
  // "TB#1": "#" is the host's digit wildcard, so only an escaped filter finds the block.
  ASSERT_TRUE(
      writeFile(tmp.path() + "/mods/db.xml", "<r><m n='TB#1'><c>图签模板</c><p>0,0</p></m></r>"));
  cad.setModPath(tmp.path() + "/mods");
  ASSERT_EQ(cad.ModCount(), 1);
  const QString path = tmp.path() + "/wild.dxf";
  runEzdxf(QStringLiteral(R"(
import sys, ezdxf
doc = ezdxf.new('R2018')
b = doc.blocks.new(name='TB#1')
b.add_lwpolyline([(0, 0), (50, 0), (50, 16), (0, 16)], close=True)
doc.modelspace().add_blockref('TB#1', (100, 50))
doc.saveas(sys.argv[1])
)"),
           {path});
  ASSERT_TRUE(QFile::exists(path));
  EventLog log;
  cad.addEventHandler(&log);
  // No cell file: the drawing is done and closed, its end announced, then the error raised.
  try {
    cad.WriteDwg(path);
    ADD_FAILURE() << "no error";
  } catch (const CellFileError& e) {
    EXPECT_NE(std::string(e.what()).find("TB#1.dat\" of the template \"TB#1\" is missing"),
              std::string::npos)
        << e.what();
  }
  EXPECT_EQ(log.lines, (QStringList{"file wild.dxf", "end wild.dxf"}));
  // Only the drawing opened for the labels is closed; the caller's stays open and active.
  EXPECT_EQ(app->documents().count(), 1);
  EXPECT_TRUE(app->activeDocument() == doc);

  cad.ReadMod("TB#1");
  cad.newCell("图号", 1, {}, Variant::point(0, 0, 0), Variant::point(50, 8, 0));
  cad.SaveMod("TB#1");
  EXPECT_NO_THROW(cad.WriteDwg(path));
  cad.removeEventHandler(&log);
}

TEST_F(Reports, WriteDwgDirAnalysesTheFolderInOrder) {
  const QString folder = tmp.path() + "/dwgs";
  ASSERT_TRUE(QDir().mkpath(folder + "/sub"));
  ASSERT_TRUE(QFile::copy(drawing("x.dxf"), folder + "/b.dxf"));
  ASSERT_TRUE(QFile::copy(drawing("y.dxf"), folder + "/a.DXF"));
  ASSERT_TRUE(QFile::copy(drawing("z.dxf"), folder + "/sub/c.dxf"));
  ASSERT_TRUE(writeFile(folder + "/notes.txt", "x"));
  EventLog log;
  cad.addEventHandler(&log);
  cad.WriteDwgDir(folder);
  EXPECT_EQ(log.lines, (QStringList{"dir dwgs", "file a.DXF", "end a.DXF", "file b.dxf",
                                    "end b.dxf", "dir end dwgs"}));
  EXPECT_EQ(log.reports.back(), folderReportPath(work, folder));

  log.lines.clear();
  log.reports.clear();
  cad.setAnSubFolder(true);
  cad.WriteDwgDir(folder + "/sub/");
  EXPECT_EQ(log.lines, (QStringList{"dir ", "file c.dxf", "end c.dxf", "dir end "}));
  EXPECT_EQ(log.reports.back(),
            work + "/FolderRpt/" + QString(folder + "/sub/").replace('/', QChar(0x2016)) + ".txt");

  // A folder without drawings ends with an empty report path; sub-folders follow.
  log.lines.clear();
  log.reports.clear();
  ASSERT_TRUE(QFile::remove(folder + "/a.DXF") && QFile::remove(folder + "/b.dxf"));
  cad.WriteDwgDir(folder);
  EXPECT_EQ(log.lines.first(), "dir dwgs");
  EXPECT_EQ(log.lines.at(1), "dir end dwgs");
  EXPECT_EQ(log.reports.first(), "");
  EXPECT_TRUE(log.lines.contains("file c.dxf"));

  log.lines.clear();
  EXPECT_THROW(cad.WriteDwgDir(tmp.path() + "/none"), sheetcut::Error);
  EXPECT_TRUE(log.lines.isEmpty());
  cad.removeEventHandler(&log);
}

}  // namespace
}  // namespace tarvik
