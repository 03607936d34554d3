// Block definitions and references: anonymous names, deleting, insertion from a drawing file
// with attributes, explode, and binding an external reference.

#include <cmath>
#include <numbers>

#include "host_fixture.h"

namespace {

using namespace hosttest;
using cadhost::Entity;
using cadhost::Point3;

// A title block drawing: base point 10,5; a line, a variable attribute, a constant one.
constexpr std::string_view kTitleBlock = R"(0 SECTION
2 HEADER
9 $INSBASE
10 10
20 5
30 0
0 ENDSEC
0 SECTION
2 ENTITIES
0 LINE
5 20
8 0
10 10
20 5
11 50
21 5
0 ATTDEF
5 21
8 0
10 20
20 5
40 2.5
1 图名
2 TITLE
3 名称
70 0
0 ATTDEF
5 22
8 0
10 20
20 8
40 2.5
1 FIXED
2 CONST
3 fixed
70 2
0 ENDSEC
0 EOF
)";

class BlocksTest : public HostTest {
 protected:
  std::string titleFile() {
    const std::string path = tmp.path("title.dxf");
    dxftest::writeBytes(path, dxftest::dxfText(kTitleBlock));
    return path;
  }
};

TEST_F(BlocksTest, AnonymousNamesLookupAndDelete) {
  cadhost::Blocks blocks = doc.blocks();
  EXPECT_HOST_ERROR(blocks.item("FRAME"), NotFound);
  cadhost::Block u1 = blocks.add(pt(0, 0), "*U");
  cadhost::Block u2 = blocks.add(pt(0, 0), "*u");
  EXPECT_EQ(u1.name(), "*U1");
  EXPECT_EQ(u2.name(), "*U2");
  cadhost::Block guid = blocks.add(pt(1, 2), "0123456789ABCDEF0123456789ABCDEF");
  EXPECT_EQ(blocks.add(pt(9, 9), "0123456789abcdef0123456789abcdef"), guid);
  EXPECT_EQ(guid.origin(), pt(1, 2));
  EXPECT_FALSE(guid.isXRef());
  EXPECT_EQ(blocks.item("*model_space"), doc.modelSpace());

  // The anonymous flag is written with the definition.
  const std::string bytes = dxftest::readBytes(saveAs(doc, "anon.dxf"));
  EXPECT_NE(bytes.find("  2\n*U1\n 70\n1\n"), std::string::npos);

  Entity ref = doc.modelSpace().insertBlock(pt(0, 0), u1.name(), 1, 1, 1, 0);
  EXPECT_HOST_ERROR(u1.erase(), Refused);  // still referenced
  ref.erase();
  const int before = blocks.count();
  u1.erase();
  EXPECT_EQ(blocks.count(), before - 1);
  EXPECT_HOST_ERROR(u1.name(), Dead);
  EXPECT_HOST_ERROR(blocks.item("*U1"), NotFound);
  EXPECT_HOST_ERROR(doc.modelSpace().erase(), Refused);
  EXPECT_HOST_ERROR(doc.modelSpace().insertBlock(pt(0, 0), "NOBLOCK", 1, 1, 1, 0), NotFound);
}

