#include "test_folder.h"

#include <gtest/gtest.h>

#include <QStringEncoder>

#include <cstdio>
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

std::string accessList(const std::filesystem::path& file) {
  std::string out;
  FILE* p = ::popen(("getfacl -c -p '" + file.string() + "' 2>&1").c_str(), "r");
  if (p == nullptr) return "<no getfacl>";
  char buf[256];
  while (std::fgets(buf, sizeof buf, p) != nullptr) out += buf;
  return ::pclose(p) == 0 ? out : "<getfacl failed: " + out + ">";
}
