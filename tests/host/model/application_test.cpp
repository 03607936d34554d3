// The application's lifecycle, documents and the failures of stale objects.

#include <filesystem>

#include "host_fixture.h"

namespace {

using namespace hosttest;
using cadhost::Application;
using cadhost::HostError;

TEST(ApplicationLifecycle, RunningInstanceVersionAndQuit) {
  auto app = Application::create();
  EXPECT_EQ(Application::getRunning(), app);
  EXPECT_FALSE(app->version().empty());
  app->setVisible(true);
  app->setWindowState(2);
  EXPECT_TRUE(app->visible());
  EXPECT_EQ(app->windowState(), 2);
  EXPECT_HOST_ERROR(app->activeDocument(), NoDocument);

  cadhost::Document d = app->documents().add();
  app->quit();
  // A held reference stays addressable but every member fails.
  EXPECT_HOST_ERROR(app->version(), Dead);
  EXPECT_HOST_ERROR(app->documents(), Dead);
  EXPECT_HOST_ERROR(d.name(), Dead);
  EXPECT_HOST_ERROR(Application::getRunning(), Dead);
}

TEST_F(HostTest, DocumentsOpenAddCloseAndActive) {
  EXPECT_EQ(app->documents().count(), 1);
  EXPECT_EQ(app->activeDocument(), doc);
  EXPECT_EQ(doc.fullName(), "");
  EXPECT_EQ(doc.name(), "Drawing1.dxf");
  EXPECT_EQ(doc.activeSpace(), 1);

  const std::string path = saveAs(doc, "plan.dxf");
  EXPECT_EQ(doc.fullName(), path);
  EXPECT_EQ(doc.name(), "plan.dxf");

  cadhost::Document second = app->documents().open(path, true);
  EXPECT_TRUE(second.readOnly());
  EXPECT_EQ(app->activeDocument(), second);
  EXPECT_EQ(app->documents().count(), 2);

  // Closing the active drawing makes another open drawing active.
  second.close(false);
  EXPECT_EQ(app->activeDocument(), doc);
  EXPECT_HOST_ERROR(second.name(), Dead);

  app->documents().close(false);
  EXPECT_EQ(app->documents().count(), 0);
  EXPECT_HOST_ERROR(app->activeDocument(), NoDocument);
  EXPECT_HOST_ERROR(doc.modelSpace(), Dead);
}

TEST_F(HostTest, FailedOpenChangesNothing) {
  const std::string missing = tmp.path("missing.dxf");
  try {
    app->documents().open(missing);
    ADD_FAILURE() << "a missing file opened";
  } catch (const HostError& e) {
    EXPECT_NE(std::string(e.what()).find(missing), std::string::npos) << e.what();
  }
  const std::string dwg = tmp.path("real.dwg");
  dxftest::writeBytes(dwg, std::string("AC1032\0\0\0\0binary", 16));
  EXPECT_HOST_ERROR(app->documents().open(dwg), Unsupported);
  const std::string garbage = tmp.path("garbage.dxf");
  dxftest::writeBytes(garbage, "  0\nSECTION\n  2\nENTITIES\n  x\n");
  EXPECT_THROW(app->documents().open(garbage), HostError);

  EXPECT_EQ(app->documents().count(), 1);
  EXPECT_EQ(app->activeDocument(), doc);
}

TEST_F(HostTest, ObjectsOfAClosedDocumentOrErasedEntityFail) {
  cadhost::Block ms = doc.modelSpace();
  cadhost::Entity text = ms.addText("A", pt(0, 0), 2.5);
  cadhost::Entity line = ms.addLightWeightPolyline({0, 0, 10, 0});
  line.erase();
  EXPECT_HOST_ERROR(line.coordinates(), Dead);
  EXPECT_HOST_ERROR(line.erase(), Dead);
  EXPECT_EQ(text.textString(), "A");

  cadhost::SelectionSet set = doc.selectionSets().add("S");
  cadhost::Layer layer = doc.layers().item("0");
  cadhost::Utility util = doc.utility();
  doc.close(false);
  EXPECT_HOST_ERROR(text.textString(), Dead);
  EXPECT_HOST_ERROR(ms.count(), Dead);
  EXPECT_HOST_ERROR(set.count(), Dead);
  EXPECT_HOST_ERROR(layer.freeze(), Dead);
  EXPECT_HOST_ERROR(util.polarPoint(pt(0, 0), 0, 1), Dead);
  EXPECT_HOST_ERROR(doc.getVariable("CLAYER"), Dead);
}

TEST_F(HostTest, SaveWritesNothingErasedAndReadsBack) {
  cadhost::Block ms = doc.modelSpace();
  ms.addText("kept", pt(0, 0), 2.5);
  ms.addText("erased", pt(10, 0), 2.5).erase();
  const std::string path = saveAs(doc, "saved.dxf");
  cadhost::Document again = app->documents().open(path);
  ASSERT_EQ(again.modelSpace().count(), 1);
  EXPECT_EQ(again.modelSpace().item(0).textString(), "kept");
}

}  // namespace
