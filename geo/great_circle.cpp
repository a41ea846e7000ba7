#include "geo/great_circle.h"

GreatCirclePath PathBetween(const GeoPoint& from, const GeoPoint& to) {
  const double phi1 = from.lat * kRadiansPerDegree, phi2 = to.lat * kRadiansPerDegree;
  const double dlam = (to.lon - from.lon) * kRadiansPerDegree;
  const double east = std::cos(phi2) * std::sin(dlam);
  const double north = std::cos(phi1) * std::sin(phi2) - std::sin(phi1) * std::cos(phi2) * std::cos(dlam);
  const double cosC = std::sin(phi1) * std::sin(phi2) + std::cos(phi1) * std::cos(phi2) * std::cos(dlam);
  const double sinC = std::hypot(east, north);

  GreatCirclePath path;
  path.distanceKm = std::atan2(sinC, cosC) * kEarthRadiusKm;
  double bearing = sinC < 1e-12 ? 0 : std::atan2(east, north) / kRadiansPerDegree;
  if (bearing < 0) bearing += 360;
  path.bearingDeg = bearing >= 360 ? 0 : bearing;
  path.longBearingDeg = std::fmod(path.bearingDeg + 180, 360);
  path.longDistanceKm = 2 * kHalfCircumferenceKm - path.distanceKm;
  return path;
}
