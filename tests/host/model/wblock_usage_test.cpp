// Wblock writes only what the selection uses: the blocks its entities need (nested ones, the
// blocks of dimensions, arrow blocks of styles and overrides), the table entries they name and
// the entries every drawing holds. Checked on a realistic generated sheet set by an
// independent DXF library (python3-ezdxf), and on drawings changed in the session.

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "host_fixture.h"
#include "sheetgen/sheet_set.h"

namespace {

using namespace hosttest;
using cadhost::Point3;
using cadhost::SelectMode;

// For every child: audit errors, blocks it holds that its entities do not need, blocks they
// need that it lacks, and whether the unused entries of the source came along. The needed
// blocks are found independently of the host: references by name, the blocks of dimensions,
// the arrow blocks of the dimension styles the dimensions use and of their overrides, nested.
constexpr const char* kCheckChildren = R"(
import sys, ezdxf
def needed(doc):
    need, todo = set(), []
    def add(name):
        if name and name.upper() not in need:
            need.add(name.upper())
            todo.append(name)
    def record_name(handle):
        e = doc.entitydb.get(handle)
        return e.dxf.name if e is not None else None
    def dimension(e):
        add(e.dxf.get('geometry'))
        style = doc.dimstyles.get(e.dxf.get('dimstyle', 'Standard'))
        for key in ('dimblk_handle', 'dimblk1_handle', 'dimblk2_handle', 'dimldrblk_handle'):
            h = style.dxf.get(key) if style is not None else None
            if h and h != '0':
                add(record_name(h))
        if e.has_xdata('ACAD'):
            tags = list(e.get_xdata('ACAD'))
            for a, b in zip(tags, tags[1:]):
                if a.code == 1070 and a.value in (341, 342, 343, 344) and b.code == 1005:
                    add(record_name(b.value))
    def scan(entities):
        for e in entities:
            if e.dxftype() == 'INSERT':
                add(e.dxf.name)
            elif e.dxftype() == 'DIMENSION':
                dimension(e)
    scan(doc.modelspace())
    while todo:
        scan(doc.blocks.get(todo.pop()))
    return need
total = 0
for path in sys.argv[1:]:
    doc = ezdxf.readfile(path)
    need = needed(doc)
    have = {b.name.upper() for b in doc.blocks if not b.block_record.is_any_layout}
    errors = len(doc.audit().errors)
    print(path.rsplit('/', 1)[-1], 'errors', errors, 'extra', sorted(have - need),
          'missing', sorted(need - have), 'dims', len(doc.modelspace().query('DIMENSION')),
          'unused', [n for n in ('OLD-UNUSED',) if n in doc.layers] +
          [n for n in ('HIDDEN-UNUSED',) if n in doc.linetypes])
)";

class WblockUsageTest : public HostTest {};

