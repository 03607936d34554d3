// Reading and writing back: byte for byte for standard-layout files, tag for tag for untouched
// objects, chains grouped with their owner, binary and R12 forms, handles.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include "dxf/dxf_io.h"
#include "dxf/tag_source.h"
#include "dxf_test_support.h"
#include "model/tags.h"

namespace {

using cadhost::model::Drawing;
using cadhost::model::Object;
using cadhost::model::SectionKind;
namespace dxf = cadhost::dxf;

// An R2000 drawing in the GBK code page: header, a layer table, a block with an attribute
// definition, a text, a polyline with vertices, a reference with attributes, a dictionary,
// and a thumbnail section that the host does not interpret.
const std::string kR2000 = std::string(R"(0 SECTION
2 HEADER
9 $ACADVER
1 AC1015
9 $DWGCODEPAGE
3 ANSI_936
9 $HANDSEED
5 1F0
9 $EXTMIN
10 0.0
20 0.0
30 0.0
0 ENDSEC
0 SECTION
2 TABLES
0 TABLE
2 LAYER
5 2
330 0
100 AcDbSymbolTable
70 1
0 LAYER
5 10
330 2
100 AcDbSymbolTableRecord
100 AcDbLayerTableRecord
2 )") + "\xCD\xBC\xBF\xF2" +
                           R"(
70 0
62 7
6 Continuous
0 ENDTAB
0 ENDSEC
0 SECTION
2 BLOCKS
0 BLOCK
5 20
8 0
2 TB
70 2
10 0.0
20 0.0
30 0.0
3 TB
0 ATTDEF
5 21
8 0
10 1.0
20 2.0
30 0.0
40 2.5
1 )" + "\xCD\xBC\xC3\xFB" + R"(
3 PROMPT
2 NAME
70 0
0 ENDBLK
5 22
8 0
0 ENDSEC
0 SECTION
2 ENTITIES
0 TEXT
5 100
330 1F
100 AcDbEntity
8 0
100 AcDbText
10 1.5
20 2.25
30 0.0
40 3.5
1 )" + "\xD6\xD0\xCE\xC4 A123-B567-08" +
                           R"(
100 AcDbText
0 POLYLINE
5 101
8 0
66 1
10 0.0
20 0.0
30 0.0
70 1
0 VERTEX
5 102
8 0
10 1.0
20 1.0
30 0.0
0 VERTEX
5 103
8 0
10 2.0
20 0.0
30 0.0
0 SEQEND
5 104
8 0
0 INSERT
5 105
8 0
66 1
2 TB
10 5.0
20 5.0
30 0.0
0 ATTRIB
5 106
8 0
10 6.0
20 7.0
30 0.0
40 2.5
1 )" + "\xD6\xB5" + R"(
2 NAME
70 0
0 SEQEND
5 107
8 0
0 LINE
5 108
8 0
10 0.0
20 0.0
30 0.0
11 9.0
21 9.0
31 0.0
0 ENDSEC
0 SECTION
2 OBJECTS
0 DICTIONARY
5 C
330 0
100 AcDbDictionary
3 ACAD_GROUP
350 D
0 ENDSEC
0 SECTION
2 THUMBNAILIMAGE
90 4
310 0A0B0C0D
0 ENDSEC
0 EOF
)";

TEST(DxfRoundTrip, StandardLayoutFileComesBackByteForByte) {
  for (const char* eol : {"\n", "\r\n"}) {
    std::string bytes = dxftest::dxfText(kR2000, eol);
    Drawing d = dxf::readDxf(bytes, "r2000.dxf");
    EXPECT_EQ(d.crlf, std::string(eol) == "\r\n");
    EXPECT_EQ(dxf::writeDxf(d), bytes) << "line ends " << (d.crlf ? "CRLF" : "LF");
  }
  // A byte order mark is kept too.
  std::string withBom = "\xEF\xBB\xBF" + dxftest::dxfText(kR2000);
  EXPECT_EQ(dxf::writeDxf(dxf::readDxf(withBom, "bom.dxf")), withBom);
}

