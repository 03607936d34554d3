#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include "sheetcut/crypto/rijndael.h"
#include "sheetcut/error.h"

namespace crypto_test {

// A fresh folder under the system temp folder, removed with everything in it at the end.
class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "sheetcut-crypto-XXXXXX");
    path_ = ::mkdtemp(pattern.data());
  }
  ~TempFolder() { std::filesystem::remove_all(path_); }
  std::string file(const std::string& name) const { return (path_ / name).string(); }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

inline void writeFile(const std::string& path, const sheetcut::Bytes& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
}

inline sheetcut::Bytes readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return sheetcut::Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Runs a shell command and returns what it printed; fails the test on a non-zero exit.
inline std::string commandOutput(const std::string& command) {
  std::string out;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return out;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) out.append(buf, n);
  const int status = ::pclose(pipe);
  EXPECT_EQ(status, 0) << command;
  return out;
}

// "<number> <description>" of the sheetcut::Error that f raises, or "no error".
inline std::string errorText(const std::function<void()>& f) {
  try {
    f();
  } catch (const sheetcut::Error& e) {
    return std::to_string(e.number()) + " " + e.description();
  }
  return "no error";
}

}  // namespace crypto_test
