// GCC 12 at -O3 reports -Wrestrict inside the inlined copy of std::string when a string is
// built from a literal and another string: a known false positive of that compiler (no copy
// here overlaps). Silenced for this file and that compiler only; it must come before the
// standard headers, where the warning is raised.
#if defined(__GNUC__) && !defined(__clang__) && __GNUC__ == 12
#pragma GCC diagnostic ignored "-Wrestrict"
#endif

#include "sheetcut/crypto/md5.h"

#include <gtest/gtest.h>

#include "crypto_test_support.h"
#include "sheetcut/ansi_codepage.h"

namespace {

using sheetcut::md5::Digest16;
using sheetcut::md5::Digest32;

TEST(Md5, Rfc1321SuiteInBothForms) {
  const std::pair<std::string, std::string> suite[] = {
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"a", "0cc175b9c0f1b6a831c399e269772661"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
      {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
       "d174ab98d277d9f5a5611c2c9f419d9f"},
      {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       "57edf4a22be3c955ac49da2e2107b67a"},
  };
  for (const auto& [text, digest] : suite) {
    EXPECT_EQ(Digest32(text), digest) << text;
    EXPECT_EQ(Digest16(text), digest.substr(8, 16)) << text;
  }
  EXPECT_EQ(Digest16("abc"), "3cd24fb0d6963f7d");
}

TEST(Md5, LengthsAroundThePaddingAgreeWithMd5sum) {
  crypto_test::TempFolder dir;
  for (size_t n : {55, 56, 57, 63, 64, 65, 119, 120, 121, 127, 128, 40000}) {
    std::string text(n, ' ');
    for (size_t i = 0; i < n; ++i) text[i] = static_cast<char>('!' + (i * 13) % 90);
    const std::string path = dir.file("m" + std::to_string(n));
    crypto_test::writeFile(path, sheetcut::Bytes(text.begin(), text.end()));
    const std::string expected = crypto_test::commandOutput("md5sum '" + path + "'").substr(0, 32);
    EXPECT_EQ(Digest32(text), expected) << n;
    EXPECT_EQ(Digest16(text), expected.substr(8, 16)) << n;
    // Fed in uneven pieces, the stream gives the same digest.
    sheetcut::md5::Md5 md5;
    md5.update(std::string_view());  // an empty piece changes nothing
    for (size_t at = 0; at < n; at += 37) md5.update(std::string_view(text).substr(at, 37));
    std::string hex;
    for (uint8_t b : md5.finish())
      hex += "0123456789abcdef"[b >> 4], hex += "0123456789abcdef"[b & 15];
    EXPECT_EQ(hex, expected) << n;
  }
}

TEST(Md5, AnsiBytes) {
  // A single-byte page: characters 128-255 are their byte values.
  sheetcut::setAnsiCodePage("CP1252");
  const std::string accented = Digest32("é€");
  sheetcut::setAnsiCodePage("CP936");
  EXPECT_EQ(accented, sheetcut::md5::hexDigest("\xe9\x80"));
  // A double-byte character overflows the one-byte-per-character form of 32 digits; the
  // 16-digit form digests the page's bytes.
  EXPECT_EQ(crypto_test::errorText([] { Digest32("图号"); }), "6 Overflow");
  EXPECT_EQ(Digest16("图号"), sheetcut::md5::hexDigest("\xcd\xbc\xba\xc5").substr(8, 16));
  // A character the page lacks counts as "?".
  EXPECT_EQ(Digest32("\xF0\x9F\x98\x80"), Digest32("?"));
}

}  // namespace
