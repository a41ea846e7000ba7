#include "geo/azimuthal.h"

AzimuthalEquidistant::AzimuthalEquidistant(const GeoPoint& centre) : centre_(centre), c_(UnitVector(centre)) {
  const double phi0 = centre.lat * kRadiansPerDegree;
  const double lam0 = centre.lon * kRadiansPerDegree;
  // At a pole these still hold: north points along the meridian opposite the centre's
  // longitude, as PROJ's aeqd takes it.
  e_ = {-std::sin(lam0), std::cos(lam0), 0};
  n_ = {-std::sin(phi0) * std::cos(lam0), -std::sin(phi0) * std::sin(lam0), std::cos(phi0)};
}

PlanePoint AzimuthalEquidistant::Forward(const GeoPoint& point) const {
  return ForwardVector(UnitVector(point));
}

PlanePoint AzimuthalEquidistant::ForwardVector(const Vec3& p) const {
  const double east = Dot(p, e_);
  const double north = Dot(p, n_);
  // A unit vector's parts cannot overflow; the double series is within a few millimetres.
  const double sinC = std::sqrt(east * east + north * north);
  const double c = FastAtan2(sinC, Dot(p, c_));
  if (sinC < 1e-15) return c < 1 ? PlanePoint{0, 0} : PlanePoint{0, -kHalfCircumferenceKm};
  const double scale = c * kEarthRadiusKm / sinC;
  return {east * scale, north * scale};
}

std::optional<GeoPoint> AzimuthalEquidistant::Inverse(double x, double y) const {
  if (std::hypot(x, y) > kHalfCircumferenceKm) return std::nullopt;
  Vec3 p;
  InverseVector(BasisIn<double>(), x, y, p.x, p.y, p.z);
  return PointOfVector(p);
}
