// The grey-line fan against sunrise and sunset worked out independently: the sun's declination
// and the equation of time from Meeus's solar coordinates (Astronomical Algorithms, ch. 25 and
// 28, as NOAA's solar calculator has them), the azimuth at the geometric horizon from
// cos A = sin(delta) / cos(phi), and the hour angle from cos H = -tan(phi) tan(delta).
#include "geo/greyline_fan.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <numbers>

#include "geo/sun.h"

namespace {

constexpr double kDegree = std::numbers::pi / 180;
// Meeus's series and our solar position each claim about a hundredth of a degree.
constexpr double kDeclinationSlack = 0.02;

struct MeeusSun {
  double declinationDeg, equationOfTimeMinutes;
};

MeeusSun MeeusSunAt(std::int64_t unixSeconds) {
  const double t = (unixSeconds / 86400.0 + 2440587.5 - 2451545) / 36525;  // Julian centuries from J2000
  const double meanLongitude = std::fmod(280.46646 + t * (36000.76983 + t * 0.0003032), 360) * kDegree;
  const double meanAnomaly = (357.52911 + t * (35999.05029 - 0.0001537 * t)) * kDegree;
  const double eccentricity = 0.016708634 - t * (0.000042037 + 0.0000001267 * t);
  const double centre = (1.914602 - t * (0.004817 + 0.000014 * t)) * std::sin(meanAnomaly) +
                        (0.019993 - 0.000101 * t) * std::sin(2 * meanAnomaly) +
                        0.000289 * std::sin(3 * meanAnomaly);
  const double node = (125.04 - 1934.136 * t) * kDegree;
  const double apparentLongitude = meanLongitude + (centre - 0.00569 - 0.00478 * std::sin(node)) * kDegree;
  const double obliquity = (23.439291 - 0.0130042 * t + 0.00256 * std::cos(node)) * kDegree;
  const double declination = std::asin(std::sin(obliquity) * std::sin(apparentLongitude));
  const double y = std::pow(std::tan(obliquity / 2), 2);
  const double equation = y * std::sin(2 * meanLongitude) - 2 * eccentricity * std::sin(meanAnomaly) +
                          4 * eccentricity * y * std::sin(meanAnomaly) * std::cos(2 * meanLongitude) -
                          0.5 * y * y * std::sin(4 * meanLongitude) -
                          1.25 * eccentricity * eccentricity * std::sin(2 * meanAnomaly);
  return {declination / kDegree, 4 * equation / kDegree};
}

std::int64_t MidnightOfThe21st(int year, int month) {
  using namespace std::chrono;
  return sys_seconds{sys_days{std::chrono::year{year} / month / 21}}.time_since_epoch().count();
}

// tan(phi) tan(delta): 1 or more, the sun stays up; -1 or less, it stays down.
double PolarProduct(double latDeg, double declinationDeg) {
  return std::tan(latDeg * kDegree) * std::tan(declinationDeg * kDegree);
}

struct Station {
  const char* name;
  GeoPoint place;
  int year;
};

// For each month in which the sun rises and sets: the azimuths at rise and set, and the times,
// each within what the two declinations' uncertainty makes of it at that place.
TEST(GreylineFan, RiseAndSetAgreeWithTheAzimuthFromTheDeclinationAndTheLatitude) {
  const Station stations[] = {
      {"Greenwich on the equator", {0, 0}, 2026},
      {"Berlin", {52.52, 13.4}, 2026},
      {"Sydney", {-33.87, 151.21}, 2024},
      {"Anchorage", {61.2, -149.9}, 2026},
      {"beside the antimeridian", {10, 179.9}, 2027},
      {"just south of the Arctic Circle", {66, 25}, 2026},
      {"just north of the Antarctic Circle", {-66, 140}, 2025},
  };
  for (const Station& station : stations) {
    const auto fan = GreylineFan(station.place, station.year);
    const double phi = station.place.lat;
    for (int month = 1; month <= 12; ++month) {
      SCOPED_TRACE(std::string(station.name) + ", " + std::string(MonthName(month)));
      const GreylineMonth& entry = fan[month - 1];
      EXPECT_EQ(entry.month, month);
      const std::int64_t noon =
          MidnightOfThe21st(station.year, month) + 43200 - std::llround(station.place.lon * 240);
      const double product = PolarProduct(phi, MeeusSunAt(noon).declinationDeg);
      ASSERT_LT(std::fabs(product), 0.98) << "the table's stations see the sun rise and set every month";
      ASSERT_EQ(entry.sun, SunOnThe21st::RisesAndSets);
      ASSERT_TRUE(entry.rise && entry.set);
      for (const bool rise : {true, false}) {
        const SunCrossing& crossing = rise ? *entry.rise : *entry.set;
        const MeeusSun sun = MeeusSunAt(crossing.unixTime);
        const double delta = sun.declinationDeg;
        // cos A = sin(delta) / cos(phi); and d(A) = cos(delta) d(delta) / (cos(phi) sin(A)).
        const double riseAzimuth = std::acos(std::sin(delta * kDegree) / std::cos(phi * kDegree)) / kDegree;
        const double azimuth = rise ? riseAzimuth : 360 - riseAzimuth;
        const double azimuthSlack = 0.01 + kDeclinationSlack * std::cos(delta * kDegree) /
                                               (std::cos(phi * kDegree) * std::sin(riseAzimuth * kDegree));
        EXPECT_NEAR(crossing.sunAzimuthDeg, azimuth, azimuthSlack) << (rise ? "rise" : "set");
        // The hour angle at the horizon, and the time of day: 720 - 4 (longitude - H) - EoT minutes.
        const double horizon = std::acos(-PolarProduct(phi, delta)) / kDegree;
        const double hourAngle = rise ? -horizon : horizon;
        const double minutes = 720 - 4 * (station.place.lon - hourAngle) - sun.equationOfTimeMinutes;
        const double minutesSlack =
            1 + 4 * kDeclinationSlack * std::fabs(std::tan(phi * kDegree)) /
                    (std::sin(horizon * kDegree) * std::pow(std::cos(delta * kDegree), 2));
        EXPECT_NEAR((crossing.unixTime - MidnightOfThe21st(station.year, month)) / 60.0, minutes,
                    minutesSlack)
            << (rise ? "rise" : "set");
      }
    }
  }
}

// At the moment of crossing, both the station and the point a quarter of the way round the
// Earth along the line's bearing stand on the day's edge: the line is the grey line.
TEST(GreylineFan, EachLineIsTheDaysEdgeAtItsMoment) {
  const GeoPoint station{52.52, 13.4};
  for (const GreylineMonth& entry : GreylineFan(station, 2026)) {
    for (const SunCrossing& crossing : {*entry.rise, *entry.set}) {
      const GeoPoint sun = SubSolarPoint(crossing.unixTime);
      const double phi = station.lat * kDegree, lam = station.lon * kDegree,
                   b = crossing.lineBearingDeg * kDegree;
      // North and east at the station; a quarter circle along bearing b ends at cos(b) north + sin(b) east.
      const Vec3 north{-std::sin(phi) * std::cos(lam), -std::sin(phi) * std::sin(lam), std::cos(phi)};
      const Vec3 east{-std::sin(lam), std::cos(lam), 0};
      const Vec3 along{std::cos(b) * north.x + std::sin(b) * east.x,
                       std::cos(b) * north.y + std::sin(b) * east.y, std::cos(b) * north.z};
      EXPECT_NEAR(SolarElevation(station, sun), 0, 0.01) << MonthName(entry.month);
      EXPECT_NEAR(Dot(along, UnitVector(sun)), 0, 1e-6) << MonthName(entry.month);
    }
  }
}

std::vector<std::string> MonthsLeftOut(const GeoPoint& station, int year, SunOnThe21st how) {
  std::vector<std::string> names;
  for (const GreylineMonth& entry : GreylineFan(station, year)) {
    if (entry.sun == how) {
      EXPECT_FALSE(entry.rise || entry.set) << MonthName(entry.month);
      names.emplace_back(MonthName(entry.month));
    }
  }
  return names;
}

// Beyond the polar circles the months without sunrise or sunset are left out; at the poles
// every month is (in 2026 the equinoxes fall on 20 March and 23 September, so on both 21sts
// the sun stands north of the equator).
TEST(GreylineFan, BeyondThePolarCirclesAndAtThePolesMonthsAreLeftOut) {
  using Months = std::vector<std::string>;
  EXPECT_EQ(MonthsLeftOut({67, 20}, 2026, SunOnThe21st::StaysUp), Months{"June"});
  EXPECT_EQ(MonthsLeftOut({67, 20}, 2026, SunOnThe21st::StaysDown), Months{"December"});
  EXPECT_EQ(MonthsLeftOut({-67, -60}, 2026, SunOnThe21st::StaysUp), Months{"December"});
  EXPECT_EQ(MonthsLeftOut({-67, -60}, 2026, SunOnThe21st::StaysDown), Months{"June"});
  EXPECT_EQ(MonthsLeftOut({66, 25}, 2026, SunOnThe21st::StaysUp), Months{});
  const Months northSummer{"March", "April", "May", "June", "July", "August", "September"};
  const Months northWinter{"January", "February", "October", "November", "December"};
  EXPECT_EQ(MonthsLeftOut({90, 0}, 2026, SunOnThe21st::StaysUp), northSummer);
  EXPECT_EQ(MonthsLeftOut({90, 0}, 2026, SunOnThe21st::StaysDown), northWinter);
  EXPECT_EQ(MonthsLeftOut({-90, 0}, 2026, SunOnThe21st::StaysUp), northWinter);
  EXPECT_EQ(MonthsLeftOut({-90, 0}, 2026, SunOnThe21st::StaysDown), northSummer);
  // At 75 degrees tan(phi) tan(delta) passes 1 between April (0.79) and May (1.37).
  EXPECT_EQ(MonthsLeftOut({75, -95}, 2026, SunOnThe21st::StaysUp), (Months{"May", "June", "July"}));
  EXPECT_EQ(MonthsLeftOut({75, -95}, 2026, SunOnThe21st::StaysDown),
            (Months{"January", "November", "December"}));
}

}  // namespace
