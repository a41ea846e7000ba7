#include "app/place_view.h"

#include <algorithm>
#include <cmath>

#include "geo/place_text.h"

GeoPoint WholeDegreeCentre(const GeoPoint& place) {
  double lon = std::round(WrapLongitude(place.lon));
  if (lon == -180) lon = 180;
  const double lat = std::clamp(std::round(place.lat), -89.0, 90.0);
  return {lat + 0.0, lon + 0.0};  // adding 0 turns a "-0" into 0
}

WholeDegreeTurn TurnTowards(const GeoPoint& place) {
  const GeoPoint centre = WholeDegreeCentre(place);
  // The map-centre rule runs backwards: LongDeg = (270 - Rotation) mod 360, Lat = Tilt.
  const int longDeg = (static_cast<int>(centre.lon) + 360) % 360;
  const int lat = static_cast<int>(centre.lat);
  return {static_cast<std::int16_t>((270 - longDeg + 360) % 360),
          static_cast<std::int16_t>(lat < 0 ? lat + 360 : lat)};
}

PlaceUnderstanding UnderstandPlace(const std::string& text) {
  const PlaceReading reading = ReadPlace(text);
  if (!reading.place) return {false, reading.problem};
  const GeoPoint centre = WholeDegreeCentre(*reading.place);
  return {true, DescribePlace(*reading.place) + "; the view turns to Long " +
                    std::to_string(static_cast<int>(centre.lon)) + ", Lat " +
                    std::to_string(static_cast<int>(centre.lat))};
}
