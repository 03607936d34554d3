#include "dxf_test_support.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "dxf/dxf_io.h"

namespace dxftest {

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "dxf-test-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot create a temporary folder");
  dir_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(dir_, ec);
}

cadhost::HostError readError(const std::string& bytes, const std::string& name) {
  try {
    cadhost::dxf::readDxf(bytes, name);
  } catch (const cadhost::HostError& e) {
    return e;
  }
  ADD_FAILURE() << "no error for " << name;
  return cadhost::HostError(cadhost::HostError::Io, "");
}

std::string readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void writeBytes(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string dxfText(std::string_view lines, std::string_view eol) {
  std::string out;
  while (!lines.empty()) {
    size_t nl = lines.find('\n');
    std::string_view line = lines.substr(0, nl);
    lines.remove_prefix(nl == std::string_view::npos ? lines.size() : nl + 1);
    if (line.empty()) continue;
    size_t sp = line.find(' ');
    std::string code(line.substr(0, sp));
    out.append(code.size() < 3 ? 3 - code.size() : 0, ' ').append(code).append(eol);
    if (sp != std::string_view::npos) out.append(line.substr(sp + 1));
    out.append(eol);
  }
  return out;
}

std::string runPython(const std::string& script, int& exitCode) {
  char path[] = "/tmp/dxf-test-script-XXXXXX";
  int fd = mkstemp(path);
  if (fd < 0) throw std::runtime_error("cannot write the python script");
  if (write(fd, script.data(), script.size()) != static_cast<ssize_t>(script.size())) {
    close(fd);
    unlink(path);
    throw std::runtime_error("cannot write the python script");
  }
  close(fd);
  std::string command = std::string("/usr/bin/python3 ") + path + " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  std::string out;
  char buf[4096];
  size_t n;
  while (pipe && (n = fread(buf, 1, sizeof buf, pipe)) > 0) out.append(buf, n);
  int status = pipe ? pclose(pipe) : -1;
  unlink(path);
  exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return out;
}

}  // namespace dxftest
