#pragma once
// Turning the view towards a typed place: the view's centre moves in whole degrees, so the
// place is shown at the whole-degree centre nearest to it.
#include <cstdint>
#include <string>

#include "geo/geo_point.h"
#include "ui/main_window.h"

struct WholeDegreeTurn {
  std::int16_t Rotation = 0;  // 0..359
  std::int16_t Tilt = 0;      // 0..90, or 271..359 for -89..-1
};

// The centre the caption shows for `place`: latitude and longitude each rounded to the
// nearest whole degree (halves away from zero), the longitude in -179..180 (-180 is shown
// as 180), the latitude in -89..90 (the view tilts no further south than -89).
GeoPoint WholeDegreeCentre(const GeoPoint& place);

// Whether a map centred on `centre` has the station at its centre, so it needs no mark: the
// view was turned to it (the centre is the station to whole degrees) or it is the very
// place. A station south of 89 S lies beyond the view's tilt, 1 degree from any centre.
bool CentredOnStation(const GeoPoint& centre, const GeoPoint& station);

// Rotation and Tilt whose map centre is WholeDegreeCentre(place).
WholeDegreeTurn TurnTowards(const GeoPoint& place);

// What the go-to dialog shows for `text`: the place as read, and the centre the view takes;
// a text longer than any place is refused.
PlaceUnderstanding UnderstandPlace(const std::string& text);
