#include "geo/greyline_fan.h"

#include <algorithm>
#include <chrono>
#include <cmath>

#include "geo/great_circle.h"
#include "geo/sun.h"

namespace {

constexpr double kSecondsPerDegreeOfHourAngle = 86400.0 / 360;

// The sun's hour angle at the station, degrees, negative in the morning.
double HourAngle(const GeoPoint& station, const GeoPoint& subSolar) {
  return std::remainder(station.lon - subSolar.lon, 360.0);
}

// The hour angle at which the sun's centre is on the horizon: cos H0 = -tan(phi) tan(delta),
// held to 0..180 where the sun only grazes the horizon.
double HorizonHourAngle(double phi, double declination) {
  const double cosine = -std::tan(phi) * std::tan(declination * kRadiansPerDegree);
  return std::acos(std::clamp(cosine, -1.0, 1.0)) / kRadiansPerDegree;
}

// The moment of sunrise (or sunset) nearest `noon`: the sun's place is taken again at each
// estimate, as its declination and the equation of time drift through the day.
SunCrossing Crossing(const GeoPoint& station, double noon, bool rise) {
  const double phi = station.lat * kRadiansPerDegree;
  double time = noon;
  GeoPoint sun = SubSolarPoint(std::llround(time));
  for (int step = 0; step < 8; ++step) {
    const double horizon = HorizonHourAngle(phi, sun.lat);
    const double change = std::remainder((rise ? -horizon : horizon) - HourAngle(station, sun), 360.0);
    time += change * kSecondsPerDegreeOfHourAngle;
    sun = SubSolarPoint(std::llround(time));
    if (std::fabs(change) < 1e-3) break;
  }
  SunCrossing crossing;
  crossing.unixTime = std::llround(time);
  crossing.sunAzimuthDeg = PathBetween(station, sun).bearingDeg;
  crossing.lineBearingDeg = std::fmod(crossing.sunAzimuthDeg + 90, 180.0);
  return crossing;
}

}  // namespace

std::array<GreylineMonth, 12> GreylineFan(const GeoPoint& station, int year) {
  using namespace std::chrono;
  const double phi = station.lat * kRadiansPerDegree;
  std::array<GreylineMonth, 12> fan;
  for (int month = 1; month <= 12; ++month) {
    GreylineMonth& entry = fan[month - 1];
    entry.month = month;
    const sys_days day{std::chrono::year{year} / month / 21};
    const double noon = static_cast<double>(sys_seconds{day}.time_since_epoch().count()) + 43200 -
                        station.lon * kSecondsPerDegreeOfHourAngle;
    const double declination = SubSolarPoint(std::llround(noon)).lat;
    // The sun stays up all day where tan(phi) tan(delta) >= 1, and down where it is <= -1; at
    // a pole the product is infinite unless the sun stands on the equator.
    const double product = std::cos(phi) < 1e-12 ? std::copysign(INFINITY, station.lat * declination)
                                                 : std::tan(phi) * std::tan(declination * kRadiansPerDegree);
    if (product >= 1) {
      entry.sun = SunOnThe21st::StaysUp;
    } else if (product <= -1) {
      entry.sun = SunOnThe21st::StaysDown;
    } else {
      entry.rise = Crossing(station, noon, true);
      entry.set = Crossing(station, noon, false);
    }
  }
  return fan;
}

std::string_view MonthName(int month) {
  static constexpr std::string_view kNames[] = {"January",   "February", "March",    "April",
                                                "May",       "June",     "July",     "August",
                                                "September", "October",  "November", "December"};
  return month >= 1 && month <= 12 ? kNames[month - 1] : std::string_view();
}
