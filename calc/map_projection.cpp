#include "calc/map_projection.h"

#include <cmath>

#include "calc/angle_colour.h"

namespace {

constexpr double kDegreeFactor = kHalfTurn / 180;
constexpr double kMetresPerKilometre = 1000;

}  // namespace

MapProjection::MapProjection(double centreLong, double centreLat, double radiusKm)
    : lam0_(centreLong * kDegreeFactor),
      sinPhi0_(std::sin(centreLat * kDegreeFactor)),
      cosPhi0_(std::cos(centreLat * kDegreeFactor)),
      radiusKm_(radiusKm) {}

MapProjection::Longitude MapProjection::AtLongitude(double pointLong) const {
  const double dlon = pointLong * kDegreeFactor - lam0_;
  return {std::sin(dlon), std::cos(dlon)};
}

MapProjection::Latitude MapProjection::AtLatitude(double pointLat) const {
  const double phi = pointLat * kDegreeFactor;
  return {std::sin(phi), std::cos(phi)};
}

MapPosition MapProjection::Project(const Longitude& longitude, const Latitude& latitude) const {
  const auto [east, north, cosC] = ComponentsOf(longitude, latitude);
  const double sinC = std::sqrt(east * east + north * north);
  const double c = AngleOf(cosC, sinC);
  const double t = AngleOf(east, north);
  const double d = c * kEarthRadiusMetres;
  const double s = radiusKm_ != 0 ? (d / kMetresPerKilometre) / radiusKm_ : 0;
  // Written as the maps were always computed: through the two subtractions, in this order.
  return {kMapSide - (kMapHalfSide - kMapHalfSide * s * std::cos(t)),
          kMapSide - (kMapHalfSide - kMapHalfSide * s * std::sin(t))};
}

void ProjectToMap(const double& centreLong, const double& centreLat, const double& radiusKm,
                  const double& pointLong, const double& pointLat, double& X, double& Y) {
  const MapProjection projection(centreLong, centreLat, radiusKm);
  const MapPosition position =
      projection.Project(projection.AtLongitude(pointLong), projection.AtLatitude(pointLat));
  X = position.X;
  Y = position.Y;
}
