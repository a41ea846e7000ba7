// Great-circle paths against PROJ's geod on the maps' sphere, and the locators and places
// the station maps are centred on.
#include <gtest/gtest.h>

#include <cstdio>

#include "geo/great_circle.h"
#include "geo/place_text.h"
#include "geo/reference_tool.h"

namespace {

constexpr const char* kGeod = "geod -I -f %.9f +a=6378137 +b=6378137 +units=m";

struct Pair {
  GeoPoint from, to;
  bool bearingDefined = true;
};

TEST(GreatCircle, DistanceAndBearingAgreeWithGeod) {
  const Pair pairs[] = {
      {{52.52, 13.375}, {41.6875, -72.7083}},  // JO62qm to FN31pr
      {{52.52, 13.375}, {-33.87, 151.21}},
      {{-33.87, 151.21}, {21.3, -157.8}},  // across the antimeridian
      {{10, 179.5}, {-10, -179.5}},
      {{52.52, 13.375}, {90, 0}},  // to the poles
      {{-20, -60}, {-90, 0}},
      {{0, 0}, {0, 90}},
      {{45, 10}, {-44.9, -170.1}},  // near the antipode
      {{0, 0}, {0, 180}, false},    // the antipode itself
      {{60, 30}, {-60, -150}, false},
  };
  std::vector<std::string> input;
  for (const Pair& p : pairs) {
    char line[128];
    std::snprintf(line, sizeof line, "%.10g %.10g %.10g %.10g", p.from.lat, p.from.lon, p.to.lat, p.to.lon);
    input.push_back(line);
  }
  const auto output = RunReferenceTool(kGeod, input);
  ASSERT_EQ(output.size(), input.size()) << "geod (proj-bin) did not answer";
  for (std::size_t k = 0; k < input.size(); ++k) {
    const auto expected = NumbersOf(output[k]);
    ASSERT_EQ(expected.size(), 3u) << output[k];
    const GreatCirclePath path = PathBetween(pairs[k].from, pairs[k].to);
    EXPECT_NEAR(path.distanceKm, expected[2] / 1000, 1e-6) << input[k];
    if (pairs[k].bearingDefined) {
      EXPECT_NEAR(std::remainder(path.bearingDeg - expected[0], 360.0), 0, 1e-6) << input[k];
    }
    EXPECT_GE(path.bearingDeg, 0);
    EXPECT_LT(path.bearingDeg, 360);
  }
}

// Going the long way, geod must arrive at the target too.
TEST(GreatCircle, TheLongPathTurnedBy180ReachesTheTargetAfterTheRestOfTheCircle) {
  const GeoPoint from{52.52, 13.375}, to{41.6875, -72.7083};
  const GreatCirclePath path = PathBetween(from, to);
  EXPECT_NEAR(std::fabs(std::remainder(path.longBearingDeg - path.bearingDeg, 360.0)), 180, 1e-9);
  EXPECT_NEAR(path.distanceKm + path.longDistanceKm, 2 * kHalfCircumferenceKm, 1e-9);
  char line[128];
  std::snprintf(line, sizeof line, "%.10g %.10g %.10g %.10f", from.lat, from.lon, path.longBearingDeg,
                path.longDistanceKm * 1000);
  const auto output = RunReferenceTool("geod -f %.9f +a=6378137 +b=6378137 +units=m", {line});
  ASSERT_EQ(output.size(), 1u);
  const auto arrived = NumbersOf(output[0]);
  ASSERT_GE(arrived.size(), 2u);
  EXPECT_NEAR(arrived[0], to.lat, 1e-6);
  EXPECT_NEAR(arrived[1], to.lon, 1e-6);
}

// Centres of squares worked out by hand: a field is 20 x 10 degrees, a square 2 x 1, a
// subsquare 5' x 2.5', an extended square 30" x 15", an extended subsquare 1.25" x 0.625".
TEST(Locators, EveryLengthBothCasesAndTheCornersOfTheWorld) {
  const struct {
    const char* text;
    double lat, lon;
  } rows[] = {
      {"JO", 55, 10},
      {"JO62", 52.5, 13},
      {"JO62qm", 52.5 + 0.5 / 24, 13 + 1.0 / 3 + 1.0 / 24},
      {"jo62QM", 52.5 + 0.5 / 24, 13 + 1.0 / 3 + 1.0 / 24},
      {"JO62qm45", 52.5 + 5.0 / 240 + 1.0 / 480, 13 + 1.0 / 3 + 4.0 / 120 + 1.0 / 240},
      {"AA00aa", -90 + 1.0 / 48, -180 + 1.0 / 24},
      {"RR99xx", 90 - 1.0 / 48, 180 - 1.0 / 24},
      {"AA00aa00aa", -90 + 1.0 / 11520, -180 + 1.0 / 5760},
      {"RR99xx99xx", 90 - 1.0 / 11520, 180 - 1.0 / 5760},
  };
  for (const auto& row : rows) {
    const PlaceReading reading = ReadLocator(row.text);
    ASSERT_TRUE(reading.place) << row.text << ": " << reading.problem;
    EXPECT_NEAR(reading.place->lat, row.lat, 1e-9) << row.text;
    EXPECT_NEAR(reading.place->lon, row.lon, 1e-9) << row.text;
  }
}

TEST(Locators, BadOnesAreRefusedWithTheReason) {
  const struct {
    const char* text;
    const char* reason;
  } rows[] = {
      {"", "2, 4, 6, 8 or 10 characters"},
      {"J", "not 1"},
      {"JO6", "not 3"},
      {"JO62qm45ab12", "not 12"},
      {"SA", "'S'"},
      {"JS", "field"},
      {"JOA2", "square"},
      {"JO62qy", "'y'"},
      {"JO62qmx5", "is not an extended square"},
      {"JO62qm45ay", "is not an extended subsquare"},
      {"JO62q!", "'!'"},
      // Cyrillic look-alikes are named whole, and counted as one character each.
      {"J\u041e62", "'\u041e' (character 2) is not a field"},
      {"\u0410\u0410", "'\u0410' (character 1)"},
      {"JO62\u0430\u0430\u0430", "not 7"},
      {"JO\xd0\x32", "the byte 0xD0 (character 3) is not a square"},
  };
  for (const auto& row : rows) {
    const PlaceReading reading = ReadLocator(row.text);
    EXPECT_FALSE(reading.place) << row.text;
    EXPECT_NE(reading.problem.find(row.reason), std::string::npos) << row.text << ": " << reading.problem;
  }
}

TEST(Places, CoordinatesInEveryFormAndLocatorsAreRead) {
  const struct {
    const char* text;
    double lat, lon;
  } rows[] = {{"52.5,13.4", 52.5, 13.4},
              {"-33.87,151.21", -33.87, 151.21},
              {"52.5N,13.4E", 52.5, 13.4},
              {"33.87S, 151.21E", -33.87, 151.21},
              {" 40.7n , 74w ", 40.7, -74},
              {"+52,+13", 52, 13},
              {"-0.5, +100", -0.5, 100},
              {"0,-180", 0, 180},
              {"90,0", 90, 0},
              {"JO62", 52.5, 13}};
  for (const auto& row : rows) {
    const PlaceReading reading = ReadPlace(row.text);
    ASSERT_TRUE(reading.place) << row.text << ": " << reading.problem;
    EXPECT_DOUBLE_EQ(reading.place->lat, row.lat) << row.text;
    EXPECT_DOUBLE_EQ(reading.place->lon, row.lon) << row.text;
  }
  EXPECT_EQ(DescribePlace({-33.87, 151.21}), "33.87\u00b0 S, 151.21\u00b0 E");
}

TEST(Places, TextsThatAreNoPlaceSayWhy) {
  const struct {
    const char* text;
    const char* reason;
  } rows[] = {{"91,0", "latitude 91 is beyond 90"},
              {"-90.5,0", "latitude -90.5 is beyond 90"},
              {"0,181", "longitude 181 is beyond 180"},
              {"52.5E,13.4N", "latitude"},
              {"-33S,151E", "latitude"},
              {"52,5,13,4", "one comma"},
              {"nan,0", "latitude \"nan\" is not a number"},
              {"0,inf", "longitude \"inf\" is not a number"},
              {"0,-infinity", "\"-infinity\""},
              {"+-52,0", "\"+-52\""},
              {"++52,0", "\"++52\""},
              {"+52N,0", "\"+52N\""},
              {"-,0", "latitude"},
              {"52.5,", "longitude"},
              {"1e400,0", "latitude"},
              {"52;13", "characters, not 5"}};
  for (const auto& row : rows) {
    const PlaceReading reading = ReadPlace(row.text);
    EXPECT_FALSE(reading.place) << row.text;
    EXPECT_NE(reading.problem.find(row.reason), std::string::npos) << row.text << ": " << reading.problem;
  }
}

}  // namespace