TEST_F(BlocksTest, InsertFromADrawingFileCreatesAttributes) {
  const std::string path = titleFile();
  Entity ref = doc.modelSpace().insertBlock(pt(100, 100), path, 2, 2, 2, 0);
  EXPECT_EQ(ref.name(), "title");
  EXPECT_EQ(ref.objectName(), "AcDbBlockReference");
  EXPECT_EQ(ref.xScaleFactor(), 2);
  cadhost::Block block = doc.blocks().item("TITLE");
  EXPECT_EQ(block.origin(), pt(10, 5));
  ASSERT_EQ(block.count(), 3);
  EXPECT_EQ(block.item(1).objectName(), "AcDbAttributeDefinition");
  EXPECT_EQ(block.item(1).promptString(), "名称");
  EXPECT_EQ(block.item(1).textString(), "图名");

  // Only the variable attribute becomes an ATTRIB, placed by the reference.
  ASSERT_TRUE(ref.hasAttributes());
  std::vector<Entity> atts = ref.getAttributes();
  ASSERT_EQ(atts.size(), 1u);
  EXPECT_EQ(atts[0].objectName(), "AcDbAttribute");
  EXPECT_EQ(atts[0].tagString(), "TITLE");
  EXPECT_EQ(atts[0].textString(), "图名");
  expectNear(atts[0].insertionPoint(), pt(120, 100));
  EXPECT_EQ(atts[0].height(), 5);
  Point3 mn, mx;
  ref.getBoundingBox(mn, mx);
  expectNear(mn, pt(100, 100));
  EXPECT_NEAR(mx.x, 180, 1e-9);

  // A second insertion by name or by file reuses the definition.
  const int blocks = doc.blocks().count();
  doc.modelSpace().insertBlock(pt(0, 0), "Title", 1, 1, 1, 0);
  doc.modelSpace().insertBlock(pt(0, 0), path, 1, 1, 1, 0);
  EXPECT_EQ(doc.blocks().count(), blocks);

  // Written and read back by the host, the reference keeps its attributes; the entities of
  // the marker-less source gained the subclass markers of the document's version.
  const std::string saved = saveAs(doc, "with-title.dxf");
  const std::string bytes = dxftest::readBytes(saved);
  EXPECT_NE(bytes.find("100\nAcDbLine\n 10\n10\n"), std::string::npos);
  EXPECT_NE(bytes.find("100\nAcDbAttributeDefinition\n  2\nTITLE\n"), std::string::npos);
  cadhost::Document again = app->documents().open(saved);
  EXPECT_EQ(again.modelSpace().item(0).getAttributes().at(0).textString(), "图名");
  // A missing file names its path.
  EXPECT_HOST_ERROR(doc.modelSpace().insertBlock(pt(0, 0), tmp.path("none.dxf"), 1, 1, 1, 0),
                    NotFound);
}

TEST_F(BlocksTest, AttributesOfAnR12DrawingLeaveThePromptBehind) {
  cadhost::Document r12 = openDxf("r12.dxf", kEmptyR12Drawing);
  r12.modelSpace().insertBlock(pt(0, 0), titleFile(), 1, 1, 1, 0);
  const std::string bytes = dxftest::readBytes(saveAs(r12, "r12-title.dxf"));
  const size_t attrib = bytes.find("ATTRIB");
  ASSERT_NE(attrib, std::string::npos);
  const std::string tags = bytes.substr(attrib, bytes.find("SEQEND", attrib) - attrib);
  EXPECT_NE(tags.find("TITLE"), std::string::npos) << tags;
  EXPECT_EQ(tags.find("\n  3\n"), std::string::npos) << tags;  // no prompt
  EXPECT_EQ(tags.find("AcDb"), std::string::npos) << tags;
}

