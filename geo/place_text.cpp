#include "geo/place_text.h"

#include <charconv>
#include <cmath>

#include "base/number_text.h"
#include "geo/maidenhead.h"

namespace {

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// One angle: a decimal number with an optional sign, or a number without sign followed by one
// of the two hemisphere letters (the second one making it negative).
std::optional<double> ReadAngle(std::string_view text, char positive, char negative, double limit,
                                const char* what, std::string& problem) {
  const std::string_view typed = Trimmed(text);
  std::string_view number = typed;
  double sign = 1;
  bool lettered = false;
  if (!number.empty()) {
    const char last = static_cast<char>(std::toupper(static_cast<unsigned char>(number.back())));
    if (last == positive || last == negative) {
      sign = last == negative ? -1 : 1;
      lettered = true;
      number = Trimmed(number.substr(0, number.size() - 1));
    }
  }
  // A sign of its own, before a number with no hemisphere letter only; from_chars would read
  // a second "-" but no "+".
  const bool signedNumber = !number.empty() && (number.front() == '+' || number.front() == '-');
  if (signedNumber) {
    if (number.front() == '-') sign = -1;
    number.remove_prefix(1);
  }
  double value = 0;
  const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
  if (number.empty() || number.front() == '-' || error != std::errc() ||
      end != number.data() + number.size() || !std::isfinite(value) || (lettered && signedNumber)) {
    problem = std::string(what) + " \"" + std::string(typed) + "\" is not a number of degrees";
    return std::nullopt;
  }
  value *= sign;
  if (std::fabs(value) > limit) {
    problem =
        std::string(what) + " " + FormatGeneral(value) + " is beyond " + FormatGeneral(limit) + " degrees";
    return std::nullopt;
  }
  return value;
}

}  // namespace

PlaceReading ReadCoordinates(std::string_view text) {
  PlaceReading reading;
  const std::size_t comma = text.find(',');
  if (comma == std::string_view::npos || text.find(',', comma + 1) != std::string_view::npos) {
    reading.problem = "\"" + std::string(text) + "\" is not LAT,LON (two numbers with one comma)";
    return reading;
  }
  const auto lat = ReadAngle(text.substr(0, comma), 'N', 'S', 90, "latitude", reading.problem);
  if (!lat) return reading;
  const auto lon = ReadAngle(text.substr(comma + 1), 'E', 'W', 180, "longitude", reading.problem);
  if (!lon) return reading;
  reading.place = GeoPoint{*lat, WrapLongitude(*lon)};
  return reading;
}

PlaceReading ReadLocator(std::string_view text) {
  PlaceReading reading;
  const std::string_view locator = Trimmed(text);
  std::string problem;
  reading.place = LocatorCentre(locator, &problem);
  if (!reading.place) reading.problem = "\"" + std::string(locator) + "\": " + problem;
  return reading;
}

PlaceReading ReadPlace(std::string_view text) {
  return text.find(',') != std::string_view::npos ? ReadCoordinates(text) : ReadLocator(text);
}

std::string DescribePlace(const GeoPoint& place) {
  return FormatFixed(std::fabs(place.lat), 2) + "\u00b0 " + (place.lat < 0 ? 'S' : 'N') + ", " +
         FormatFixed(std::fabs(place.lon), 2) + "\u00b0 " + (place.lon < 0 ? 'W' : 'E');
}
