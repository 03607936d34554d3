#pragma once

// Generated sheet-set drawings: N drawing frames in a grid in model space, each with a border,
// inner lines, a title-block reference with Chinese texts and attributes, a drawing number
// near its lower-right corner, and filler geometry. A realistic set (Options::realistic) also
// gives every frame what real sheets carry: dimensions, each drawn by an anonymous block of
// its own (some with arrows overridden), hatches, splines on a dashed layer, multi-line texts,
// and attributed references of a detail block that only this frame uses (which nests a shared
// block); the drawing also holds a block, a layer and a line type that nothing uses. Used by
// tests, benchmarks and the sample drawing of the program.

#include <cstddef>
#include <string>
#include <vector>

#include "model/drawing.h"

namespace sheetgen {

struct Rect {
  double minX = 0, minY = 0, maxX = 0, maxY = 0;
};

struct Options {
  int frames = 4;
  int columns = 0;                    // frames per row; 0 = about square
  std::string version = "AC1024";     // R2010; "AC1015" (R2000) and later are supported
  std::string codepage = "ANSI_936";  // the text encoding before AC1021
  int fillerPerFrame = 20;            // lines, arcs, texts and polylines inside each frame
  double width = 420, height = 297;   // A3 landscape
  double gap = 60;                    // between frames
  unsigned seed = 1;                  // for the filler positions
  // Per frame, on top of the plain content (all 0 in a plain set).
  int dimensionsPerFrame = 0;  // each with its anonymous block "*D<n>"
  int hatchesPerFrame = 0;
  int splinesPerFrame = 0;
  int mtextsPerFrame = 0;
  int detailRefsPerFrame = 0;  // references of the frame's own block "DETAIL-<number>"
  // Layers "L<n>" that nothing uses, every second one locked (a drawing of many layers).
  int extraLayers = 0;

  // A set like a real one: `frames` A3 frames of about 0.7 MB of ASCII R2010 each (about 175
  // dimensions per frame).
  static Options realistic(int frames);
};

struct SheetSet {
  cadhost::model::Drawing drawing;   // empty after writeSheetSetFile
  std::vector<Rect> frames;          // each frame's outer border, in frame order
  std::vector<std::string> numbers;  // each frame's drawing number ("A001-B002-01")
  std::size_t entityCount = 0;       // model-space entities (an INSERT with its attributes is one)
};

// Model-space entities of one plain frame besides the filler.
constexpr int kFixedEntitiesPerFrame = 7;
// Model-space entities of one frame with these options.
int entitiesPerFrame(const Options& options);
// The name of the title block and the tag of its attribute.
inline constexpr const char* kTitleBlockName = "TITLE-A3";
inline constexpr const char* kTitleAttributeTag = "TITLE";
// Blocks of a realistic set: the style's arrow, the overriding arrow, the block that detail
// blocks nest, and one that nothing references.
inline constexpr const char* kArrowBlockName = "_ArchTick";
inline constexpr const char* kOverrideArrowBlockName = "_Oblique";
inline constexpr const char* kSharedBlockName = "BOLT";
inline constexpr const char* kUnusedBlockName = "LEGEND-OLD";
// The name of frame `index`'s own detail block.
std::string detailBlockName(int index);

SheetSet generateSheetSet(const Options& options);
// Generates and writes the drawing (ASCII); the result keeps the frames and numbers only.
SheetSet writeSheetSetFile(const std::string& path, const Options& options);

// The filler per frame that gives about `totalEntities` model-space entities.
int fillerForTotal(int totalEntities, int frames);
// The drawing number of frame `index` (0-based).
std::string drawingNumber(int index);

}  // namespace sheetgen
