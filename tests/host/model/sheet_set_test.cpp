// A generated sheet set split frame by frame, as the split engine does it: every frame selected
// by window, its drawing number found by a filter, written by Wblock and erased.

#include "sheetgen/sheet_set.h"
#include "host_fixture.h"

namespace {

using namespace hosttest;
using cadhost::FilterItem;
using cadhost::SelectMode;

class SheetSetTest : public HostTest {};

TEST_F(SheetSetTest, EveryFrameIsSelectedNamedAndWrittenWhole) {
  sheetgen::Options options;
  options.frames = 6;
  options.version = "AC1015";  // R2000, GBK text
  options.fillerPerFrame = 30;
  const std::string path = tmp.path("sheets.dxf");
  sheetgen::SheetSet sheets = sheetgen::writeSheetSetFile(path, options);
  const int perFrame = sheetgen::kFixedEntitiesPerFrame + options.fillerPerFrame;

  cadhost::Document source = app->documents().open(path);
  ASSERT_EQ(source.modelSpace().count(), perFrame * options.frames);
  cadhost::SelectionSet frame = source.selectionSets().add("SSSS");
  cadhost::SelectionSet number = source.selectionSets().add("BlkSS");
  source.startUndoMark();
  for (int i = 0; i < options.frames; ++i) {
    SCOPED_TRACE(i);
    const sheetgen::Rect& r = sheets.frames[i];
    cadhost::Point3 a = pt(r.minX, r.minY), b = pt(r.maxX, r.maxY);
    number.clear();
    number.select(
        SelectMode::Crossing, &a, &b,
        {FilterItem{0, std::string("TEXT,MTEXT")}, FilterItem{1, std::string("@###-@###-##")}});
    ASSERT_EQ(number.count(), 1);
    EXPECT_EQ(number.item(0).textString(), sheets.numbers[i]);

    frame.select(SelectMode::Window, &a, &b);
    EXPECT_EQ(frame.count(), perFrame);
    const std::string child = tmp.path(sheets.numbers[i] + ".dxf");
    source.wblock(child, frame);
    frame.erase();

    cadhost::Document written = app->documents().open(child, true);
    EXPECT_EQ(written.modelSpace().count(), perFrame);
    EXPECT_EQ(std::get<std::string>(written.getVariable("ACADVER")), "AC1015");
    written.close(false);
  }
  source.endUndoMark();
  EXPECT_EQ(source.modelSpace().count(), 0);
  source.sendCommand("(command \"U\" )\r");
  EXPECT_EQ(source.modelSpace().count(), perFrame * options.frames);

  // The independent check reads a GBK child with its Chinese texts.
  int code = -1;
  const std::string out = dxftest::runPython(
      "import ezdxf\n"
      "doc = ezdxf.readfile('" +
          tmp.path(sheets.numbers[0] + ".dxf") +
          "')\n"
          "print('errors', len(doc.audit().errors))\n"
          "print('entities', len(doc.modelspace()))\n",
      code);
  EXPECT_EQ(code, 0) << out;
  EXPECT_NE(out.find("errors 0"), std::string::npos) << out;
  EXPECT_NE(out.find("entities " + std::to_string(perFrame)), std::string::npos) << out;
}

}  // namespace
