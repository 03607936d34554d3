// Texts of real sheets (the GOST frames of Debian's librecad-data) as python3-ezdxf reads them:
// the contents of every TEXT and MTEXT, escapes that a chunk boundary cuts in two included, and
// the same when the host writes the sheet back; a text whose style the drawing does not define
// reads with the standard style and keeps its own style name in the file.

#include <algorithm>
#include <filesystem>
#include <map>
#include <sstream>

#include "host_fixture.h"

namespace {

using namespace hosttest;
using cadhost::Entity;

constexpr const char* kSheetFolder = "/usr/share/librecad/library/sheets";

// Per text handle of model space: the text as ezdxf reads it (its \U+ escapes decoded, which
// ezdxf leaves as they are in the texts of older versions) and its style name.
const char* kTextsScript = R"(
import re, sys, ezdxf
def decoded(s):
    return re.sub(r'\\[Uu]\+([0-9A-Fa-f]{4})', lambda m: chr(int(m.group(1), 16)), s)
for path in sys.argv[1:]:
    for e in ezdxf.readfile(path).modelspace().query('TEXT MTEXT'):
        text = e.text if e.dxftype() == 'MTEXT' else e.dxf.text
        print(path, e.dxf.handle, e.dxf.style, 'x' + decoded(text).encode('utf-8').hex())
)";

struct TextView {
  std::string style, text;
};
using Texts = std::map<std::string, std::map<std::string, TextView>>;  // file, handle

Texts ezdxfTexts(const std::vector<std::string>& files) {
  std::string script = "import sys\nsys.argv = ['-'";
  for (const std::string& f : files) script.append(", '").append(f).append("'");
  script.append("]\n").append(kTextsScript);
  std::istringstream out(python(script));
  Texts texts;
  std::string file, handle, style, hex;
  while (out >> file >> handle >> style >> hex) {
    std::string text;
    for (std::size_t i = 1; i + 1 < hex.size(); i += 2) {  // after the leading x
      text.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    }
    texts[file][handle] = {style, text};
  }
  return texts;
}

std::vector<std::string> sheetFiles() {
  std::vector<std::string> out;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(kSheetFolder, ec)) {
    if (entry.path().extension() == ".dxf") out.push_back(entry.path().string());
  }
  std::sort(out.begin(), out.end());
  return out;
}

TEST_F(HostTest, SheetTextsReadAsEzdxfReadsThemAndWriteBackSo) {
  const std::vector<std::string> sheets = sheetFiles();
  if (sheets.empty()) {
    GTEST_SKIP() << "the sheets of librecad-data are not installed (" << kSheetFolder << ")";
  }
  std::vector<std::string> copies;
  std::map<std::string, std::map<std::string, std::string>> ours;  // file, handle -> text
  for (const std::string& sheet : sheets) {
    cadhost::Document d = app->documents().open(sheet);
    for (const Entity& e : d.modelSpace().entities()) {
      if (e.dxfType() == "TEXT" || e.dxfType() == "MTEXT") ours[sheet][e.handle()] = e.textString();
    }
    copies.push_back(
        saveAs(d, std::string("copy-").append(std::filesystem::path(sheet).filename().string())));
    ours[copies.back()] = ours[sheet];
    d.close(false);
  }
  std::vector<std::string> all = sheets;
  all.insert(all.end(), copies.begin(), copies.end());
  const Texts theirs = ezdxfTexts(all);
  std::size_t texts = 0, cut = 0;
  for (std::size_t i = 0; i < sheets.size(); ++i) {
    for (const std::string& file : {sheets[i], copies[i]}) {
      const auto found = theirs.find(file);
      const std::size_t n = found == theirs.end() ? 0 : found->second.size();
      ASSERT_EQ(n, ours[file].size()) << file;
      if (n == 0) continue;
      for (const auto& [handle, view] : found->second) {
        EXPECT_EQ(ours[file][handle], view.text) << file << " " << handle;
        // The copy keeps every text's own style name, defined in the drawing or not.
        EXPECT_EQ(view.style, theirs.at(sheets[i]).at(handle).style) << file << " " << handle;
        ++texts;
        if (view.text.find("размеров") != std::string::npos) ++cut;
      }
    }
  }
  EXPECT_GE(texts, 2u * 400);
  // The four sheets whose note has an escape cut in two by a chunk boundary, and their copies.
  EXPECT_EQ(cut, 2u * 4);
}

TEST_F(HostTest, ATextWhoseStyleIsUndefinedReadsWithTheStandardStyle) {
  cadhost::Document d = openDxf("styles.dxf", R"(0 SECTION
2 HEADER
9 $ACADVER
1 AC1015
0 ENDSEC
0 SECTION
2 TABLES
0 TABLE
2 STYLE
70 2
0 STYLE
2 STANDARD
70 0
40 0
41 1
3 txt
0 STYLE
2 Narrow
70 0
40 0
41 0.7
3 txt
0 ENDTAB
0 ENDSEC
0 SECTION
2 ENTITIES
0 MTEXT
5 2A
100 AcDbEntity
8 0
100 AcDbMText
10 0
20 0
40 2.5
7 unicode
1 N\~x
0 TEXT
5 2B
100 AcDbEntity
8 0
100 AcDbText
10 0
20 10
40 2.5
1 a b
7 narrow
100 AcDbText
0 ENDSEC
0 EOF
)");
  const std::vector<Entity> texts = d.modelSpace().entities();
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0].styleName(), "STANDARD");  // as the drawing spells it
  EXPECT_EQ(texts[1].styleName(), "narrow");    // defined: the text's own name
  // What the text is read with can be given to another text.
  Entity scratch = d.modelSpace().addText("N x", pt(0, 0), 2.5);
  scratch.setStyleName(texts[0].styleName());
  EXPECT_EQ(scratch.styleName(), "STANDARD");
  scratch.erase();
  // Written back, the text keeps the name it was read with.
  const std::string copy = saveAs(d, "styles-copy.dxf");
  const std::string script = std::string("import ezdxf\nd = ezdxf.readfile('")
                                 .append(copy)
                                 .append("')\nprint([e.dxf.style for e in d.modelspace()])\n");
  EXPECT_EQ(python(script), "['unicode', 'narrow']\n");

  // A drawing without a standard style has nothing better to read it with.
  cadhost::Document bare = openDxf("bare.dxf", R"(0 SECTION
2 ENTITIES
0 TEXT
8 0
10 0
20 0
40 2.5
7 unicode
1 t
0 ENDSEC
0 EOF
)");
  EXPECT_EQ(bare.modelSpace().entities().front().styleName(), "unicode");
}

}  // namespace
