// An independent check: python3-ezdxf reads what the host writes (R12, R2000 GBK, R2010 UTF-8,
// binary, a new drawing) and its audit finds no error; entity counts and texts match ours.
// And files that ezdxf writes read here as ezdxf reads them.

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

#include "dxf/dxf_io.h"
#include "dxf_test_support.h"
#include "model/tags.h"
#include "sheetgen/sheet_set.h"

namespace {

namespace dxf = cadhost::dxf;
using cadhost::model::Drawing;
using cadhost::model::Object;

// What ezdxf sees in a file: audit errors, model-space entity count, texts in entity order.
struct EzdxfView {
  int errors = -1;
  size_t entities = 0;
  std::vector<std::string> texts;
  std::string problems;  // audit messages, for failure output
};

// The texts the host holds, in the order the script below lists them.
std::vector<std::string> hostTexts(const Drawing& d) {
  std::vector<std::string> texts;
  for (const Object& e : d.entities) {
    std::string_view type = cadhost::model::typeOf(e);
    if (type == "TEXT") {
      texts.push_back(cadhost::model::findTag(e.tags, 1)->value);
    } else if (type == "MTEXT") {
      std::string all;
      for (const auto& t : e.tags)
        if (t.code == 3 || t.code == 1) all += t.value;
      texts.push_back(all);
    }
    for (const Object& s : e.subs)
      if (cadhost::model::typeOf(s) == "ATTRIB")
        texts.push_back(cadhost::model::findTag(s.tags, 1)->value);
  }
  return texts;
}

const char* kViewScript = R"(
import re, sys, ezdxf
# ezdxf leaves \U+XXXX escapes in the texts of older versions; the host decodes them.
def plain(s):
    return re.sub(r'\\[Uu]\+([0-9A-Fa-f]{4})', lambda m: chr(int(m.group(1), 16)), s)
doc = ezdxf.readfile(sys.argv[1])
auditor = doc.audit()
print('errors', len(auditor.errors))
for e in auditor.errors:
    print('problem', e.message)
msp = doc.modelspace()
print('entities', len(msp))
for e in msp:
    t = e.dxftype()
    if t == 'TEXT':
        print('text', plain(e.dxf.text))
    elif t == 'MTEXT':
        print('text', plain(e.text))
    if t == 'INSERT':
        for a in e.attribs:
            print('text', plain(a.dxf.text))
)";

EzdxfView ezdxfView(const std::string& path) {
  int exitCode = 0;
  std::string script = std::string("import sys\nsys.argv = ['', '") + path + "']\n" + kViewScript;
  std::string out = dxftest::runPython(script, exitCode);
  EzdxfView view;
  if (exitCode != 0) {
    view.problems = out;
    return view;
  }
  std::istringstream lines(out);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.starts_with("errors ")) view.errors = std::stoi(line.substr(7));
    if (line.starts_with("problem ")) view.problems += line + "\n";
    if (line.starts_with("entities ")) view.entities = std::stoul(line.substr(9));
    if (line.starts_with("text ")) view.texts.push_back(line.substr(5));
  }
  return view;
}

void expectEzdxfAgrees(const std::string& path, const Drawing& ours) {
  EzdxfView view = ezdxfView(path);
  EXPECT_EQ(view.errors, 0) << path << "\n" << view.problems;
  EXPECT_EQ(view.entities, ours.entities.size()) << path;
  EXPECT_EQ(view.texts, hostTexts(ours)) << path;
}

void runPythonOrFail(const std::string& script) {
  int exitCode = 0;
  std::string out = dxftest::runPython(script, exitCode);
  ASSERT_EQ(exitCode, 0) << out;
}

