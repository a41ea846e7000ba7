#pragma once
// Places as operators type them: "52.5,13.4", "-33.87,+151.21", "52.5N,13.4E", "33.87S,151.21E"
// (latitude first, decimal degrees with an optional sign or a hemisphere letter, a "." as
// decimal point whatever the locale), or a Maidenhead locator ("JO62qm"). The station map's
// options and the window's dialog read places with these, so both accept the same texts.
#include <optional>
#include <string>
#include <string_view>

#include "geo/geo_point.h"

struct PlaceReading {
  std::optional<GeoPoint> place;
  std::string problem;  // why the text is not a place, when it is not
};

// Latitude and longitude only.
PlaceReading ReadCoordinates(std::string_view text);
// A locator only.
PlaceReading ReadLocator(std::string_view text);
// Either: a text with a comma is read as coordinates, any other as a locator.
PlaceReading ReadPlace(std::string_view text);

// "52.52° N, 13.38° E": the place as it was understood, to two decimals.
std::string DescribePlace(const GeoPoint& place);
