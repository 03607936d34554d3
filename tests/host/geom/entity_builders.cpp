#include "entity_builders.h"

#include "model/tags.h"

namespace cadhost::geom::testing {

model::Object entity(const std::string& type,
                     std::initializer_list<std::pair<int, std::string>> tags) {
  model::Object o;
  o.tags.push_back({0, type});
  for (const auto& [code, value] : tags) o.tags.push_back({static_cast<std::int16_t>(code), value});
  return o;
}

model::Object quadraticSpline() {
  return entity("SPLINE", {{70, "8"},
                           {71, "2"},
                           {72, "6"},
                           {73, "3"},
                           {40, "0"},
                           {40, "0"},
                           {40, "0"},
                           {40, "1"},
                           {40, "1"},
                           {40, "1"},
                           {10, "0"},
                           {20, "0"},
                           {10, "5"},
                           {20, "10"},
                           {10, "10"},
                           {20, "0"}});
}

std::string tagText(const model::Object& o, int code, int nth) {
  const model::Tag* t = model::findTag(o.tags, code, nth);
  return t ? t->value.str() : std::string();
}

}  // namespace cadhost::geom::testing

#include <gtest/gtest.h>

namespace cadhost::geom::testing {

void expectBoxXY(const std::optional<Box>& box, double minX, double minY, double maxX, double maxY,
                 bool loose) {
  ASSERT_TRUE(box.has_value());
  const double tol = loose ? 1e-2 : 1e-6;
  EXPECT_NEAR(box->min.x, minX, tol);
  EXPECT_NEAR(box->min.y, minY, tol);
  EXPECT_NEAR(box->max.x, maxX, tol);
  EXPECT_NEAR(box->max.y, maxY, tol);
}

}  // namespace cadhost::geom::testing
