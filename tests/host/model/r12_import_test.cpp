// Drawings of newer versions inserted into an R12 drawing: converted to what R12 holds, or
// refused before anything changes.

#include "host_fixture.h"

namespace {

using namespace hosttest;

// A title block as offices draw it today (R2000): a lightweight polyline with widths and a
// bulge, a two-line multi-line text, a line and an attribute definition on a layer with a
// lineweight. With "hatch" as second argument the drawing also holds a hatch.
constexpr const char* kNewTitleBlock = R"(
import sys, ezdxf
doc = ezdxf.new('R2000')
doc.layers.add('TB', lineweight=35)
msp = doc.modelspace()
p = msp.add_lwpolyline([(0, 0, 1, 2, 0.5), (10, 0, 0, 0, 0), (10, 5, 0, 0, 0)],
                       format='xyseb', dxfattribs={'layer': 'TB', 'color': 3})
p.closed = True
msp.add_mtext('AB\\PCD', dxfattribs={'insert': (0, 20), 'char_height': 2.5, 'layer': 'TB'})
msp.add_line((0, 0), (5, 5), dxfattribs={'lineweight': 50})
msp.add_attdef('NO', (1, 1), dxfattribs={'height': 2, 'prompt': 'number'})
if len(sys.argv) > 2:
    msp.add_hatch().paths.add_polyline_path([(0, 0), (1, 0), (1, 1)])
doc.saveas(sys.argv[1])
)";

class R12ImportTest : public HostTest {
 protected:
  std::string newTitleBlock(const std::string& name, bool hatch = false) {
    const std::string path = tmp.path(name);
    int code = 0;
    const std::string out =
        dxftest::runPython(std::string("import sys\nsys.argv = ['x', '") + path + "'" +
                               (hatch ? ", 'hatch'" : "") + "]\n" + kNewTitleBlock,
                           code);
    EXPECT_EQ(code, 0) << out;
    return path;
  }
};

TEST_F(R12ImportTest, NewerFormsBecomeR12Forms) {
  cadhost::Document r12 = openDxf("r12.dxf", kEmptyR12Drawing);
  r12.modelSpace().insertBlock(pt(100, 0), newTitleBlock("tb.dxf"), 2, 2, 2, 0);
  std::vector<std::string> types;
  for (const cadhost::Entity& e : r12.blocks().item("tb").entities()) types.push_back(e.dxfType());
  EXPECT_EQ(types, (std::vector<std::string>{"POLYLINE", "TEXT", "TEXT", "LINE", "ATTDEF"}));

  const std::vector<cadhost::Entity> parts = r12.blocks().item("tb").entities();
  EXPECT_EQ(parts[0].coordinates(), (std::vector<double>{0, 0, 10, 0, 10, 5}));
  EXPECT_TRUE(parts[0].closed());
  EXPECT_EQ(parts[0].layer(), "TB");
  EXPECT_EQ(parts[1].textString(), "AB");
  EXPECT_EQ(parts[2].textString(), "CD");
  EXPECT_LT(parts[2].insertionPoint().y, parts[1].insertionPoint().y);
  EXPECT_NEAR(parts[1].insertionPoint().y, 20 - 2.5, 1e-9);  // top line below the top edge

  // What is written is plain R12, and an independent reader accepts it.
  const std::string saved = saveAs(r12, "r12-out.dxf");
  const std::string bytes = dxftest::readBytes(saved);
  for (const char* absent : {"AcDb", "LWPOLYLINE", "MTEXT", "\n370\n", "\n330\n"})
    EXPECT_EQ(bytes.find(absent), std::string::npos) << absent;
  int code = 0;
  const std::string out = dxftest::runPython(R"(
import ezdxf
doc = ezdxf.readfile(')" + saved + R"(')
a = doc.audit()
assert not a.has_errors, [e.message for e in a.errors]
p = doc.blocks['tb'].query('POLYLINE')[0]
print(doc.dxfversion, p.is_closed, [(v.dxf.start_width, v.dxf.end_width, v.dxf.bulge) for v in p.vertices])
)",
                                             code);
  EXPECT_EQ(code, 0) << out;
  EXPECT_NE(out.find("AC1009 True [(1.0, 2.0, 0.5), (0, 0, 0), (0, 0, 0)]"), std::string::npos)
      << out;
  EXPECT_NO_THROW(app->documents().open(saved));
}

TEST_F(R12ImportTest, WhatR12CannotHoldIsRefusedBeforeAnythingChanges) {
  cadhost::Document r12 = openDxf("r12.dxf", kEmptyR12Drawing);
  const int layers = r12.layers().count(), blocks = r12.blocks().count();
  const std::string path = newTitleBlock("hatched.dxf", true);
  try {
    r12.modelSpace().insertBlock(pt(0, 0), path, 1, 1, 1, 0);
    ADD_FAILURE() << "a hatch went into an R12 drawing";
  } catch (const cadhost::HostError& e) {
    EXPECT_EQ(e.code(), cadhost::HostError::Unsupported);
    EXPECT_NE(std::string(e.what()).find("hatched.dxf"), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("HATCH"), std::string::npos) << e.what();
  }
  EXPECT_EQ(r12.layers().count(), layers);
  EXPECT_EQ(r12.blocks().count(), blocks);
  EXPECT_EQ(r12.modelSpace().count(), 0);
  // A drawing of the newer version takes the same file as it is.
  doc.modelSpace().insertBlock(pt(0, 0), path, 1, 1, 1, 0);
  EXPECT_EQ(doc.blocks().item("hatched").count(), 5);
}

}  // namespace
