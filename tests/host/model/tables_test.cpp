// Layers, text styles, coordinate systems, system variables and the utility conversions.

#include <cmath>
#include <numbers>

#include "host_fixture.h"

namespace {

using namespace hosttest;
using cadhost::Point3;
using cadhost::Value;

TEST_F(HostTest, LayersLookupAddAndState) {
  EXPECT_HOST_ERROR(doc.layers().item("QXMOD"), NotFound);
  EXPECT_HOST_ERROR(doc.setActiveLayer(doc.layers().item("QXMOD")), NotFound);
  cadhost::Layer layer = doc.layers().add("QXMOD");
  EXPECT_EQ(doc.layers().add("qxmod").name(), "QXMOD");  // no second layer
  doc.setActiveLayer(layer);
  EXPECT_EQ(doc.activeLayer().name(), "QXMOD");
  EXPECT_EQ(std::get<std::string>(doc.getVariable("CLAYER")), "QXMOD");

  layer.setColor(6);
  layer.setLayerOn(false);
  EXPECT_FALSE(layer.layerOn());
  EXPECT_EQ(layer.color(), 6);  // off keeps the colour
  layer.setLayerOn(true);
  layer.setFreeze(true);
  layer.setLock(true);
  EXPECT_TRUE(layer.freeze());
  EXPECT_TRUE(layer.lock());
  layer.setFreeze(false);
  EXPECT_FALSE(layer.freeze());
  EXPECT_TRUE(layer.lock());
  EXPECT_HOST_ERROR(layer.setColor(256), Refused);
  // A layer of another drawing is not this drawing's.
  cadhost::Document other = app->documents().add();
  EXPECT_HOST_ERROR(doc.setActiveLayer(other.layers().item("0")), Refused);
  EXPECT_HOST_ERROR(doc.layers().add("bad/name"), Refused);
}

// A drawing of many layers: every layer found by name in any case and every change of a layer
// taken back by one undo, in time that does not grow with the square of the count.
TEST_F(HostTest, ManyLayersChangeAndComeBackOneByOne) {
  constexpr int kLayers = 20000;
  for (int i = 0; i < kLayers; ++i) doc.layers().add("Lay" + std::to_string(i));
  doc.startUndoMark();
  for (int i = 0; i < kLayers; ++i) {
    cadhost::Layer layer = doc.layers().item("LAY" + std::to_string(i));
    if (i % 2 == 0) layer.setLock(true);
    if (i % 3 == 0) layer.setFreeze(true);
    if (i % 5 == 0) layer.setLayerOn(false);
  }
  EXPECT_TRUE(doc.layers().item("lay9998").lock());
  EXPECT_TRUE(doc.layers().item("lay9999").freeze());
  EXPECT_FALSE(doc.layers().item("lay9995").layerOn());
  EXPECT_EQ(doc.layers().item("lay19999").name(), "Lay19999");
  doc.endUndoMark();
  doc.sendCommand("(command \"U\" )\r");
  for (int i : {0, 2, 3, 5, 9998, 9999, 19999}) {
    const cadhost::Layer layer = doc.layers().item("Lay" + std::to_string(i));
    EXPECT_FALSE(layer.lock()) << i;
    EXPECT_FALSE(layer.freeze()) << i;
    EXPECT_TRUE(layer.layerOn()) << i;
  }
  EXPECT_EQ(doc.layers().count(), kLayers + 1);
}

TEST_F(HostTest, TextStylesFontsAndBigFonts) {
  EXPECT_HOST_ERROR(doc.textStyles().item("CHINESE"), NotFound);
  cadhost::TextStyle style = doc.textStyles().add("CHINESE");
  EXPECT_EQ(doc.textStyles().add("chinese").name(), "CHINESE");

  style.setBigFontFile("gbcbig.shx");
  EXPECT_EQ(style.bigFontFile(), "gbcbig.shx");
  style.setBigFontFile("HZTXT");  // without extension, any case
  EXPECT_HOST_ERROR(style.setBigFontFile("nosuchfont.shx"), Refused);
  EXPECT_EQ(style.bigFontFile(), "HZTXT");
  style.setBigFontFile("");
  EXPECT_EQ(style.bigFontFile(), "");

  cadhost::FontDesc font = style.getFont();
  font.typeface = "仿宋_GB2312";
  font.bold = true;
  font.charset = 134;
  font.pitchAndFamily = 49;
  style.setFont(font);
  cadhost::FontDesc back = style.getFont();
  EXPECT_EQ(back.typeface, "仿宋_GB2312");
  EXPECT_TRUE(back.bold);
  EXPECT_FALSE(back.italic);
  EXPECT_EQ(back.charset, 134);
  EXPECT_EQ(back.pitchAndFamily, 49);
  EXPECT_NE(style.fontFile().find(".ttf"), std::string::npos);

  style.setWidth(0.7);
  EXPECT_DOUBLE_EQ(style.width(), 0.7);
  doc.setActiveTextStyle(style);
  EXPECT_EQ(std::get<std::string>(doc.getVariable("textstyle")), "CHINESE");
  // A new text takes the style's width factor as its own, and is measured at it.
  const cadhost::Entity text = doc.modelSpace().addText("中文", pt(0, 0), 10);
  EXPECT_EQ(text.styleName(), "CHINESE");
  cadhost::Point3 lo, hi;
  text.getBoundingBox(lo, hi);
  EXPECT_NEAR(hi.x - lo.x, 2 * 10 * 0.7, 1e-9);
}

TEST(HostConfigTest, BigFontsOfTheFontFolderAreAccepted) {
  dxftest::TempDir fonts;
  dxftest::writeBytes(fonts.path("house.shx"), "shape");
  auto app = cadhost::Application::create(cadhost::HostConfig{fonts.dir().string()});
  cadhost::TextStyle style = app->documents().add().textStyles().add("S");
  EXPECT_NO_THROW(style.setBigFontFile("HOUSE.SHX"));
  EXPECT_HOST_ERROR(style.setBigFontFile("other.shx"), Refused);
  app->quit();
}

TEST_F(HostTest, UcsAddLookupActiveAndMatrix) {
  cadhost::UserCoordinateSystems ucss = doc.userCoordinateSystems();
  EXPECT_HOST_ERROR(ucss.item("QZUCS"), NotFound);
  EXPECT_HOST_ERROR(doc.activeUcs(), NotFound);  // world is unnamed

  cadhost::Ucs ucs = ucss.add(pt(10, 20), pt(10, 25), pt(0, 20), "QZUCS");
  // An existing name takes the new origin and axes; no second entry.
  ucs = ucss.add(pt(100, 50), pt(110, 50), pt(100, 60), "QZUCS");
  EXPECT_EQ(ucss.count(), 1);
  expectNear(ucs.origin(), pt(100, 50));
  expectNear(ucs.xAxis(), pt(1, 0));
  ucs = ucss.add(pt(100, 50), pt(100, 60), pt(90, 50), "qzucs");
  EXPECT_EQ(ucs.name(), "QZUCS");

  doc.setActiveUcs(ucs);
  EXPECT_EQ(doc.activeUcs().name(), "QZUCS");
  EXPECT_EQ(std::get<std::string>(doc.getVariable("UCSNAME")), "QZUCS");
  const cadhost::Matrix4 m = ucs.getUcsMatrix();
  // Columns X, Y, Z and the origin.
  const cadhost::Matrix4 expected = {0, -1, 0, 100, 1, 0, 0, 50, 0, 0, 1, 0, 0, 0, 0, 1};
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(m[i], expected[i], 1e-12) << i;

  cadhost::Utility util = doc.utility();
  using cadhost::CoordSys;
  expectNear(util.translateCoordinates(pt(1, 2), CoordSys::User, CoordSys::World, false),
             pt(98, 51));
  expectNear(util.translateCoordinates(pt(98, 51), CoordSys::World, CoordSys::User, false),
             pt(1, 2));
  expectNear(util.translateCoordinates(pt(1, 0), CoordSys::User, CoordSys::World, true), pt(0, 1));
  expectNear(util.translateCoordinates(pt(5, 6), CoordSys::World, CoordSys::Display, false),
             pt(5, 6));

  doc.sendCommand("ucs W ");
  EXPECT_HOST_ERROR(doc.activeUcs(), NotFound);
  ucs.erase();
  EXPECT_EQ(ucss.count(), 0);
  EXPECT_HOST_ERROR(ucs.name(), NotFound);
  EXPECT_HOST_ERROR(ucss.add(pt(0, 0), pt(1, 0), pt(2, 0), "FLAT"), Refused);
}

TEST_F(HostTest, UtilityAngles) {
  cadhost::Utility util = doc.utility();
  expectNear(util.polarPoint(pt(1, 1, 3), std::numbers::pi / 2, 2), pt(1, 3, 3));
  EXPECT_NEAR(util.angleFromXAxis(pt(0, 0), pt(0, -1)), 1.5 * std::numbers::pi, 1e-12);
  EXPECT_EQ(util.angleFromXAxis(pt(0, 0), pt(1, 0)), 0);
}

TEST_F(HostTest, SystemVariablesByNameWithoutCase) {
  EXPECT_EQ(std::get<std::string>(doc.getVariable("clayer")), "0");
  EXPECT_HOST_ERROR(doc.getVariable("NOSUCHVAR"), NotFound);
  EXPECT_HOST_ERROR(doc.setVariable("NOSUCHVAR", std::string("1")), NotFound);

  // Refused values.
  EXPECT_HOST_ERROR(doc.setVariable("CLAYER", std::string("missing")), Refused);
  EXPECT_HOST_ERROR(doc.setVariable("CELTYPE", std::string("DASHED_NONE")), Refused);
  EXPECT_HOST_ERROR(doc.setVariable("CECOLOR", std::string("purple")), Refused);
  EXPECT_HOST_ERROR(doc.setVariable("CECOLOR", std::string("256")), Refused);
  EXPECT_HOST_ERROR(doc.setVariable("TEXTSTYLE", std::string("missing")), Refused);
  EXPECT_HOST_ERROR(doc.setVariable("EXTMIN", Point3{}), Refused);

  doc.setVariable("UserS1", std::string("失败"));
  EXPECT_EQ(std::get<std::string>(doc.getVariable("USERS1")), "失败");
  doc.setVariable("PLINEWID", 0.5);
  EXPECT_EQ(std::get<double>(doc.getVariable("plinewid")), 0.5);
  EXPECT_EQ(std::get<std::int32_t>(doc.getVariable("PSTYLEMODE")), 1);
  doc.setVariable("BACKGROUNDPLOT", std::int32_t{0});

  // New entities take the current layer, colour and line type.
  doc.setVariable("CECOLOR", std::string("3"));
  doc.setVariable("CELTYPE", std::string("continuous"));
  EXPECT_EQ(std::get<std::string>(doc.getVariable("CELTYPE")), "Continuous");
  EXPECT_EQ(std::get<std::string>(doc.getVariable("CECOLOR")), "3");
  doc.layers().add("FRAME");
  doc.setVariable("CLAYER", std::string("frame"));
  cadhost::Entity outline = doc.modelSpace().addLightWeightPolyline({0, 0, 1, 0});
  EXPECT_EQ(outline.layer(), "FRAME");
  const std::string path = saveAs(doc, "vars.dxf");
  const std::string bytes = dxftest::readBytes(path);
  const size_t at = bytes.find("LWPOLYLINE");
  ASSERT_NE(at, std::string::npos);
  const std::string entity = bytes.substr(at, 200);
  EXPECT_NE(entity.find("\n 62\n3\n"), std::string::npos) << entity;
  EXPECT_NE(entity.find("\n  6\nContinuous\n"), std::string::npos) << entity;
  doc.setVariable("CECOLOR", std::string("ByLayer"));
  EXPECT_EQ(std::get<std::string>(doc.getVariable("CECOLOR")), "BYLAYER");
}

// Numbers that no integer holds (in the header, in flags and counts, as coordinates) are read
// as missing or kept as doubles: never converted to an integer (the sanitizer build checks).
TEST_F(HostTest, NumbersNoIntegerHoldsAreNeverConverted) {
  cadhost::Document d = openDxf("huge.dxf", R"(0 SECTION
2 HEADER
9 $CECOLOR
62 1e300
9 $TILEMODE
70 -1e300
9 $PSTYLEMODE
290 nan
0 ENDSEC
0 SECTION
2 ENTITIES
0 LWPOLYLINE
8 0
90 2
70 1e300
10 0
20 0
10 5
20 5
0 HATCH
8 0
10 0
20 0
30 0
91 1
92 1
93 1e300
72 1
10 0
20 0
11 1
21 1
0 LINE
8 0
10 0
20 0
11 1e300
21 1e150
0 ENDSEC
0 EOF
)");
  EXPECT_EQ(std::get<std::string>(d.getVariable("CECOLOR")), "BYLAYER");
  EXPECT_EQ(std::get<std::int32_t>(d.getVariable("TILEMODE")), 1);
  EXPECT_EQ(std::get<std::int32_t>(d.getVariable("PSTYLEMODE")), 1);
  EXPECT_HOST_ERROR(d.setVariable("BACKGROUNDPLOT", 1e300), Refused);
  cadhost::Block ms = d.modelSpace();
  EXPECT_FALSE(ms.item(0).closed());
  EXPECT_EQ(std::get<Point3>(d.getVariable("extmax")), (Point3{1e300, 1e150, 0}));
  cadhost::SelectionSet set = d.selectionSets().add("SS");
  Point3 a = pt(-1, -1), b = pt(10, 10);
  set.select(cadhost::SelectMode::Crossing, &a, &b);
  EXPECT_EQ(set.count(), 3);  // the hatch by the points it has
}

TEST_F(HostTest, ExtentsOfModelSpaceWithEmptyDrawingSentinels) {
  EXPECT_EQ(std::get<Point3>(doc.getVariable("extmin")), (Point3{1e20, 1e20, 1e20}));
  EXPECT_EQ(std::get<Point3>(doc.getVariable("EXTMAX")), (Point3{-1e20, -1e20, -1e20}));
  doc.modelSpace().addLightWeightPolyline({-5, 2, 30, 40});
  app->zoomExtents();
  EXPECT_EQ(std::get<Point3>(doc.getVariable("extmin")), (Point3{-5, 2, 0}));
  EXPECT_EQ(std::get<Point3>(doc.getVariable("extmax")), (Point3{30, 40, 0}));
}

}  // namespace
