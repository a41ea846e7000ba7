#include "app/place_view.h"

#include <algorithm>
#include <cmath>

#include "geo/great_circle.h"
#include "geo/place_text.h"
#include "stationmap/station_map.h"

namespace {

// Latitude and longitude each to the nearest whole degree, the longitude in -179..180.
GeoPoint RoundedToWholeDegrees(const GeoPoint& place) {
  double lon = std::round(WrapLongitude(place.lon));
  if (lon == -180) lon = 180;
  return {std::round(place.lat) + 0.0, lon + 0.0};  // adding 0 turns a "-0" into 0
}

}  // namespace

GeoPoint WholeDegreeCentre(const GeoPoint& place) {
  const GeoPoint rounded = RoundedToWholeDegrees(place);
  return {std::max(rounded.lat, -89.0), rounded.lon};
}

bool CentredOnStation(const GeoPoint& centre, const GeoPoint& station) {
  const GeoPoint rounded = RoundedToWholeDegrees(station);
  if (rounded.lat == centre.lat && rounded.lon == centre.lon) return true;
  constexpr double kMillimetreKm = 1e-6;  // at a pole every longitude is the same place
  return PathBetween(centre, station).distanceKm < kMillimetreKm;
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
  // A place is drawn as its label on the station maps: a locator or two numbers, never pages.
  if (text.size() > kMaxPlaceTextLength) {
    return {false, "the text is longer than " + std::to_string(kMaxPlaceTextLength) +
                       " characters; a place is a locator or latitude,longitude"};
  }
  const PlaceReading reading = ReadPlace(text);
  if (!reading.place) return {false, reading.problem};
  const GeoPoint centre = WholeDegreeCentre(*reading.place);
  return {true, DescribePlace(*reading.place) + "; the view turns to Long " +
                    std::to_string(static_cast<int>(centre.lon)) + ", Lat " +
                    std::to_string(static_cast<int>(centre.lat))};
}
