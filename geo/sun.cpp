#include "geo/sun.h"

GeoPoint SubSolarPoint(std::int64_t unixSeconds) {
  // Days from 2000-01-01 12:00 UTC.
  const double n = (static_cast<double>(unixSeconds) - 946728000.0) / 86400.0;
  const double meanLongitude = 280.460 + 0.9856474 * n;
  const double meanAnomaly = (357.528 + 0.9856003 * n) * kRadiansPerDegree;
  const double eclipticLongitude =
      (meanLongitude + 1.915 * std::sin(meanAnomaly) + 0.020 * std::sin(2 * meanAnomaly)) * kRadiansPerDegree;
  const double obliquity = (23.439 - 0.0000004 * n) * kRadiansPerDegree;
  const double declination = std::asin(std::sin(obliquity) * std::sin(eclipticLongitude));
  const double rightAscension =
      std::atan2(std::cos(obliquity) * std::sin(eclipticLongitude), std::cos(eclipticLongitude));
  const double siderealDegrees = std::fmod(280.46061837 + 360.98564736629 * n, 360.0);
  return {declination / kRadiansPerDegree,
          WrapLongitude(rightAscension / kRadiansPerDegree - siderealDegrees)};
}

double SolarElevation(const GeoPoint& place, const GeoPoint& subSolar) {
  const double s = Dot(UnitVector(place), UnitVector(subSolar));
  return std::asin(s > 1 ? 1 : (s < -1 ? -1 : s)) / kRadiansPerDegree;
}
