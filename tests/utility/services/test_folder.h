#pragma once

#include <QString>
#include <filesystem>
#include <string>

// A fresh empty folder under the temporary folder, removed with everything in it at the end.
class TestFolder {
 public:
  TestFolder();
  ~TestFolder();
  TestFolder(const TestFolder&) = delete;
  TestFolder& operator=(const TestFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // The folder joined with a relative name, as a QString.
  QString operator/(const std::string& name) const;

 private:
  std::filesystem::path path_;
};

void writeBytes(const std::filesystem::path& file, const std::string& bytes);
std::string readBytes(const std::filesystem::path& file);
