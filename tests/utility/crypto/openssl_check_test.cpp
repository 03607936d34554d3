// Checks the cipher and the digest against the openssl command on random inputs.
#include <gtest/gtest.h>

#include <random>

#include "crypto_test_support.h"
#include "sheetcut/crypto/md5.h"
#include "sheetcut/crypto/rijndael.h"
#include "sheetcut/crypto/string_cipher.h"

namespace {

using crypto_test::commandOutput;
using crypto_test::readFile;
using crypto_test::writeFile;
using sheetcut::Bytes;

Bytes randomBytes(std::mt19937& rng, size_t n) {
  Bytes b(n);
  for (auto& x : b) x = static_cast<uint8_t>(rng());
  return b;
}

TEST(OpenSsl, AesEcbAgrees) {
  crypto_test::TempFolder dir;
  std::mt19937 rng(20261209);
  for (int keyBits : {128, 192, 256}) {
    for (int round = 0; round < 4; ++round) {
      const Bytes key = randomBytes(rng, static_cast<size_t>(keyBits / 8));
      const Bytes plain = randomBytes(rng, 16 * (1 + rng() % 64));
      writeFile(dir.file("in"), plain);
      commandOutput("openssl enc -aes-" + std::to_string(keyBits) + "-ecb -nopad -K " +
                    sheetcut::mASE::BytesToHex(key, key.size(), key.size()) + " -in '" +
                    dir.file("in") + "' -out '" + dir.file("out") + "'");
      sheetcut::clsASE aes;
      aes.SetCipherKey(key, keyBits, 128);
      Bytes ours;
      aes.ArrayEncrypt(plain, ours, 0, 128);
      EXPECT_TRUE(ours == readFile(dir.file("out"))) << keyBits << "-bit key, round " << round;
    }
  }
}

TEST(OpenSsl, Md5Agrees) {
  crypto_test::TempFolder dir;
  std::mt19937 rng(1321);
  for (int round = 0; round < 20; ++round) {
    const Bytes data = randomBytes(rng, rng() % (round < 10 ? 200 : 300000));
    writeFile(dir.file("in"), data);
    const std::string theirs =
        commandOutput("openssl dgst -md5 -r '" + dir.file("in") + "'").substr(0, 32);
    EXPECT_EQ(sheetcut::md5::hexDigest(std::string(data.begin(), data.end())), theirs)
        << data.size() << " bytes";
  }
}

}  // namespace