TEST_F(WblockUsageTest, ChildrenOfARealisticSheetSetCarryOnlyWhatTheyUse) {
  sheetgen::Options options = sheetgen::Options::realistic(5);
  options.dimensionsPerFrame = 30;
  options.fillerPerFrame = 60;
  const std::string src = tmp.path("sheets.dxf");
  const sheetgen::SheetSet sheets = sheetgen::writeSheetSetFile(src, options);
  const int perFrame = sheetgen::entitiesPerFrame(options);

  cadhost::Document source = app->documents().open(src);
  const int blocksBefore = source.blocks().count();
  cadhost::SelectionSet set = source.selectionSets().add("SSSS");
  std::uintmax_t childBytes = 0;
  source.startUndoMark();
  for (int i = 0; i < options.frames; ++i) {
    const sheetgen::Rect& r = sheets.frames[i];
    Point3 a = pt(r.minX, r.minY), b = pt(r.maxX, r.maxY);
    set.select(SelectMode::Window, &a, &b);
    ASSERT_EQ(set.count(), perFrame) << i;
    const std::string child = tmp.path(sheets.numbers[i] + ".dxf");
    source.wblock(child, set);
    set.erase();
    childBytes += std::filesystem::file_size(child);
  }
  source.endUndoMark();

  // Together the children are not much larger than the source.
  EXPECT_LE(childBytes, std::filesystem::file_size(src) * 3 / 2);

  std::string script = "import sys\nsys.argv = ['check'";
  for (int i = 0; i < options.frames; ++i)
    script += ", '" + tmp.path(sheets.numbers[i] + ".dxf") + "'";
  script += "]\n";
  script += kCheckChildren;
  const std::string out = python(script);
  for (int i = 0; i < options.frames; ++i) {
    SCOPED_TRACE(i);
    const std::string line = sheets.numbers[i] + ".dxf errors 0 extra [] missing [] dims " +
                             std::to_string(options.dimensionsPerFrame) + " unused []";
    EXPECT_NE(out.find(line), std::string::npos) << out;
  }

  // The whole drawing, saved after the split is taken back, keeps everything.
  source.sendCommand("(command \"U\" )\r");
  EXPECT_EQ(source.blocks().count(), blocksBefore);
  const std::string saved = tmp.path("saved.dxf");
  source.saveAs(saved);
  const std::string whole = python(
      "import ezdxf\n"
      "doc = ezdxf.readfile('" +
      saved +
      "')\n"
      "print('blocks', len(doc.blocks), 'legend', 'LEGEND-OLD' in doc.blocks,\n"
      "      'layer', 'OLD-UNUSED' in doc.layers, 'errors', len(doc.audit().errors))\n");
  EXPECT_NE(
      whole.find("blocks " + std::to_string(blocksBefore) + " legend True layer True errors 0"),
      std::string::npos)
      << whole;
}

}  // namespace

// Names of the blocks a child holds, in order.
std::vector<std::string> blockNames(cadhost::Document& d) {
  std::vector<std::string> names;
  for (int i = 0; i < d.blocks().count(); ++i) names.push_back(d.blocks().item(i).name());
  return names;
}

