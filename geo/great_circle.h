#pragma once
// The great-circle path from one place to another on the maps' sphere.
#include "geo/geo_point.h"

struct GreatCirclePath {
  double distanceKm = 0;      // the short path
  double bearingDeg = 0;      // initial bearing of the short path, 0 (north) up to 360, clockwise
  double longBearingDeg = 0;  // the short path's bearing turned by 180
  double longDistanceKm = 0;  // the rest of the great circle
};

// From a pole the bearing counts as if the pole had the longitude given for it; to the same
// place or its antipode the bearing is 0 (any bearing leads there).
GreatCirclePath PathBetween(const GeoPoint& from, const GeoPoint& to);