TEST(DxfRoundTrip, SectionsTablesBlocksAndChainsAreParsed) {
  Drawing d = dxf::readDxf(dxftest::dxfText(kR2000), "r2000.dxf");
  EXPECT_EQ(d.version, "AC1015");
  EXPECT_EQ(d.codepage, "ANSI_936");
  ASSERT_EQ(d.sectionOrder.size(), 6u);
  EXPECT_EQ(d.sectionOrder[0], SectionKind::Header);
  EXPECT_EQ(d.sectionOrder[5], SectionKind::Raw);
  ASSERT_EQ(d.raw.size(), 1u);
  EXPECT_EQ(d.raw[0].name, "THUMBNAILIMAGE");
  EXPECT_EQ(d.raw[0].tags.size(), 2u);

  ASSERT_EQ(d.tables.size(), 1u);
  EXPECT_EQ(d.tables[0].name, "LAYER");
  ASSERT_EQ(d.tables[0].entries.size(), 1u);
  EXPECT_EQ(cadhost::model::findTag(d.tables[0].entries[0].tags, 2)->value, "图框");

  ASSERT_EQ(d.blocks.size(), 1u);
  EXPECT_EQ(cadhost::model::typeOf(d.blocks[0].begin), "BLOCK");
  ASSERT_EQ(d.blocks[0].entities.size(), 1u);
  EXPECT_EQ(cadhost::model::typeOf(d.blocks[0].end), "ENDBLK");

  // TEXT, POLYLINE (+2 VERTEX + SEQEND), INSERT (+ATTRIB + SEQEND), LINE.
  ASSERT_EQ(d.entities.size(), 4u);
  const Object& pline = d.entities[1];
  ASSERT_EQ(pline.subs.size(), 3u);
  EXPECT_EQ(cadhost::model::typeOf(pline.subs[0]), "VERTEX");
  EXPECT_EQ(cadhost::model::typeOf(pline.subs[2]), "SEQEND");
  const Object& insert = d.entities[2];
  ASSERT_EQ(insert.subs.size(), 2u);
  EXPECT_EQ(cadhost::model::findTag(insert.subs[0].tags, 1)->value, "值");
  EXPECT_TRUE(d.entities[3].subs.empty());
  EXPECT_EQ(d.objects.size(), 1u);
}

TEST(DxfRoundTrip, UntouchedObjectsAreWrittenBackTagForTag) {
  Drawing original = dxf::readDxf(dxftest::dxfText(kR2000), "r2000.dxf");
  Drawing changed = original;
  cadhost::model::setTag(changed.entities[3].tags, 11, cadhost::model::formatDouble(12.125));
  changed.entities[0].tags.push_back({62, "1"});

  Drawing back = dxf::readDxf(dxf::writeDxf(changed), "changed.dxf");
  EXPECT_EQ(back.entities, changed.entities);
  EXPECT_EQ(cadhost::model::tagDouble(back.entities[3].tags, 11), 12.125);
  // Everything else is as it was read.
  EXPECT_EQ(back.header, original.header);
  EXPECT_EQ(back.tables, original.tables);
  EXPECT_EQ(back.blocks, original.blocks);
  EXPECT_EQ(back.entities[1], original.entities[1]);
  EXPECT_EQ(back.entities[2], original.entities[2]);
  EXPECT_EQ(back.objects, original.objects);
  EXPECT_EQ(back.raw, original.raw);
}

// Every tag of a source as "position code value" lines.
std::string allTags(dxf::TagSource& source) {
  std::string out;
  dxf::RawTag t;
  while (source.next(t))
    out += std::to_string(t.position) + " " + std::to_string(t.code) + " " + std::string(t.value) +
           "\n";
  return out;
}

