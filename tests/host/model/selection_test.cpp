// Selection sets: names, window edges, hidden layers, database order, filters, polygons and
// erasing.

#include "host_fixture.h"

namespace {

using namespace hosttest;
using cadhost::Filter;
using cadhost::FilterItem;
using cadhost::SelectMode;

class SelectionTest : public HostTest {
 protected:
  void SetUp() override {
    HostTest::SetUp();
    ms = doc.modelSpace();
    // A frame 0..100 x 0..50 with a text inside and a line sticking out to the right.
    frame = ms.addLightWeightPolyline({0, 0, 100, 0, 100, 50, 0, 50});
    frame.setClosed(true);
    text = ms.addText("A-01", pt(10, 10), 5);
    outside = ms.addLightWeightPolyline({90, 25, 150, 25});
    set = doc.selectionSets().add("SSSS");
  }

  void window(SelectMode mode, cadhost::Point3 a, cadhost::Point3 b, const Filter& f = {}) {
    set.select(mode, &a, &b, f);
  }

  std::vector<cadhost::Entity> members() { return set.items(); }

  cadhost::Block ms;
  cadhost::Entity frame, text, outside;
  cadhost::SelectionSet set;
};

TEST_F(SelectionTest, NamesAreUniqueAndLookedUpWithoutCase) {
  EXPECT_HOST_ERROR(doc.selectionSets().add("SSSS"), Exists);
  EXPECT_HOST_ERROR(doc.selectionSets().add("ssss"), Exists);
  EXPECT_HOST_ERROR(doc.selectionSets().item("TSS"), NotFound);
  EXPECT_EQ(doc.selectionSets().item("ssss").name(), "SSSS");
  set.remove();
  EXPECT_HOST_ERROR(set.count(), Dead);
  EXPECT_NO_THROW(doc.selectionSets().add("SSSS"));
}

TEST_F(SelectionTest, WindowEdgesAreInclusiveCrossingTakesWhatCrosses) {
  // The window is the frame's own box: the frame lies exactly on its edge.
  window(SelectMode::Window, pt(0, 0), pt(100, 50));
  EXPECT_EQ(members(), (std::vector<cadhost::Entity>{frame, text}));
  // Selecting again adds no duplicates; corners may come in any order.
  window(SelectMode::Window, pt(100, 50), pt(0, 0));
  EXPECT_EQ(set.count(), 2);

  set.clear();
  EXPECT_EQ(set.count(), 0);
  EXPECT_EQ(ms.count(), 3);  // clearing leaves the entities alone
  window(SelectMode::Window, pt(0, 0), pt(99.999, 50));
  EXPECT_EQ(members(), (std::vector<cadhost::Entity>{text}));

  set.clear();
  // A window inside the closed frame does not cross its outline.
  window(SelectMode::Crossing, pt(95, 20), pt(98, 30));
  EXPECT_EQ(members(), (std::vector<cadhost::Entity>{outside}));
  // A later selection appends to what the set holds.
  window(SelectMode::Crossing, pt(95, 20), pt(105, 30));
  EXPECT_EQ(members(), (std::vector<cadhost::Entity>{outside, frame}));
  EXPECT_HOST_ERROR(set.select(SelectMode::Window, nullptr, nullptr), Refused);
}

TEST_F(SelectionTest, CrossingTestsABlockReferenceByItsParts) {
  // An L of two lines: its box covers (200,0)-(240,40), but the corner (230,30)-(235,35) holds
  // none of its parts.
  cadhost::Block ell = doc.blocks().add(pt(0, 0), "ELL");
  ell.addLightWeightPolyline({0, 0, 40, 0});
  ell.addLightWeightPolyline({0, 0, 0, 40});
  cadhost::Entity ref = ms.insertBlock(pt(200, 0), "ELL", 1, 1, 1, 0);
  window(SelectMode::Crossing, pt(230, 30), pt(235, 35));
  EXPECT_EQ(set.count(), 0);
  window(SelectMode::Crossing, pt(230, -5), pt(235, 5));
  EXPECT_EQ(members(), (std::vector<cadhost::Entity>{ref}));
}

TEST_F(SelectionTest, ResultsComeInDatabaseOrderWithFilters) {
  cadhost::Entity second = ms.addText("B-02", pt(20, 20), 5);
  cadhost::Entity mtext = ms.addMText(pt(30, 30), 40, "{\\fSimSun;C-03}");
  // Selected in reverse of creation by two windows, enumerated in database order.
  window(SelectMode::Window, pt(15, 15), pt(99, 49), {FilterItem{0, std::string("TEXT,MTEXT")}});
  window(SelectMode::Window, pt(5, 5), pt(25, 16), {FilterItem{0, std::string("text")}});
  EXPECT_EQ(members(), (std::vector<cadhost::Entity>{second, mtext, text}));

  set.clear();
  set.select(SelectMode::All, nullptr, nullptr,
             {FilterItem{-4, std::string("<or")}, FilterItem{1, std::string("@-##")},
              FilterItem{0, std::string("LWPOLYLINE")}, FilterItem{-4, std::string("or>")}});
  EXPECT_EQ(members(), (std::vector<cadhost::Entity>{frame, text, outside, second}));

  // An empty OR group selects nothing.
  set.clear();
  set.select(SelectMode::All, nullptr, nullptr,
             {FilterItem{-4, std::string("<and")}, FilterItem{0, std::string("INSERT")},
              FilterItem{-4, std::string("<or")}, FilterItem{-4, std::string("or>")},
              FilterItem{-4, std::string("and>")}});
  EXPECT_EQ(set.count(), 0);
}

TEST_F(SelectionTest, HiddenLayersAreSkippedByAreasButNotByAll) {
  doc.layers().add("OFF");
  doc.layers().add("FROZEN");
  doc.setVariable("CLAYER", std::string("OFF"));
  cadhost::Entity onOff = ms.addText("off", pt(50, 10), 2);
  doc.setVariable("clayer", std::string("frozen"));
  cadhost::Entity onFrozen = ms.addText("frozen", pt(50, 20), 2);
  EXPECT_EQ(onFrozen.layer(), "FROZEN");
  doc.layers().item("off").setLayerOn(false);
  doc.layers().item("FROZEN").setFreeze(true);

  window(SelectMode::Window, pt(-1, -1), pt(101, 51));
  window(SelectMode::Crossing, pt(40, 0), pt(60, 40));
  EXPECT_EQ(members(), (std::vector<cadhost::Entity>{frame, text}));
  set.select(SelectMode::All);
  EXPECT_EQ(set.count(), 5);

  // Turned on again, they are selectable; the extents follow the same rule.
  doc.layers().item("OFF").setLayerOn(true);
  set.clear();
  window(SelectMode::Crossing, pt(40, 0), pt(60, 40));
  EXPECT_EQ(members(), (std::vector<cadhost::Entity>{frame, onOff}));
}

TEST_F(SelectionTest, PolygonsSelectWhatTheyEncloseOrCross) {
  const std::vector<cadhost::Point3> diamond = {pt(50, -10), pt(120, 25), pt(50, 60), pt(-20, 25)};
  set.selectByPolygon(SelectMode::WindowPolygon, diamond);
  EXPECT_EQ(members(), (std::vector<cadhost::Entity>{text}));
  set.selectByPolygon(SelectMode::CrossingPolygon, diamond);
  EXPECT_EQ(members(), (std::vector<cadhost::Entity>{text, frame, outside}));
  EXPECT_HOST_ERROR(set.selectByPolygon(SelectMode::WindowPolygon, {pt(0, 0), pt(1, 1)}), Refused);
}

TEST_F(SelectionTest, EraseEmptiesTheSetAndErasedEntitiesNeverComeBack) {
  cadhost::SelectionSet other = doc.selectionSets().add("TSS");
  other.select(SelectMode::All);
  window(SelectMode::Window, pt(0, 0), pt(100, 50));
  set.erase();
  EXPECT_EQ(set.count(), 0);
  EXPECT_EQ(ms.count(), 1);
  EXPECT_EQ(ms.item(0), outside);
  // Another set that held them no longer does.
  EXPECT_EQ(other.items(), (std::vector<cadhost::Entity>{outside}));
  // Selected again by every mode: nothing of what was erased.
  window(SelectMode::Crossing, pt(-1000, -1000), pt(1000, 1000));
  set.select(SelectMode::All);
  EXPECT_EQ(members(), (std::vector<cadhost::Entity>{outside}));
  // Model-space extents follow.
  EXPECT_EQ(std::get<cadhost::Point3>(doc.getVariable("extmin")).x, 90);
}

}  // namespace
