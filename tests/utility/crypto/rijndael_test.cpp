#include "sheetcut/crypto/rijndael.h"

#include <gtest/gtest.h>

#include <cctype>

#include "crypto_test_support.h"
#include "sheetcut/crypto/string_cipher.h"

namespace {

using crypto_test::errorText;
using sheetcut::Bytes;
using sheetcut::clsASE;
using sheetcut::mASE::BytesToHex;
using sheetcut::mASE::HexToBytes;

std::string hex(const Bytes& b) {
  return BytesToHex(b, b.size(), b.size() + 1);
}

using EncryptMember = void (clsASE::*)(const Bytes&, Bytes&, long, long);
using DecryptMember = void (clsASE::*)(Bytes&, const Bytes&, long, long);

// The block members by block size, 128 to 256 bits.
const EncryptMember kEncrypt[] = {&clsASE::BlockEncrypt, &clsASE::Block160Encrypt,
                                  &clsASE::Block192Encrypt, &clsASE::Block224Encrypt,
                                  &clsASE::Block256Encrypt};
const DecryptMember kDecrypt[] = {&clsASE::BlockDecrypt, &clsASE::Block160Decrypt,
                                  &clsASE::Block192Decrypt, &clsASE::Block224Decrypt,
                                  &clsASE::Block256Decrypt};

// Enciphers one block, checks the result, and deciphers it again both into a separate array
// and in place.
void checkBlock(const std::string& keyHex, int keyBits, const std::string& ptHex,
                const std::string& ctHex) {
  const int blockBits = static_cast<int>(ptHex.size() * 4);
  clsASE aes;
  ASSERT_EQ(aes.SetCipherKey(HexToBytes(keyHex), keyBits, blockBits), 0);
  const Bytes pt = HexToBytes(ptHex);
  Bytes ct(pt.size());
  (aes.*kEncrypt[blockBits / 32 - 4])(pt, ct, 0, 0);
  EXPECT_EQ(hex(ct), ctHex) << "key " << keyBits << " block " << blockBits;
  Bytes back(pt.size());
  (aes.*kDecrypt[blockBits / 32 - 4])(back, ct, 0, 0);
  EXPECT_EQ(back, pt);
  (aes.*kDecrypt[blockBits / 32 - 4])(ct, ct, 0, 0);
  EXPECT_EQ(ct, pt);
}

TEST(Rijndael, Fips197Vectors) {
  const std::string pt = "00112233445566778899AABBCCDDEEFF";
  const std::string key = "000102030405060708090A0B0C0D0E0F101112131415161718191A1B1C1D1E1F";
  checkBlock(key.substr(0, 32), 128, pt, "69C4E0D86A7B0430D8CDB78070B4C55A");
  checkBlock(key.substr(0, 48), 192, pt, "DDA97CA4864CDFE06EAF70A0EC0D7191");
  checkBlock(key, 256, pt, "8EA2B7CA516745BFEAFC49904B496089");
  clsASE aes;
  for (auto [bits, rounds] : {std::pair{128, 10}, {192, 12}, {256, 14}}) {
    aes.SetCipherKey(HexToBytes(key), bits, 128);
    EXPECT_EQ(aes.RoundCount(), rounds);
  }
}

struct GridCase {
  int blockBits;
  int keyBits;
  const char* cipher;
};

class RijndaelGrid : public ::testing::TestWithParam<GridCase> {};

TEST_P(RijndaelGrid, MatchesPublishedTableAndRoundTrips) {
  const GridCase& g = GetParam();
  const std::string key = "2B7E151628AED2A6ABF7158809CF4F3C762E7160F38B4DA56A784D9045190CFE";
  const std::string pt = "3243F6A8885A308D313198A2E03707344A4093822299F31D0082EFA98EC4E6C8";
  std::string ct = g.cipher;
  for (char& ch : ct) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  checkBlock(key, g.keyBits, pt.substr(0, g.blockBits / 4), ct);
}

INSTANTIATE_TEST_SUITE_P(
    AllSizes, RijndaelGrid,
    ::testing::Values(
        GridCase{128, 128, "3925841d02dc09fbdc118597196a0b32"},
        GridCase{128, 160, "231d844639b31b412211cfe93712b880"},
        GridCase{128, 192, "f9fb29aefc384a250340d833b87ebc00"},
        GridCase{128, 224, "8faa8fe4dee9eb17caa4797502fc9d3f"},
        GridCase{128, 256, "1a6e6c2c662e7da6501ffb62bc9e93f3"},
        GridCase{160, 128, "16e73aec921314c29df905432bc8968ab64b1f51"},
        GridCase{160, 160, "0553eb691670dd8a5a5b5addf1aa7450f7a0e587"},
        GridCase{160, 192, "73cd6f3423036790463aa9e19cfcde894ea16623"},
        GridCase{160, 224, "601b5dcd1cf4ece954c740445340bf0afdc048df"},
        GridCase{160, 256, "579e930b36c1529aa3e86628bacfe146942882cf"},
        GridCase{192, 128, "b24d275489e82bb8f7375e0d5fcdb1f481757c538b65148a"},
        GridCase{192, 160, "738dae25620d3d3beff4a037a04290d73eb33521a63ea568"},
        GridCase{192, 192, "725ae43b5f3161de806a7c93e0bca93c967ec1ae1b71e1cf"},
        GridCase{192, 224, "bbfc14180afbf6a36382a061843f0b63e769acdc98769130"},
        GridCase{192, 256, "0ebacf199e3315c2e34b24fcc7c46ef4388aa475d66c194c"},
        GridCase{224, 128, "b0a8f78f6b3c66213f792ffd2a61631f79331407a5e5c8d3793aceb1"},
        GridCase{224, 160, "08b99944edfce33a2acb131183ab0168446b2d15e958480010f545e3"},
        GridCase{224, 192, "be4c597d8f7efe22a2f7e5b1938e2564d452a5bfe72399c7af1101e2"},
        GridCase{224, 224, "ef529598ecbce297811b49bbed2c33bbe1241d6e1a833dbe119569e8"},
        GridCase{224, 256, "02fafc200176ed05deb8edb82a3555b0b10d47a388dfd59cab2f6c11"},
        GridCase{256, 128, "7d15479076b69a46ffb3b3beae97ad8313f622f67fedb487de9f06b9ed9c8f19"},
        GridCase{256, 160, "514f93fb296b5ad16aa7df8b577abcbd484decacccc7fb1f18dc567309ceeffd"},
        GridCase{256, 192, "5d7101727bb25781bf6715b0e6955282b9610e23a43c2eb062699f0ebf5887b2"},
        GridCase{256, 224, "d56c5a63627432579e1dd308b2c8f157b40a4bfb56fea1377b25d3ed3d6dbf80"},
        GridCase{256, 256, "a49406115dfb30a40418aafa4869b7c6a886ff31602a7dd19c889dc64f7e4e7a"}),
    [](const auto& info) {
      return "Block" + std::to_string(info.param.blockBits) + "Key" +
             std::to_string(info.param.keyBits);
    });

TEST(Rijndael, KeyErrorsKeepTheOldKey) {
  clsASE aes;
  const Bytes key = HexToBytes("2B7E151628AED2A6ABF7158809CF4F3C");
  aes.SetCipherKey(key, 128, 128);
  EXPECT_EQ(errorText([&] { aes.SetCipherKey(key, 100, 129); }),
            "1 cRijndael.SetCipherKey - Illegal BlockBits Value");
  EXPECT_EQ(errorText([&] { aes.SetCipherKey(key, 512, 0); }),
            "1 cRijndael.SetCipherKey - Illegal BlockBits Value");
  EXPECT_EQ(errorText([&] { aes.SetCipherKey(key, 100, 128); }),
            "1 cRijndael.SetCipherKey - Illegal KeyBits Value");
  EXPECT_EQ(errorText([&] { aes.SetCipherKey(key, 192, 256); }).substr(0, 2), "9 ");
  EXPECT_EQ(aes.RoundCount(), 10);
  const Bytes pt = HexToBytes("3243F6A8885A308D313198A2E0370734");
  Bytes ct(16);
  aes.BlockEncrypt(pt, ct, 0, 0);
  EXPECT_EQ(hex(ct), "3925841D02DC09FBDC118597196A0B32");
}

TEST(Rijndael, RoundCountsAndIgnoredKeyBytes) {
  clsASE a, b;
  const Bytes longKey = HexToBytes("2B7E151628AED2A6ABF7158809CF4F3C762E7160F38B4DA5");
  a.SetCipherKey(longKey, 128, 256);
  EXPECT_EQ(a.RoundCount(), 14);
  EXPECT_EQ(a.RoundKeyWords(), 120);
  a.SetCipherKey(longKey, 160, 128);
  EXPECT_EQ(a.RoundCount(), 11);

  a.SetCipherKey(longKey, 128, 128);
  b.SetCipherKey(Bytes(longKey.begin(), longKey.begin() + 16), 128, 128);
  const Bytes pt(16, 0x5a);
  Bytes ca(16), cb(16);
  a.BlockEncrypt(pt, ca, 0, 0);
  b.BlockEncrypt(pt, cb, 0, 0);
  EXPECT_EQ(ca, cb);
}

// The pass phrase, in the ANSI page, cut or zero-filled to 32 bytes.
TEST(Rijndael, KeyFromPassPhrase) {
  const std::pair<std::string, std::string> cases[] = {
      {"0123456789abcdefghijklmnopqrstuvwxyzABCD", "0123456789abcdefghijklmnopqrstuv"},
      {"图号A-01",
       "\xcd\xbc\xba\xc5"
       "A-01"}};
  for (const auto& [phrase, bytes] : cases) {
    clsASE a, b;
    a.SetCipherKeyString(phrase, 256, 128);
    Bytes key(bytes.begin(), bytes.end());
    key.resize(32, 0);
    b.SetCipherKey(key, 256, 128);
    const Bytes pt(16, 7);
    Bytes ca(16), cb(16);
    a.BlockEncrypt(pt, ca, 0, 0);
    b.BlockEncrypt(pt, cb, 0, 0);
    EXPECT_EQ(ca, cb) << phrase;
  }
}

TEST(Rijndael, BlockMembersCheckKeyAndBounds) {
  clsASE aes;
  Bytes buf(40, 1);
  EXPECT_EQ(errorText([&] { aes.BlockEncrypt(buf, buf, 0, 0); }),
            "1 cRijndael.BlockEncrypt - No cipher key set for 128-bit blocks");
  aes.SetCipherKey(Bytes(32, 3), 256, 128);
  EXPECT_EQ(errorText([&] { aes.Block256Decrypt(buf, buf, 0, 0); }),
            "1 cRijndael.Block256Decrypt - No cipher key set for 256-bit blocks");
  EXPECT_EQ(errorText([&] { aes.BlockEncrypt(buf, buf, 25, 0); }).substr(0, 2), "9 ");
  EXPECT_EQ(errorText([&] { aes.BlockDecrypt(buf, buf, -1, 0); }).substr(0, 2), "9 ");
  // A block at an offset, in place, round trips and leaves the rest alone.
  Bytes copy = buf;
  aes.BlockEncrypt(buf, buf, 24, 24);
  EXPECT_NE(buf, copy);
  EXPECT_TRUE(std::equal(buf.begin(), buf.begin() + 24, copy.begin()));
  aes.BlockDecrypt(buf, buf, 24, 24);
  EXPECT_EQ(buf, copy);
}

}  // namespace
