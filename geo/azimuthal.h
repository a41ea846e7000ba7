#pragma once
// The azimuthal equidistant projection of the sphere around a centre, in kilometres on the
// map plane: x east, y north, the distance from the origin the great-circle distance.
#include <cmath>
#include <numbers>
#include <optional>

#include "geo/fast_angles.h"
#include "geo/geo_point.h"

struct PlanePoint {
  double x = 0;
  double y = 0;
};

class AzimuthalEquidistant {
 public:
  explicit AzimuthalEquidistant(const GeoPoint& centre);

  // Every point has a place; the antipode lands on the circle of half the circumference,
  // below the centre (one of its places).
  PlanePoint Forward(const GeoPoint& point) const;
  // The same for a place given as its unit vector.
  PlanePoint ForwardVector(const Vec3& p) const;
  // Nothing beyond half the circumference from the origin.
  std::optional<GeoPoint> Inverse(double x, double y) const;

  // The centre's unit vector and the east and north directions there, in the precision a
  // loop works in: the point at (x, y) is cos(c) centre + sin(c) / rho (x east + y north),
  // c = rho / R, rho = |(x, y)|.
  template <typename T>
  struct Basis {
    T cx, cy, cz, ex, ey, ez, nx, ny, nz;
  };
  template <typename T>
  Basis<T> BasisIn() const {
    const auto t = [](double value) { return static_cast<T>(value); };
    return {t(c_.x), t(c_.y), t(c_.z), t(e_.x), t(e_.y), t(e_.z), t(n_.x), t(n_.y), t(n_.z)};
  }

  // The inverse of the point (x, y), within half the circumference of the origin, as a unit
  // vector. Written without branches so that a loop over a row of pixels runs several at once
  // (the station map's sampling loop does, in single precision: a few centimetres on the
  // ground); every inverse of the maps is this one.
  template <typename T>
  static void InverseVector(const Basis<T>& b, T x, T y, T& px, T& py, T& pz) {
    const T rho = std::sqrt(x * x + y * y);
    const T c = rho * T(1 / kEarthRadiusKm);
    const T pi = std::numbers::pi_v<T>;
    T sinC, cosC;
    FastSinCos(c < pi ? c : pi, sinC, cosC);
    // At the centre x and y are 0, whatever `along` is.
    const T along = sinC / (rho > T(1e-30) ? rho : T(1e-30));
    const T east = x * along, north = y * along;
    px = cosC * b.cx + east * b.ex + north * b.nx;
    py = cosC * b.cy + east * b.ey + north * b.ny;
    pz = cosC * b.cz + east * b.ez + north * b.nz;
  }

  const GeoPoint& Centre() const { return centre_; }
  const Vec3& CentreVector() const { return c_; }

 private:
  GeoPoint centre_;
  // The centre's unit vector and the east and north directions there.
  Vec3 c_, e_, n_;
};

inline GeoPoint PointOfVector(const Vec3& p) {
  const double z = p.z > 1 ? 1 : (p.z < -1 ? -1 : p.z);
  return {std::asin(z) / kRadiansPerDegree, std::atan2(p.y, p.x) / kRadiansPerDegree};
}
