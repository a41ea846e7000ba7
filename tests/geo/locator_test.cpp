// Our locator arithmetic against Hamlib's locator2longlat and longlat2locator, which radio
// programs have long relied on.
#include <gtest/gtest.h>
#include <hamlib/rig.h>

#include <cctype>
#include <random>

#include "geo/maidenhead.h"

namespace {

constexpr int kPairRange[] = {18, 10, 24, 10, 24};

struct QuietHamlib : ::testing::Environment {
  void SetUp() override { rig_set_debug(RIG_DEBUG_NONE); }
};
const auto* const quiet = ::testing::AddGlobalTestEnvironment(new QuietHamlib);

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

void ExpectCentreAsHamlib(const std::string& locator) {
  double lon = 0, lat = 0;
  ASSERT_EQ(locator2longlat(&lon, &lat, locator.c_str()), RIG_OK) << locator;
  std::string problem;
  const auto centre = LocatorCentre(locator, &problem);
  ASSERT_TRUE(centre) << locator << ": " << problem;
  EXPECT_NEAR(centre->lat, lat, 1e-9) << locator;
  EXPECT_NEAR(centre->lon, lon, 1e-9) << locator;
}

TEST(LocatorsAgainstHamlib, CentresOfEveryLengthBothCasesTheCornersAndRandomSquares) {
  for (const char* corner : {"AA", "AA00", "AA00aa", "AA00aa00", "AA00aa00aa", "RR", "RR99", "RR99xx",
                             "RR99xx99", "RR99xx99xx", "AR", "RA09xa90ax", "JJ00aa00aa"}) {
    ExpectCentreAsHamlib(corner);
    ExpectCentreAsHamlib(Upper(corner));
  }
  std::mt19937 random(20260321);
  for (int pairs = 1; pairs <= 5; ++pairs) {
    for (int trial = 0; trial < 500; ++trial) {
      std::string locator;
      for (int k = 0; k < 2 * pairs; ++k) {
        const int range = kPairRange[k / 2];
        const int value = std::uniform_int_distribution<int>(0, range - 1)(random);
        const bool lower = std::uniform_int_distribution<int>(0, 1)(random) == 1;
        locator += static_cast<char>((range == 10 ? '0' : lower ? 'a' : 'A') + value);
      }
      ExpectCentreAsHamlib(locator);
    }
  }
}

// Hamlib nudges every place 1e-6 degrees north (2e-6 east) before it cuts it into squares, so
// the sweep keeps clear of the edges of the finest squares; the edges are checked by hand below.
TEST(LocatorsAgainstHamlib, PlacesSweptOverTheWorldGetHamlibsLocatorAtEveryLength) {
  constexpr double kFinestLon = 1.0 / 2880, kFinestLat = 1.0 / 5760;
  std::mt19937 random(19);
  std::uniform_real_distribution<double> offset(0.05, 0.95);
  int compared = 0;
  for (double lat = -89.5; lat < 90; lat += 3.7) {
    for (double lon = -179.7; lon < 180; lon += 5.9) {
      const GeoPoint place{kFinestLat * (std::floor(lat / kFinestLat) + offset(random)),
                           kFinestLon * (std::floor(lon / kFinestLon) + offset(random))};
      for (int pairs = 1; pairs <= 5; ++pairs) {
        char expected[16] = {};
        ASSERT_EQ(longlat2locator(place.lon, place.lat, expected, pairs), RIG_OK);
        const std::string ours = LocatorOf(place, 2 * pairs);
        EXPECT_EQ(Upper(ours), expected) << place.lat << "," << place.lon;
        ++compared;
      }
    }
  }
  EXPECT_GT(compared, 10000);
}

// Written as operators write them, and read back to the same square. Squares hold their
// southern and western edges; Hamlib wraps the north pole round to the south pole ("AA"), but
// the pole is in the top row.
TEST(Locators, WrittenInOperatorsCaseWithTheEdgesPolesAndAntimeridianWhereTheyBelong) {
  for (const char* locator : {"JO62qm54at", "AA00aa00aa", "RR99xx99xx", "FN31pr", "QF56od", "KG"}) {
    const auto centre = LocatorCentre(locator, nullptr);
    ASSERT_TRUE(centre) << locator;
    EXPECT_EQ(LocatorOf(*centre, static_cast<int>(std::string(locator).size())), locator);
  }
  const struct {
    GeoPoint place;
    int characters;
    const char* locator;
  } rows[] = {
      {{52.5, 13}, 6, "JO62mm"},   {{52, 12}, 6, "JO62aa"},        {{-0.0, -0.0}, 4, "JJ00"},
      {{90, 0}, 10, "JR09ax09ax"}, {{-90, 0}, 4, "JA00"},          {{0, 180}, 4, "AJ00"},
      {{0, -180}, 4, "AJ00"},      {{0, 179.9999999}, 4, "RJ90"},  {{0, 540}, 2, "AJ"},
      {{91, 0}, 2, "JR"},          {{52.52, 13.375}, 5, "JO62qm"}, {{52.52, 13.375}, 12, "JO62qm54at"},
      {{std::nan(""), 0}, 6, ""},  {{0, INFINITY}, 6, ""},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(LocatorOf(row.place, row.characters), row.locator) << row.place.lat << "," << row.place.lon;
  }
}

}  // namespace
