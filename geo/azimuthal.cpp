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
  const Vec3 p = UnitVector(point);
  const double east = Dot(p, e_);
  const double north = Dot(p, n_);
  const double sinC = std::hypot(east, north);
  const double c = std::atan2(sinC, Dot(p, c_));
  if (sinC < 1e-15) return c < 1 ? PlanePoint{0, 0} : PlanePoint{0, -kHalfCircumferenceKm};
  const double scale = c * kEarthRadiusKm / sinC;
  return {east * scale, north * scale};
}

Vec3 AzimuthalEquidistant::InverseVector(double x, double y) const {
  const double rho = std::hypot(x, y);
  if (rho == 0) return c_;
  const double c = rho / kEarthRadiusKm;
  const double cosC = std::cos(c);
  const double along = std::sin(c) / rho;
  const double ex = x * along, ny = y * along;
  return {cosC * c_.x + ex * e_.x + ny * n_.x, cosC * c_.y + ex * e_.y + ny * n_.y,
          cosC * c_.z + ex * e_.z + ny * n_.z};
}

std::optional<GeoPoint> AzimuthalEquidistant::Inverse(double x, double y) const {
  if (std::hypot(x, y) > kHalfCircumferenceKm) return std::nullopt;
  return PointOfVector(InverseVector(x, y));
}
