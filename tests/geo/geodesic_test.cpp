// WGS84 geodesics against PROJ's geod, where they are hardest: near and at the antipode, on
// the equator, from and to the poles, across the antimeridian.
#include "geo/geodesic.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "geo/reference_tool.h"

namespace {

constexpr const char* kGeodInverse = "geod +ellps=WGS84 -I -f %.10f +units=m";
constexpr const char* kGeodDirect = "geod +ellps=WGS84 -f %.10f +units=m";
// The meridian's and the equator's half lengths: every geodesic that comes back to its
// start's antipode lies between them.
constexpr double kHalfMeridianKm = 20003.931458, kHalfEquatorKm = 20037.508343;

struct Pair {
  const char* what;
  GeoPoint from, to;
  bool bearingDefined = true;
};

const Pair kPairs[] = {
    {"London to Sydney", {51.5074, -0.1278}, {-33.8688, 151.2093}},
    {"across the antimeridian", {-33.87, 151.21}, {21.3, -157.8}},
    {"along the equator", {0, 0}, {0, 90}},
    {"equator, nearly antipodal", {0, 0}, {0, 179.5}},
    {"equator, nearly antipodal, a little north", {0, 0}, {0.5, 179.7}},
    {"nearly antipodal", {45, 10}, {-44.9, -170.1}},
    {"the antipode", {30, 0}, {-30, 180}, false},
    {"from the north pole", {90, 0}, {45, 10}},
    {"to the north pole", {52.52, 13.375}, {90, 0}},
    {"from the south pole", {-90, 30}, {-60, -150}},
    {"pole to pole", {90, 0}, {-90, 0}},
    {"the same place", {52.52, 13.375}, {52.52, 13.375}, false},
};

std::string Line(double a, double b, double c, double d) {
  char line[160];
  std::snprintf(line, sizeof line, "%.12g %.12g %.12g %.12f", a, b, c, d);
  return line;
}

double AngleBetween(double a, double b) { return std::fabs(std::remainder(a - b, 360.0)); }

TEST(Geodesic, ShortPathAgreesWithGeod) {
  std::vector<std::string> input;
  for (const Pair& p : kPairs) input.push_back(Line(p.from.lat, p.from.lon, p.to.lat, p.to.lon));
  const auto output = RunReferenceTool(kGeodInverse, input);
  ASSERT_EQ(output.size(), input.size()) << "geod (proj-bin) did not answer";
  for (std::size_t k = 0; k < input.size(); ++k) {
    const auto expected = NumbersOf(output[k]);
    ASSERT_EQ(expected.size(), 3u) << output[k];
    const GeodesicPath path = GeodesicBetween(kPairs[k].from, kPairs[k].to);
    EXPECT_NEAR(path.distanceKm, expected[2] / 1000, 1e-6) << kPairs[k].what;
    if (kPairs[k].bearingDefined) {
      EXPECT_LT(AngleBetween(path.bearingDeg, expected[0]), 1e-7) << kPairs[k].what;
    }
    EXPECT_GE(path.bearingDeg, 0) << kPairs[k].what;
    EXPECT_LT(path.bearingDeg, 360) << kPairs[k].what;
  }
  const GeodesicPath london = GeodesicBetween(kPairs[0].from, kPairs[0].to);
  EXPECT_NEAR(london.distanceKm, 16989.3, 0.05);
  EXPECT_NEAR(london.bearingDeg, 60.4, 0.05);
}

// Setting out on the long path's bearing, geod reaches the antipode of the target after the
// first leg; the whole way round is as long as the ellipsoid allows.
TEST(Geodesic, LongPathLeavesTheOtherWayAndPassesTheTargetsAntipode) {
  std::vector<std::string> input;
  for (const Pair& p : kPairs) {
    const GeodesicPath path = GeodesicBetween(p.from, p.to);
    input.push_back(Line(p.from.lat, p.from.lon, path.longBearingDeg,
                         (path.longDistanceKm - path.distanceKm) / 2 * 1000));
  }
  const auto output = RunReferenceTool(kGeodDirect, input);
  ASSERT_EQ(output.size(), input.size()) << "geod (proj-bin) did not answer";
  for (std::size_t k = 0; k < input.size(); ++k) {
    const Pair& p = kPairs[k];
    const GeodesicPath path = GeodesicBetween(p.from, p.to);
    const auto arrived = NumbersOf(output[k]);
    ASSERT_GE(arrived.size(), 2u) << output[k];
    EXPECT_NEAR(arrived[0], -p.to.lat, 1e-6) << p.what;
    if (std::fabs(p.to.lat) < 90) {
      EXPECT_LT(AngleBetween(arrived[1], p.to.lon + 180), 1e-6) << p.what;
    }

    const double round = path.distanceKm + path.longDistanceKm;
    EXPECT_GE(round, 2 * kHalfMeridianKm - 1e-6) << p.what;
    EXPECT_LE(round, 2 * kHalfEquatorKm + 1e-6) << p.what;
    if (path.distanceKm < 19000 && path.distanceKm > 0) {
      EXPECT_LT(AngleBetween(path.longBearingDeg, path.bearingDeg + 180), 1) << p.what;
    }
  }
  const GeodesicPath antipode = GeodesicBetween({30, 0}, {-30, 180});
  EXPECT_NEAR(antipode.longDistanceKm, antipode.distanceKm, 1e-9);
  EXPECT_NEAR(AngleBetween(antipode.longBearingDeg, antipode.bearingDeg), 180, 1e-9);
}

}  // namespace