TEST(DxfRoundTrip, FilesAreStreamedInBlocksAsInMemory) {
  // A byte order mark, CR LF line ends, a value longer than the blocks, no final line end.
  std::string bytes = "\xEF\xBB\xBF" + dxftest::dxfText(kR2000, "\r\n");
  bytes.insert(bytes.find("A123-B567-08"), std::string(300, 'x'));
  bytes.resize(bytes.size() - 2);
  dxftest::TempDir dir;
  std::string path = dir.path("streamed.dxf");
  dxftest::writeBytes(path, bytes);

  auto inMemory = dxf::asciiSource(bytes, "streamed.dxf");
  std::string expected = allTags(*inMemory);
  ASSERT_NE(expected.find(std::string(300, 'x')), std::string::npos);
  for (size_t block : {16, 33, 100, 4096}) {
    int fd = ::open(path.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    auto streamed = dxf::asciiFileSource(fd, path, block);
    EXPECT_EQ(allTags(*streamed), expected) << "block " << block;
    EXPECT_TRUE(dxf::layoutOf(*streamed).crlf);
    EXPECT_TRUE(dxf::layoutOf(*streamed).bom);
    ::close(fd);
  }
  EXPECT_EQ(dxf::readDxfFile(path), dxf::readDxf(bytes, path));

  // A blank last line that starts a new block is the end of the file, as in memory.
  const std::string blankLast = "999\n" + std::string(10, 'c') + "\n\n";
  dxftest::writeBytes(path, blankLast);
  int fd = ::open(path.c_str(), O_RDONLY);
  ASSERT_GE(fd, 0);
  auto streamed = dxf::asciiFileSource(fd, path, blankLast.size());
  EXPECT_EQ(allTags(*streamed), allTags(*dxf::asciiSource(blankLast, path)));
  ::close(fd);
}

TEST(DxfRoundTrip, LooseLayoutIsReadAndWrittenInTheStandardLayout) {
  // Group codes not right-aligned, trailing blanks after codes, R12 style integer values.
  std::string loose =
      "0\nSECTION\n2\nENTITIES\n0  \nLINE\n8\nWALLS\n62 \n     1\n10\n1\n20\n2\n11\n3\n21\n4\n"
      "0\nENDSEC\n0\nEOF";
  Drawing d = dxf::readDxf(loose, "loose.dxf");
  ASSERT_EQ(d.entities.size(), 1u);
  EXPECT_EQ(cadhost::model::findTag(d.entities[0].tags, 62)->value, "     1");
  std::string written = dxf::writeDxf(d);
  EXPECT_EQ(written.substr(0, 28), "  0\nSECTION\n  2\nENTITIES\n  0");
  EXPECT_EQ(dxf::readDxf(written, "again.dxf").entities, d.entities);
}

TEST(DxfRoundTrip, BinaryFormIsWrittenAndReadBack) {
  Drawing ascii = dxf::readDxf(dxftest::dxfText(kR2000), "r2000.dxf");
  Drawing binaryModel = ascii;
  binaryModel.binary = true;
  std::string bytes = dxf::writeDxf(binaryModel);
  ASSERT_TRUE(bytes.starts_with(std::string("AutoCAD Binary DXF\r\n\x1a\0", 22)));

  Drawing back = dxf::readDxf(bytes, "r2000-binary.dxf");
  EXPECT_TRUE(back.binary);
  EXPECT_EQ(back.codepage, "ANSI_936");
  ASSERT_EQ(back.entities.size(), ascii.entities.size());
  EXPECT_EQ(back.entities[2].subs.size(), 2u);
  EXPECT_EQ(cadhost::model::findTag(back.entities[0].tags, 1)->value, "中文 A123-B567-08");
  EXPECT_EQ(cadhost::model::tagDouble(back.entities[0].tags, 20), 2.25);
  EXPECT_EQ(back.raw, ascii.raw);  // the 310 chunk: hex text in, bytes in the file, hex out
  // Numbers read from a binary file are written back to the same bytes.
  EXPECT_EQ(dxf::writeDxf(back), bytes);

  // R12 binary files have one-byte group codes; codes above 254 are escaped.
  Drawing r12 = back;
  dxf::setVersion(r12, "AC1009");
  r12.entities[3].tags.push_back({370, "25"});
  std::string r12Bytes = dxf::writeDxf(r12);
  Drawing r12Back = dxf::readDxf(r12Bytes, "r12-binary.dxf");
  EXPECT_EQ(r12Back.version, "AC1009");
  EXPECT_EQ(r12Back.entities, r12.entities);
}

// An integer group holds what its type holds: written to binary, a value beyond that range
// (a text, or one that came from another file) is the nearest value it holds, never an
// out-of-range conversion (which the sanitizer build stops at); a text that is no number is 0.
TEST(DxfRoundTrip, IntegerGroupsBeyondTheirRangeAreWrittenToBinaryAsTheNearestValue) {
  Drawing d = dxf::readDxf(dxftest::dxfText(kR2000), "r2000.dxf");
  d.binary = true;
  const std::vector<std::pair<cadhost::model::Tag, std::string>> cases = {
      {{270, "40000"}, "32767"},
      {{271, "-1e300"}, "-32768"},
      {{272, "nan"}, "0"},
      {{273, "inf"}, "32767"},
      {{274, "12.9"}, "12"},
      {{275, "-32768"}, "-32768"},
      {{90, "9.22e18"}, "2147483647"},
      {{91, "-inf"}, "-2147483648"},
      {{92, " +17 "}, "17"},
      {{160, "9223372036854775807"}, "9223372036854775807"},  // not rounded through a double
      {{161, "9.3e18"}, "9223372036854775807"},
      {{162, "-9223372036854775809"}, "-9223372036854775808"},
      {{163, "-INF"}, "-9223372036854775808"},
      {{164, "x"}, "0"},
      {{290, "300"}, "255"},
      {{291, "-5"}, "0"}};
  Object& line = d.entities[0];
  for (const auto& [tag, expected] : cases) line.tags.push_back(tag);
  const Drawing back = dxf::readDxf(dxf::writeDxf(d), "clamped.dxf");
  const auto& tags = back.entities[0].tags;
  ASSERT_EQ(tags.size(), line.tags.size());
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const cadhost::model::Tag& t = tags[tags.size() - cases.size() + i];
    EXPECT_EQ(t.code, cases[i].first.code);
    EXPECT_EQ(t.value, cases[i].second) << cases[i].first.value;
  }
}

