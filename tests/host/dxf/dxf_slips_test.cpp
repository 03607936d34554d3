// Structural slips that real writers make and that have one reading are mended on read and
// never written back; structures that are truly broken are still refused with file and line.

#include <gtest/gtest.h>

#include <string>

#include "cadhost/host_error.h"
#include "dxf/dxf_io.h"
#include "dxf_test_support.h"
#include "model/tags.h"

namespace {

namespace dxf = cadhost::dxf;
using cadhost::HostError;
using cadhost::model::Drawing;
using cadhost::model::findTag;
using cadhost::model::Object;
using cadhost::model::typeOf;

int count(const std::string& text, const std::string& part) {
  int n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

// Reads the text, writes it back, and checks that the copy is well-formed (one ENDSEC per
// SECTION, one EOF) and reads back as the same drawing.
Drawing readMended(const std::string& lines) {
  Drawing d = dxf::readDxf(dxftest::dxfText(lines), "slip.dxf");
  const std::string written = dxf::writeDxf(d);
  EXPECT_EQ(count(written, "\nSECTION\n"), count(written, "\nENDSEC\n")) << written;
  EXPECT_EQ(count(written, "\nEOF\n"), 1);
  EXPECT_EQ(dxf::readDxf(written, "copy.dxf"), d);
  return d;
}

std::string errorOf(const std::string& bytes) {
  try {
    dxf::readDxf(bytes, "broken.dxf");
  } catch (const HostError& e) {
    EXPECT_EQ(e.code(), HostError::BadFile);
    return e.what();
  }
  ADD_FAILURE() << "read without an error:\n" << bytes;
  return "";
}

const std::string kEntities = "0 SECTION\n2 ENTITIES\n0 LINE\n8 0\n10 0\n20 0\n11 1\n21 1\n";

TEST(DxfSlips, HeaderVariablesAfterAStrayEndsecStayInTheHeader) {
  // Written by an old library: ENDSEC right after $HANDSEED, then more variables.
  Drawing d = readMended(
      "999 dxflib\n0 SECTION\n2 HEADER\n9 $ACADVER\n1 AC1015\n9 $HANDSEED\n5 FFFF\n0 ENDSEC\n"
      "9 $EXTMIN\n10 0.0\n20 0.0\n30 0.0\n9 $DIMASZ\n40 3.0\n0 ENDSEC\n" +
      kEntities + "0 ENDSEC\n0 EOF\n");
  ASSERT_EQ(d.header.size(), 4u);
  EXPECT_EQ(d.header[2].name, "$EXTMIN");
  EXPECT_EQ(d.header[3].name, "$DIMASZ");
  EXPECT_EQ(d.version, "AC1015");
  EXPECT_EQ(d.entities.size(), 1u);
}

TEST(DxfSlips, ASectionWithoutEndsecEndsAtTheNextSectionOrEof) {
  Drawing d =
      readMended("0 SECTION\n2 HEADER\n9 $ACADVER\n1 AC1009\n" + kEntities +
                 "0 CIRCLE\n8 0\n10 5\n20 5\n40 1\n0 SECTION\n2 THUMBNAILIMAGE\n90 0\n0 EOF\n");
  EXPECT_EQ(d.header.size(), 1u);
  EXPECT_EQ(d.entities.size(), 2u);
  ASSERT_EQ(d.raw.size(), 1u);
  EXPECT_EQ(d.raw[0].tags.size(), 1u);
}

TEST(DxfSlips, ChainsWithoutSeqendAreClosed) {
  Drawing d = readMended(
      "0 SECTION\n2 HEADER\n9 $ACADVER\n1 AC1015\n9 $HANDSEED\n5 30\n0 ENDSEC\n"
      "0 SECTION\n2 BLOCKS\n0 BLOCK\n5 20\n8 0\n2 B\n70 2\n10 0\n20 0\n3 B\n"
      "0 ATTDEF\n5 21\n8 0\n10 0\n20 0\n40 1\n1 x\n3 tag?\n2 TAG\n70 0\n"
      "0 ENDBLK\n5 22\n8 0\n0 ENDSEC\n"
      "0 SECTION\n2 ENTITIES\n"
      "0 POLYLINE\n5 10\n330 1F\n100 AcDbEntity\n8 WALLS\n66 1\n10 0\n20 0\n30 0\n"
      "0 VERTEX\n5 11\n8 WALLS\n10 0\n20 0\n0 VERTEX\n5 12\n8 WALLS\n10 5\n20 0\n"
      "0 INSERT\n5 13\n8 0\n66 1\n2 B\n10 0\n20 0\n"
      "0 ATTRIB\n5 14\n8 0\n10 0\n20 0\n40 1\n1 v\n2 TAG\n70 0\n"
      "0 LINE\n5 15\n8 0\n10 0\n20 0\n11 1\n21 1\n"
      "0 INSERT\n5 16\n8 0\n66 1\n2 B\n10 9\n20 9\n0 ENDSEC\n0 EOF\n");
  ASSERT_EQ(d.entities.size(), 4u);
  const Object& polyline = d.entities[0];
  ASSERT_EQ(polyline.subs.size(), 3u);
  const Object& end = polyline.subs.back();
  EXPECT_EQ(typeOf(end), "SEQEND");
  // A new handle from the seed, the polyline as owner, the polyline's layer.
  EXPECT_EQ(findTag(end.tags, 5)->value, "30");
  EXPECT_EQ(findTag(end.tags, 330)->value, "10");
  EXPECT_EQ(findTag(end.tags, 8)->value, "WALLS");
  EXPECT_EQ(typeOf(d.entities[1].subs.back()), "SEQEND");
  EXPECT_EQ(d.entities[1].subs.size(), 2u);
  EXPECT_EQ(typeOf(d.entities[2]), "LINE");
  ASSERT_EQ(d.entities[3].subs.size(), 1u);  // attributes announced, none given
  EXPECT_EQ(findTag(d.entities[3].subs[0].tags, 5)->value, "32");
  EXPECT_EQ(dxf::handleSeed(d), 0x33u);
}

TEST(DxfSlips, AttributesWithoutTheirFlagJoinTheReferenceAndStraySeqendsGo) {
  Drawing d = readMended(
      "0 SECTION\n2 HEADER\n9 $ACADVER\n1 AC1009\n0 ENDSEC\n0 SECTION\n2 ENTITIES\n"
      "0 INSERT\n8 0\n2 B\n10 0\n20 0\n"
      "0 ATTRIB\n8 0\n10 0\n20 0\n40 1\n1 v\n2 TAG\n70 0\n0 SEQEND\n8 0\n"
      "0 SEQEND\n8 0\n0 LINE\n8 0\n10 0\n20 0\n11 1\n21 1\n0 ENDSEC\n0 EOF\n");
  ASSERT_EQ(d.entities.size(), 2u);
  const Object& insert = d.entities[0];
  EXPECT_EQ(insert.tags[2], (cadhost::model::Tag{66, "1"}));  // before the block name
  ASSERT_EQ(insert.subs.size(), 2u);
  EXPECT_EQ(typeOf(insert.subs[0]), "ATTRIB");
  EXPECT_EQ(typeOf(d.entities[1]), "LINE");
}

TEST(DxfSlips, TheOneNamelessLayerOfATableWithoutLayerZeroIsLayerZero) {
  const std::string head =
      "0 SECTION\n2 HEADER\n9 $ACADVER\n1 AC1015\n0 ENDSEC\n"
      "0 SECTION\n2 TABLES\n0 TABLE\n2 LAYER\n5 2\n70 2\n";
  const std::string nameless =
      "0 LAYER\n5 10\n330 2\n100 AcDbSymbolTableRecord\n100 AcDbLayerTableRecord\n70 0\n62 7\n"
      "6 CONTINUOUS\n";
  const std::string walls =
      "0 LAYER\n5 11\n330 2\n100 AcDbSymbolTableRecord\n"
      "100 AcDbLayerTableRecord\n2 WALLS\n70 0\n62 1\n6 CONTINUOUS\n";
  const std::string tail = "0 ENDTAB\n0 ENDSEC\n" + kEntities + "0 ENDSEC\n0 EOF\n";
  Drawing d = readMended(head + nameless + walls + tail);
  ASSERT_EQ(d.tables.size(), 1u);
  const Object& zero = d.tables[0].entries[0];
  ASSERT_NE(findTag(zero.tags, 2), nullptr);
  EXPECT_EQ(findTag(zero.tags, 2)->value, "0");
  EXPECT_EQ(zero.tags[5].code, 2);  // after the subclass markers, where writers put it
  EXPECT_EQ(zero.tags.size(), 9u);

  // Not unambiguous: refused, naming the file, the table and the entry's line.
  const std::string zeroNamed = "0 LAYER\n5 12\n2 0\n70 0\n";
  struct Refused {
    std::string entries;
    std::string where;
  };
  for (const Refused& r : {Refused{nameless + walls + nameless, "line 23"},
                           Refused{zeroNamed + nameless, "line 31"}}) {
    const std::string e = errorOf(dxftest::dxfText(head + r.entries + tail));
    EXPECT_NE(e.find("broken.dxf: " + r.where + ": table LAYER: a table entry without its name"),
              std::string::npos)
        << e;
  }
  const std::string styles =
      "0 SECTION\n2 TABLES\n0 TABLE\n2 STYLE\n70 1\n0 STYLE\n70 0\n40 0\n"
      "0 ENDTAB\n0 ENDSEC\n0 EOF\n";
  const std::string e = errorOf(dxftest::dxfText(styles));
  EXPECT_NE(e.find("line 11: table STYLE: a table entry without its name"), std::string::npos) << e;
}

TEST(DxfSlips, TrulyBrokenStructuresAreRefusedWithTheLine) {
  struct Case {
    std::string lines;
    std::string message;
  };
  const Case cases[] = {
      // Header variables after another section than the header: no reading is sure.
      {"0 SECTION\n2 HEADER\n9 $ACADVER\n1 AC1009\n0 ENDSEC\n" + kEntities +
           "0 ENDSEC\n9 $EXTMIN\n10 0\n0 EOF\n",
       "line 29: expected a section, found group code 9"},
      // A table cut off by the end of its section, a block by the next section.
      {"0 SECTION\n2 TABLES\n0 TABLE\n2 LAYER\n0 LAYER\n2 A\n0 ENDSEC\n0 EOF\n",
       "line 13: table LAYER has no ENDTAB"},
      {"0 SECTION\n2 BLOCKS\n0 BLOCK\n2 B\n0 LINE\n8 0\n0 SECTION\n2 ENTITIES\n0 ENDSEC\n0 EOF\n",
       "line 13: a block definition has no ENDBLK"},
      // An entity between sections, and a file that stops after a section.
      {kEntities + "0 ENDSEC\n0 LINE\n8 0\n0 EOF\n", "line 19: expected SECTION, found \"LINE\""},
      {kEntities + "0 ENDSEC\n", "line 17: the file ends without an EOF tag"},
      // Chain members that follow no owner.
      {kEntities + "0 VERTEX\n8 0\n10 0\n20 0\n0 ENDSEC\n0 EOF\n",
       "line 17: a VERTEX that follows no POLYLINE"},
      {kEntities + "0 ATTRIB\n8 0\n1 v\n2 T\n0 ENDSEC\n0 EOF\n",
       "line 17: an ATTRIB that follows no block reference"},
  };
  for (const Case& c : cases) {
    const std::string e = errorOf(dxftest::dxfText(c.lines));
    EXPECT_NE(e.find("broken.dxf: " + c.message), std::string::npos) << e;
  }
}

TEST(DxfSlips, AGroupCodeThatIsNoNumberIsShownOnOneReadableLine) {
  const std::string garbage = "\x8f\x01\tA\xE4\xB8\xAD" + std::string(300, 'z') + "\r";
  const std::string e = errorOf("  0\nSECTION\n  2\nENTITIES\n" + garbage + "\n1.0\n");
  EXPECT_NE(e.find("broken.dxf: line 5: the group code \"\\x8f\\x01\\x09A\xE4\xB8\xADzzz"),
            std::string::npos)
      << e;
  EXPECT_NE(e.find("zzz...\" is not a number"), std::string::npos) << e;
  EXPECT_EQ(e.find('\n'), std::string::npos);
  EXPECT_LT(e.size(), 120u);
}

}  // namespace
