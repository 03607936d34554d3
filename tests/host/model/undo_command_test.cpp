// Undo groups and the command strings that drawing programs send.

#include <algorithm>

#include "host_fixture.h"

namespace {

using namespace hosttest;
using cadhost::Entity;
using cadhost::Point3;
using cadhost::SelectMode;

const std::string kUndo = "(command \"U\" )\r";

class UndoTest : public HostTest {
 protected:
  void SetUp() override {
    HostTest::SetUp();
    ms = doc.modelSpace();
    for (int i = 0; i < 5; ++i) ms.addLightWeightPolyline({i * 10.0, 0, i * 10.0 + 5, 5});
    ms.addText("T", pt(0, 20), 2);
    doc.layers().add("FRAME");
    doc.blocks().add(pt(0, 0), "OLD");
  }

  std::vector<std::string> handles() {
    std::vector<std::string> h;
    for (const Entity& e : ms.entities()) h.push_back(e.handle());
    return h;
  }

  std::string users1() { return std::get<std::string>(doc.getVariable("USERS1")); }

  cadhost::Block ms;
};

TEST_F(UndoTest, UndoTakesTheWholeGroupBackWithStableHandles) {
  const std::vector<std::string> before = handles();
  const int blocks = doc.blocks().count();
  doc.setVariable("USERS1", std::string("before"));

  doc.startUndoMark();
  cadhost::SelectionSet set = doc.selectionSets().add("SSSS");
  Point3 a = pt(-1, -1), b = pt(26, 6);
  set.select(SelectMode::Window, &a, &b);
  ASSERT_EQ(set.count(), 3);
  set.erase();
  doc.layers().item("FRAME").setFreeze(true);
  doc.layers().item("0").setLock(true);
  cadhost::Ucs ucs = doc.userCoordinateSystems().add(pt(1, 1), pt(2, 1), pt(1, 2), "QZUCS");
  doc.setActiveUcs(ucs);
  doc.setVariable("CLAYER", std::string("FRAME"));
  doc.setVariable("CECOLOR", std::string("1"));
  doc.setVariable("USERS1", std::string("during"));
  Entity added = ms.addText("new", pt(0, 0), 1);
  ms.item(0).setClosed(true);
  cadhost::Block anon = doc.blocks().add(pt(0, 0), "*U");
  anon.addText("in block", pt(0, 0), 1);
  doc.blocks().item("OLD").erase();
  doc.endUndoMark();

  doc.sendCommand(kUndo);

  EXPECT_EQ(handles(), before);
  EXPECT_HOST_ERROR(added.textString(), Dead);
  EXPECT_FALSE(ms.item(0).closed());
  EXPECT_FALSE(doc.layers().item("FRAME").freeze());
  EXPECT_FALSE(doc.layers().item("0").lock());
  EXPECT_EQ(doc.userCoordinateSystems().count(), 0);
  EXPECT_HOST_ERROR(doc.activeUcs(), NotFound);
  EXPECT_EQ(std::get<std::string>(doc.getVariable("CLAYER")), "0");
  EXPECT_EQ(std::get<std::string>(doc.getVariable("CECOLOR")), "BYLAYER");
  EXPECT_EQ(users1(), "before");
  EXPECT_EQ(doc.blocks().count(), blocks);
  EXPECT_NO_THROW(doc.blocks().item("OLD"));
  EXPECT_HOST_ERROR(anon.name(), Dead);

  // The restored entities are selectable again; selection sets stay as they were.
  set.select(SelectMode::Window, &a, &b);
  EXPECT_EQ(set.count(), 3);
  // New handles never reuse the ones of undone additions.
  EXPECT_NE(ms.addText("later", pt(0, 0), 1).handle(), before.back());

  // Without a completed group "U" changes nothing.
  doc.sendCommand(kUndo);
  EXPECT_EQ(ms.count(), 7);
}

TEST_F(UndoTest, NestedMarksFormOneGroup) {
  doc.startUndoMark();
  ms.item(0).erase();
  doc.startUndoMark();
  ms.item(0).erase();
  doc.endUndoMark();
  doc.endUndoMark();
  EXPECT_EQ(ms.count(), 4);
  doc.sendCommand(kUndo);
  EXPECT_EQ(ms.count(), 6);
}

// Erasing a selection set is taken back as a whole, and only what that erasure took: a member
// erased before the group stays erased.
TEST_F(UndoTest, UndoOfASetErasureRestoresOnlyWhatItErased) {
  const std::vector<std::string> before = handles();
  cadhost::SelectionSet set = doc.selectionSets().add("SSSS");
  Point3 a = pt(-1, -1), b = pt(46, 6);
  set.select(SelectMode::Window, &a, &b);
  ASSERT_EQ(set.count(), 5);
  const std::string first = ms.item(0).handle();
  ms.item(0).erase();  // outside any group: not undone later

  doc.startUndoMark();
  set.erase();
  set.erase();  // an empty set changes nothing
  doc.endUndoMark();
  EXPECT_EQ(ms.count(), 1);

  doc.sendCommand(kUndo);
  const std::vector<std::string> after = handles();
  EXPECT_EQ(after, std::vector<std::string>(before.begin() + 1, before.end()));
  EXPECT_EQ(std::find(after.begin(), after.end(), first), after.end());
  set.select(SelectMode::Window, &a, &b);
  EXPECT_EQ(set.count(), 4);
}

TEST_F(UndoTest, UcsCommandsReturnToTheWorld) {
  cadhost::Ucs ucs = doc.userCoordinateSystems().add(pt(1, 1), pt(2, 1), pt(1, 2), "QX_UCS");
  for (const std::string text : {"ucs W ", "(command \"UCS\" \"W\")\r", "_.UCS _World\r"}) {
    SCOPED_TRACE(text);
    doc.setActiveUcs(ucs);
    doc.sendCommand(text);
    EXPECT_HOST_ERROR(doc.activeUcs(), NotFound);
  }
  EXPECT_HOST_ERROR(doc.sendCommand("ucs 3point "), Unsupported);
  EXPECT_HOST_ERROR(doc.sendCommand("FROBNICATE "), Unsupported);
  EXPECT_HOST_ERROR(doc.sendCommand("(frobnicate 1)"), Unsupported);
  EXPECT_HOST_ERROR(doc.sendCommand("(command \"UCS\" \"W\""), Refused);
}

TEST_F(UndoTest, InsertWithPauseCancelsWithoutPointInput) {
  const std::string block = doc.blocks().add(pt(0, 0), "*U").name();
  doc.blocks().item(block).addLightWeightPolyline({0, 0, 10, 10});
  const std::string text = "(Setvar \"UserS1\" \"失败\")(command \"_insert\" \"" + block +
                           "\" pause 1 1 0)(setvar \"USERS1\" \"成功\" )\r";
  doc.sendCommand(text);
  EXPECT_EQ(users1(), "失败");
  EXPECT_EQ(ms.count(), 6);

  // The application's point input answers the pause; nullopt cancels.
  app->setPointInput([](std::string_view) { return std::optional<Point3>(); });
  doc.setVariable("USERS1", std::string(""));
  doc.sendCommand(text);
  EXPECT_EQ(users1(), "失败");
  EXPECT_EQ(ms.count(), 6);

  app->setPointInput([](std::string_view) { return std::optional<Point3>(pt(300, 400)); });
  doc.sendCommand(text);
  EXPECT_EQ(users1(), "成功");
  ASSERT_EQ(ms.count(), 7);
  Entity ref = ms.item(6);
  EXPECT_EQ(ref.name(), block);
  EXPECT_EQ(ref.insertionPoint(), pt(300, 400));
  EXPECT_EQ(ref.rotation(), 0);

  // Typed points are points of the current UCS; the rotation is in degrees.
  doc.setActiveUcs(doc.userCoordinateSystems().add(pt(10, 0), pt(11, 0), pt(10, 1), "U1"));
  doc.sendCommand("-INSERT " + block + " 5,6 2 2 90 ");
  Entity typed = ms.item(7);
  EXPECT_EQ(typed.insertionPoint(), pt(15, 6));
  EXPECT_EQ(typed.xScaleFactor(), 2);
  EXPECT_NEAR(typed.rotation(), 1.5707963267948966, 1e-12);
}

}  // namespace
