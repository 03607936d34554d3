// Drawing a frame into a drawing, and the drawing settings saved and restored around it. The
// title-block drawings are written by python3-ezdxf, and what is drawn is read back by it.

#include <gtest/gtest.h>

#include <cadhost/cadhost.h>
#include <sheetcut/error.h>
#include <tarvik/cad.h>
#include <tarvik/component_paths.h>
#include <tarvik/scripted_ui.h>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "frame_defs_fixture.h"
#include "qstring_printer.h"

namespace tarvik {
namespace {

// Runs a Python script with the system's python3 (which has ezdxf); its output, or the error.
std::string python(const QString& script, const QStringList& args, bool* ok = nullptr) {
  QProcess p;
  p.start(QStringLiteral("/usr/bin/python3"), QStringList{"-c", script} + args);
  const bool done = p.waitForFinished(120000);
  if (ok) *ok = done && p.exitCode() == 0;
  return p.readAllStandardOutput().toStdString() + p.readAllStandardError().toStdString();
}

// Title-block drawings of the template folder: OLB_TB a 180 x 56 box with a title above its
// base point, IRT_TB a 180 x 20 box below and right of it. R2000, as offices keep them.
const QString kTitleBlocks = QStringLiteral(R"(
import sys, ezdxf
folder = sys.argv[1]
doc = ezdxf.new('R2000')
msp = doc.modelspace()
msp.add_lwpolyline([(0, 0), (180, 0), (180, 56), (0, 56)], close=True)
msp.add_text('TITLE', dxfattribs={'height': 5, 'insert': (10, 10)})
doc.saveas(folder + '/OLB_TB.dxf')
doc = ezdxf.new('R2000')
doc.modelspace().add_lwpolyline([(0, 0), (180, 0), (180, -20), (0, -20)], close=True)
doc.saveas(folder + '/IRT_TB.dxf')
)");

// Audits a drawing and prints its model-space block references ("name x y scale rotation")
// and the polylines of its anonymous border blocks ("color closed width x,y ...").
const QString kReadBack = QStringLiteral(R"(
import sys, ezdxf
doc = ezdxf.readfile(sys.argv[1])
auditor = doc.audit()
if auditor.has_errors:
    print('AUDIT', '; '.join(str(e.message) for e in auditor.errors))
for e in doc.modelspace():
    if e.dxftype() == 'INSERT':
        print('INSERT %s %g %g %g %g' % (e.dxf.name, e.dxf.insert.x, e.dxf.insert.y,
                                         e.dxf.xscale, e.dxf.rotation))
    else:
        print(e.dxftype())
for b in doc.blocks:
    if b.name.upper().startswith('*U'):
        for p in b:
            pts = ' '.join('%g,%g' % (x, y) for x, y, s, e, bulge in p.get_points('xyseb'))
            widths = set('%g/%g' % (s, e) for x, y, s, e, bulge in p.get_points('xyseb'))
            print('BORDER', b.name, p.dxf.color, int(p.closed), ' '.join(sorted(widths)), pts)
    elif len(b.name) == 32:
        print('LEFT', b.name)
)");

class FrameDrawing : public frametest::FrameDefsTest {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(FrameDefsTest::SetUp());
    app = cadhost::Application::create();
    doc = app->documents().add();
    cad.acadApp = app;
    cad.AcadDoc = doc;
    cad.setModPath(tmp.path());
    bool ok = false;
    const std::string out =
        python(kTitleBlocks, {templateSubFolder(tmp.path(), QStringLiteral("moddwg"))}, &ok);
    ASSERT_TRUE(ok) << out;
    QStringList list;
    cad.GetFrameType(defsPath, list);
  }
  void TearDown() override {
    try {
      app->quit();
    } catch (const cadhost::HostError&) {
    }
  }

