#pragma once

// Shared helpers of the DXF tests: a temporary folder, file bytes, the error of a bad read, and
// running python3-ezdxf.

#include <filesystem>
#include <string>
#include <string_view>

#include "cadhost/host_error.h"

namespace dxftest {

// A fresh folder under the system's temporary folder, removed with the object.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  std::string path(std::string_view name) const { return (dir_ / name).string(); }
  const std::filesystem::path& dir() const { return dir_; }

 private:
  std::filesystem::path dir_;
};

std::string readBytes(const std::string& path);
void writeBytes(const std::string& path, std::string_view bytes);

// DXF text from "code value" lines: each line becomes a group-code line right-aligned in three
// columns and a value line, joined with `eol`.
std::string dxfText(std::string_view lines, std::string_view eol = "\n");

// The error that reading `bytes` as the file `name` raises. Reading without an error is a
// test failure, and gives an Io error with an empty message.
cadhost::HostError readError(const std::string& bytes, const std::string& name);

// Runs a Python script with the Debian python3 (which sees python3-ezdxf). Returns its standard
// output; `exitCode` receives the exit status.
std::string runPython(const std::string& script, int& exitCode);

}  // namespace dxftest
