#pragma once
// The azimuthal equidistant projection of the sphere around a centre, in kilometres on the
// map plane: x east, y north, the distance from the origin the great-circle distance.
#include <optional>

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
  // Nothing beyond half the circumference from the origin.
  std::optional<GeoPoint> Inverse(double x, double y) const;
  // The unit vector of the point at (x, y) (x, y within half the circumference), for loops
  // that want the sun's elevation as well as the place.
  Vec3 InverseVector(double x, double y) const;

  const GeoPoint& Centre() const { return centre_; }
  // The centre's unit vector and the east and north directions there: the point at (x, y)
  // is cos(c) centre + sin(c) / rho (x east + y north), c = rho / R, rho = |(x, y)|.
  const Vec3& CentreVector() const { return c_; }
  const Vec3& East() const { return e_; }
  const Vec3& North() const { return n_; }

 private:
  GeoPoint centre_;
  // The centre's unit vector and the east and north directions there.
  Vec3 c_, e_, n_;
};

inline GeoPoint PointOfVector(const Vec3& p) {
  const double z = p.z > 1 ? 1 : (p.z < -1 ? -1 : p.z);
  return {std::asin(z) / kRadiansPerDegree, std::atan2(p.y, p.x) / kRadiansPerDegree};
}
