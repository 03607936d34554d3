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
// The text as UTF-16 bytes in the given byte order, a byte-order mark only where the text holds
// U+FEFF, as Windows editors save "Unicode" files. (A view, so that no char literal passes
// through QString::fromUtf8, which drops a leading U+FEFF.)
std::string utf16(QStringView text, bool littleEndian = true);
// The text getfacl prints for the file's access control list, without the comment lines, or a
// text in angle brackets saying why there is none.
std::string accessList(const std::filesystem::path& file);
