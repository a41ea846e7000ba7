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

// One angle: a decimal number, or a number without sign followed by one of the two
// hemisphere letters (the second one making it negative).
std::optional<double> ReadAngle(std::string_view text, char positive, char negative, double limit,
                                const char* what, std::string& problem) {
  text = Trimmed(text);
  double sign = 1;
  bool lettered = false;
  if (!text.empty()) {
    const char last = static_cast<char>(std::toupper(static_cast<unsigned char>(text.back())));
    if (last == positive || last == negative) {
      sign = last == negative ? -1 : 1;
      lettered = true;
      text = Trimmed(text.substr(0, text.size() - 1));
    }
  }
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || !std::isfinite(value) ||
      (lettered && text.front() == '-')) {
    problem = std::string(what) + " \"" + std::string(text) +
              (lettered ? std::string(1, sign < 0 ? negative : positive) : "") +
              "\" is not a number of degrees";
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
