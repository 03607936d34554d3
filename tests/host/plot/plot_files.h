#pragma once

// Reading plot files back with independent tools: Ghostscript renders PDF and EPS to a grey
// image, poppler's pdfinfo and pdftotext read the PDF, hp2xx reads HP-GL.

#include <cstdint>
#include <string>
#include <vector>

namespace plottest {

// The output of a program run with these arguments (the first is the program), and its exit
// status.
struct RunResult {
  int status = -1;
  std::string output;
};
RunResult run(const std::vector<std::string>& args);

// A grey image, one byte a pixel, row 0 at the top.
struct GreyImage {
  int width = 0, height = 0;
  std::vector<std::uint8_t> pixels;
  // Any ink, coloured ink included (yellow is about 227 in grey).
  bool dark(int x, int y) const {
    return x >= 0 && y >= 0 && x < width && y < height &&
           pixels[static_cast<std::size_t>(y) * width + x] < 240;
  }
  // Dark pixels in the box [x0, x1) x [y0, y1) (clipped to the image).
  int inkIn(int x0, int y0, int x1, int y1) const;
};

// Reads a binary PGM (P5) or PBM (P4) file.
GreyImage readNetpbm(const std::string& path);
// Renders the first page of a PDF or EPS file at `dpi` with Ghostscript.
GreyImage renderWithGhostscript(const std::string& file, double dpi, const std::string& workDir);

// "Page size:" of pdfinfo in points, and the page count.
struct PdfInfo {
  double width = 0, height = 0;
  int pages = 0;
  bool encrypted = false;
  std::string raw;
};
PdfInfo pdfInfo(const std::string& pdf, const std::string& password = {});

}  // namespace plottest
