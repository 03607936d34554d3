#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "cadhost/host_error.h"
#include "entity_builders.h"
#include "geom/extents.h"
#include "geom/matrix.h"
#include "geom/transform.h"
#include "model/tags.h"

namespace cadhost::geom {
namespace {

using testing::entity;
using testing::tagText;

model::Block frameBlock() {
  model::Block b;
  b.begin = entity("BLOCK", {{2, "F"}, {10, "1"}, {20, "2"}, {30, "0"}});
  b.entities = {entity("LINE", {{10, "1"}, {20, "2"}, {11, "11"}, {21, "2"}}),
                entity("ARC", {{10, "5"}, {20, "2"}, {40, "3"}, {50, "0"}, {51, "120"}}),
                entity("TEXT", {{10, "2"}, {20, "3"}, {40, "1"}, {1, "ABC"}})};
  b.end = entity("ENDBLK");
  return b;
}

std::vector<model::Object> samples() {
  model::Object pline =
      entity("POLYLINE", {{66, "1"}, {10, "0"}, {20, "0"}, {30, "0.5"}, {70, "1"}});
  pline.subs = {entity("VERTEX", {{10, "0"}, {20, "0"}, {42, "0.4"}}),
                entity("VERTEX", {{10, "6"}, {20, "1"}}),
                entity("VERTEX", {{10, "3"}, {20, "5"}, {42, "-0.7"}}), entity("SEQEND")};
  model::Object insert = entity(
      "INSERT", {{66, "1"}, {2, "F"}, {10, "50"}, {20, "60"}, {41, "2"}, {42, "1.5"}, {50, "20"}});
  insert.subs = {
      entity("ATTRIB", {{10, "55"}, {20, "66"}, {40, "2"}, {1, "V1"}, {2, "TAG"}, {50, "20"}}),
      entity("SEQEND")};
  return {
      entity("LINE", {{10, "1"}, {20, "2"}, {30, "0"}, {11, "7"}, {21, "-3"}, {31, "0"}}),
      entity("ARC", {{10, "3"}, {20, "4"}, {40, "2"}, {50, "200"}, {51, "80"}}),
      entity("CIRCLE", {{10, "-3"}, {20, "4"}, {40, "2"}}),
      entity("ELLIPSE",
             {{10, "1"}, {20, "1"}, {11, "4"}, {21, "1"}, {40, "0.4"}, {41, "0.5"}, {42, "4"}}),
      entity("LWPOLYLINE", {{90, "3"},
                            {70, "0"},
                            {38, "2"},
                            {10, "0"},
                            {20, "0"},
                            {42, "0.5"},
                            {10, "4"},
                            {20, "0"},
                            {10, "4"},
                            {20, "3"},
                            {42, "-1"}}),
      pline,
      entity("TEXT", {{10, "3"}, {20, "1"}, {40, "2.5"}, {1, "DWG-01 图号"}, {50, "30"}}),
      entity("TEXT", {{10, "0"},
                      {20, "0"},
                      {40, "2"},
                      {1, "Mid"},
                      {72, "2"},
                      {73, "2"},
                      {11, "10"},
                      {21, "5"}}),
      entity("MTEXT",
             {{10, "2"}, {20, "8"}, {40, "1.5"}, {41, "6"}, {71, "4"}, {1, "first line\\Psecond"}}),
      testing::quadraticSpline(),
      entity(
          "SOLID",
          {{10, "0"}, {20, "0"}, {11, "2"}, {21, "0"}, {12, "0"}, {22, "1"}, {13, "2"}, {23, "1"}}),
      entity("POINT", {{10, "4"}, {20, "4"}}),
      insert,
  };
}

Matrix4 about(const Point3& p, const Matrix4& m) {
  return multiply(translationMatrix(p), multiply(m, translationMatrix(scale(p, -1))));
}

// After transforming, an entity's box is the box of its old geometry mapped by the transform.
TEST(Transform, ImageMatchesTransformedGeometry) {
  const model::Block block = frameBlock();
  ExtentsContext ctx;
  ctx.findBlock = [&](std::string_view) { return &block; };
  const std::pair<const char*, Matrix4> transforms[] = {
      {"rotate about a point", about({3, -2, 0}, rotationZMatrix(0.7))},
      {"scale and move", multiply(translationMatrix({100, -50, 0}), scalingMatrix(2.5, 2.5, 2.5))},
      {"mirror in Y axis", scalingMatrix(-1, 1, 1)},
      {"mirror in X axis and rotate", multiply(rotationZMatrix(1.1), scalingMatrix(1, -1, 1))},
      {"rotate out of plane", multiply(translationMatrix({1, 2, 3}),
                                       Matrix4{1, 0, 0, 0, 0, 0, -1, 0, 0, 1, 0, 0, 0, 0, 0, 1})},
  };
  for (const auto& [name, m] : transforms) {
    for (const model::Object& original : samples()) {
      model::Object moved = original;
      transformEntity(moved, m);
      const auto expected = transformedExtentsOf(original, m, ctx);
      const auto actual = extentsOf(moved, ctx);
      ASSERT_TRUE(expected && actual) << name << " " << model::typeOf(original);
      for (const auto& [e, a] :
           {std::pair(expected->min, actual->min), std::pair(expected->max, actual->max)}) {
        EXPECT_NEAR(e.x, a.x, 1e-6) << name << " " << model::typeOf(original);
        EXPECT_NEAR(e.y, a.y, 1e-6) << name << " " << model::typeOf(original);
        EXPECT_NEAR(e.z, a.z, 1e-6) << name << " " << model::typeOf(original);
      }
    }
  }
  // Unequal scaling works for types that can follow it.
  const Matrix4 stretch = scalingMatrix(2, 0.5, 1);
  for (const model::Object& original : {samples()[0], samples()[3], samples()[7], samples()[9]}) {
    model::Object moved = original;
    transformEntity(moved, stretch);
    const auto expected = transformedExtentsOf(original, stretch, ctx);
    const auto actual = extentsOf(moved, ctx);
    ASSERT_TRUE(expected && actual);
    EXPECT_NEAR(expected->min.x, actual->min.x, 1e-6) << model::typeOf(original);
    EXPECT_NEAR(expected->max.y, actual->max.y, 1e-6) << model::typeOf(original);
  }
}

TEST(Transform, PatchesOnlyGeometryAndRefusesWhatItCannotFollow) {
  auto line = entity("LINE", {{5, "2A"}, {8, "Walls"}, {10, "1"}, {20, "2"}, {11, "3"}, {21, "2"}});
  transformEntity(line, about({1, 1, 0}, rotationZMatrix(std::numbers::pi / 2)));
  EXPECT_EQ(tagText(line, 8), "Walls");
  EXPECT_NEAR(std::stod(tagText(line, 10)), 0, 1e-12);
  EXPECT_NEAR(std::stod(tagText(line, 21)), 3, 1e-12);
  // A translation leaves untouched numbers with their original text.
  auto text = entity("TEXT", {{10, "1.50"}, {20, "2"}, {40, "2.50"}, {50, "0"}, {1, "A"}});
  transformEntity(text, translationMatrix({1, 0, 0}));
  EXPECT_EQ(tagText(text, 10), "2.5");
  EXPECT_EQ(tagText(text, 20), "2");
  EXPECT_EQ(tagText(text, 40), "2.50");

  // A mirrored text turns upside down along its mirrored baseline; new tags join the text's
  // own subclass data, integers written as integers.
  auto mirrored = entity("TEXT", {{100, "AcDbEntity"},
                                  {8, "0"},
                                  {100, "AcDbText"},
                                  {10, "1"},
                                  {20, "0"},
                                  {40, "2"},
                                  {1, "A"},
                                  {100, "AcDbText"},
                                  {73, "0"}});
  transformEntity(mirrored, scalingMatrix(-1, 1, 1));
  EXPECT_EQ(mirrored.tags[8].code, 50);
  EXPECT_EQ(mirrored.tags[8].value, "180.0");
  EXPECT_EQ(mirrored.tags[9].code, 71);
  EXPECT_EQ(mirrored.tags[9].value, "4");
  EXPECT_EQ(tagText(mirrored, 10), "-1.0");

  auto circle = entity("CIRCLE", {{10, "0"}, {20, "0"}, {40, "1"}});
  const auto before = circle;
  auto refusedUnchanged = [](model::Object& o, const Matrix4& m, const model::Object& was) {
    try {
      transformEntity(o, m);
      return false;
    } catch (const HostError& e) {
      return e.code() == HostError::Unsupported && o == was;
    }
  };
  EXPECT_TRUE(refusedUnchanged(circle, scalingMatrix(2, 1, 1), before));
  auto dim = entity("DIMENSION", {{2, "*D1"}, {10, "0"}, {20, "0"}});
  EXPECT_TRUE(refusedUnchanged(dim, rotationZMatrix(1), dim));
  auto bulged = samples()[4];
  EXPECT_TRUE(refusedUnchanged(bulged, scalingMatrix(1, 3, 1), samples()[4]));
  auto sheared = samples()[12];
  EXPECT_TRUE(refusedUnchanged(sheared, Matrix4{1, 1, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1},
                               samples()[12]));
}

TEST(Transform, MultiLineAttributeKeepsItsEmbeddedTextApart) {
  auto attrib = entity("ATTRIB", {{10, "1"},
                                  {20, "1"},
                                  {40, "2"},
                                  {1, "A"},
                                  {2, "T"},
                                  {72, "1"},
                                  {101, "Embedded Object"},
                                  {10, "1"},
                                  {20, "1"},
                                  {40, "2"},
                                  {41, "30"},
                                  {11, "1"},
                                  {21, "0"},
                                  {31, "0"},
                                  {1, "A\\PB"}});
  // The embedded direction is not the attribute's alignment point.
  testing::expectBoxXY(extentsOf(attrib, {}), 1, 1, 2.3, 3);
  transformEntity(attrib, multiply(translationMatrix({10, 0, 0}), scalingMatrix(2, 2, 2)));
  EXPECT_EQ(tagText(attrib, 10, 0), "12.0");
  EXPECT_EQ(tagText(attrib, 10, 1), "12.0");
  EXPECT_EQ(tagText(attrib, 11), "1");  // still a unit direction
  EXPECT_EQ(tagText(attrib, 40, 1), "4.0");
  EXPECT_EQ(tagText(attrib, 41), "60.0");
}

TEST(Transform, RotationBackRestoresExactTags) {
  const double r = 0.4363323129985824;  // 25 degrees
  for (const model::Object& original : samples()) {
    model::Object e = original;
    const Point3 base{123.456, -78.9, 0};
    rotateEntity(e, base, -r);
    EXPECT_NE(e, original) << model::typeOf(original);
    rotateEntity(e, base, r);
    EXPECT_EQ(e, original) << model::typeOf(original);
  }
  // About the text's own insertion point, read again before turning back: the point stays put.
  model::Object label =
      entity("TEXT", {{10, "1234.5678"}, {20, "0.7"}, {40, "3"}, {1, "A"}, {50, "12.5"}});
  auto insertion = [&] {
    return Point3{std::stod(tagText(label, 10)), std::stod(tagText(label, 20)), 0};
  };
  rotateEntity(label, insertion(), -r);
  EXPECT_EQ(tagText(label, 10), "1234.5678");
  EXPECT_EQ(tagText(label, 20), "0.7");
  rotateEntity(label, insertion(), r);
  EXPECT_EQ(tagText(label, 50), "12.5");
  // Nested pairs unwind in order.
  model::Object e = samples()[6];
  rotateEntity(e, {}, -r);
  rotateEntity(e, {1, 1, 0}, -r);
  rotateEntity(e, {1, 1, 0}, r);
  rotateEntity(e, {}, r);
  EXPECT_EQ(e, samples()[6]);
  // A changed entity is rotated normally (no stale copy comes back).
  model::Object t = samples()[6];
  rotateEntity(t, {}, -r);
  t.tags[4].value = "CHANGED";
  rotateEntity(t, {}, r);
  EXPECT_EQ(tagText(t, 1), "CHANGED");
  EXPECT_NEAR(std::stod(tagText(t, 10)), 3, 1e-9);
  EXPECT_NEAR(std::stod(tagText(t, 50)), 30, 1e-9);
}

}  // namespace
}  // namespace cadhost::geom