TEST(DxfRoundTrip, R12DrawingWithoutHandles) {
  std::string r12 = dxftest::dxfText(R"(0 SECTION
2 HEADER
9 $ACADVER
1 AC1009
0 ENDSEC
0 SECTION
2 ENTITIES
0 POLYLINE
8 0
66 1
0 VERTEX
8 0
10 1.0
20 1.0
0 SEQEND
8 0
0 TEXT
8 0
10 0.0
20 0.0
40 2.5
1 Caf)"
                                     "\xE9"
                                     R"(
0 ENDSEC
0 EOF
)");
  Drawing d = dxf::readDxf(r12, "r12.dxf");
  EXPECT_EQ(d.version, "AC1009");
  EXPECT_EQ(d.codepage, "ANSI_1252");  // no $DWGCODEPAGE: the Western page
  ASSERT_EQ(d.entities.size(), 2u);
  EXPECT_EQ(d.entities[0].subs.size(), 2u);
  EXPECT_EQ(cadhost::model::findTag(d.entities[1].tags, 1)->value, "Café");
  EXPECT_EQ(dxf::writeDxf(d), r12);

  // New handles start above the largest in use when there is no $HANDSEED.
  EXPECT_EQ(dxf::allocateHandle(d), "1");
  EXPECT_EQ(dxf::handleSeed(d), 2u);
}

TEST(DxfRoundTrip, HandlesComeFromTheSeed) {
  Drawing d = dxf::readDxf(dxftest::dxfText(kR2000), "r2000.dxf");
  EXPECT_EQ(dxf::maxHandle(d), 0x108u);
  EXPECT_EQ(dxf::allocateHandle(d), "1F0");
  EXPECT_EQ(dxf::allocateHandle(d), "1F1");
  EXPECT_EQ(cadhost::model::findHeaderVar(d, "$HANDSEED")->tags[0].value, "1F2");
  EXPECT_EQ(dxf::parseHandle("1f2"), 0x1F2u);
  EXPECT_EQ(dxf::parseHandle("xyz"), 0u);
  EXPECT_EQ(dxf::formatHandle(0xABCDEF), "ABCDEF");

  // A seed below a handle in use is moved past it, so that no new object repeats a handle.
  std::string stale = dxftest::dxfText(kR2000);
  stale.replace(stale.find("1F0"), 3, "105");
  Drawing repaired = dxf::readDxf(stale, "stale-seed.dxf");
  EXPECT_EQ(dxf::allocateHandle(repaired), "109");
}

TEST(DxfRoundTrip, NewDrawingIsCompleteAndReadsBack) {
  Drawing d = dxf::newDrawing();
  EXPECT_EQ(d.version, "AC1032");
  EXPECT_EQ(cadhost::model::findHeaderVar(d, "$INSUNITS")->tags[0].value, "4");
  std::vector<std::string> names;
  for (const auto& t : d.tables) names.push_back(t.name);
  EXPECT_EQ(names, (std::vector<std::string>{"VPORT", "LTYPE", "LAYER", "STYLE", "VIEW", "UCS",
                                             "APPID", "DIMSTYLE", "BLOCK_RECORD"}));
  EXPECT_EQ(d.blocks.size(), 2u);
  EXPECT_GT(dxf::handleSeed(d), dxf::maxHandle(d));
  EXPECT_EQ(dxf::readDxf(dxf::writeDxf(d), "new.dxf"), d);
}

}  // namespace
