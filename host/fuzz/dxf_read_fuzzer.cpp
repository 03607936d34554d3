// libFuzzer target: any bytes given to the DXF reader either read as a drawing or fail with a
// HostError; a drawing that was read is written and must read back.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "cadhost/host_error.h"
#include "dxf/dxf_io.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
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
