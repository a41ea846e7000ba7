#pragma once
// A place on the sphere the window's maps are drawn on, and the vectors the station map
// geometry works with.
#include <cmath>
#include <numbers>

#include "calc/map_projection.h"

inline constexpr double kEarthRadiusKm = kEarthRadiusMetres / 1000;
// Half the circumference: the distance to the antipode, the largest map radius.
inline constexpr double kHalfCircumferenceKm = std::numbers::pi * kEarthRadiusKm;
inline constexpr double kRadiansPerDegree = std::numbers::pi / 180;

// Degrees, north and east positive; longitude -180..180.
struct GeoPoint {
  double lat = 0;
  double lon = 0;
};

struct Vec3 {
  double x = 0, y = 0, z = 0;
};

inline double Dot(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// The unit vector from the Earth's centre: x towards 0 E on the equator, z to the north pole.
inline Vec3 UnitVector(const GeoPoint& p) {
  const double phi = p.lat * kRadiansPerDegree;
  const double lam = p.lon * kRadiansPerDegree;
  return {std::cos(phi) * std::cos(lam), std::cos(phi) * std::sin(lam), std::sin(phi)};
}

// A longitude brought into -180..180.
inline double WrapLongitude(double lon) {
  lon = std::remainder(lon, 360.0);
  return lon == -180 ? 180 : lon;
}
