// Entity members: texts, line work, block references, boxes, transforms and type checks.

#include <cmath>
#include <numbers>
#include <numeric>
#include <random>
#include <vector>

#include "host_fixture.h"

namespace {

using namespace hosttest;
using cadhost::Entity;
using cadhost::Point3;

constexpr std::string_view kRawEntities = R"(0 SECTION
2 ENTITIES
0 LINE
5 A1
8 0
10 1
20 2
30 0
11 4
21 6
31 0
0 XLINE
5 A2
8 0
10 0
20 0
30 0
11 1
21 0
31 0
0 POLYLINE
5 A3
8 0
66 1
70 1
0 VERTEX
5 A4
8 0
10 0
20 0
0 VERTEX
5 A5
8 0
10 5
20 0
0 SEQEND
5 A6
8 0
0 ENDSEC
0 EOF
)";

TEST_F(HostTest, TextMembersAndAlignments) {
  cadhost::Block ms = doc.modelSpace();
  Entity text = ms.addText("图号 A-01", pt(10, 20), 3.5);
  EXPECT_EQ(text.objectName(), "AcDbText");
  EXPECT_EQ(text.textString(), "图号 A-01");
  EXPECT_EQ(text.insertionPoint(), pt(10, 20));
  EXPECT_EQ(text.height(), 3.5);
  EXPECT_EQ(text.rotation(), 0);
  EXPECT_EQ(text.alignment(), 0);
  EXPECT_EQ(ms.item(ms.count() - 1), text);

  // Fit between the insertion point and the alignment point.
  text.setAlignment(5);
  text.setTextAlignmentPoint(pt(60, 20));
  EXPECT_EQ(text.alignment(), 5);
  Point3 mn, mx;
  text.getBoundingBox(mn, mx);
  EXPECT_NEAR(mn.x, 10, 1e-9);
  EXPECT_NEAR(mx.x, 60, 1e-9);
  EXPECT_NEAR(mn.y, 20, 1e-9);  // the baseline is the bottom
  for (int a : {1, 2, 9, 10, 11, 12, 13, 14, 0}) {
    text.setAlignment(a);
    EXPECT_EQ(text.alignment(), a);
  }
  EXPECT_HOST_ERROR(text.setAlignment(15), Refused);
  EXPECT_HOST_ERROR(text.setStyleName("NOSTYLE"), NotFound);
  text.setTextString("");
  EXPECT_EQ(text.textString(), "");
  // Members of other types fail on a text.
  EXPECT_HOST_ERROR(text.coordinates(), Unsupported);
  EXPECT_HOST_ERROR(text.name(), Unsupported);
  EXPECT_HOST_ERROR(text.attachmentPoint(), Unsupported);
}

// The widths of a text's leading parts, measured at once, are those its box gives when the text
// holds each part: %% codes cut short, multi-byte characters and stray bytes included.
TEST_F(HostTest, PrefixWidthsAreTheBoxesOfTheCutText) {
  cadhost::Block ms = doc.modelSpace();
  Entity whole = ms.addText("", pt(10.5, 20), 3.5);
  Entity cut = ms.addText("", pt(10.5, 20), 3.5);
  const std::string alphabet[] = {
      "%", "%", "d",  "1",    "2",    "c",    "u",    "a",
      " ", "i", "图", "\xE4", "\xB8", "\x80", "\xC2", "\xF0\x9F\x98\x80"};
  std::mt19937 random(11);
  std::uniform_int_distribution<std::size_t> pick(0, std::size(alphabet) - 1);
  auto check = [&](const std::string& text) {
    whole.setTextString(text);
    std::vector<std::size_t> ends(text.size() + 1);
    std::iota(ends.begin(), ends.end(), std::size_t{0});
    const std::vector<double> widths = whole.prefixWidths(ends);
    ASSERT_EQ(widths.size(), ends.size());
    for (std::size_t e : ends) {
      cut.setTextString(text.substr(0, e));
      Point3 mn, mx;
      cut.getBoundingBox(mn, mx);
      ASSERT_EQ(widths[e], mx.x - mn.x) << text << " cut to " << e;
    }
  };
  check("%%d%%p%%c%%%%%u12%%123%%1234 图号");
  for (int n = 0; n < 2000; ++n) {
    std::string text;
    for (int k = n % 24; k > 0; --k) text += alphabet[pick(random)];
    check(text);
  }
  // Turned and aligned texts measure as their boxes do.
  for (Entity* e : {&whole, &cut}) {
    e->setRotation(0.5);
    e->setAlignment(1);
    e->setTextAlignmentPoint(pt(40, 30));
  }
  check("A-01 %%d 图号");
  EXPECT_HOST_ERROR(whole.prefixWidths({3, 2}), Refused);
  EXPECT_HOST_ERROR(whole.prefixWidths({100}), Refused);
  EXPECT_HOST_ERROR(ms.addMText(pt(0, 0), 10, "x").prefixWidths({0}), Unsupported);
}