  // The A3 sheet at scale 2 around a border at (100, 100).
  FrameType a3() {
    std::vector<double> p0{100, 100}, p1{880, 674};
    return cad.ComputeFrameSize("K1", p0, p1, 2, 0, false);
  }
  std::string text(const char* name) { return std::get<std::string>(doc.getVariable(name)); }
  std::vector<std::string> blockNames() {
    std::vector<std::string> names;
    cadhost::Blocks blocks = doc.blocks();
    for (int i = 0; i < blocks.count(); ++i) names.push_back(blocks.item(i).name());
    return names;
  }
  bool hasTemporaryBlock() {
    for (const std::string& n : blockNames())
      if (QRegularExpression("^[0-9A-F]{32}$").match(QString::fromStdString(n)).hasMatch())
        return true;
    return false;
  }
  int anonymousBlocks() {
    int n = 0;
    for (const std::string& name : blockNames()) n += name.rfind("*U", 0) == 0;
    return n;
  }
  // Saves the drawing and reads it back with ezdxf.
  std::string readBack(const QString& name = "out.dxf") {
    const QString path = tmp.path() + "/" + name;
    doc.saveAs(path.toStdString());
    return python(kReadBack, {path});
  }

  std::shared_ptr<cadhost::Application> app;
  cadhost::Document doc;
};

TEST_F(FrameDrawing, DrawsTheBordersAndTitleBlocksAtTheirAnchors) {
  doc.setVariable("CECOLOR", std::string("5"));
  doc.layers().add("Sheet");
  doc.setVariable("CLAYER", std::string("Sheet"));
  FrameType f = a3();
  ASSERT_EQ(f.ID, 3);
  cad.DrawFrame(f, {}, true);

  // Sheet 840 x 594 at (50, 90); margins top 10, right 10, bottom 10, left 50.
  const std::string out = readBack();
  EXPECT_EQ(out.find("AUDIT"), std::string::npos) << out;
  EXPECT_EQ(out.find("LEFT"), std::string::npos) << out;
  EXPECT_NE(out.find("INSERT OLB_TB 50 90 2 0"), std::string::npos) << out;
  // IRT with -180, 0 at scale 2: (W - 10 - 360, H - 10) from the sheet's corner.
  EXPECT_NE(out.find("INSERT IRT_TB 520 674 2 0"), std::string::npos) << out;
  EXPECT_NE(out.find("BORDER *U1 1 1 1/1 0,0 0,594 840,594 840,0"), std::string::npos) << out;
  EXPECT_NE(out.find("BORDER *U1 3 1 0.4/0.4 50,10 50,584 830,584 830,10"), std::string::npos)
      << out;
  EXPECT_NE(out.find("INSERT *U1 50 90 1 0"), std::string::npos) << out;
  EXPECT_EQ(doc.modelSpace().count(), 3);
  EXPECT_FALSE(hasTemporaryBlock());
  // The settings are back.
  EXPECT_EQ(text("CECOLOR"), "5");
  EXPECT_EQ(text("CELTYPE"), "ByLayer");
  EXPECT_EQ(text("CLAYER"), "Sheet");
  EXPECT_EQ(text("UCSNAME"), "");
}

TEST_F(FrameDrawing, AnchorCodesOffsetsAndTheSecondDirection) {
  FrameType f = a3();
  // OL keeps the Y of the entry before; lower-case codes; a missing drawing is skipped.
  f.BlkFile = QStringList{"IRT_TB,0,irb,10,5,0", "none,1,OLB,0,0,0", "olb_tb,0,ol,-1,1,0.5"};
  cad.DrawFrame(f, {}, true);
  std::string out = readBack("codes.dxf");
  // irb: (840 - 10 + 20, 10 + 10) at (50, 90); ol: X 0 - 2, Y 20 + 2.
  EXPECT_NE(out.find("INSERT IRT_TB 900 110 2 0"), std::string::npos) << out;
  EXPECT_NE(out.find("INSERT OLB_TB 48 112 2 28.6479"), std::string::npos) << out;
  EXPECT_EQ(doc.modelSpace().count(), 3);

  // Direction 2 takes fields 6 to 9; an entry without them fails.
  FrameType turned = a3();
  turned.DirectFlag = 2;
  turned.InsPoint = {5000, 0, 0};
  turned.BlkFile = QStringList{"OLB_TB,1,OLB,0,0,0,ORT,0,0,1.5707963267948966"};
  turned.FrmLineStyle[2] = 256;  // the layer's colour
  turned.FrmLineStyle[4] = 0;    // the block's colour
  cad.DrawFrame(turned, {}, true);
  out = readBack("turned.dxf");
  const QString text = QString::fromStdString(out);
  EXPECT_TRUE(QRegularExpression("BORDER \\*U\\d+ 256 1 1/1 0,0 ").match(text).hasMatch()) << out;
  EXPECT_TRUE(QRegularExpression("BORDER \\*U\\d+ 0 1 0.4/0.4 50,10 ").match(text).hasMatch())
      << out;
  EXPECT_NE(out.find("INSERT OLB_TB 5840 594 2 90"), std::string::npos) << out;
  turned.BlkFile = QStringList{"OLB_TB,1,OLB,0,0,0"};
  const int before = doc.modelSpace().count();
  EXPECT_THROW(cad.DrawFrame(turned, {}, true), sheetcut::Error);
  EXPECT_EQ(doc.modelSpace().count(), before);
}

TEST_F(FrameDrawing, TheUserPicksThePointOrCancels) {
  FrameType f = a3();
  doc.setVariable("CECOLOR", std::string("2"));
  app->setPointInput([](std::string_view) { return std::optional<cadhost::Point3>(); });
  cad.DrawFrame(f, {}, false);
  EXPECT_EQ(doc.modelSpace().count(), 0);
  EXPECT_FALSE(hasTemporaryBlock());
  EXPECT_EQ(anonymousBlocks(), 0);
  EXPECT_EQ(text("CECOLOR"), "2");
  EXPECT_EQ(text("USERS1"), "失败");

  app->setPointInput([](std::string_view) {
    return std::optional<cadhost::Point3>(cadhost::Point3{1000, 2000, 0});
  });
  cad.DrawFrame(f, {}, false);
  const std::string out = readBack("picked.dxf");
  EXPECT_NE(out.find("INSERT OLB_TB 1000 2000 2 0"), std::string::npos) << out;
  // The border block of the cancelled call was deleted; this one has a name of its own.
  EXPECT_TRUE(QRegularExpression("INSERT \\*U\\d+ 1000 2000 1 0")
                  .match(QString::fromStdString(out))
                  .hasMatch())
      << out;
  EXPECT_EQ(out.find("AUDIT"), std::string::npos) << out;
  EXPECT_FALSE(hasTemporaryBlock());
  EXPECT_EQ(text("CECOLOR"), "2");
}

TEST_F(FrameDrawing, OnlyFlaggedTitleBlocksAreFilledAndOnlyWithValues) {
  std::vector<std::string> filled;
  cad.setTitleBlockFiller([&](cadhost::Entity& ref, const TitleBlockMsgs& msgs) {
    filled.push_back(ref.name() + ":" + msgs.front().second.toStdString());
  });
  FrameType f = a3();
  cad.DrawFrame(f, {}, true);
  EXPECT_TRUE(filled.empty());
  cad.DrawFrame(f, {{"图号", "A-1"}}, true);
  EXPECT_EQ(filled, std::vector<std::string>{"OLB_TB:A-1"});
}

TEST_F(FrameDrawing, AnErrorLeavesNoTemporaryBlocksAndRestoresTheSettings) {
  cadhost::Ucs ucs =
      doc.userCoordinateSystems().add({10, 10, 0}, {20, 10, 0}, {10, 20, 0}, "QZUCS");
  doc.setActiveUcs(ucs);
  doc.setVariable("CECOLOR", std::string("4"));
  FrameType f = a3();
  f.BlkFile = QStringList{"OLB_TB,1,OLB,0,0,0", "IRT_TB,0,IRT,x,0,0"};
  EXPECT_THROW(cad.DrawFrame(f, {}, true), sheetcut::Error);
  f.BlkFile = QStringList{"OLB_TB,1,OLB,0,0,0", "olb_tb,1,ORB,0,0,0"};  // named twice
  EXPECT_THROW(cad.DrawFrame(f, {}, true), sheetcut::Error);
  f.BlkFile = QStringList{"OLB_TB,1,OLB,0,0"};  // five fields
  EXPECT_THROW(cad.DrawFrame(f, {}, true), sheetcut::Error);
  EXPECT_EQ(doc.modelSpace().count(), 0);
  EXPECT_FALSE(hasTemporaryBlock());
  EXPECT_EQ(anonymousBlocks(), 0);
  EXPECT_EQ(text("CECOLOR"), "4");
  EXPECT_EQ(text("CELTYPE"), "ByLayer");
  EXPECT_EQ(text("UCSNAME"), "QZUCS");

  // A frame without a size draws nothing.
  FrameType none;
  EXPECT_THROW(cad.DrawFrame(none, {}, true), sheetcut::Error);
  EXPECT_EQ(doc.modelSpace().count(), 0);
  EXPECT_EQ(anonymousBlocks(), 0);
}

TEST_F(FrameDrawing, SettingsAreSavedAndRestoredInOrder) {
  AcadEnv env = cad.GetACADENV(doc);
  std::vector<QString> keys;
  for (const auto& item : env) keys.push_back(item.first);
  EXPECT_EQ(keys, (std::vector<QString>{"UCSNAME", "PLINEWID", "CLAYER", "TEXTSTYLE", "CECOLOR",
                                        "CELTYPE"}));
  EXPECT_EQ(std::get<std::string>(env[0].second), "");

  cadhost::Ucs ucs = doc.userCoordinateSystems().add({1, 1, 0}, {2, 1, 0}, {1, 2, 0}, "QX_UCS");
  doc.setActiveUcs(ucs);
  doc.layers().add("L1");
  doc.setVariable("CLAYER", std::string("L1"));
  doc.setVariable("CECOLOR", std::string("3"));
  doc.setVariable("PLINEWID", 2.5);
  cad.SetACADENV(doc, env);  // "" sends "ucs W "
  EXPECT_EQ(text("UCSNAME"), "");
  EXPECT_EQ(text("CLAYER"), "0");
  EXPECT_EQ(text("CECOLOR"), "BYLAYER");
  EXPECT_EQ(std::get<double>(doc.getVariable("PLINEWID")), 0.0);

  doc.setActiveUcs(ucs);
  doc.setVariable("CLAYER", std::string("L1"));
  const AcadEnv named = cad.GetACADENV(doc);
  EXPECT_EQ(std::get<std::string>(named[0].second), "QX_UCS");
  doc.sendCommand("(command \"UCS\" \"W\")\r");
  cad.SetACADENV(doc, named);
  EXPECT_EQ(text("UCSNAME"), "QX_UCS");

  // A coordinate system no longer there raises; what came before it stays restored.
  AcadEnv gone{{"CECOLOR", std::string("6")},
               {"UCSNAME", std::string("NOPE")},
               {"CELTYPE", std::string("ByBlock")}};
  EXPECT_THROW(cad.SetACADENV(doc, gone), sheetcut::Error);
  EXPECT_EQ(text("CECOLOR"), "6");
  EXPECT_EQ(text("CELTYPE"), "ByLayer");
}

TEST_F(FrameDrawing, LineWidthsGoOnEverySegment) {
  cadhost::Block ms = doc.modelSpace();
  cadhost::Entity closed = ms.addLightWeightPolyline({0, 0, 10, 0, 10, 10, 0, 10});
  closed.setClosed(true);
  cad.SetLineWidth(closed, 0.5);
  cadhost::Entity open = ms.addLightWeightPolyline({0, 20, 10, 20, 10, 30, 0, 30});
  cad.SetLineWidth(open, 0.7);
  EXPECT_THROW(cad.SetLineWidth(ms.addText("x", {0, 0, 0}, 1), 1), sheetcut::Error);
  const QString path = tmp.path() + "/widths.dxf";
  doc.saveAs(path.toStdString());
  const std::string out = python(QStringLiteral(R"(
import sys, ezdxf
for p in ezdxf.readfile(sys.argv[1]).modelspace().query('LWPOLYLINE'):
    print([(s, e) for x, y, s, e, b in p.get_points('xyseb')])
)"),
                                 {path});
  // Four segments of the closed one; the open one's last vertex starts no segment.
  EXPECT_NE(out.find("[(0.5, 0.5), (0.5, 0.5), (0.5, 0.5), (0.5, 0.5)]"), std::string::npos) << out;
  EXPECT_NE(out.find("[(0.7, 0.7), (0.7, 0.7), (0.7, 0.7), (0.0, 0.0)]"), std::string::npos) << out;
}

}  // namespace
}  // namespace tarvik

