#include <gtest/gtest.h>

#include <cmath>
#include <map>

#include <random>

#include "cadhost/host_error.h"
#include "entity_builders.h"
#include "geom/extents.h"
#include "geom/select_tests.h"
#include "geom/spatial_index.h"

namespace cadhost::geom {
namespace {

using testing::entity;

model::Object line(double x1, double y1, double x2, double y2) {
  return entity("LINE", {{10, std::to_string(x1)},
                         {20, std::to_string(y1)},
                         {11, std::to_string(x2)},
                         {21, std::to_string(y2)}});
}

bool picks(const SelectionArea& area, const model::Object& e) {
  const auto box = extentsOf(e, {});
  return box && area.selects(e, *box);
}

TEST(Selection, WindowEdgesAreInclusive) {
  const auto diagonal = line(0, 0, 10, 10);
  EXPECT_TRUE(
      picks(SelectionArea::rectangle(SelectMode::Window, {0, 0, 0}, {10, 10, 0}), diagonal));
  EXPECT_TRUE(
      picks(SelectionArea::rectangle(SelectMode::Window, {10, 10, 0}, {0, 0, 0}), diagonal));
  EXPECT_FALSE(
      picks(SelectionArea::rectangle(SelectMode::Window, {0, 0, 0}, {9.999, 10, 0}), diagonal));
  // The union of the boxes of far-off entities selects every one of them.
  const model::Object parts[] = {
      line(1e6 + 0.1, 2e6 + 0.3, 1e6 + 841.7, 2e6 + 0.3),
      line(1e6 + 841.7, 2e6 + 0.3, 1e6 + 841.7, 2e6 + 594.9),
      entity("TEXT",
             {{10, "1000800.3"}, {20, "2000590.1"}, {40, "3.5"}, {1, "DWG-01"}, {50, "0"}})};
  Box all;
  for (const auto& p : parts) all.extend(*extentsOf(p, {}));
  const auto frame = SelectionArea::rectangle(SelectMode::Window, all.min, all.max);
  for (const auto& p : parts) EXPECT_TRUE(picks(frame, p));
  // Everything the area can select overlaps its query bounds.
  EXPECT_TRUE(frame.bounds().overlapsXY(all));
}

TEST(Selection, CrossingTestsLineWorkExactly) {
  const auto crossing = SelectionArea::rectangle(SelectMode::Crossing, {0, 0, 0}, {3, 3, 0});
  // The diagonal's box overlaps the rectangle but the line passes beyond it.
  EXPECT_FALSE(picks(crossing, line(0, 10, 10, 0)));
  EXPECT_TRUE(picks(crossing, line(0, 6, 6, 0)));    // touches the corner (3,3)
  EXPECT_TRUE(picks(crossing, line(1, 1, 2, 2)));    // inside
  EXPECT_TRUE(picks(crossing, line(-5, 1, 50, 1)));  // through
  EXPECT_FALSE(picks(crossing, line(4, -5, 4, 50)));
  // A closed polyline around the rectangle does not cross it.
  const auto around = entity("LWPOLYLINE", {{90, "4"},
                                            {70, "1"},
                                            {10, "-1"},
                                            {20, "-1"},
                                            {10, "4"},
                                            {20, "-1"},
                                            {10, "4"},
                                            {20, "4"},
                                            {10, "-1"},
                                            {20, "4"}});
  EXPECT_FALSE(picks(crossing, around));
  // An arc that bulges into the rectangle does, the straight chord would not.
  const auto bulged = entity(
      "LWPOLYLINE", {{90, "2"}, {70, "0"}, {10, "-2"}, {20, "5"}, {42, "1"}, {10, "8"}, {20, "5"}});
  EXPECT_TRUE(picks(crossing, bulged));
  EXPECT_FALSE(picks(crossing, line(-2, 5, 8, 5)));
  // Types tested by their box: overlap is enough.
  EXPECT_TRUE(picks(crossing, entity("TEXT", {{10, "2"}, {20, "2"}, {40, "5"}, {1, "WIDE"}})));
  EXPECT_TRUE(picks(crossing, entity("CIRCLE", {{10, "5"}, {20, "1"}, {40, "2.5"}})));
  EXPECT_FALSE(picks(crossing, entity("CIRCLE", {{10, "0"}, {20, "0"}, {40, "100"}})));
}

TEST(Selection, AFarWideStripReachesNoFurtherUpOrDown) {
  // One text high, as wide as a drawing with an entity far off: its tolerance up and down
  // follows its height, not its width.
  for (const double far : {1e12, 1e308}) {
    for (const SelectMode mode : {SelectMode::Crossing, SelectMode::Window}) {
      const auto strip = SelectionArea::rectangle(mode, {-far, 100, 0}, {far, 103.5, 0});
      EXPECT_TRUE(picks(strip, line(0, 101, 420, 101))) << far;
      EXPECT_FALSE(picks(strip, line(0, 90, 420, 90))) << far;
      EXPECT_FALSE(picks(strip, line(0, 103.6, 420, 110))) << far;
      EXPECT_EQ(picks(strip, line(-100, 102, far, 102)), true) << far;
    }
  }
}

TEST(Selection, Polygons) {
  const std::vector<Point3> triangle = {{0, 0, 0}, {10, 0, 0}, {0, 10, 0}};
  const auto window = SelectionArea::polygon(SelectMode::WindowPolygon, triangle);
  const auto crossing = SelectionArea::polygon(SelectMode::CrossingPolygon, triangle);
  EXPECT_TRUE(picks(window, line(1, 1, 4, 4)));
  EXPECT_TRUE(picks(window, line(0, 0, 10, 0)));  // on the boundary
  EXPECT_FALSE(picks(window, line(1, 1, 6, 6)));  // leaves through the hypotenuse
  EXPECT_FALSE(picks(window, line(6, 6, 8, 8)));  // inside the bounds, outside the triangle
  EXPECT_TRUE(picks(crossing, line(1, 1, 6, 6)));
  EXPECT_TRUE(picks(crossing, line(-5, 3, 20, 3)));
  EXPECT_FALSE(picks(crossing, line(6, 6, 8, 8)));
  EXPECT_FALSE(picks(crossing, line(9, 9, 12, 4)));  // the box overlaps, the line misses
  // A text whose box contains the whole polygon crosses it; a text in the empty corner does not.
  EXPECT_TRUE(picks(crossing, entity("TEXT", {{10, "-5"}, {20, "-5"}, {40, "40"}, {1, "BIG"}})));
  EXPECT_FALSE(picks(crossing, entity("TEXT", {{10, "7"}, {20, "7"}, {40, "1"}, {1, "A"}})));
  EXPECT_TRUE(picks(window, entity("TEXT", {{10, "1"}, {20, "1"}, {40, "1"}, {1, "A"}})));
}

TEST(Selection, TurnedTextInATurnedWindowPolygon) {
  // A text turned by 45 degrees inside a diamond that follows it: its box pokes out of the
  // diamond at the corners, its outline does not.
  const auto text = entity("TEXT", {{10, "0"}, {20, "0"}, {40, "2"}, {50, "45"}, {1, "ABCDEFGH"}});
  const ExtentsContext ctx;
  const Box box = *extentsOf(text, ctx);
  const double r = std::sqrt(0.5);
  const auto turned = [&](double x, double y) { return Point3{x * r - y * r, x * r + y * r, 0}; };
  const auto around = SelectionArea::polygon(
      SelectMode::WindowPolygon, {turned(-1, -1), turned(12, -1), turned(12, 3), turned(-1, 3)});
  EXPECT_TRUE(around.selects(text, box, ctx));
  EXPECT_FALSE(around.selects(text, box));  // by its box, without the text's outline
  const auto shortOne = SelectionArea::polygon(
      SelectMode::WindowPolygon, {turned(-1, -1), turned(6, -1), turned(6, 3), turned(-1, 3)});
  EXPECT_FALSE(shortOne.selects(text, box, ctx));
}

TEST(Selection, BlockReferencesAreTestedByTheirParts) {
  model::Block frame;
  frame.begin = entity("BLOCK", {{2, "FRAME"}, {10, "0"}, {20, "0"}});
  frame.entities = {entity("LWPOLYLINE", {{90, "4"},
                                          {70, "1"},
                                          {10, "0"},
                                          {20, "0"},
                                          {10, "100"},
                                          {20, "0"},
                                          {10, "100"},
                                          {20, "50"},
                                          {10, "0"},
                                          {20, "50"}}),
                    entity("ATTDEF", {{10, "50"}, {20, "25"}, {40, "5"}, {2, "TAG"}})};
  ExtentsContext ctx;
  ctx.findBlock = [&](std::string_view) { return &frame; };
  auto insert = entity("INSERT", {{2, "FRAME"}, {10, "1000"}, {20, "0"}, {50, "90"}});
  const Box box = *extentsOf(insert, ctx);  // x 950..1000, y 0..100
  const auto inside = SelectionArea::rectangle(SelectMode::Crossing, {960, 40, 0}, {990, 60, 0});
  EXPECT_TRUE(inside.selects(insert, box));  // without block lookup: by its box
  EXPECT_FALSE(inside.selects(insert, box, ctx));
  EXPECT_TRUE(SelectionArea::rectangle(SelectMode::Crossing, {990, 40, 0}, {1010, 60, 0})
                  .selects(insert, box, ctx));
  const auto diamond = SelectionArea::polygon(
      SelectMode::WindowPolygon, {{975, -100, 0}, {1100, 50, 0}, {975, 200, 0}, {850, 50, 0}});
  EXPECT_TRUE(diamond.selects(insert, box, ctx));
  const auto crossingDiamond = SelectionArea::polygon(
      SelectMode::CrossingPolygon, {{975, 30, 0}, {985, 50, 0}, {975, 70, 0}, {965, 50, 0}});
  EXPECT_FALSE(crossingDiamond.selects(insert, box, ctx));
  // An attribute in the middle is a part of the reference.
  insert.subs = {entity("ATTRIB", {{10, "970"}, {20, "45"}, {40, "5"}, {1, "X"}, {2, "TAG"}}),
                 entity("SEQEND")};
  EXPECT_TRUE(inside.selects(insert, *extentsOf(insert, ctx), ctx));
  EXPECT_TRUE(crossingDiamond.selects(insert, *extentsOf(insert, ctx), ctx));
}

// Nested references are decided by their boxes where these lie inside or outside the area,
// and opened only where they cross its edge.
TEST(Selection, NestedReferencesArePrunedByTheirBoxes) {
  std::map<std::string, model::Block> blocks;
  auto add = [&](const std::string& name, std::vector<model::Object> content) {
    model::Block& b = blocks[name];
    b.begin = entity("BLOCK", {{2, name}, {10, "0"}, {20, "0"}});
    b.entities = std::move(content);
  };
  // An L of two lines (the corner at the origin, arms 10 long), and a row of three Ls.
  add("L", {entity("LINE", {{10, "0"}, {20, "0"}, {11, "10"}, {21, "0"}}),
            entity("LINE", {{10, "0"}, {20, "0"}, {11, "0"}, {21, "10"}})});
  add("ROW", {entity("INSERT", {{2, "L"}, {10, "0"}, {20, "0"}}),
              entity("INSERT", {{2, "L"}, {10, "20"}, {20, "0"}}),
              entity("INSERT", {{2, "L"}, {10, "40"}, {20, "0"}})});
  ExtentsContext ctx;
  ctx.findBlock = [&](std::string_view name) -> const model::Block* {
    auto it = blocks.find(std::string(name));
    return it == blocks.end() ? nullptr : &it->second;
  };
  const auto row = entity("INSERT", {{2, "ROW"}, {10, "0"}, {20, "0"}});
  const Box box = *extentsOf(row, ctx);  // 0..50 x 0..10
  auto crossing = [&](double x0, double y0, double x1, double y1) {
    return SelectionArea::rectangle(SelectMode::Crossing, {x0, y0, 0}, {x1, y1, 0})
        .selects(row, box, ctx);
  };
  EXPECT_TRUE(crossing(19, -1, 21, 11));  // the second L inside
  EXPECT_TRUE(crossing(45, -1, 55, 1));   // the last arm, across the area's edge
  EXPECT_FALSE(crossing(25, 5, 35, 9));   // inside two Ls' boxes, beside their arms
  EXPECT_FALSE(crossing(12, 2, 18, 20));  // between two Ls
  auto windowPolygon = [&](double x0, double y0, double x1, double y1) {
    return SelectionArea::polygon(SelectMode::WindowPolygon,
                                  {{x0, y0, 0}, {x1, y0, 0}, {x1, y1, 0}, {x0, y1, 0}})
        .selects(row, box, ctx);
  };
  EXPECT_TRUE(windowPolygon(-1, -1, 51, 11));
  EXPECT_FALSE(windowPolygon(-1, -1, 45, 11));  // the last L sticks out
}

// A reference whose parts all lie along the area's edge is looked into up to a cap, and
// beyond it tested by its box: a crossing area inside its box selects it then.
TEST(Selection, ManyPartsFallBackToTheBoxTest) {
  auto blockOfLines = [](int lines) {
    model::Block b;
    b.begin = entity("BLOCK", {{2, "COMB"}, {10, "0"}, {20, "0"}});
    // Teeth from y = 0 to 1 every 0.01 along x, and one tooth from y = 9 to 10 at the end.
    for (int i = 0; i < lines; ++i)
      b.entities.push_back(entity(
          "LINE",
          {{10, std::to_string(i * 0.01)}, {20, "0"}, {11, std::to_string(i * 0.01)}, {21, "1"}}));
    b.entities.push_back(entity("LINE", {{10, "0"}, {20, "9"}, {11, "0"}, {21, "10"}}));
    return b;
  };
  const auto comb = entity("INSERT", {{2, "COMB"}});
  // A crossing area between the teeth and the last tooth: no part touches it.
  const auto area = SelectionArea::rectangle(SelectMode::Crossing, {-1, 4, 0}, {1, 6, 0});
  for (const auto& [lines, selected] : {std::pair{40'000, false}, std::pair{60'000, true}}) {
    const model::Block block = blockOfLines(lines);
    ExtentsContext ctx;
    ctx.findBlock = [&](std::string_view) { return &block; };
    EXPECT_EQ(area.selects(comb, *extentsOf(comb, ctx), ctx), selected) << lines;
  }
}

// The box of a reference turned by an odd angle to a large block holds its parts loosely; a
// window decides such a reference by its parts.
TEST(Selection, WindowLooksIntoTurnedReferencesOfLargeBlocks) {
  model::Block round, many;
  round.begin = entity("BLOCK", {{2, "ROUND"}, {10, "0"}, {20, "0"}});
  round.entities = {entity("CIRCLE", {{10, "0"}, {20, "0"}, {40, "1"}})};
  many.begin = entity("BLOCK", {{2, "MANY"}, {10, "0"}, {20, "0"}});
  for (int i = 0; i < 5000; ++i) many.entities.push_back(entity("INSERT", {{2, "ROUND"}}));
  ExtentsContext ctx;
  ctx.findBlock = [&](std::string_view name) { return name == "ROUND" ? &round : &many; };
  const auto turned = entity("INSERT", {{2, "MANY"}, {50, "45"}});
  const Box box = *extentsOf(turned, ctx);
  EXPECT_GT(box.max.x, 1.4);
  const auto window = SelectionArea::rectangle(SelectMode::Window, {-1.1, -1.1, 0}, {1.1, 1.1, 0});
  EXPECT_FALSE(window.selects(turned, box));
  EXPECT_TRUE(window.selects(turned, box, ctx));
  EXPECT_FALSE(SelectionArea::rectangle(SelectMode::Window, {-1.1, -1.1, 0}, {0.9, 1.1, 0})
                   .selects(turned, box, ctx));
}

TEST(Selection, BadAreasAreRefused) {
  auto refused = [](auto&& make) {
    try {
      make();
    } catch (const HostError& e) {
      return e.code() == HostError::Refused;
    }
    return false;
  };
  EXPECT_TRUE(refused([] { SelectionArea::rectangle(SelectMode::All, {}, {1, 1, 0}); }));
  EXPECT_TRUE(refused([] {
    SelectionArea::rectangle(SelectMode::Window, {NAN, 0, 0}, {1, 1, 0});
  }));
  EXPECT_TRUE(refused([] {
    SelectionArea::polygon(SelectMode::WindowPolygon, {{0, 0, 0}, {1, 1, 0}});
  }));
  EXPECT_TRUE(refused([] {
    SelectionArea::polygon(SelectMode::Window, {{0, 0, 0}, {1, 1, 0}, {1, 0, 0}});
  }));
}

TEST(SpatialIndex, AgreesWithBruteForce) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> pos(-1000, 1000), size(0, 20);
  SpatialIndex index;
  std::vector<std::optional<Box>> boxes(3000);
  auto randomBox = [&] {
    const Point3 p{pos(rng), pos(rng), 0};
    const double s = (rng() % 50 == 0) ? 1500 : size(rng);  // a few huge ones
    return boxOf(p, {p.x + s, p.y + size(rng) * (rng() % 3), 0});
  };
  auto check = [&] {
    for (int q = 0; q < 200; ++q) {
      const Point3 p{pos(rng), pos(rng), 0};
      const Box area = boxOf(p, {p.x + size(rng) * 10, p.y + size(rng) * 10, 0});
      std::vector<SpatialIndex::Id> expected;
      for (std::size_t i = 0; i < boxes.size(); ++i)
        if (boxes[i] && boxes[i]->overlapsXY(area))
          expected.push_back(static_cast<SpatialIndex::Id>(i));
      ASSERT_EQ(index.query(area), expected);
    }
  };
  for (std::size_t i = 0; i < boxes.size(); i += 2) {  // sparse ids first
    boxes[i] = randomBox();
    index.insert(static_cast<SpatialIndex::Id>(i), *boxes[i]);
  }
  check();
  // Removals, replacements and boxes far outside the grid built so far.
  for (int round = 0; round < 3; ++round) {
    for (int k = 0; k < 800; ++k) {
      const std::size_t i = rng() % boxes.size();
      const auto id = static_cast<SpatialIndex::Id>(i);
      if (rng() % 3 == 0) {
        index.remove(id);
        boxes[i].reset();
      } else {
        boxes[i] = randomBox();
        if (rng() % 100 == 0) boxes[i] = boxOf({5000, 5000, 0}, {5001, 5001, 0});
        index.insert(id, *boxes[i]);
      }
    }
    check();
    std::size_t present = 0;
    for (const auto& b : boxes) present += b.has_value();
    EXPECT_EQ(index.size(), present);
  }
  // Touching counts; an empty box is not indexed.
  index.clear();
  index.insert(1, boxOf({0, 0, 0}, {1, 1, 0}));
  index.insert(2, Box{});
  EXPECT_EQ(index.query(boxOf({1, 1, 0}, {2, 2, 0})), std::vector<SpatialIndex::Id>{1});
  EXPECT_EQ(index.size(), 1u);
}

}  // namespace
}  // namespace cadhost::geom