TEST(DxfEzdxfCheck, EveryKindOfFileWeWritePassesItsAudit) {
  dxftest::TempDir dir;

  Drawing fresh = dxf::newDrawing();
  dxf::writeDxfFile(fresh, dir.path("new.dxf"));
  expectEzdxfAgrees(dir.path("new.dxf"), fresh);

  for (const char* version : {"AC1015", "AC1024"}) {
    sheetgen::Options options;
    options.frames = 3;
    options.version = version;
    options.fillerPerFrame = 12;
    std::string path = dir.path(std::string("sheets-") + version + ".dxf");
    sheetgen::writeSheetSetFile(path, options);
    Drawing d = dxf::readDxfFile(path);
    ASSERT_EQ(d.entities.size(), 3u * (sheetgen::kFixedEntitiesPerFrame + 12));
    // Our reader and writer give back the generated file unchanged; ezdxf reads it alike.
    EXPECT_EQ(dxf::writeDxf(d), dxftest::readBytes(path));
    expectEzdxfAgrees(path, d);

    // The same drawing in binary form.
    d.binary = true;
    std::string binaryPath = dir.path(std::string("sheets-") + version + ".bin.dxf");
    dxf::writeDxfFile(d, binaryPath);
    expectEzdxfAgrees(binaryPath, d);
  }

  // An R12 drawing in GBK, made by ezdxf, changed by us and written back.
  std::string r12 = dir.path("r12.dxf");
  runPythonOrFail(
      "import ezdxf\ndoc = ezdxf.new('R12')\ndoc.encoding = 'cp936'\n"
      "msp = doc.modelspace()\nmsp.add_text('图号 A123-B567-08')\n"
      "msp.add_polyline2d([(0, 0), (10, 0), (10, 5)])\n"
      "b = doc.blocks.new('TB')\nb.add_attdef('NO', (0, 0))\n"
      "msp.add_blockref('TB', (5, 5)).add_attrib('NO', '第1张', (0, 0))\n"
      "doc.saveas('" +
      r12 +
      "')\n"
      "data = open('" +
      r12 +
      "', 'rb').read().replace(b'ANSI_1252', b'ANSI_936')\n"
      "open('" +
      r12 + "', 'wb').write(data)\n");
  Drawing d12 = dxf::readDxfFile(r12);
  ASSERT_EQ(d12.version, "AC1009");
  ASSERT_EQ(hostTexts(d12), (std::vector<std::string>{"图号 A123-B567-08", "第1张"}));
  EXPECT_EQ(d12.entities[1].subs.size(), 4u);  // three vertices and SEQEND
  cadhost::model::setTag(d12.entities[0].tags, 1, "图号 改");
  std::string r12Out = dir.path("r12-out.dxf");
  dxf::writeDxfFile(d12, r12Out);
  expectEzdxfAgrees(r12Out, d12);
}

TEST(DxfEzdxfCheck, FilesEzdxfWritesReadAsEzdxfReadsThem) {
  dxftest::TempDir dir;
  std::string prefix = dir.path("ez");
  runPythonOrFail(
      "import ezdxf\nfor v in ('R2000', 'R2010', 'R2018'):\n"
      "    doc = ezdxf.new(v)\n    msp = doc.modelspace()\n"
      "    msp.add_text('图号 A123')\n    msp.add_mtext('多行\\\\P文字')\n"
      "    msp.add_lwpolyline([(0, 0), (3, 3)])\n"
      "    msp.add_polyline3d([(0, 0, 0), (1, 1, 1)])\n"
      "    doc.saveas('" +
      prefix +
      "-' + v + '.dxf')\n"
      "    doc.saveas('" +
      prefix + "-' + v + '.bin.dxf', fmt='bin')\n");
  for (const char* v : {"R2000", "R2010", "R2018"}) {
    for (const char* form : {".dxf", ".bin.dxf"}) {
      std::string path = prefix + "-" + v + form;
      Drawing d = dxf::readDxfFile(path);
      EXPECT_EQ(d.binary, std::string(form) == ".bin.dxf");
      expectEzdxfAgrees(path, d);
      // R2010 and later: UTF-8 text, so the file comes back byte for byte (ezdxf writes
      // lower-case \U+ escapes in older versions, which we write in upper case).
      if (std::string(v) != "R2000") {
        EXPECT_EQ(dxf::writeDxf(d), dxftest::readBytes(path)) << path;
      }
    }
  }
}

TEST(DxfEzdxfCheck, GeneratedFramesAreWhereTheGeneratorSays) {
  sheetgen::Options options;
  options.frames = 5;
  options.columns = 2;
  sheetgen::SheetSet set = sheetgen::generateSheetSet(options);
  ASSERT_EQ(set.frames.size(), 5u);
  size_t border = 0;
  for (const Object& e : set.drawing.entities) {
    if (cadhost::model::typeOf(e) != "LWPOLYLINE" ||
        cadhost::model::findTag(e.tags, 8)->value != "FRAME")
      continue;
    ASSERT_LT(border, set.frames.size());
    const sheetgen::Rect& r = set.frames[border];
    EXPECT_EQ(cadhost::model::tagDouble(e.tags, 10, 0, 0), r.minX);
    EXPECT_EQ(cadhost::model::tagDouble(e.tags, 20, 0, 0), r.minY);
    EXPECT_EQ(cadhost::model::tagDouble(e.tags, 10, 0, 2), r.maxX);
    EXPECT_EQ(cadhost::model::tagDouble(e.tags, 20, 0, 2), r.maxY);
    ++border;
  }
  EXPECT_EQ(border, 5u);
  EXPECT_EQ(set.frames[1].minX, options.width + options.gap);
  EXPECT_EQ(set.frames[2].maxY, -options.gap);
  std::vector<std::string> texts = hostTexts(set.drawing);
  for (const std::string& number : set.numbers)
    EXPECT_NE(std::find(texts.begin(), texts.end(), number), texts.end()) << number;
  EXPECT_EQ(set.numbers[0], "A100-B500-00");
}

}  // namespace
