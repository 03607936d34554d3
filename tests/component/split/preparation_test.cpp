// Drawing preparation through the host: text height, paper size, layer states, and the
// explosion of plain block references.

#include <gtest/gtest.h>

#include <sheetcut/error.h>
#include <tarvik/cad.h>
#include <QDir>
#include <QTemporaryDir>

#include "qstring_printer.h"
#include "split_fixture.h"

namespace tarvik {
namespace {

using namespace splittest;

using PreparationTest = HostedCadTest;

TEST_F(PreparationTest, TextSizeAveragesTheFirstElevenNonBlankTexts) {
  cadhost::Document doc = app->documents().add();
  cad.AcadDoc = doc;
  cadhost::Block ms = doc.modelSpace();
  ms.addText("   ", {0, 0, 0}, 100);  // blank: not counted
  for (int i = 0; i < 11; ++i) ms.addText("x", {0, 10.0 * i, 0}, 2);
  ms.addText("twelfth", {0, 200, 0}, 50);  // beyond the first eleven
  EXPECT_DOUBLE_EQ(cad.GetTextSize(), 2);

  cadhost::Document blank = app->documents().add();
  blank.modelSpace().addText(" ", {0, 0, 0}, 9);
  blank.setVariable("TEXTSIZE", 7.0);
  cad.AcadDoc = blank;
  EXPECT_DOUBLE_EQ(cad.GetTextSize(), 7);

  cad.AcadDoc.reset();
  EXPECT_DOUBLE_EQ(cad.GetTextSize(), 0);  // nothing to measure: the strip count stays
}

TEST_F(PreparationTest, PaperSizeOfTheExtents) {
  writeB(spath("b.dxf"));
  EXPECT_THROW(cad.GetDWGSize(), sheetcut::Error);  // no drawing
  cad.AcadDoc = app->documents().open(spath("b.dxf"));
  EXPECT_EQ(cad.GetDWGSize({}, {}, 1), "A3");  // 420 x 297
  EXPECT_EQ(cad.GetDWGSize({}, {}, 0), "");
}

TEST_F(PreparationTest, LayerStatesArePutBackUpToTheFirstEmptyName) {
  writeB(spath("b.dxf"));
  cadhost::Document doc = app->documents().open(spath("b.dxf"));
  cad.AcadDoc = doc;
  LayerStateTable table(4);
  table[0] = {"FRAME", false, false, true};
  table[1] = {"TITLE", true, true, false};
  table[3] = {"TEXT", false, false, true};  // after the end of the table
  cad.loadLayer(table);
  const auto frame = doc.layers().item("FRAME");
  EXPECT_FALSE(frame.layerOn());
  EXPECT_TRUE(frame.lock());
  EXPECT_TRUE(doc.layers().item("TITLE").freeze());
  EXPECT_TRUE(doc.layers().item("TEXT").layerOn());
  EXPECT_FALSE(doc.layers().item("TEXT").lock());
  table[0].name = "NO SUCH LAYER";
  EXPECT_THROW(cad.loadLayer(table), sheetcut::Error);
}

TEST_F(PreparationTest, DwgInitExplodesOnlyPlainReferences) {
  writeReferences(spath("refs.dxf"));
  ASSERT_TRUE(QDir().mkpath(tmp.path() + "/mods"));
  cad.setModPath(tmp.path() + "/mods");
  cad.NewMod("tpl", tmp.path() + "/refs.dxf", 1);  // a template named like the block TPL
  cadhost::Document doc = app->documents().open(spath("refs.dxf"));
  cad.AcadDoc = doc;
  cad.DwgInit();
  std::map<std::string, int> lines, inserts;
  for (const cadhost::Entity& e : doc.modelSpace().entities()) {
    if (e.dxfType() == "LINE") ++lines[e.layer()];
    if (e.dxfType() == "INSERT") ++inserts[e.name()];
  }
  EXPECT_EQ(lines["TITLE"], 8);  // the parts of the two plain references
  // Attributes, a template name, and a reference that cannot be exploded all stay.
  EXPECT_EQ(inserts, (std::map<std::string, int>{{"ATT", 1}, {"MISSING", 1}, {"TPL", 1}}));
}

}  // namespace
}  // namespace tarvik
