#pragma once
// Azimuthal equidistant projection of a spherical Earth onto the square map picture: the
// map centre lands on the picture's centre (278.5, 278.5), the great-circle distance sets
// how far out a point lands (the map radius on the 278.5-pixel circle) and the initial
// direction of the great circle sets where. X grows eastwards, Y with the north component
// as the inputs count latitude; points beyond the map radius land outside 0..557 and are
// not clipped.
//
// Angles go to radians with kHalfTurn / 180, not pi / 180, and every step is evaluated in
// the order the maps were always made with, so positions agree with earlier maps to the
// last bit. A map radius of exactly 0 puts every point on the centre; a radius near 0 gives
// infinite or NaN coordinates, which callers must be ready for.

inline constexpr double kEarthRadiusMetres = 6378137;
inline constexpr double kMapSide = 557;
inline constexpr double kMapHalfSide = 557.0 / 2;

struct MapPosition {
  double X = 0;
  double Y = 0;
};

// ProjectToMap, taken apart for a caller that places many points around one centre, as the
// map redraw places every texel of its texture: the centre's sine and cosine are taken when
// it is set up, a longitude's (AtLongitude) and a latitude's (AtLatitude) once for all the
// points that share them, and Project does the rest of ProjectToMap's arithmetic, step for
// step. ProjectToMap is these three in turn, so a point lands on the same bits either way.
class MapProjection {
 public:
  struct Longitude {
    double sinDlon = 0;  // of the longitude minus the centre's
    double cosDlon = 1;
  };
  struct Latitude {
    double sinLat = 0;
    double cosLat = 1;
  };

  // Degrees and kilometres.
  MapProjection(double centreLong, double centreLat, double radiusKm);

  Longitude AtLongitude(double pointLong) const;
  Latitude AtLatitude(double pointLat) const;
  MapPosition Project(const Longitude& longitude, const Latitude& latitude) const;
  // The first steps of Project. The east and north components of the point's direction from
  // the centre (each at most the sine of the central angle in size), and the cosine of the
  // central angle.
  struct Components {
    double east;
    double north;
    double cosCentral;
  };
  Components ComponentsOf(const Longitude& longitude, const Latitude& latitude) const {
    return {latitude.cosLat * longitude.sinDlon,
            latitude.sinLat * cosPhi0_ - longitude.cosDlon * latitude.cosLat * sinPhi0_,
            longitude.cosDlon * latitude.cosLat * cosPhi0_ + latitude.sinLat * sinPhi0_};
  }

 private:
  double lam0_;
  double sinPhi0_;
  double cosPhi0_;
  double radiusKm_;
};

// Places one point: the centre's longitude and latitude, the map radius, the point's
// longitude and latitude (degrees and kilometres) in; X and Y (pixels) out, written when every
// input has been read.
void ProjectToMap(const double& centreLong, const double& centreLat, const double& radiusKm,
                  const double& pointLong, const double& pointLat, double& X, double& Y);