bool holds(const std::vector<std::string>& names, const std::string& name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

// Blocks defined, used and deleted during the session are found by the next Wblock, in a new
// drawing and in an R12 drawing (no handles, no block records: blocks by name only).
TEST_F(WblockUsageTest, BlocksChangedInTheSessionAreFoundByTheNextWblock) {
  for (const bool r12 : {false, true}) {
    SCOPED_TRACE(r12 ? "R12" : "R2018");
    cadhost::Document d = r12 ? openDxf("r12.dxf", kEmptyR12Drawing) : doc;
    cadhost::Block ms = d.modelSpace();
    d.blocks().add(pt(0, 0), "INNER").addText("in", pt(0, 0), 1);
    cadhost::Block outer = d.blocks().add(pt(0, 0), "OUTER");
    outer.insertBlock(pt(1, 1), "INNER", 1, 1, 1, 0);
    d.blocks().add(pt(0, 0), "IDLE").addText("idle", pt(0, 0), 1);
    ms.insertBlock(pt(10, 10), "OUTER", 1, 1, 1, 0);
    cadhost::SelectionSet set = d.selectionSets().add(r12 ? "R12" : "NEW");
    set.select(SelectMode::All);
    const std::string first = tmp.path(r12 ? "r12-first.dxf" : "first.dxf");
    d.wblock(first, set);

    // A block defined after the first Wblock, and the one it replaces deleted.
    d.blocks().add(pt(0, 0), "LATER").addText("later", pt(0, 0), 1);
    ms.insertBlock(pt(50, 50), "LATER", 1, 1, 1, 0);
    d.blocks().item("IDLE").erase();
    set.clear();
    set.select(SelectMode::All);
    const std::string second = tmp.path(r12 ? "r12-second.dxf" : "second.dxf");
    d.wblock(second, set);

    cadhost::Document a = app->documents().open(first, true);
    std::vector<std::string> names = blockNames(a);
    EXPECT_TRUE(holds(names, "OUTER"));
    EXPECT_TRUE(holds(names, "INNER"));  // nested
    EXPECT_FALSE(holds(names, "IDLE"));
    EXPECT_EQ(a.modelSpace().count(), 1);
    a.close(false);
    cadhost::Document b = app->documents().open(second, true);
    names = blockNames(b);
    EXPECT_TRUE(holds(names, "LATER"));
    EXPECT_TRUE(holds(names, "INNER"));
    EXPECT_EQ(b.modelSpace().count(), 2);
    b.close(false);
  }

  // The independent reader finds the new drawing's children sound.
  const std::string out = python(
      "import ezdxf\n"
      "for name in ('first', 'second'):\n"
      "    doc = ezdxf.readfile('" +
      tmp.path("") +
      "' + name + '.dxf')\n"
      "    print(name, 'errors', len(doc.audit().errors))\n");
  EXPECT_NE(out.find("first errors 0\nsecond errors 0"), std::string::npos) << out;
}

// Table entries added between two Wblocks (a layer, a text style, a UCS defined for a frame, as
// the analysis does for each frame) are found by the next one, with the blocks found before.
TEST_F(WblockUsageTest, TableEntriesAddedInTheSessionAreFoundByTheNextWblock) {
  cadhost::Block ms = doc.modelSpace();
  doc.blocks().add(pt(0, 0), "MARK").addText("m", pt(0, 0), 1);
  ms.insertBlock(pt(10, 10), "MARK", 1, 1, 1, 0);
  cadhost::SelectionSet set = doc.selectionSets().add("TABLES");
  set.select(SelectMode::All);
  doc.wblock(tmp.path("before.dxf"), set);

  for (int i = 0; i < 3; ++i) {
    doc.userCoordinateSystems().add(pt(i, 0), pt(i + 1, 0), pt(i, 1), "FRAME_UCS");
  }
  doc.setActiveLayer(doc.layers().add("LATER"));
  ms.addText("on a new layer", pt(20, 20), 2.5);
  ms.insertBlock(pt(30, 30), "MARK", 1, 1, 1, 0);
  set.clear();
  set.select(SelectMode::All);
  doc.wblock(tmp.path("after.dxf"), set);

  cadhost::Document after = app->documents().open(tmp.path("after.dxf"), true);
  EXPECT_NO_THROW(after.layers().item("LATER"));
  EXPECT_TRUE(holds(blockNames(after), "MARK"));
  EXPECT_EQ(after.modelSpace().count(), 3);
  after.close(false);
  // The layer entry itself is in the file (a reader may make up a missing layer on its own).
  const std::string out = python("import ezdxf\ndoc = ezdxf.readfile('" + tmp.path("after.dxf") +
                                 "')\nprint('layer', 'LATER' in doc.layers)\n"
                                 "print('errors', len(doc.audit().errors))\n");
  EXPECT_NE(out.find("layer True\nerrors 0"), std::string::npos) << out;
}

// What one frame of an independent library's drawing leaves behind: the other frame's image
// (the shared image definition keeps only the reactor of the written image), its dimension
// with its overriding arrow block and its dimension style.
TEST_F(WblockUsageTest, WhatOtherFramesUseStaysOutAndPointersToItArePruned) {
  const std::string src = tmp.path("images.dxf");
  python(R"(
import ezdxf
doc = ezdxf.new('R2018', setup=True)
msp = doc.modelspace()
imagedef = doc.add_image_def(filename='plan.png', size_in_pixel=(640, 480))
msp.add_image(imagedef, insert=(10, 10), size_in_units=(6.4, 4.8))
msp.add_image(imagedef, insert=(310, 10), size_in_units=(6.4, 4.8))
msp.add_linear_dim(base=(20, 60), p1=(10, 50), p2=(40, 50)).render()
msp.add_linear_dim(base=(320, 60), p1=(310, 50), p2=(340, 50), dimstyle='EZ_M_100_H25_CM',
                   override={'dimblk': ezdxf.ARROWS.dot}).render()
doc.saveas(')" +
         src + R"(')
)");
  cadhost::Document source = app->documents().open(src);
  cadhost::SelectionSet set = source.selectionSets().add("SSSS");
  Point3 a = pt(0, 0), b = pt(100, 100);
  set.select(SelectMode::Window, &a, &b);
  ASSERT_EQ(set.count(), 2);
  const std::string child = tmp.path("left.dxf");
  source.wblock(child, set);

  const std::string out = python(
      "import ezdxf\n"
      "doc = ezdxf.readfile('" +
      child +
      "')\n"
      "imagedef = doc.objects.query('IMAGEDEF')[0]\n"
      "reactors = [doc.entitydb.get(h) for h in imagedef.get_reactors()]\n"
      "print('reactors', sorted(r.dxftype() for r in reactors if r is not None),\n"
      "      'dangling', sum(1 for r in reactors if r is None))\n"
      "print('dot', '_DOT' in doc.blocks, 'style', 'EZ_M_100_H25_CM' in doc.dimstyles)\n"
      "print('dims', len(doc.modelspace().query('DIMENSION')),\n"
      "      'blocks', sum(1 for b in doc.blocks if b.name.startswith('*D')))\n"
      "print('errors', len(doc.audit().errors))\n");
  EXPECT_NE(out.find("reactors ['DICTIONARY', 'IMAGEDEF_REACTOR'] dangling 0"), std::string::npos)
      << out;
  EXPECT_NE(out.find("dot False style False"), std::string::npos) << out;
  EXPECT_NE(out.find("dims 1 blocks 1"), std::string::npos) << out;
  EXPECT_NE(out.find("errors 0"), std::string::npos) << out;
}

// A child keeps the arrow blocks that its dimension style and header name, whether the source
// names them by handle (R2000) or only by name (R12, where the predefined arrow "ARCHTICK" is
// the block "_ARCHTICK"); arrows that nothing in the child names stay out.
TEST_F(WblockUsageTest, ArrowBlocksNamedByStyleOrHeaderComeAlongInEveryVersion) {
  for (const char* version : {"R12", "R2000"}) {
    SCOPED_TRACE(version);
    const std::string src = tmp.path(std::string(version) + "-arrows.dxf");
    const std::string child = tmp.path(std::string(version) + "-child.dxf");
    python(std::string(R"(
import ezdxf
doc = ezdxf.new(')") +
           version + R"(')
doc.blocks.new('MYARROW').add_line((0, 0), (1, 1))
style = doc.dimstyles.new('ARCH')
style.set_arrows(blk='ARCHTICK', blk1='MYARROW', blk2='DOT')
doc.dimstyles.new('OTHER').set_arrows(blk='OPEN30')
doc.header['$DIMSTYLE'] = 'ARCH'
doc.header['$DIMBLK'] = 'OBLIQUE'
doc.acquire_arrow('OBLIQUE')
doc.modelspace().add_line((0, 0), (10, 0))
doc.saveas(')" +
           src + R"(')
)");
    cadhost::Document source = app->documents().open(src);
    cadhost::SelectionSet set = source.selectionSets().add("SSSS");
    set.select(SelectMode::All);
    ASSERT_EQ(set.count(), 1);
    source.wblock(child, set);
    source.close(false);

    const std::string out = python("import ezdxf\ndoc = ezdxf.readfile('" + child +
                                   "')\n"
                                   "print('style', doc.dimstyles.has_entry('ARCH'),\n"
                                   "      'blocks', sorted(b.name for b in doc.blocks\n"
                                   "                       if not b.name.startswith('*')))\n"
                                   "print('errors', len(doc.audit().errors))\n");
    EXPECT_NE(out.find("style True blocks ['MYARROW', '_ARCHTICK', '_DOT', '_OBLIQUE']"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("errors 0"), std::string::npos) << out;
  }
}
