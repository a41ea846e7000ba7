#include "calc/map_projection.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

struct Placement {
  const char* source;
  double centreLong, centreLat, radiusKm, pointLong, pointLat;
  double x, y;
};

// The system's own worked examples, printed to 5 decimals: tolerance 5e-6 px.
constexpr Placement kWorked[] = {
    {"worked: centre", 0, 0, 1000, 0, 0, 278.5, 278.5},
    {"worked: 10 deg east", 0, 0, 1000, 10, 0, 588.52488, 278.5},
    {"worked: 10 deg north, X off by the half-turn constant", 0, 0, 1000, 0, 10, 278.49985, 588.52488},
    {"worked: 10 deg south, three quarter-turns", 0, 0, 1000, 0, -10, 278.50046, -31.52488},
    {"worked: 6E 52N, radius 300, point 8E 50N", 6, 52, 300, 8, 50, 411.36438, 73.62785},
};

// Independent reference: PROJ 9 `proj +proj=aeqd +lat_0=<lat> +lon_0=<long> +R=6378137
// -f %.6f` gives the metres x, y of the point; map X = 278.5 + 278.5 x / (radius * 1000),
// Y = 278.5 + 278.5 y / (radius * 1000). PROJ uses the true pi, ours 3.1415936535: that
// scales every angle in radians by 1 + 3.2e-7 and shifts the quadrant offsets of AngleOf
// by up to 1e-6 rad, which moves a point by at most 2.5e-6 of its distance from the centre
// on these rows. Tolerance: 3e-6 px per pixel of distance from the centre, plus 1e-5 px
// for the six printed decimals.
constexpr Placement kProj[] = {
    {"PROJ aeqd 0/0: 10E", 0, 0, 1000, 10, 0, 588.524782, 278.500000},
    {"PROJ aeqd 0/0: 10N", 0, 0, 1000, 0, 10, 278.500000, 588.524782},
    {"PROJ aeqd 0/0: 10S", 0, 0, 1000, 0, -10, 278.500000, -31.524782},
    {"PROJ aeqd 0/0: 7W 3N", 0, 0, 1000, -7, 3, 61.681406, 371.739044},
    {"PROJ aeqd 6/52: 8E 50N r300", 6, 52, 300, 8, 50, 411.364072, 73.627713},
    {"PROJ aeqd 6/52: centre r3340", 6, 52, 3340, 6, 52, 278.500000, 278.500000},
    {"PROJ aeqd 6/52: 10W 40N r3340", 6, 52, 3340, -10, 40, 164.677530, 179.028994},
    {"PROJ aeqd 6/52: 30E 70N r3340", 6, 52, 3340, 30, 70, 354.185716, 459.301734},
    {"PROJ aeqd 6/52: due south r3340", 6, 52, 3340, 6, 22, 278.500000, 0.034627},
    {"PROJ aeqd 6/52: over the pole r3340", 6, 52, 3340, 120, 85, 324.539807, 649.297583},
    {"PROJ aeqd 6/52: 70W 30S r20015", 6, 52, 20015, -70, -30, 136.267898, 198.450756},
    {"PROJ aeqd 6/52: 150E 20S r20015", 6, 52, 20015, 150, -20, 452.735677, 401.052483},
    {"PROJ aeqd SF: New York r5000", -122.5, 37.75, 5000, -74, 40.7, 495.130545, 357.877917},
    {"PROJ aeqd SF: Tokyo r5000", -122.5, 37.75, 5000, 139.7, 35.7, -106.623660, 531.656149},
    {"PROJ aeqd Sydney: Wellington r8000", 151.2, -33.9, 8000, 174.8, -41.3, 346.661968, 241.369339},
    {"PROJ aeqd Sydney: Singapore r8000", 151.2, -33.9, 8000, 100, 1.3, 69.973273, 377.051257},
    {"PROJ aeqd north pole: 45E 80N", 0, 90, 2000, 45, 80, 388.110313, 168.889687},
    {"PROJ aeqd near south pole", 0, -89, 2000, -135, -70, 58.950654, 44.096085},
    {"PROJ aeqd 45/0: close by, r100", 45, 0, 100, 45.5, 0.5, 433.508456, 433.514358},
    {"PROJ aeqd 60W 15S: 20E 10N r12000", -60, -15, 12000, 20, 10, 488.225118, 324.342347},
};

