// Text encodings: code pages before R2007, UTF-8 after, and the \U+ and \M+ escapes.

#include <gtest/gtest.h>

#include "dxf/dxf_io.h"
#include "dxf/text_codec.h"
#include "dxf_test_support.h"
#include "model/tags.h"

namespace {

namespace dxf = cadhost::dxf;
using cadhost::model::Drawing;

// A drawing of the given version and code page with one TEXT whose value bytes are given.
std::string textDrawing(const std::string& version, const std::string& codepage,
                        const std::string& valueBytes) {
  return dxftest::dxfText("0 SECTION\n2 HEADER\n9 $ACADVER\n1 " + version + "\n9 $DWGCODEPAGE\n3 " +
                          codepage + "\n0 ENDSEC\n0 SECTION\n2 ENTITIES\n0 TEXT\n5 2A\n8 0\n1 " +
                          valueBytes + "\n0 ENDSEC\n0 EOF\n");
}

std::string textOf(const Drawing& d) {
  return cadhost::model::findTag(d.entities[0].tags, 1)->value;
}

TEST(DxfEncoding, CodePagesAreDecodedAndWrittenBackAsRead) {
  struct Case {
    const char* codepage;
    std::string bytes;
    std::string utf8;
  };
  const Case cases[] = {
      {"ANSI_936", "\xCD\xBC\xBA\xC5 A123", "图号 A123"},
      {"ANSI_1252",
       "Stra\xDF"
       "e \x80",
       "Straße €"},
      {"ANSI_932", "\x90\x7D\x96\xCA", "図面"},
      {"ANSI_949", "\xB5\xB5\xB8\xE9", "도면"},
      {"ANSI_950", "\xB9\xCF\xB8\xB9", "圖號"},
  };
  for (const Case& c : cases) {
    std::string file = textDrawing("AC1015", c.codepage, c.bytes);
    Drawing d = dxf::readDxf(file, "page.dxf");
    EXPECT_EQ(textOf(d), c.utf8) << c.codepage;
    EXPECT_EQ(dxf::writeDxf(d), file) << c.codepage;
  }
}

TEST(DxfEncoding, Utf8FromR2007OnWhateverTheCodePage) {
  std::string file = textDrawing("AC1024", "ANSI_936", "图号 A123-B567-08");
  Drawing d = dxf::readDxf(file, "r2010.dxf");
  EXPECT_EQ(textOf(d), "图号 A123-B567-08");
  EXPECT_EQ(dxf::writeDxf(d), file);
}

TEST(DxfEncoding, EscapesAreDecoded) {
  // \U+ in either case, a surrogate pair, \M+ (page 5 = GBK), MTEXT codes kept.
  Drawing d = dxf::readDxf(
      textDrawing("AC1015", "ANSI_1252", "\\U+56FE\\u+53f7 \\U+D83D\\U+DE00 \\M+5D6D0\\P{\\fA;}"),
      "escapes.dxf");
  EXPECT_EQ(textOf(d), "图号 😀 中\\P{\\fA;}");

  // Escapes of control characters and malformed ones stay as they are.
  d = dxf::readDxf(textDrawing("AC1024", "ANSI_1252", "a\\U+000Ab \\U+12 \\M+9ABCD \\M+5C100"),
                   "controls.dxf");
  EXPECT_EQ(textOf(d), "a\\U+000Ab \\U+12 \\M+9ABCD \\M+5C100");
}

// A drawing with one MTEXT whose text comes in the given chunks (3s, then the 1).
std::string mtextDrawing(const std::vector<std::string>& chunks) {
  std::string lines =
      "0 SECTION\n2 HEADER\n9 $ACADVER\n1 AC1015\n9 $DWGCODEPAGE\n3 ANSI_1252\n"
      "0 ENDSEC\n0 SECTION\n2 ENTITIES\n0 MTEXT\n5 2A\n8 0\n";
  for (std::size_t i = 0; i < chunks.size(); ++i) {
    lines.append(i + 1 < chunks.size() ? "3 " : "1 ").append(chunks[i]).append("\n");
  }
  return dxftest::dxfText(lines.append("0 ENDSEC\n0 EOF\n"));
}

TEST(DxfEncoding, EscapesCutByAChunkBoundaryDecodeWhenTheChunksJoin) {
  // Each escape cut after each of its characters: the joined text holds the character, the
  // chunks stay as read and write back so.
  for (const char* escapeText : {"\\U+043c", "\\u+043C", "\\M+5D6D0"}) {
    const std::string escape(escapeText);
    const std::string want = escape[1] == 'M' ? "ab中d" : "abмd";
    for (std::size_t cut = 1; cut < escape.size(); ++cut) {
      SCOPED_TRACE(escape.substr(0, cut).append(" | ").append(escape.substr(cut)));
      const std::string head = std::string("ab").append(escape, 0, cut);
      const std::string tail = escape.substr(cut).append("d");
      const std::string file = mtextDrawing({head, tail});
      Drawing d = dxf::readDxf(file, "cut.dxf");
      EXPECT_EQ(dxf::mtextContents(d.entities[0].tags), want);
      EXPECT_EQ(cadhost::model::findTag(d.entities[0].tags, 3)->value, head);
      EXPECT_EQ(dxf::writeDxf(d), file);
    }
  }
  // Three chunks, escapes whole in a chunk, a cut at the end of each boundary.
  Drawing d = dxf::readDxf(
      mtextDrawing({"\\U+0440\\U+0430\\U+0437\\U", "+043c\\U+0435\\U+04", "40\\U+043e\\U+0432"}),
      "three.dxf");
  EXPECT_EQ(dxf::mtextContents(d.entities[0].tags), "размеров");
  // What is no escape stays as it stands: a format code cut after its backslash, an escape of
  // a control character, and a cut escape whose rest is no hex number.
  EXPECT_EQ(dxf::joinDecodedChunks({"a\\", "Pb"}), "a\\Pb");
  EXPECT_EQ(dxf::joinDecodedChunks({"a\\U+00", "0Ab"}), "a\\U+000Ab");
  EXPECT_EQ(dxf::joinDecodedChunks({"a\\U+04", "xyz"}), "a\\U+04xyz");
  EXPECT_EQ(dxf::joinDecodedChunks({"", "a", ""}), "a");
  EXPECT_EQ(dxf::joinDecodedChunks({}), "");
}

TEST(DxfEncoding, CharactersThePageLacksAreWrittenAsEscapes) {
  Drawing d = dxf::readDxf(textDrawing("AC1015", "ANSI_936", "x"), "gbk.dxf");
  cadhost::model::setTag(d.entities[0].tags, 1, "中ก😀");
  std::string written = dxf::writeDxf(d);
  EXPECT_NE(written.find("\xD6\xD0\\U+0E01\\U+D83D\\U+DE00\n"), std::string::npos);
  EXPECT_EQ(textOf(dxf::readDxf(written, "again.dxf")), "中ก😀");

  // Escaped Chinese in a Western drawing is read as Chinese and stays escaped when written.
  std::string western = textDrawing("AC1015", "ANSI_1252", "\\U+4E2D\\U+6587");
  Drawing w = dxf::readDxf(western, "western.dxf");
  EXPECT_EQ(textOf(w), "中文");
  EXPECT_EQ(dxf::writeDxf(w), western);

  // A line break in a value cannot be written as is.
  cadhost::model::setTag(w.entities[0].tags, 1, "a\nb");
  std::string broken = dxf::writeDxf(w);
  EXPECT_NE(broken.find("a\\U+000Ab\n"), std::string::npos);
}

TEST(DxfEncoding, CodePageNames) {
  EXPECT_EQ(dxf::iconvNameForCodepage("ANSI_936"), "CP936");
  EXPECT_EQ(dxf::iconvNameForCodepage("ansi_950"), "CP950");
  EXPECT_EQ(dxf::iconvNameForCodepage("no-such-page"), "CP1252");
  EXPECT_EQ(dxf::codepageForIconvName("GBK"), "ANSI_936");
  EXPECT_EQ(dxf::codepageForIconvName("cp1252"), "ANSI_1252");
  EXPECT_EQ(dxf::codepageForIconvName("UTF-8"), "");
  EXPECT_TRUE(dxf::versionUsesUtf8("AC1021"));
  EXPECT_FALSE(dxf::versionUsesUtf8("AC1018"));
}

}  // namespace
