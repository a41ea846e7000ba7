// The sun's place against published values, and the night side on a map.
#include "geo/sun.h"

#include <gtest/gtest.h>

#include "geo/map_sampler.h"
#include "geo/utc_time.h"

namespace {

std::int64_t Utc(const char* text) {
  const auto time = ReadUtcTime(text);
  EXPECT_TRUE(time) << text;
  return time.value_or(0);
}

// Equinoxes and solstices of 2026 (US Naval Observatory, to the minute): the sun stands over
// the equator, or over the tropic at the obliquity of 23.436 degrees.
TEST(Sun, OverTheEquatorAtTheEquinoxesAndTheTropicsAtTheSolstices) {
  EXPECT_NEAR(SubSolarPoint(Utc("2026-03-20T14:46Z")).lat, 0, 0.1);
  EXPECT_NEAR(SubSolarPoint(Utc("2026-06-21T08:24Z")).lat, 23.436, 0.1);
  EXPECT_NEAR(SubSolarPoint(Utc("2026-09-23T00:05Z")).lat, 0, 0.1);
  EXPECT_NEAR(SubSolarPoint(Utc("2026-12-21T20:50Z")).lat, -23.436, 0.1);
}

// The equation of time: the sun crosses the meridian 16 min 25 s before noon on 3 November
// and 14 min 13 s after it on 11 February, so at 12:00 UTC it stands 4.10 degrees west of
// Greenwich, or 3.55 degrees east.
TEST(Sun, AtNoonUtcItStandsWhereTheEquationOfTimeSays) {
  EXPECT_NEAR(SubSolarPoint(Utc("2026-11-03T12:00:00Z")).lon, -4.10, 0.1);
  EXPECT_NEAR(SubSolarPoint(Utc("2026-02-11T12:00:00Z")).lon, 3.55, 0.1);
  // Six hours later it has moved 90 degrees west.
  EXPECT_NEAR(SubSolarPoint(Utc("2026-11-03T18:00:00Z")).lon, -4.10 - 90, 0.1);
}

TEST(Sun, TheNightSideOfAMapIsDarkerThanTheDaySideWithTwilightBetween) {
  constexpr int kSize = 64;
  std::vector<std::uint32_t> white(256 * 128, 0xFFFFFF);
  MapSampling sampling;
  sampling.centre = {0, 0};
  sampling.radiusKm = 20038;
  sampling.day = {white.data(), 256, 128};
  sampling.subSolar = GeoPoint{0, 0};
  std::vector<std::uint8_t> map(kSize * kSize * 3);
  SampleMap(sampling, {map.data(), kSize * 3, kSize, false});
  // The sub-solar point is the map's centre; the antipode lies on the circle of half the
  // circumference, at the middle of the edges; the terminator half way between.
  const auto grey = [&](int col, int row) { return map[(row * kSize + col) * 3 + 1]; };
  EXPECT_EQ(grey(kSize / 2, kSize / 2), 255);
  EXPECT_EQ(grey(kSize / 4 + 2, kSize / 2), 255);                // 80 degrees from the sun
  EXPECT_LT(grey(1, kSize / 2), 100);                            // beyond astronomical twilight
  const std::uint8_t twilight = grey(kSize / 4 - 1, kSize / 2);  // about 93 degrees: civil twilight
  EXPECT_GT(twilight, grey(1, kSize / 2));
  EXPECT_LT(twilight, 255);
  // A night picture shows through on the night side only.
  std::vector<std::uint32_t> red(64 * 32, 0xFF0000);
  sampling.night = {red.data(), 64, 32};
  SampleMap(sampling, {map.data(), kSize * 3, kSize, false});
  EXPECT_EQ(map[(kSize / 2 * kSize + kSize / 2) * 3 + 1], 255);  // day: white
  const std::uint8_t* night = &map[(kSize / 2 * kSize + 1) * 3];
  EXPECT_GT(night[0], 200);  // mostly the night picture's red
  EXPECT_LT(night[1], 100);
  EXPECT_GT(DaylightFactor(std::sin(-3 * kRadiansPerDegree)),
            DaylightFactor(std::sin(-9 * kRadiansPerDegree)));
  EXPECT_GT(DaylightFactor(std::sin(-9 * kRadiansPerDegree)),
            DaylightFactor(std::sin(-15 * kRadiansPerDegree)));
  EXPECT_GT(DaylightFactor(std::sin(-15 * kRadiansPerDegree)),
            DaylightFactor(std::sin(-21 * kRadiansPerDegree)));
}

TEST(UtcTimes, OnlyWholeValidTimesAreRead) {
  EXPECT_EQ(ReadUtcTime("1970-01-01T00:00:00Z"), 0);
  EXPECT_EQ(ReadUtcTime("2026-03-20T12:00:00Z"), 1774008000);
  EXPECT_EQ(ReadUtcTime("2024-02-29T23:59:59Z"), 1709251199);
  for (const char* bad :
       {"2026-02-29T00:00:00Z", "2026-13-01T00:00:00Z", "2026-03-20T24:00:00Z", "2026-03-20 12:00:00Z",
        "2026-03-20T12:00:00", "2026-03-20T12:00:00+01:00", "yesterday", ""}) {
    EXPECT_FALSE(ReadUtcTime(bad)) << bad;
  }
}

}  // namespace
