// Hatch boundaries and spline edges as damaged or older files store them.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "entity_builders.h"
#include "geom/hatch_boundary.h"
#include "geom/raw_extents.h"

namespace cadhost::geom {
namespace {

using testing::entity;

using TagList = std::vector<std::pair<int, std::string>>;

model::Object hatchOf(const TagList& boundary) {
  model::Object hatch = entity("HATCH", {{10, "0"}, {20, "0"}, {30, "0"}, {2, "SOLID"}, {70, "1"}});
  for (const auto& [code, value] : boundary)
    hatch.tags.push_back({static_cast<std::int16_t>(code), value});
  hatch.tags.push_back({75, "1"});
  hatch.tags.push_back({98, "0"});
  return hatch;
}

// A cubic Bezier spline edge from (60, 20) round to (20, 20), as files before R2010 store it:
// no fit data after the control points.
const TagList kSplineEdge = {{72, "4"},  {94, "3"},  {73, "0"},  {74, "0"},  {95, "8"},  {96, "4"},
                             {40, "0"},  {40, "0"},  {40, "0"},  {40, "0"},  {40, "1"},  {40, "1"},
                             {40, "1"},  {40, "1"},  {10, "60"}, {20, "20"}, {10, "70"}, {20, "50"},
                             {10, "30"}, {20, "60"}, {10, "20"}, {20, "20"}};

TEST(HatchBoundary, ASplineEdgeLastInAPathOfAnOlderFileLeavesTheSourceObjectsToThePath) {
  // Two associative paths (one source object each), each a line closed by the spline.
  TagList tags = {{91, "2"}};
  for (int path = 0; path < 2; ++path) {
    const TagList head = {{92, "1"},  {93, "2"},  {72, "1"}, {10, "20"},
                          {20, "20"}, {11, "60"}, {21, "20"}};
    tags.insert(tags.end(), head.begin(), head.end());
    tags.insert(tags.end(), kSplineEdge.begin(), kSplineEdge.end());
    tags.push_back({97, "1"});
    tags.push_back({330, path == 0 ? "2A" : "2B"});
  }
  const auto boundary = readHatchBoundary(hatchOf(tags));
  ASSERT_TRUE(boundary);
  ASSERT_EQ(boundary->paths.size(), 2u);
  for (const std::vector<HatchEdge>& path : boundary->paths) {
    ASSERT_EQ(path.size(), 2u);
    EXPECT_EQ(path[1].kind, HatchEdge::Spline);
    EXPECT_EQ(path[1].spline.controls.size(), 4u);
    EXPECT_TRUE(path[1].spline.fits.empty());
  }
  EXPECT_EQ(boundary->end, 6 + tags.size());  // the 75 after the (0, HATCH) and five tags

  // From R2010 on the spline's own 97 counts its fit points.
  TagList withFits = {{91, "1"}, {92, "1"}, {93, "1"}};
  withFits.insert(withFits.end(), kSplineEdge.begin(), kSplineEdge.end());
  const TagList fits = {{97, "2"},  {11, "60"}, {21, "20"}, {11, "20"},
                        {21, "20"}, {97, "1"},  {330, "2A"}};
  withFits.insert(withFits.end(), fits.begin(), fits.end());
  const auto fitted = readHatchBoundary(hatchOf(withFits));
  ASSERT_TRUE(fitted);
  ASSERT_EQ(fitted->paths.size(), 1u);
  EXPECT_EQ(fitted->paths[0][0].spline.fits.size(), 2u);
}

TEST(HatchBoundary, SplinesOfADegreeNoCadProgramMakesAreDrawnThroughTheirControlPoints) {
  // A curve of degree 25 is evaluated; one of degree 26 (a damaged file's, whose points would
  // cost the square of its degree each) is left at its control polygon.
  for (const int degree : {25, 26}) {
    SplineData spline;
    spline.degree = degree;
    for (int i = 0; i <= degree; ++i) {
      spline.controls.push_back({static_cast<double>(i), i % 2 == 0 ? 0.0 : 10.0, 0});
      spline.knots.push_back(0);
    }
    spline.knots.insert(spline.knots.end(), degree + 1, 1.0);
    EXPECT_EQ(hasControlCurve(spline), degree == 25);
    const std::vector<Point3> points = splinePoints(spline);
    if (degree == 25) {
      EXPECT_GT(points.size(), spline.controls.size());
    } else {
      ASSERT_EQ(points.size(), spline.controls.size());
      for (std::size_t i = 0; i < points.size(); ++i) EXPECT_EQ(points[i].y, spline.controls[i].y);
    }
  }
}

}  // namespace
}  // namespace cadhost::geom