TEST_F(HostTest, MTextContentsAttachmentAndRotation) {
  std::string longText;
  for (int i = 0; i < 100; ++i) longText += "第" + std::to_string(i) + "行\\P";
  Entity mtext = doc.modelSpace().addMText(pt(5, 5), 80, longText);
  EXPECT_EQ(mtext.objectName(), "AcDbMText");
  EXPECT_EQ(mtext.textString(), longText);
  EXPECT_EQ(mtext.height(), 2.5);  // TEXTSIZE
  mtext.setAttachmentPoint(5);
  EXPECT_EQ(mtext.attachmentPoint(), 5);
  mtext.setRotation(std::numbers::pi / 2);
  EXPECT_NEAR(mtext.rotation(), std::numbers::pi / 2, 1e-12);
  mtext.setHeight(4);
  mtext.setInsertionPoint(pt(7, 8));

  // Written and read back: the 250-byte chunks rejoin, never splitting a character.
  cadhost::Document again = app->documents().open(saveAs(doc, "mtext.dxf"));
  Entity back = again.modelSpace().item(0);
  EXPECT_EQ(back.textString(), longText);
  EXPECT_EQ(back.insertionPoint(), pt(7, 8));
  EXPECT_EQ(back.height(), 4);
  EXPECT_EQ(back.attachmentPoint(), 5);
}

TEST_F(HostTest, TransformAndRotateOfTexts) {
  Entity text = doc.modelSpace().addText("ROT", pt(10.1, 20.3), 2.5);
  text.setAlignment(1);
  text.setTextAlignmentPoint(pt(12.7, 20.3));
  // -r then +r about the same point restores the stored values exactly.
  const double r = 0.7391;
  text.rotate(pt(3.3, 4.4), -r);
  text.rotate(pt(3.3, 4.4), r);
  EXPECT_EQ(text.insertionPoint(), pt(10.1, 20.3));
  EXPECT_EQ(text.textAlignmentPoint(), pt(12.7, 20.3));
  EXPECT_EQ(text.rotation(), 0);

  const cadhost::Matrix4 move = {1, 0, 0, 100, 0, 1, 0, 50, 0, 0, 1, 0, 0, 0, 0, 1};
  text.transformBy(move);
  EXPECT_NEAR(text.textAlignmentPoint().x, 112.7, 1e-9);
  EXPECT_NEAR(text.textAlignmentPoint().y, 70.3, 1e-9);
}

