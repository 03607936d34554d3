// The Variant of cell corners: element access by the array's own bounds and conversions when a
// corner is rewritten.

#include <gtest/gtest.h>

#include <sheetcut/error.h>
#include <tarvik/variant.h>

#include <functional>

namespace tarvik {
namespace {

long errorNumber(const std::function<void()>& f) {
  try {
    f();
  } catch (const sheetcut::Error& e) {
    return e.number();
  }
  return 0;
}

TEST(VariantCorners, ElementsCountFromTheLowerBound) {
  const Variant p = Variant::doubles({5, 6}, 1);
  EXPECT_EQ(p.coordinate(1), 5);
  EXPECT_EQ(p.coordinate(2), 6);
  EXPECT_EQ(errorNumber([&] { (void)p.coordinate(0); }), 9);
  EXPECT_EQ(errorNumber([&] { (void)p.coordinate(3); }), 9);
  EXPECT_EQ(p.toPoint(), (Point3d{5, 6, 0}));  // two elements: z is 0

  const Variant grid = Variant::array(Variant::kDouble, {{1, 0}, {1, 0}}, {Variant::fromDouble(1)});
  EXPECT_EQ(errorNumber([&] { (void)grid.coordinate(0); }), kTypeMismatchError);
  EXPECT_EQ(errorNumber([&] { (void)Variant::fromDouble(1).coordinate(0); }), kTypeMismatchError);
  const Variant texts = Variant::variants({Variant::fromString("1"), Variant::fromDouble(2)});
  EXPECT_EQ(errorNumber([&] { (void)texts.coordinate(0); }), kTypeMismatchError);
  EXPECT_EQ(errorNumber([] {
              (void)Variant::array(Variant::kDouble, {{3, 0}}, {Variant::fromDouble(1)});
            }),
            kTypeMismatchError);
}

TEST(VariantCorners, RewrittenElementsKeepTheArrayType) {
  Variant longs =
      Variant::array(Variant::kLong, {{2, 0}}, {Variant::fromLong(0), Variant::fromLong(0)});
  longs.setCoordinate(0, 2.5);  // rounded half to even, as the runtime converts
  longs.setCoordinate(1, 3.5);
  EXPECT_EQ(longs.items()[0], Variant::fromLong(2));
  EXPECT_EQ(longs.items()[1], Variant::fromLong(4));
  EXPECT_EQ(errorNumber([&] { longs.setCoordinate(0, 3e9); }), sheetcut::errnum::kOverflow);

  Variant mixed = Variant::variants({Variant::fromInteger(1), Variant::fromString("x")});
  mixed.setCoordinate(1, 0.25);  // an array of Variants takes a Double
  EXPECT_EQ(mixed.items()[1], Variant::fromDouble(0.25));
  EXPECT_EQ(mixed.items()[0], Variant::fromInteger(1));

  Variant singles =
      Variant::array(Variant::kSingle, {{1, 0}}, {Variant::scalar(Variant::kSingle, 0)});
  singles.setCoordinate(0, 0.1);
  EXPECT_EQ(singles.coordinate(0), static_cast<double>(0.1f));
  EXPECT_EQ(Variant::fromCurrencyRaw(12345).toDouble(), 1.2345);
}

// Copies share a text or an array until one of them is changed; a change reaches only the copy
// changed, however deep the array, and a value stays small enough for millions of corners.
TEST(VariantCorners, CopiesAreIndependentValues) {
  const Variant point = Variant::point(1, 2, 3);
  Variant moved = point;
  moved.setCoordinate(0, 9);
  EXPECT_EQ(point.toPoint(), (Point3d{1, 2, 3}));
  EXPECT_EQ(moved.toPoint(), (Point3d{9, 2, 3}));
  EXPECT_NE(point, moved);

  const Variant nested = Variant::variants({Variant::point(1, 2, 3), Variant::fromString("t")});
  Variant outer = nested;
  Variant inner = outer.items()[0];
  inner.setCoordinate(2, -1);
  outer.setCoordinate(1, 5);
  EXPECT_EQ(nested.items()[0].toPoint(), (Point3d{1, 2, 3}));
  EXPECT_EQ(nested.items()[1].toString(), "t");
  EXPECT_EQ(outer.items()[0].toPoint(), (Point3d{1, 2, 3}));
  EXPECT_EQ(outer.items()[1], Variant::fromDouble(5));
  EXPECT_EQ(inner.toPoint(), (Point3d{1, 2, -1}));

  // The number and the integer of a scalar do not show through each other.
  EXPECT_EQ(Variant::fromDouble(1.5).rawInteger(), 0);
  EXPECT_NE(Variant::fromDouble(0), Variant::fromLong(0));
  EXPECT_EQ(Variant::null(), Variant::null());
  EXPECT_NE(Variant(), Variant::null());
  EXPECT_TRUE(Variant::fromString("a").bounds().empty());
  EXPECT_TRUE(Variant::fromDouble(1).items().empty());
  EXPECT_EQ(Variant().toString(), "");

  EXPECT_LE(sizeof(Variant), 24u);
}

}  // namespace
}  // namespace tarvik
