// make-sample-sheets [--realistic] PATH [FRAMES [VERSION [CODEPAGE]]]: writes a generated
// sheet-set drawing; --realistic gives every frame dimensions, hatches, splines, multi-line
// texts and a detail block of its own.

#include <cstdio>
#include <exception>
#include <string>

#include "sheetgen/sheet_set.h"

int main(int argc, char** argv) {
  bool realistic = false;
  if (argc > 1 && std::string(argv[1]) == "--realistic") {
    realistic = true;
    --argc;
    ++argv;
  }
  if (argc < 2 || argc > 5) {
    std::fprintf(stderr,
                 "usage: make-sample-sheets [--realistic] PATH [FRAMES [VERSION [CODEPAGE]]]\n"
                 "  VERSION: AC1015 (R2000) ... AC1032 (R2018), default AC1024\n");
    return 2;
  }
  sheetgen::Options options;
  try {
    if (argc > 2) options.frames = std::stoi(argv[2]);
    if (realistic) options = sheetgen::Options::realistic(options.frames);
    if (argc > 3) options.version = argv[3];
    if (argc > 4) options.codepage = argv[4];
    sheetgen::SheetSet set = sheetgen::writeSheetSetFile(argv[1], options);
    std::printf("%s: %zu frames, %zu entities\n", argv[1], set.frames.size(), set.entityCount);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "make-sample-sheets: %s\n", e.what());
    return 1;
  }
  return 0;
}
