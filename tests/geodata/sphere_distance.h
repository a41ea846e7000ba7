#pragma once
// Distances on the sphere by the navigators' formulas, for comparing lines on the ground
// independently of the vector algebra the code under test uses.
#include <algorithm>
#include <cmath>

#include "geo/geo_point.h"

// The distance in km of p from the arc a-b, by the navigators' formulas of great-circle
// bearings: the cross-track distance where the foot falls between a and b, else the distance
// to the nearer end.
inline double KmFromArc(const GeoPoint& p, const GeoPoint& a, const GeoPoint& b) {
  constexpr double r = M_PI / 180;
  const auto angle = [&](const GeoPoint& x, const GeoPoint& y) {
    const double h =
        std::pow(std::sin((y.lat - x.lat) * r / 2), 2) +
        std::cos(x.lat * r) * std::cos(y.lat * r) * std::pow(std::sin((y.lon - x.lon) * r / 2), 2);
    return 2 * std::asin(std::min(1.0, std::sqrt(h)));
  };
  const auto bearing = [&](const GeoPoint& x, const GeoPoint& y) {
    const double dlam = (y.lon - x.lon) * r;
    return std::atan2(std::sin(dlam) * std::cos(y.lat * r),
                      std::cos(x.lat * r) * std::sin(y.lat * r) -
                          std::sin(x.lat * r) * std::cos(y.lat * r) * std::cos(dlam));
  };
  const double ap = angle(a, p), ab = angle(a, b);
  const double ends = std::min(ap, angle(b, p)) * kEarthRadiusKm;
  if (ab < 1e-12 || ap < 1e-12) return ends;
  const double turn = bearing(a, p) - bearing(a, b);
  const double across = std::asin(std::sin(ap) * std::sin(turn));
  if (std::cos(turn) < 0) return ends;
  const double along = std::acos(std::clamp(std::cos(ap) / std::cos(across), -1.0, 1.0));
  return along > ab ? ends : std::fabs(across) * kEarthRadiusKm;
}
