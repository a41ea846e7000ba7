// Which pixels the rasterizer fills, for many triangles at once, against the rule stated from
// the geometry alone: a pixel centre inside all three edges is covered, and one exactly on an
// edge only when that edge is a top edge (horizontal, the triangle below it) or a left edge (the
// triangle to its right).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "render/pipeline/pipeline_vertex.h"
#include "render/pipeline/raster_stage.h"

namespace {

constexpr int kWidth = 203;
constexpr int kHeight = 149;
constexpr std::uint32_t kUntouched = 0x123456;

struct Point {
  std::int64_t x, y;  // in 1/kSubpixelOne pixels
};

bool CentreIsCovered(const Point corners[3], std::int64_t i, std::int64_t j) {
  const Point p{i * kSubpixelOne, j * kSubpixelOne};
  for (int e = 0; e < 3; ++e) {
    const Point& a = corners[e];
    const Point& b = corners[(e + 1) % 3];
    const Point& c = corners[(e + 2) % 3];
    // The edge's normal turned towards the third corner.
    std::int64_t nx = -(b.y - a.y), ny = b.x - a.x;
    if (nx * (c.x - a.x) + ny * (c.y - a.y) < 0) {
      nx = -nx;
      ny = -ny;
    }
    const std::int64_t side = nx * (p.x - a.x) + ny * (p.y - a.y);
    const bool topEdge = a.y == b.y && ny > 0;
    const bool leftEdge = a.y != b.y && nx > 0;
    if (side < 0 || (side == 0 && !topEdge && !leftEdge)) return false;
  }
  return true;
}

ScreenVertex Corner(const Point& point) {
  ScreenVertex vertex{};
  vertex.x = static_cast<std::int32_t>(point.x);
  vertex.y = static_cast<std::int32_t>(point.y);
  vertex.rhw = 1.0f;
  vertex.r = vertex.g = vertex.b = 1.0f;
  return vertex;
}

// The pixels of the target that differ from what the rule covers, described for a failure.
std::string CoverageDifferences(const Point corners[3]) {
  std::vector<std::uint32_t> colour(kWidth * kHeight + kRasterTargetPadding, kUntouched);
  const RasterTarget target{colour.data(), nullptr, kWidth, kHeight};
  FillTriangle(target, PixelPipeline{}, Corner(corners[0]), Corner(corners[1]), Corner(corners[2]));
  std::ostringstream differences;
  int count = 0;
  for (int j = 0; j < kHeight; ++j) {
    for (int i = 0; i < kWidth; ++i) {
      const bool drawn = colour[j * kWidth + i] != kUntouched;
      if (drawn == CentreIsCovered(corners, i, j)) continue;
      if (++count <= 5) differences << " (" << i << "," << j << (drawn ? " drawn)" : " missed)");
    }
  }
  for (int k = kWidth * kHeight; k < kWidth * kHeight + kRasterTargetPadding; ++k)
    if (colour[k] != kUntouched) differences << " padding written";
  if (differences.str().empty()) return "";
  std::ostringstream text;
  text << count << " pixels differ for corners";
  for (int k = 0; k < 3; ++k) text << " (" << corners[k].x << "," << corners[k].y << ")";
  return text.str() + ":" + differences.str();
}

// Corners anywhere within `reach` pixels of the target, at any sub-pixel place or (with
// `onCentres`) on pixel centres, where ties with the edges are common.
Point RandomCorner(std::mt19937& random, int reach, bool onCentres) {
  std::uniform_int_distribution<std::int64_t> x(-reach * kSubpixelOne, (kWidth + reach) * kSubpixelOne);
  std::uniform_int_distribution<std::int64_t> y(-reach * kSubpixelOne, (kHeight + reach) * kSubpixelOne);
  Point point{x(random), y(random)};
  if (onCentres) {
    point.x -= point.x % kSubpixelOne;
    point.y -= point.y % kSubpixelOne;
  }
  return point;
}

TEST(TriangleCoverage, RandomTrianglesCoverExactlyTheCentresTheRuleCovers) {
  std::mt19937 random(20240611);
  for (int t = 0; t < 2000; ++t) {
    // Triangles near the target, reaching far into the guard band, and tied to pixel centres.
    const int reach = t % 3 == 0 ? 4096 : 40;
    const bool onCentres = t % 5 == 0;
    const Point corners[3] = {RandomCorner(random, reach, onCentres), RandomCorner(random, reach, onCentres),
                              RandomCorner(random, reach, onCentres)};
    const std::string differences = CoverageDifferences(corners);
    ASSERT_TRUE(differences.empty()) << differences;
  }
}

TEST(TriangleCoverage, EdgesThroughManyCentresCoverExactlyTheCentresTheRuleCovers) {
  // Corners on pixel centres a few pixels apart: each edge passes through a centre every few
  // rows, where the walk's remainders reach their divisor exactly.
  std::mt19937 random(99);
  std::uniform_int_distribution<std::int64_t> offset(-9, 9);
  for (int t = 0; t < 2000; ++t) {
    const Point a = RandomCorner(random, 0, true);
    const Point corners[3] = {a,
                              {a.x + offset(random) * kSubpixelOne, a.y + offset(random) * 4 * kSubpixelOne},
                              {a.x + offset(random) * 3 * kSubpixelOne, a.y + offset(random) * kSubpixelOne}};
    const std::string differences = CoverageDifferences(corners);
    ASSERT_TRUE(differences.empty()) << differences;
  }
}

// Whether a pixel centre of the target lies one unit (of the edge function, in sub-pixels
// squared) off the line of an edge, within the triangle's rows. There the row's column limit for
// that edge comes out exactly whole after a carry, which is where stepping the limits from row to
// row can go wrong by a pixel. Rare: the edge's value at centres must be one off a multiple of
// the sub-pixel grid, which the quick test on its constant term finds first.
bool SomeCentreIsOneUnitOffAnEdge(const Point corners[3]) {
  for (int e = 0; e < 3; ++e) {
    const Point& a = corners[e];
    const Point& b = corners[(e + 1) % 3];
    const std::int64_t dx = b.x - a.x, dy = b.y - a.y;
    const std::int64_t residue = ((dy * a.x - dx * a.y) % kSubpixelOne + kSubpixelOne) % kSubpixelOne;
    if (dy == 0 || (residue != 1 && residue != kSubpixelOne - 1)) continue;
    const std::int64_t top = std::min({corners[0].y, corners[1].y, corners[2].y});
    const std::int64_t bottom = std::max({corners[0].y, corners[1].y, corners[2].y});
    for (std::int64_t j = 0; j < kHeight; ++j) {
      if (j * kSubpixelOne < top || j * kSubpixelOne > bottom) continue;
      for (std::int64_t i = 0; i < kWidth; ++i) {
        const std::int64_t side = -dy * (i * kSubpixelOne - a.x) + dx * (j * kSubpixelOne - a.y);
        if (side == 1 || side == -1) return true;
      }
    }
  }
  return false;
}

TEST(TriangleCoverage, EdgesOneUnitOffACentreCoverExactlyTheCentresTheRuleCovers) {
  std::mt19937 random(31);
  int tested = 0;
  while (tested < 200) {
    const Point corners[3] = {RandomCorner(random, 40, false), RandomCorner(random, 40, false),
                              RandomCorner(random, 40, false)};
    if (!SomeCentreIsOneUnitOffAnEdge(corners)) continue;
    const std::string differences = CoverageDifferences(corners);
    ASSERT_TRUE(differences.empty()) << differences;
    ++tested;
  }
}

TEST(TriangleCoverage, SliversAndTallThinTrianglesCoverExactlyTheCentresTheRuleCovers) {
  std::mt19937 random(7);
  std::uniform_int_distribution<std::int64_t> nudge(-3 * kSubpixelOne, 3 * kSubpixelOne);
  for (int t = 0; t < 2000; ++t) {
    // Two corners far apart and the third a few pixels off the line between them.
    const Point a = RandomCorner(random, t % 2 == 0 ? 4096 : 10, false);
    const Point b = RandomCorner(random, 10, false);
    const Point c{(a.x + b.x) / 2 + nudge(random), (a.y + b.y) / 2 + nudge(random)};
    const Point corners[3] = {a, b, c};
    const std::string differences = CoverageDifferences(corners);
    ASSERT_TRUE(differences.empty()) << differences;
  }
}

}  // namespace
