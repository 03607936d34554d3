#include <gtest/gtest.h>

#include <cmath>
#include <map>

#include "entity_builders.h"
#include "geom/extents.h"

namespace cadhost::geom {
namespace {

using testing::entity;
using testing::expectBoxXY;

const ExtentsContext kNoBlocks{};

TEST(Extents, ArcsBulgesAndEllipses) {
  expectBoxXY(extentsOf(entity("ARC", {{10, "0"}, {20, "0"}, {40, "10"}, {50, "0"}, {51, "90"}}),
                        kNoBlocks),
              0, 0, 10, 10);
  const double s = 10 * std::sqrt(0.5);
  expectBoxXY(extentsOf(entity("ARC", {{10, "0"}, {20, "0"}, {40, "10"}, {50, "45"}, {51, "135"}}),
                        kNoBlocks),
              -s, s, s, 10);
  // Across 0 degrees: from 270 to 90.
  expectBoxXY(extentsOf(entity("ARC", {{10, "0"}, {20, "0"}, {40, "10"}, {50, "270"}, {51, "90"}}),
                        kNoBlocks),
              0, -10, 10, 10);
  // A circle whose extrusion points down: OCS x runs along -X.
  expectBoxXY(
      extentsOf(
          entity(
              "CIRCLE",
              {{10, "5"}, {20, "0"}, {30, "0"}, {40, "10"}, {210, "0"}, {220, "0"}, {230, "-1"}}),
          kNoBlocks),
      -15, -10, 5, 10);
  // A positive bulge turns counter-clockwise: from (0,0) to (10,0) it passes below.
  expectBoxXY(
      extentsOf(
          entity("LWPOLYLINE",
                 {{90, "2"}, {70, "0"}, {10, "0"}, {20, "0"}, {42, "1"}, {10, "10"}, {20, "0"}}),
          kNoBlocks),
      0, -5, 10, 0);
  // Closed: the closing segment carries the last vertex's bulge (here back above).
  expectBoxXY(
      extentsOf(
          entity("LWPOLYLINE",
                 {{90, "2"}, {70, "1"}, {10, "0"}, {20, "0"}, {10, "10"}, {20, "0"}, {42, "1"}}),
          kNoBlocks),
      0, 0, 10, 5);
  // Old-style polyline with bulged vertices.
  model::Object pline = entity("POLYLINE", {{66, "1"}, {70, "0"}});
  pline.subs = {entity("VERTEX", {{10, "0"}, {20, "0"}, {42, "-1"}}),
                entity("VERTEX", {{10, "0"}, {20, "10"}}), entity("SEQEND")};
  expectBoxXY(extentsOf(pline, kNoBlocks), -5, 0, 0, 10);
  // Quarter ellipse and a rotated full one.
  expectBoxXY(extentsOf(entity("ELLIPSE", {{10, "0"},
                                           {20, "0"},
                                           {11, "10"},
                                           {21, "0"},
                                           {40, "0.5"},
                                           {41, "0"},
                                           {42, "1.5707963267948966"}}),
                        kNoBlocks),
              0, 0, 10, 5);
  const double hx = std::sqrt(9 + 4), hy = std::sqrt(16 + 2.25);
  expectBoxXY(extentsOf(entity("ELLIPSE", {{10, "1"},
                                           {20, "1"},
                                           {11, "3"},
                                           {21, "4"},
                                           {40, "0.5"},
                                           {41, "0"},
                                           {42, "6.283185307179586"}}),
                        kNoBlocks),
              1 - hx, 1 - hy, 1 + hx, 1 + hy);
}

TEST(Extents, RawTypes) {
  // A quadratic Bezier peaks at half its control point's height.
  const auto spline = testing::quadraticSpline();
  expectBoxXY(extentsOf(spline, kNoBlocks), 0, 0, 10, 5, true);
  // Hatch: one polyline path with a bulge and one edge path with an arc; the elevation point
  // (0,0) and the seed point are not part of it.
  const auto hatch =
      entity("HATCH", {{10, "0"},    {20, "0"},  {30, "0"},  {210, "0"},  {220, "0"}, {230, "1"},
                       {2, "SOLID"}, {70, "1"},  {71, "0"},  {91, "2"},   {92, "2"},  {72, "1"},
                       {73, "1"},    {93, "2"},  {10, "10"}, {20, "10"},  {42, "1"},  {10, "20"},
                       {20, "10"},   {42, "0"},  {97, "0"},  {92, "1"},   {93, "2"},  {72, "1"},
                       {10, "30"},   {20, "10"}, {11, "40"}, {21, "10"},  {72, "2"},  {10, "35"},
                       {20, "10"},   {40, "5"},  {50, "0"},  {51, "180"}, {73, "1"},  {97, "0"},
                       {75, "1"},    {76, "1"},  {98, "1"},  {10, "100"}, {20, "100"}});
  expectBoxXY(extentsOf(hatch, kNoBlocks), 10, 5, 40, 15);
  // Image: 10 plus the pixel vectors times the size.
  expectBoxXY(extentsOf(entity("IMAGE", {{10, "1"},
                                         {20, "2"},
                                         {11, "0.5"},
                                         {21, "0"},
                                         {12, "0"},
                                         {22, "0.25"},
                                         {13, "100"},
                                         {23, "40"}}),
                        kNoBlocks),
              1, 2, 51, 12);
  // Fallback: a SOLID's corners through its OCS.
  expectBoxXY(extentsOf(entity("SOLID", {{10, "1"},
                                         {20, "1"},
                                         {11, "3"},
                                         {21, "1"},
                                         {12, "1"},
                                         {22, "2"},
                                         {13, "3"},
                                         {23, "2"},
                                         {210, "0"},
                                         {220, "0"},
                                         {230, "-1"}}),
                        kNoBlocks),
              -3, 1, -1, 2);
  // A multileader's 11 and 13 are directions, not points.
  expectBoxXY(extentsOf(entity("MULTILEADER", {{10, "50"},
                                               {20, "60"},
                                               {11, "0"},
                                               {21, "0"},
                                               {12, "55"},
                                               {22, "62"},
                                               {13, "1"},
                                               {23, "0"},
                                               {10, "40"},
                                               {20, "58"}}),
                        kNoBlocks),
              40, 58, 55, 62);
  EXPECT_FALSE(extentsOf(entity("XLINE", {{10, "0"}, {20, "0"}, {11, "1"}, {21, "0"}}), kNoBlocks));
  EXPECT_FALSE(extentsOf(entity("3DSOLID", {{1, "acis data"}}), kNoBlocks));
  EXPECT_FALSE(extentsOf(entity("LWPOLYLINE", {{90, "0"}}), kNoBlocks));
}

TEST(Extents, TextAlignmentRotationAndWidth) {
  // "AB": two regular characters of 0.65 x height.
  auto text = [](std::initializer_list<std::pair<int, std::string>> extra) {
    model::Object o = entity("TEXT", {{10, "0"}, {20, "0"}, {40, "10"}, {1, "AB"}});
    for (const auto& [c, v] : extra) o.tags.push_back({static_cast<std::int16_t>(c), v});
    return extentsOf(o, kNoBlocks);
  };
  expectBoxXY(text({}), 0, 0, 13, 10);  // the baseline is the bottom
  expectBoxXY(text({{72, "1"}, {11, "100"}, {21, "0"}}), 93.5, 0, 106.5, 10);
  expectBoxXY(text({{72, "4"}, {11, "100"}, {21, "0"}}), 93.5, -5, 106.5, 5);
  expectBoxXY(text({{72, "2"}, {73, "3"}, {11, "100"}, {21, "0"}}), 87, -10, 100, 0);
  expectBoxXY(text({{50, "90"}}), -10, 0, 0, 13);
  expectBoxXY(text({{41, "2"}}), 0, 0, 26, 10);
  // Fit keeps the height, aligned scales it with the span.
  expectBoxXY(text({{72, "5"}, {11, "50"}, {21, "0"}}), 0, 0, 50, 10);
  expectBoxXY(text({{72, "3"}, {11, "26"}, {21, "0"}}), 0, 0, 26, 20);
  // Left/baseline ignores 11 even when present.
  expectBoxXY(text({{11, "100"}, {21, "100"}}), 0, 0, 13, 10);

  // A text without 41 is 1.0 wide, whatever its style's width factor.
  expectBoxXY(
      extentsOf(entity("TEXT", {{10, "0"}, {20, "0"}, {40, "10"}, {1, "中文"}, {7, "NARROW"}}),
                kNoBlocks),
      0, 0, 20, 10);
  // Attributes keep their vertical alignment in 74; 73 is their field length.
  expectBoxXY(extentsOf(entity("ATTRIB", {{10, "0"},
                                          {20, "0"},
                                          {40, "10"},
                                          {1, "AB"},
                                          {2, "TAG"},
                                          {73, "3"},
                                          {72, "0"},
                                          {74, "3"},
                                          {11, "0"},
                                          {21, "0"}}),
                        kNoBlocks),
              0, -10, 13, 0);
}

TEST(Extents, MTextWrapAttachmentAndDirection) {
  const double line2 = 1 + 5.0 / 3.0;
  // Two words of 2.6 each wrap at a width of 3; top-left attachment hangs below the point.
  auto mtext =
      entity("MTEXT", {{10, "0"}, {20, "0"}, {40, "1"}, {41, "3"}, {71, "1"}, {1, "AAAA BBBB"}});
  expectBoxXY(extentsOf(mtext, kNoBlocks), 0, -line2, 2.6, 0);
  mtext =
      entity("MTEXT", {{10, "0"}, {20, "0"}, {40, "1"}, {41, "3"}, {71, "5"}, {1, "AAAA BBBB"}});
  expectBoxXY(extentsOf(mtext, kNoBlocks), -1.3, -line2 / 2, 1.3, line2 / 2);
  // Format codes do not count; \P breaks the paragraph; chunks in 3 come first.
  auto formatted = entity("MTEXT", {{10, "0"},
                                    {20, "0"},
                                    {40, "1"},
                                    {71, "7"},
                                    {3, "{\\fArial|b1;\\H2x;AB}"},
                                    {1, "\\PCDE\\~F"}});
  expectBoxXY(extentsOf(formatted, kNoBlocks), 0, 0, 0.65 * 4 + 0.5, line2);
  // The direction vector turns the text upright.
  auto up = entity(
      "MTEXT",
      {{10, "0"}, {20, "0"}, {40, "1"}, {71, "1"}, {11, "0"}, {21, "1"}, {31, "0"}, {1, "AB"}});
  expectBoxXY(extentsOf(up, kNoBlocks), 0, 0, 1, 1.3);
  // CJK wraps between characters.
  auto cjk =
      entity("MTEXT", {{10, "0"}, {20, "0"}, {40, "1"}, {41, "2.5"}, {71, "7"}, {1, "一二三四五"}});
  expectBoxXY(extentsOf(cjk, kNoBlocks), 0, 0, 2, 1 + 2 * 5.0 / 3.0);
}

struct Blocks {
  std::map<std::string, model::Block> byName;
  ExtentsContext context() const {
    ExtentsContext ctx;
    ctx.findBlock = [this](std::string_view name) -> const model::Block* {
      for (const auto& [n, b] : byName)
        if (n.size() == name.size() && strncasecmp(n.data(), name.data(), n.size()) == 0) return &b;
      return nullptr;
    };
    return ctx;
  }
  void add(const std::string& name, double bx, double by, std::vector<model::Object> content) {
    model::Block b;
    b.begin = entity(
        "BLOCK",
        {{2, name}, {70, "0"}, {10, std::to_string(bx)}, {20, std::to_string(by)}, {30, "0"}});
    b.entities = std::move(content);
    b.end = entity("ENDBLK");
    byName[name] = std::move(b);
  }
};

TEST(Extents, InsertsAndAttributes) {
  Blocks blocks;
  // A line from the base point 2 units to the right; an attribute definition far away that
  // must not count.
  blocks.add("Frame", 1, 1,
             {entity("LINE", {{10, "1"}, {20, "1"}, {11, "3"}, {21, "1"}}),
              entity("ATTDEF", {{10, "500"}, {20, "500"}, {40, "1"}, {2, "TAG"}, {1, ""}})});
  const ExtentsContext ctx = blocks.context();
  auto insert =
      entity("INSERT", {{2, "FRAME"}, {10, "10"}, {20, "10"}, {41, "2"}, {42, "2"}, {50, "90"}});
  expectBoxXY(extentsOf(insert, ctx), 10, 10, 10, 14);
  // Attributes count, invisible ones do not.
  insert.subs = {
      entity("ATTRIB", {{10, "20"}, {20, "30"}, {40, "1"}, {1, "A"}, {2, "T"}}),
      entity("ATTRIB", {{10, "-90"}, {20, "-90"}, {40, "1"}, {1, "A"}, {2, "H"}, {70, "1"}}),
      entity("SEQEND")};
  expectBoxXY(extentsOf(insert, ctx), 10, 10, 20.65, 31);
  // A MINSERT of 3 columns 10 apart and 2 rows 5 apart.
  auto grid = entity(
      "INSERT", {{2, "Frame"}, {10, "0"}, {20, "0"}, {70, "3"}, {71, "2"}, {44, "10"}, {45, "5"}});
  expectBoxXY(extentsOf(grid, ctx), 0, 0, 22, 5);
  // Nested references, and a block that inserts itself.
  blocks.add("Outer", 0, 0,
             {entity("INSERT", {{2, "Frame"}, {10, "100"}, {20, "0"}}),
              entity("INSERT", {{2, "Outer"}, {10, "1000"}, {20, "1000"}})});
  expectBoxXY(extentsOf(entity("INSERT", {{2, "outer"}, {10, "0"}, {20, "0"}}), ctx), 100, 0, 102,
              0);
  // A rotated nested circle stays tight (no box-of-box growth).
  blocks.add("Round", 0, 0, {entity("CIRCLE", {{10, "0"}, {20, "0"}, {40, "1"}})});
  blocks.add("Holder", 0, 0, {entity("INSERT", {{2, "Round"}, {50, "30"}})});
  expectBoxXY(extentsOf(entity("INSERT", {{2, "Holder"}, {50, "15"}}), ctx), -1, -1, 1, 1);
  // Empty or missing blocks have no extent.
  blocks.add("Empty", 0, 0, {});
  EXPECT_FALSE(extentsOf(entity("INSERT", {{2, "Empty"}}), ctx));
  EXPECT_FALSE(extentsOf(entity("INSERT", {{2, "Missing"}}), ctx));
  // A dimension is drawn by its block.
  blocks.add("*D1", 0, 0, {entity("LINE", {{10, "5"}, {20, "6"}, {11, "7"}, {21, "8"}})});
  expectBoxXY(extentsOf(entity("DIMENSION", {{2, "*D1"}, {10, "0"}, {20, "0"}}), ctx), 5, 6, 7, 8);
}

// Block boxes are computed once per block from the boxes of the blocks they reference: a
// chain that expands to 10^8 entities boxes at once, and exactly.
TEST(Extents, NestedFanOutIsBoxedFromTheBlockBoxes) {
  // Built by appending: "L" + std::string makes GCC 12 at -O3 raise a false -Wrestrict.
  const auto name = [](int level) {
    std::string n = "L";
    n += std::to_string(level);
    return n;
  };
  Blocks blocks;
  blocks.add("L0", 0, 0, {entity("LINE", {{10, "0"}, {20, "0"}, {11, "10"}, {21, "10"}})});
  for (int level = 1; level <= 8; ++level) {
    std::vector<model::Object> refs;
    for (int i = 0; i < 10; ++i)
      refs.push_back(entity(
          "INSERT",
          {{2, name(level - 1)}, {10, std::to_string(i * 0.5)}, {20, std::to_string(-i * 0.25)}}));
    blocks.add(name(level), 0, 0, std::move(refs));
  }
  ExtentsContext ctx = blocks.context();
  BlockBoxes cache;
  ctx.blockBoxes = &cache;
  // Each level adds 9 x 0.5 to the right and 9 x 0.25 below.
  for (int j = 0; j < 20; ++j)
    expectBoxXY(
        extentsOf(entity("INSERT", {{2, "L8"}, {10, std::to_string(100 * j)}, {20, "0"}}), ctx),
        100 * j, -18, 100 * j + 46, 10);
  // Scaled and turned by 90 degrees: still exact.
  expectBoxXY(extentsOf(entity("INSERT", {{2, "L8"}, {41, "2"}, {42, "2"}, {50, "90"}}), ctx), -20,
              0, 36, 92);
  // The cache answers for the blocks until it is cleared.
  blocks.byName["L0"].entities[0] = entity("LINE", {{10, "0"}, {20, "0"}, {11, "20"}, {21, "10"}});
  expectBoxXY(extentsOf(entity("INSERT", {{2, "L1"}}), ctx), 0, -2.25, 14.5, 10);
  cache.clear();
  expectBoxXY(extentsOf(entity("INSERT", {{2, "L1"}}), ctx), 0, -2.25, 24.5, 10);
}

// A reference turned by another angle is exact while its block expands to a few thousand
// entities; beyond that it gets its block's box turned, which holds the exact box.
TEST(Extents, TurnedReferencesOfLargeBlocksGetTheTurnedBlockBox) {
  Blocks blocks;
  blocks.add("Round", 0, 0, {entity("CIRCLE", {{10, "0"}, {20, "0"}, {40, "1"}})});
  std::vector<model::Object> many;
  for (int i = 0; i < 5000; ++i) many.push_back(entity("INSERT", {{2, "Round"}}));
  blocks.add("Many", 0, 0, std::move(many));
  const ExtentsContext ctx = blocks.context();
  expectBoxXY(extentsOf(entity("INSERT", {{2, "Round"}, {50, "45"}}), ctx), -1, -1, 1, 1);
  expectBoxXY(extentsOf(entity("INSERT", {{2, "Many"}, {50, "90"}}), ctx), -1, -1, 1, 1);
  const double r = std::sqrt(2.0);
  expectBoxXY(extentsOf(entity("INSERT", {{2, "Many"}, {50, "45"}}), ctx), -r, -r, r, r);
}

}  // namespace
}  // namespace cadhost::geom
