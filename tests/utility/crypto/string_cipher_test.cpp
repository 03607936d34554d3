#include "sheetcut/crypto/string_cipher.h"

#include <gtest/gtest.h>

#include "crypto_test_support.h"
#include "sheetcut/ansi_codepage.h"

namespace {

using crypto_test::errorText;
using sheetcut::Bytes;
using sheetcut::mASE::DecryptString;
using sheetcut::mASE::EncryptString;
using sheetcut::mASE::HexToBytes;

TEST(StringCipher, RegressionVectors) {
  EXPECT_EQ(EncryptString("abc", "pwd"), "14EFF903BC6340CE2A87C72A76326744");
  EXPECT_EQ(EncryptString("0123456789ABCDEFG", "pwd"),
            "93692580EEFAC0EA6E010BA84220FEE8  5A24BBA61282E7E11B12F56E06A4A241");
  EXPECT_EQ(EncryptString("图号A-01", "密码"), "495A57FC2E61C8F5BBB5B2F3840E297B");
  EXPECT_EQ(EncryptString("abc", "pwd", 128, 128), "C833266857E5700FB146181E07A72F71");
  EXPECT_EQ(EncryptString("abc", "pwd", 256, 256),
            "B36149302EF3A39459E4F9459D9038CFB362ACB9948BC9FE445C792316C66674");
  const std::string hex = EncryptString("0102", "pwd", 160, 128, true);
  EXPECT_EQ(hex, "55FA51F9CF1EE6EC2E8E82DDFE2F1459");
  EXPECT_EQ(DecryptString(hex, "pwd", 160, 128, true), "01020000000000000000000000000000");
}

TEST(StringCipher, HexTextForm) {
  EXPECT_EQ(EncryptString("0123456789abcdef", "k").size(), 32u);
  const std::string two = EncryptString("0123456789abcdefg", "k");
  ASSERT_EQ(two.size(), 66u);
  EXPECT_EQ(two.substr(32, 2), "  ");
  EXPECT_EQ(two.find_first_not_of("0123456789ABCDEF "), std::string::npos);
  // 40 bytes in 32-byte blocks: 64 digits, two spaces, 64 digits.
  const std::string wide = EncryptString(std::string(40, 'x'), "k", 160, 256);
  ASSERT_EQ(wide.size(), 130u);
  EXPECT_EQ(wide.substr(64, 2), "  ");
  EXPECT_EQ(sheetcut::mASE::BytesToHex(Bytes(40, 0xab), 40, 16).size(), 2 * 40 + 2 * (39 / 16));
}

TEST(StringCipher, SpecialResults) {
  EXPECT_EQ(EncryptString("", "pwd"), "0000000000000000");
  EXPECT_EQ(DecryptString("", "pwd"), "0000000000000000");
  EXPECT_EQ(DecryptString("0000000000000000", "pwd"), std::nullopt);
  EXPECT_EQ(EncryptString("text", ""), "text");
  EXPECT_EQ(DecryptString("text", ""), "text");
  // No digit pair at all: the source comes back.
  EXPECT_EQ(DecryptString("xyz", "pwd"), "xyz");
  EXPECT_EQ(EncryptString("7", "pwd", 160, 128, true), "7");
  // 20 bytes are not a whole number of 16-byte blocks.
  EXPECT_EQ(DecryptString(std::string(40, 'A'), "pwd"), std::nullopt);
  // Errors: raised when enciphering, the source returned when deciphering.
  EXPECT_EQ(errorText([] { EncryptString("abc", "pwd", 100); }),
            "1 cRijndael.SetCipherKey - Illegal KeyBits Value");
  EXPECT_EQ(errorText([] { EncryptString("abc", "pwd", 160, 100); }),
            "1 cRijndael.SetCipherKey - Illegal BlockBits Value");
  const std::string ct = "14EFF903BC6340CE2A87C72A76326744";
  EXPECT_EQ(DecryptString(ct, "pwd", 100), ct);
}

TEST(StringCipher, LenientHexReading) {
  const std::string expected = std::string("abc") + std::string(13, '\0');
  for (const char* ct : {"14eff903bc6340ce2a87c72a76326744", "14EFF903BC6340CE\n2A87C72A76326744",
                         "1-4EF F903BC6340CE2A87C72A76326744", "14EFF903BC6340CE2A87C72A763267447",
                         "14EFF903BC6340CE2A87C72A76326744xyz"})
    EXPECT_EQ(DecryptString(ct, "pwd"), expected) << ct;
}

TEST(StringCipher, KeyBytes) {
  // A hex password of exactly keyLng/8 bytes is the key itself.
  const std::string hexKey = "00112233445566778899AABBCCDDEEFF00112233";
  sheetcut::clsASE aes;
  aes.SetCipherKey(HexToBytes(hexKey), 160, 128);
  Bytes ct;
  aes.ArrayEncrypt(HexToBytes("0102"), ct, 0, 128);
  EXPECT_EQ(EncryptString("0102", hexKey, 160, 128, true),
            sheetcut::mASE::BytesToHex(ct, ct.size(), 16));
  // One of another length is used as text, digits and all.
  const std::string shortKey = hexKey.substr(0, 38);
  EXPECT_EQ(sheetcut::mASE::MakeKeyBytes(shortKey, 160, true),
            Bytes(shortKey.begin(), shortKey.begin() + 32));
  // Only the first keyLng/8 ANSI bytes count; NULs after the password change nothing.
  EXPECT_EQ(EncryptString("abc", "12345678901234567890-one"),
            EncryptString("abc", "12345678901234567890-two"));
  EXPECT_EQ(EncryptString("abc", std::string("pwd") + '\0' + '\0'), EncryptString("abc", "pwd"));
}

TEST(StringCipher, RoundTripsThroughTheAnsiPage) {
  for (const std::string& text :
       {std::string("a"), std::string("图号A-01 第3张"), std::string(100, 'z') + "尾"}) {
    for (int size : {128, 160, 192, 224, 256}) {
      auto back = DecryptString(EncryptString(text, "密码", size, size), "密码", size, size);
      ASSERT_TRUE(back.has_value());
      back->erase(back->find_last_not_of('\0') + 1);
      EXPECT_EQ(*back, text) << size;
    }
  }
  // A wrong password deciphers to some text without failing.
  EXPECT_TRUE(DecryptString(EncryptString("图号A-01", "right"), "wrong").has_value());
}

TEST(StringCipher, SingleBytePage) {
  sheetcut::setAnsiCodePage("CP1252");
  const std::string ct = EncryptString("café", "pwd");
  const std::string sameBytes = EncryptString("636166E9", "pwd", 160, 128, true);
  const auto back = DecryptString(ct, "pwd");
  sheetcut::setAnsiCodePage("CP936");
  EXPECT_EQ(ct, sameBytes);
  EXPECT_EQ(back, "café" + std::string(12, '\0'));
}

}  // namespace