MapPosition Place(const Placement& p) {
  MapPosition out;
  ProjectToMap(p.centreLong, p.centreLat, p.radiusKm, p.pointLong, p.pointLat, out.X, out.Y);
  return out;
}

TEST(ProjectToMap, GivesTheWorkedValues) {
  for (const Placement& p : kWorked) {
    SCOPED_TRACE(p.source);
    const MapPosition m = Place(p);
    EXPECT_NEAR(m.X, p.x, 5e-6);
    EXPECT_NEAR(m.Y, p.y, 5e-6);
    // Every argument is a reference, and X and Y are written only when all inputs are read:
    // a caller may take the result into the point's own variables, or the centre's.
    double pointLong = p.pointLong, pointLat = p.pointLat;
    ProjectToMap(p.centreLong, p.centreLat, p.radiusKm, pointLong, pointLat, pointLong, pointLat);
    EXPECT_EQ(pointLong, m.X);
    EXPECT_EQ(pointLat, m.Y);
    double centreLong = p.centreLong, centreLat = p.centreLat;
    ProjectToMap(centreLong, centreLat, p.radiusKm, p.pointLong, p.pointLat, centreLong, centreLat);
    EXPECT_EQ(centreLong, m.X);
    EXPECT_EQ(centreLat, m.Y);
  }
}

TEST(ProjectToMap, AgreesWithProjAeqd) {
  for (const Placement& p : kProj) {
    const MapPosition m = Place(p);
    const double fromCentre = std::hypot(p.x - 278.5, p.y - 278.5);
    const double tolerance = 1e-5 + 3e-6 * fromCentre;
    EXPECT_NEAR(m.X, p.x, tolerance) << p.source;
    EXPECT_NEAR(m.Y, p.y, tolerance) << p.source;
  }
}

TEST(ProjectToMap, ZeroRadiusPutsEveryPointOnTheCentre) {
  for (const Placement& p : kProj) {
    Placement zero = p;
    zero.radiusKm = 0;
    const MapPosition m = Place(zero);
    EXPECT_EQ(m.X, 278.5) << p.source;
    EXPECT_EQ(m.Y, 278.5) << p.source;
  }
}

TEST(ProjectToMap, RadiusNearZeroGivesNonFiniteValuesWithoutFailing) {
  const double tiny = std::numeric_limits<double>::denorm_min();
  double x = 0, y = 0;
  ProjectToMap(0, 0, tiny, 10, 0, x, y);
  EXPECT_FALSE(std::isfinite(x));
  // The centre itself stays put: its distance is 0 whatever the radius.
  ProjectToMap(6, 52, tiny, 6, 52, x, y);
  EXPECT_EQ(x, 278.5);
  EXPECT_EQ(y, 278.5);
}

// The redraw reuses a column's and a row's sines and cosines; that must not move a single
// texel by one bit against the one-point routine.
TEST(MapProjection, ReusedSinesGiveBitIdenticalPositions) {
  struct Centre {
    double lon, lat, radius;
  };
  constexpr Centre kCentres[] = {{6, -52, 3340}, {0, 0, 300}, {-170.25, 89.5, 20015}, {33, -7, 1e-3}};
  for (const Centre& c : kCentres) {
    const MapProjection projection(c.lon, c.lat, c.radius);
    for (int column = 0; column < 37; ++column) {
      const double lon = -(column - 18.5) * 360 / 37;
      const MapProjection::Longitude atLon = projection.AtLongitude(lon);
      for (int row = 0; row < 23; ++row) {
        const double lat = (row - 11.5) * 180 / 23;
        const MapPosition reused = projection.Project(atLon, projection.AtLatitude(lat));
        double x = 0, y = 0;
        ProjectToMap(c.lon, c.lat, c.radius, lon, lat, x, y);
        ASSERT_EQ(reused.X, x) << c.lon << " " << c.lat << " " << lon << " " << lat;
        ASSERT_EQ(reused.Y, y) << c.lon << " " << c.lat << " " << lon << " " << lat;
      }
    }
  }
}

}  // namespace
