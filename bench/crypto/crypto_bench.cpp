// Throughput of the Rijndael cipher and of MD5 on 64 MB, with openssl's MD5 measured in the
// same run for comparison. Prints one figure per line.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <random>
#include <string>

#include "sheetcut/crypto/md5.h"
#include "sheetcut/crypto/rijndael.h"

namespace {

constexpr size_t kSize = 64u << 20;
constexpr int kRepeats = 3;

// Best time of kRepeats runs, in seconds.
double bestSeconds(const std::function<void()>& run) {
  double best = 1e30;
  for (int i = 0; i < kRepeats; ++i) {
    const auto start = std::chrono::steady_clock::now();
    run();
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    best = std::min(best, took.count());
  }
  return best;
}

double megabytesPerSecond(double seconds) {
  return static_cast<double>(kSize) / (1 << 20) / seconds;
}

void print(const std::string& name, double value, const char* unit) {
  std::printf("%s: %.1f %s\n", name.c_str(), value, unit);
}

}  // namespace

int main() {
  sheetcut::Bytes data(kSize);
  std::mt19937 rng(64);
  for (auto& b : data) b = static_cast<uint8_t>(rng());

  for (auto [keyBits, blockBits] : {std::pair{128, 128}, {256, 128}, {256, 256}}) {
    sheetcut::clsASE aes;
    aes.SetCipherKey(sheetcut::Bytes(32, 0x5c), keyBits, blockBits);
    sheetcut::Bytes enc, dec;
    const std::string name =
        "rijndael " + std::to_string(keyBits) + "/" + std::to_string(blockBits);
    print(name + " encrypt",
          megabytesPerSecond(bestSeconds([&] { aes.ArrayEncrypt(data, enc, 0, blockBits); })),
          "MB/s");
    print(name + " decrypt",
          megabytesPerSecond(bestSeconds([&] { aes.ArrayDecrypt(dec, enc, 0, blockBits); })),
          "MB/s");
    if (dec != data) {
      std::fprintf(stderr, "round trip failed for %s\n", name.c_str());
      return 1;
    }
  }

  char folder[] = "/tmp/sheetcut-crypto-bench-XXXXXX";
  if (::mkdtemp(folder) == nullptr) return 1;
  const std::string plain = std::string(folder) + "/plain";
  const std::string cipher = std::string(folder) + "/cipher";
  std::ofstream(plain, std::ios::binary)
      .write(reinterpret_cast<const char*>(data.data()), static_cast<long>(data.size()));

  sheetcut::clsASE aes;
  aes.SetCipherKey(sheetcut::Bytes(16, 0x5c), 128, 128);
  print("rijndael 128/128 file encrypt",
        megabytesPerSecond(bestSeconds([&] { aes.FileEncrypt(plain, cipher, 128); })), "MB/s");

  const std::string_view bytes(reinterpret_cast<const char*>(data.data()), data.size());
  std::string ours;
  const double md5Seconds = bestSeconds([&] { ours = sheetcut::md5::hexDigest(bytes); });
  print("md5", megabytesPerSecond(md5Seconds), "MB/s");

  // openssl reads the file from the page cache; its start-up time is part of its figure.
  const std::string command = "openssl dgst -md5 -r " + plain + " > " + folder + "/digest";
  int status = 0;
  const double opensslSeconds = bestSeconds([&] { status |= std::system(command.c_str()); });
  std::string theirs;
  std::ifstream(std::string(folder) + "/digest") >> theirs;
  std::system(("rm -rf " + std::string(folder)).c_str());
  if (status != 0 || theirs != ours) {
    std::fprintf(stderr, "openssl dgst -md5 failed or disagrees\n");
    return 1;
  }
  print("openssl dgst -md5", megabytesPerSecond(opensslSeconds), "MB/s");
  print("md5 relative to openssl", 100.0 * opensslSeconds / md5Seconds, "%");
  return 0;
}
