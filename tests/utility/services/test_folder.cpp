#include "test_folder.h"

#include <gtest/gtest.h>

#include <QStringEncoder>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

TestFolder::TestFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "mobrel-test-XXXXXX").string();
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  if (!mkdtemp(name.data())) ADD_FAILURE() << "cannot create a temporary folder";
  path_ = name.data();
}

TestFolder::~TestFolder() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

QString TestFolder::operator/(const std::string& name) const {
  return QString::fromStdString((path_ / name).string());
}

void writeBytes(const std::filesystem::path& file, const std::string& bytes) {
  std::ofstream out(file, std::ios::binary);
  out << bytes;
}

std::string readBytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

std::string utf16(QStringView text, bool littleEndian) {
  QStringEncoder encoder(littleEndian ? QStringConverter::Utf16LE : QStringConverter::Utf16BE);
  const QByteArray bytes = encoder(text);
  return bytes.toStdString();
}
