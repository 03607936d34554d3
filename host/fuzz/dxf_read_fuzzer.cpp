// libFuzzer target: any bytes given to the DXF reader either read as a drawing or fail with a
// HostError; a drawing that was read is written and must read back. The tags of a file read
// in small blocks must be those of the same bytes read in memory. Undefined behaviour stops the
// run as a crash does.

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "cadhost/host_error.h"
#include "dxf/dxf_io.h"
#include "dxf/tag_source.h"

namespace {

std::string allTags(cadhost::dxf::TagSource& source) {
  std::string out;
  try {
    cadhost::dxf::RawTag t;
    while (source.next(t)) {
      out += std::to_string(t.position) + " " + std::to_string(t.code) + " ";
      out.append(t.value);
      out += '\n';
    }
  } catch (const cadhost::HostError& e) {
    out += e.what();
  }
  return out;
}

void checkStreaming(std::string_view bytes) {
  int fd = memfd_create("fuzz.dxf", 0);
  if (fd < 0) return;
  if (write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()) &&
      lseek(fd, 0, SEEK_SET) == 0) {
    auto memory = cadhost::dxf::asciiSource(bytes, "fuzz.dxf");
    auto streamed = cadhost::dxf::asciiFileSource(fd, "fuzz.dxf", 16);
    if (allTags(*memory) != allTags(*streamed)) {
      std::fprintf(stderr, "streamed tags differ from the tags in memory\n");
      std::abort();
    }
  }
  close(fd);
}

}  // namespace

// Undefined behaviour is a finding like a crash: the run stops at the first report and keeps
// the input (UBSAN_OPTIONS given when starting the target still take precedence).
extern "C" const char* __ubsan_default_options() {
  return "halt_on_error=1:print_stacktrace=1";
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  checkStreaming(bytes);
  cadhost::model::Drawing drawing;
  try {
    drawing = cadhost::dxf::readDxf(bytes, "fuzz.dxf");
  } catch (const cadhost::HostError&) {
    return 0;
  }
  std::string written = cadhost::dxf::writeDxf(drawing);
  try {
    cadhost::dxf::readDxf(written, "rewritten.dxf");
  } catch (const cadhost::HostError& e) {
    std::fprintf(stderr, "a drawing that was read does not read back: %s\n", e.what());
    std::abort();
  }
  return 0;
}
