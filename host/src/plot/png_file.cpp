#include "plot/png_file.h"

#include <zlib.h>

#include <cmath>
#include <cstdint>

#include "cadhost/host_error.h"

namespace cadhost::plot {

namespace {

constexpr std::size_t kSignatureSize = 8;
// The signature, then the header chunk (length, type, 13 bytes of data, CRC).
constexpr std::size_t kHeaderEnd = kSignatureSize + 4 + 4 + 13 + 4;

cairo_status_t append(void* closure, const unsigned char* data, unsigned int length) {
  static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
  return CAIRO_STATUS_SUCCESS;
}

void putBigEndian(std::string& out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8)
    out.push_back(static_cast<char>((v >> shift) & 0xff));
}

// A pHYs chunk: pixels a metre along x and y, unit 1 (the metre).
std::string physChunk(std::uint32_t pixelsPerMetre) {
  std::string body = "pHYs";
  putBigEndian(body, pixelsPerMetre);
  putBigEndian(body, pixelsPerMetre);
  body.push_back(1);
  std::string chunk;
  putBigEndian(chunk, static_cast<std::uint32_t>(body.size() - 4));
  chunk += body;
  putBigEndian(chunk, static_cast<std::uint32_t>(crc32(crc32(0, nullptr, 0),
                                                       reinterpret_cast<const Bytef*>(body.data()),
                                                       static_cast<uInt>(body.size()))));
  return chunk;
}

}  // namespace

void writePng(cairo_surface_t* surface, const PlotFile& file, double dotsPerMm) {
  std::string png;
  const cairo_status_t status = cairo_surface_write_to_png_stream(surface, append, &png);
  if (status != CAIRO_STATUS_SUCCESS)
    throw HostError(HostError::Io, "cannot write the plot file " + file.name + ": " +
                                       cairo_status_to_string(status));
  if (png.size() < kHeaderEnd || png.compare(kSignatureSize + 4, 4, "IHDR") != 0)
    throw HostError(HostError::Io, "cannot write the plot file " + file.name + ": no PNG header");
  png.insert(kHeaderEnd, physChunk(static_cast<std::uint32_t>(std::lround(dotsPerMm * 1000))));
  writePlotFile(file, png);
}

}  // namespace cadhost::plot