TEST_F(BlocksTest, ExplodeAppendsTransformedCopiesInDefinitionOrder) {
  titleFile();
  doc.modelSpace().insertBlock(pt(0, 0), tmp.path("title.dxf"), 1, 1, 1, 0).erase();
  cadhost::Block outer = doc.blocks().add(pt(0, 0), "OUTER");
  Entity l = outer.addLightWeightPolyline({0, 0, 10, 0});
  outer.addText("T", pt(5, 5), 1);
  Entity nested = outer.insertBlock(pt(20, 0), "title", 1, 1, 1, 0);
  EXPECT_EQ(outer.count(), 3);
  EXPECT_EQ(l.coordinates(), (std::vector<double>{0, 0, 10, 0}));

  cadhost::Block ms = doc.modelSpace();
  Entity ref = ms.insertBlock(pt(1000, 0), "OUTER", 1, 1, 1, std::numbers::pi / 2);
  std::vector<Entity> parts = ref.explode();
  ASSERT_EQ(parts.size(), 3u);
  EXPECT_EQ(ms.count(), 4);  // the reference stays
  EXPECT_EQ(ms.item(0), ref);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(ms.item(i + 1), parts[i]);
  EXPECT_EQ(parts[0].objectName(), "AcDbPolyline");
  std::vector<double> xy = parts[0].coordinates();
  EXPECT_NEAR(xy[0], 1000, 1e-9);
  EXPECT_NEAR(xy[3], 10, 1e-9);
  EXPECT_EQ(parts[1].textString(), "T");
  expectNear(parts[1].insertionPoint(), pt(995, 5));
  // A nested reference stays a reference and keeps its attributes, with new handles.
  EXPECT_EQ(parts[2].name(), "title");
  ASSERT_TRUE(parts[2].hasAttributes());
  EXPECT_NE(parts[2].getAttributes()[0].handle(), nested.getAttributes()[0].handle());
  expectNear(parts[2].insertionPoint(), pt(1000, 20));

  EXPECT_HOST_ERROR(parts[0].explode(), Unsupported);
  ref.erase();
  EXPECT_NO_THROW(doc.blocks().item("OUTER").erase());
}

// The boxes of block definitions are kept between queries: a change to a block, and its undo,
// moves every reference to it, also through other blocks.
TEST_F(BlocksTest, ReferenceBoxesFollowChangesOfTheirBlocks) {
  cadhost::Block inner = doc.blocks().add(pt(0, 0), "INNER");
  inner.addLightWeightPolyline({0, 0, 10, 0});
  cadhost::Block outer = doc.blocks().add(pt(0, 0), "OUTER");
  outer.insertBlock(pt(100, 0), "INNER", 1, 1, 1, 0);
  Entity ref = doc.modelSpace().insertBlock(pt(0, 0), "OUTER", 2, 2, 2, 0);
  Point3 mn, mx;
  ref.getBoundingBox(mn, mx);
  expectNear(mx, pt(220, 0));
  doc.startUndoMark();
  inner.addLightWeightPolyline({0, 0, 0, 30});
  doc.endUndoMark();
  ref.getBoundingBox(mn, mx);
  expectNear(mx, pt(220, 60));
  expectNear(std::get<Point3>(doc.getVariable("EXTMAX")), pt(220, 60));
  doc.sendCommand("U ");
  ref.getBoundingBox(mn, mx);
  expectNear(mx, pt(220, 0));
  // Erased from the block, the polyline no longer counts: the reference is empty.
  inner.item(0).erase();
  EXPECT_HOST_ERROR(ref.getBoundingBox(mn, mx), Unsupported);
}

TEST_F(BlocksTest, BindLoadsAnExternalReference) {
  dxftest::writeBytes(tmp.path("xref.dxf"), dxftest::dxfText(R"(0 SECTION
2 ENTITIES
0 LINE
5 30
8 0
10 0
20 0
11 7
21 3
0 ENDSEC
0 EOF
)"));
  cadhost::Document host = openDxf("host.dxf", R"(0 SECTION
2 BLOCKS
0 BLOCK
5 40
8 0
2 XR
70 4
10 0
20 0
30 0
3 XR
1 xref.dxf
0 ENDBLK
5 41
8 0
0 ENDSEC
0 SECTION
2 ENTITIES
0 INSERT
5 42
8 0
2 XR
10 100
20 0
0 ENDSEC
0 EOF
)");
  cadhost::Block xr = host.blocks().item("XR");
  EXPECT_TRUE(xr.isXRef());
  EXPECT_EQ(xr.count(), 0);
  xr.bind(false);
  EXPECT_FALSE(xr.isXRef());
  ASSERT_EQ(xr.count(), 1);
  EXPECT_EQ(xr.item(0).endPoint(), pt(7, 3));
  Point3 mn, mx;
  host.modelSpace().item(0).getBoundingBox(mn, mx);
  EXPECT_EQ(mx, pt(107, 3));
  EXPECT_HOST_ERROR(xr.bind(false), Refused);  // no longer an xref
}

}  // namespace
