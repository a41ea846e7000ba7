#include "geo/geodesic.h"

#include <GeographicLib/Geodesic.hpp>
#include <cmath>

namespace {

// 0 up to 360, never 360 itself nor -0.
double Bearing(double azimuth) {
  double bearing = std::fmod(azimuth, 360.0);
  if (bearing < 0) bearing += 360;
  return bearing >= 360 || bearing == 0 ? 0 : bearing;
}

GeoPoint Antipode(const GeoPoint& p) { return {-p.lat, WrapLongitude(p.lon + 180)}; }

// Below this the two ends of a leg count as one place, whose bearing means nothing.
constexpr double kSamePlaceMetres = 1e-3;

}  // namespace

GeodesicPath GeodesicBetween(const GeoPoint& from, const GeoPoint& to) {
  const GeographicLib::Geodesic& wgs84 = GeographicLib::Geodesic::WGS84();
  double metres = 0, azimuth = 0, arrival = 0;
  wgs84.Inverse(from.lat, from.lon, to.lat, to.lon, metres, azimuth, arrival);
  GeodesicPath path;
  path.distanceKm = metres / 1000;
  path.bearingDeg = metres < kSamePlaceMetres ? 0 : Bearing(azimuth);

  const GeoPoint beyond = Antipode(to);
  double toBeyond = 0, beyondAzimuth = 0;
  wgs84.Inverse(from.lat, from.lon, beyond.lat, beyond.lon, toBeyond, beyondAzimuth, arrival);
  // The leg from the antipode of `to` to the antipode of `from` mirrors the short path
  // through the Earth's centre, and the last leg mirrors the first.
  path.longDistanceKm = (metres + 2 * toBeyond) / 1000;
  path.longBearingDeg = toBeyond < kSamePlaceMetres ? Bearing(path.bearingDeg + 180) : Bearing(beyondAzimuth);
  return path;
}