namespace tarvik {
namespace {

TEST_F(FrameDrawing, AnR12DrawingGetsTitleBlocksInItsOwnForms) {
  const QString r12 = tmp.path() + "/r12.dxf";
  ASSERT_TRUE(frametest::writeEncoded(r12,
                                      "  0\nSECTION\n  2\nHEADER\n  9\n$ACADVER\n  1\nAC1009\n"
                                      "  9\n$HANDSEED\n  5\n100\n  0\nENDSEC\n  0\nSECTION\n"
                                      "  2\nENTITIES\n  0\nENDSEC\n  0\nEOF\n",
                                      "UTF-8"));
  doc = app->documents().open(r12.toStdString());
  cad.AcadDoc = doc;
  FrameType f = a3();
  cad.DrawFrame(f, {}, true);
  const std::string out = readBack("r12_out.dxf");
  EXPECT_EQ(out.find("AUDIT"), std::string::npos) << out;
  EXPECT_NE(out.find("INSERT OLB_TB 50 90 2 0"), std::string::npos) << out;
  EXPECT_NE(out.find("INSERT IRT_TB 520 674 2 0"), std::string::npos) << out;

  // A title block with a hatch cannot go into it: nothing of the frame stays behind.
  bool ok = false;
  const std::string made = python(QStringLiteral(R"(
import sys, ezdxf
doc = ezdxf.new('R2000')
doc.modelspace().add_hatch().paths.add_polyline_path([(0, 0), (10, 0), (10, 10)])
doc.saveas(sys.argv[1])
)"),
                                  {templateSubFolder(tmp.path(), "moddwg") + "/HATCH_TB.dxf"}, &ok);
  ASSERT_TRUE(ok) << made;
  const int entities = doc.modelSpace().count(), anonymous = anonymousBlocks();
  f.BlkFile = QStringList{"OLB_TB,1,OLB,0,0,0", "HATCH_TB,0,ORB,0,0,0"};
  try {
    cad.DrawFrame(f, {}, true);
    ADD_FAILURE() << "a hatch was drawn into an R12 drawing";
  } catch (const sheetcut::Error& e) {
    EXPECT_NE(e.description().find("HATCH_TB.dxf"), std::string::npos) << e.description();
  }
  EXPECT_EQ(doc.modelSpace().count(), entities);
  EXPECT_EQ(anonymousBlocks(), anonymous);
  EXPECT_FALSE(hasTemporaryBlock());
}

}  // namespace
}  // namespace tarvik
