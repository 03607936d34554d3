#include "sheetcut/ansi_codepage.h"

#include <gtest/gtest.h>

#include "sheetcut/error.h"

namespace {

class AnsiCodePage : public ::testing::Test {
 protected:
  void TearDown() override { sheetcut::setAnsiCodePage("CP936"); }
};

TEST_F(AnsiCodePage, GbkRoundTripAndReplacement) {
  EXPECT_EQ(sheetcut::ansiCodePage(), "CP936");
  EXPECT_EQ(sheetcut::utf8ToAnsi("图号A-01"), "\xcd\xbc\xba\xc5" "A-01");
  EXPECT_EQ(sheetcut::ansiToUtf8("\xcd\xbc\xba\xc5" "A-01"), "图号A-01");
  // A character GBK lacks, and a lead byte without a valid trail byte.
  EXPECT_EQ(sheetcut::utf8ToAnsi("a\xF0\x9F\x98\x80" "b"), "a?b");
  EXPECT_EQ(sheetcut::ansiToUtf8("x\x81"), "x?");
}

TEST_F(AnsiCodePage, SingleBytePageAndUnknownName) {
  sheetcut::setAnsiCodePage("CP1252");
  EXPECT_EQ(sheetcut::utf8ToAnsi("é"), "\xe9");
  EXPECT_EQ(sheetcut::utf8ToAnsi("图"), "?");
  EXPECT_THROW(sheetcut::setAnsiCodePage("NO-SUCH-PAGE"), sheetcut::Error);
  EXPECT_EQ(sheetcut::ansiCodePage(), "CP1252");
}

TEST_F(AnsiCodePage, Utf8Validation) {
  EXPECT_TRUE(sheetcut::isValidUtf8("plain 图号"));
  EXPECT_FALSE(sheetcut::isValidUtf8("\xcd\xbc\xba\xc5"));  // 图号 in GBK
  EXPECT_FALSE(sheetcut::isValidUtf8("\xc0\x80"));       // overlong NUL
  EXPECT_FALSE(sheetcut::isValidUtf8("\xed\xa0\x80"));   // surrogate
  EXPECT_FALSE(sheetcut::isValidUtf8("\xe4\xb8"));       // truncated
}

}  // namespace