TEST_F(HostTest, PolylineMembersAndLineWork) {
  Entity pl = doc.modelSpace().addLightWeightPolyline({0, 0, 10, 0, 10, 5});
  EXPECT_EQ(pl.objectName(), "AcDbPolyline");
  EXPECT_FALSE(pl.closed());
  pl.setClosed(true);
  EXPECT_TRUE(pl.closed());
  EXPECT_EQ(pl.coordinates(), (std::vector<double>{0, 0, 10, 0, 10, 5}));
  pl.setWidth(1, 0.5, 0.25);
  pl.setWidth(1, 0.7, 0.3);
  EXPECT_HOST_ERROR(pl.setWidth(3, 1, 1), Refused);
  EXPECT_EQ(pl.coordinates(), (std::vector<double>{0, 0, 10, 0, 10, 5}));
  EXPECT_HOST_ERROR(doc.modelSpace().addLightWeightPolyline({1, 2, 3}), Refused);

  const std::string bytes = dxftest::readBytes(saveAs(doc, "pl.dxf"));
  EXPECT_NE(bytes.find(" 10\n10.0\n 20\n0.0\n 40\n0.7\n 41\n0.3\n 10\n10.0"), std::string::npos);

  cadhost::Document raw = openDxf("raw.dxf", kRawEntities);
  cadhost::Block ms = raw.modelSpace();
  ASSERT_EQ(ms.count(), 3);
  Entity line = ms.item(0);
  EXPECT_EQ(line.objectName(), "AcDbLine");
  EXPECT_EQ(line.startPoint(), pt(1, 2));
  EXPECT_EQ(line.endPoint(), pt(4, 6));
  // An infinite line has no box.
  EXPECT_EQ(ms.item(1).objectName(), "AcDbXline");
  Point3 mn, mx;
  EXPECT_HOST_ERROR(ms.item(1).getBoundingBox(mn, mx), Unsupported);
  // An old-style polyline is boxed and read through its vertices.
  Entity poly = ms.item(2);
  EXPECT_EQ(poly.objectName(), "AcDb2dPolyline");
  EXPECT_TRUE(poly.closed());
  EXPECT_EQ(poly.coordinates(), (std::vector<double>{0, 0, 5, 0}));
  poly.getBoundingBox(mn, mx);
  EXPECT_EQ(mx, pt(5, 0));
}

TEST_F(HostTest, NewEntitiesOfAnR12DrawingTakeItsForm) {
  cadhost::Document r12 = openDxf("r12.dxf", kEmptyR12Drawing);
  cadhost::Block ms = r12.modelSpace();
  // Before lightweight polylines: the old form, with its vertices.
  Entity pl = ms.addLightWeightPolyline({0, 0, 10, 0, 10, 10});
  EXPECT_EQ(pl.dxfType(), "POLYLINE");
  EXPECT_EQ(pl.coordinates(), (std::vector<double>{0, 0, 10, 0, 10, 10}));
  pl.setClosed(true);
  pl.setWidth(1, 0.5, 1.5);
  EXPECT_TRUE(pl.closed());
  Entity text = ms.addText("R12", pt(1, 1), 2);
  EXPECT_EQ(text.objectName(), "AcDbText");
  // Handles go on from $HANDSEED: the polyline, its three vertices and its end took 100-104.
  EXPECT_EQ(text.handle(), "105");
  EXPECT_HOST_ERROR(ms.addMText(pt(0, 0), 10, "x"), Unsupported);
  // A font description needs its application registered.
  cadhost::TextStyle style = r12.textStyles().add("CHINESE");
  style.setFont(cadhost::FontDesc{"SimSun"});

  const std::string path = saveAs(r12, "r12-out.dxf");
  const std::string bytes = dxftest::readBytes(path);
  EXPECT_EQ(bytes.find("AcDb"), std::string::npos);              // no subclass markers in R12
  EXPECT_NE(bytes.find("  2\nACAD\n 70\n"), std::string::npos);  // the registered application
  int code = -1;
  const std::string out = dxftest::runPython(
      "import ezdxf\n"
      "doc = ezdxf.readfile('" +
          path +
          "')\n"
          "print('errors', len(doc.audit().errors))\n"
          "p = doc.modelspace().query('POLYLINE')[0]\n"
          "print('closed', p.is_closed, len(p.vertices))\n",
      code);
  EXPECT_EQ(code, 0) << out;
  EXPECT_NE(out.find("errors 0"), std::string::npos) << out;
  EXPECT_NE(out.find("closed True 3"), std::string::npos) << out;
}

}  // namespace
