#pragma once
// Paths on the WGS84 ellipsoid, for the distances and bearings a station map prints. The map
// itself is drawn on the sphere of geo_point.h; only these numbers are geodesic.
#include "geo/geo_point.h"

struct GeodesicPath {
  double distanceKm = 0;      // the short path, the geodesic between the two places
  double bearingDeg = 0;      // its initial bearing, 0 (north) up to 360, clockwise
  double longBearingDeg = 0;  // the initial bearing of the long path
  double longDistanceKm = 0;  // the long path's length
};

// The long path is the short one continued the other way round: from `from` to the antipode
// of `to`, on to the antipode of `from` and back to `to`, each leg a geodesic. On a sphere
// that is the rest of the great circle; on the ellipsoid, whose geodesics do not close, it is
// the nearest thing that still ends at `to`.
// From a pole the bearing counts as if the pole had the longitude given for it. To the same
// place the bearing is 0; to the antipode, where every bearing leads there as quickly, it is
// the one the geodesic library picks, and the long path leaves the opposite way.
GeodesicPath GeodesicBetween(const GeoPoint& from, const GeoPoint& to);
