// Cell outlines in a host drawing, erasing by exact layer name, the frame UCS and template
// look-up. The drawing is checked by an independent DXF library (python3-ezdxf).

#include <gtest/gtest.h>

#include <cadhost/application.h>
#include <sheetcut/error.h>
#include <tarvik/cad.h>

#include <cmath>

#include "qstring_printer.h"
#include "templates_test_access.h"
#include "writing_fixture.h"

namespace tarvik {
namespace {

using Access = TemplatesTestAccess;

// Each closed lightweight polyline of the drawing's model space, as ezdxf reads it:
// "layer: x,y x,y ..." (rounded to 0.001), after an audit that must find no error.
std::vector<std::string> ezdxfOutlines(const QString& path) {
  const QString script = QStringLiteral(R"(
import sys, ezdxf
doc = ezdxf.readfile(sys.argv[1])
auditor = doc.audit()
if auditor.has_errors:
    print('AUDIT: ' + '; '.join(str(e.message) for e in auditor.errors))
for e in doc.modelspace().query('LWPOLYLINE'):
    pts = ' '.join('%g,%g' % (round(p[0], 3) + 0.0, round(p[1], 3) + 0.0) for p in e.get_points('xy'))
    print('%s%s: %s' % (e.dxf.layer, '' if e.closed else ' (open)', pts))
)");
  return runEzdxf(script, {path});
}

class Outlines : public WritingTest {
 protected:
  void SetUp() override {
    WritingTest::SetUp();
    if (HasFatalFailure()) return;
    doc.setActiveLayer(doc.layers().add("CELLS"));
  }
  std::vector<std::string> saved() { return ezdxfOutlines(save(QStringLiteral("outlines.dxf"))); }
  std::vector<std::string> layersOfModelSpace() const {
    std::vector<std::string> out;
    for (const cadhost::Entity& e : doc.modelSpace().entities()) out.push_back(e.layer());
    return out;
  }
};

using Lines = std::vector<std::string>;

TEST_F(Outlines, RectanglesStartAtTheFirstCorner) {
  cad.DrawRect(Variant::point(10, 10, 0), Variant::point(0, 0, 0));
  cad.DrawRect(Variant::variants({Variant::fromInteger(0), Variant::fromDouble(0)}),
               Variant::doubles({10, 10}));
  cad.DrawRect(Variant(), Variant::point(1, 1, 0));  // not a point: nothing
  cad.DrawRect(Variant::fromString("x"), Variant::point(1, 1, 0));
  EXPECT_EQ(saved(), (Lines{"CELLS: 10,10 0,10 0,0 10,0", "CELLS: 0,0 10,0 10,10 0,10"}));

  cad.AcadDoc.reset();
  cad.DrawRect(Variant::point(0, 0, 0), Variant::point(1, 1, 0));  // no drawing: nothing
  EXPECT_EQ(doc.modelSpace().count(), 2);
}

TEST_F(Outlines, CellsWithAnOrderBeyondOneGetTheirColumnOutlined) {
  for (int T : {1, 0, -1}) cad.DrawCell(cellAt("c", 0, 0, 10, 5, static_cast<std::int16_t>(T)));
  EXPECT_EQ(doc.modelSpace().count(), 3);
  cad.DrawCell(cellAt("three", 20, 0, 30, 5, 3));
  cad.DrawCell(cellAt("minus three", 40, 0, 50, 5, -3));
  const Lines lines = saved();
  ASSERT_EQ(lines.size(), 7u) << ::testing::PrintToString(lines);
  EXPECT_EQ(lines[3], "CELLS: 20,0 30,0 30,5 20,5");
  EXPECT_EQ(lines[4], "CELLS: 20,0 30,0 30,-15 20,-15");  // three cell heights down
  EXPECT_EQ(lines[6], "CELLS: 40,0 50,0 50,10 40,10");    // k = -2: two heights up
}

TEST_F(Outlines, CellCornersAreUserCoordinates) {
  Access::setFrameUcs(cad, {100, 200, 0}, 2 * std::atan(1.0), "QX_UCS");
  const cadhost::Ucs ucs = doc.activeUcs();
  EXPECT_EQ(ucs.name(), "QX_UCS");
  EXPECT_NEAR(ucs.xAxis().y, 1, 1e-12);
  // The same name again takes the new axes and stays the only one.
  Access::setFrameUcs(cad, {100, 200, 0}, 0, "QX_UCS");
  EXPECT_EQ(doc.userCoordinateSystems().count(), 1);
  EXPECT_NEAR(doc.activeUcs().xAxis().x, 1, 1e-12);

  cad.DrawCell(cellAt("c", 0, 0, 10, 5, 2));
  EXPECT_EQ(saved(), (Lines{"CELLS: 100,200 110,200 110,205 100,205",
                            "CELLS: 100,200 110,200 110,190 100,190"}));
}

TEST_F(Outlines, DrawCellFailsWithoutADrawingOrPoints) {
  EXPECT_THROW(cad.DrawCell(CellType{}), sheetcut::Error);
  cad.AcadDoc.reset();
  EXPECT_THROW(cad.DrawCell(cellAt("c", 0, 0, 1, 1)), sheetcut::Error);
  EXPECT_THROW(Access::setFrameUcs(cad, {0, 0, 0}, 0, "U"), sheetcut::Error);
}

TEST_F(Outlines, LayerIsErasedByItsExactName) {
  const std::vector<std::string> layers = {"A.1", "AX1", "#", "1", "@", "a", "[a]", "b", "~a"};
  for (const std::string& name : layers) {
    doc.setActiveLayer(doc.layers().add(name));
    cad.DrawRect(Variant::point(0, 0, 0), Variant::point(1, 1, 0));
    doc.modelSpace().addText("t", {0, 0, 0}, 1);
  }
  const auto without = [&](std::initializer_list<std::string> gone) {
    std::vector<std::string> rest;
    for (const std::string& e : layersOfModelSpace()) {
      if (std::find(gone.begin(), gone.end(), e) == gone.end()) rest.push_back(e);
    }
    return rest;
  };

  std::vector<std::string> expected = without({"A.1"});
  cad.DelEntLa("A.1");
  EXPECT_EQ(layersOfModelSpace(), expected);
  for (const char* name : {"#", "@", "[a]", "~a"}) {
    SCOPED_TRACE(name);
    expected = without({name});
    cad.DelEntLa(name);
    EXPECT_EQ(layersOfModelSpace(), expected);
  }
  cad.DelEntLa("no such layer");
  cad.DelEntLa("");
  cad.DelEntLa("a,b");  // names no layer: neither "a" nor "b"
  EXPECT_EQ(layersOfModelSpace(), expected);
  EXPECT_NO_THROW(doc.selectionSets().item("SSht"));  // the set stays in the drawing
  EXPECT_EQ(layersOfModelSpace().size(), 2u * 4);     // AX1, 1, a and b are untouched
  const Lines lines = saved();
  EXPECT_EQ(lines.size(), 4u) << ::testing::PrintToString(lines);
  for (const std::string& line : lines) EXPECT_EQ(line.find("AUDIT"), std::string::npos) << line;

  cad.AcadDoc.reset();
  EXPECT_NO_THROW(cad.DelEntLa("a"));
}

TEST_F(Outlines, CellRectangleJoinsTheWorkingList) {
  cad.ReadMod("none");
  EXPECT_EQ(Access::drawCellRect(cad, "名称", 0, 10, 20, 0), CellType{});
  Access::drawCellRect(cad, "b", 1, 2, 3, 4);
  EXPECT_EQ(cad.CellCount(), 1);
  const CellType c = cad.Cell(0);
  EXPECT_EQ(c.name, "名称");
  EXPECT_EQ(c.T, 1);
  EXPECT_EQ(c.P1, Variant::variants({Variant::fromDouble(0), Variant::fromDouble(0)}));
  EXPECT_EQ(c.P2, Variant::variants({Variant::fromDouble(20), Variant::fromDouble(10)}));
  EXPECT_EQ(saved(), (Lines{"CELLS: 0,10 20,10 20,0 0,0", "CELLS: 1,2 3,2 3,4 1,4"}));
}

TEST(TemplateLookup, FindModIgnoresCase) {
  QTemporaryDir tmp;
  ASSERT_TRUE(writeBytes(tmp.path() + "/db.xml",
                         "<r><m n='A3图签'><c>图签模板</c><p>1,2</p></m>"
                         "<m n='a3图签'><c>x</c><p/></m></r>"));
  CAD cad;
  cad.setModPath(tmp.path());
  EXPECT_EQ(Access::findMod(cad, "a3图签").T, "1");  // the first of the two
  EXPECT_EQ(Access::findMod(cad, "A3图签").InsPo, QStringList({"1", "2"}));
  const BlkTYpe none = Access::findMod(cad, "A3");
  EXPECT_TRUE(none.n.isEmpty() && none.T.isEmpty() && none.p.isEmpty() && none.InsPo.isEmpty());
}

}  // namespace
}  // namespace tarvik
