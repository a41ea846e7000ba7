#include "app/station_settings.h"

#include <charconv>
#include <cmath>

#include "geo/place_text.h"
#include "ui/number_text.h"

namespace {

constexpr const char* kMapSection = "StationMap";

// Decimal text with a "." whatever the locale, blanks around allowed.
std::optional<double> ReadDecimal(const std::string& text) {
  std::size_t first = text.find_first_not_of(" \t");
  std::size_t last = text.find_last_not_of(" \t");
  if (first == std::string::npos) return std::nullopt;
  double value = 0;
  const char* end = text.data() + last + 1;
  const auto [stop, error] = std::from_chars(text.data() + first, end, value);
  if (error != std::errc() || stop != end || !std::isfinite(value)) return std::nullopt;
  return value;
}

void ReadSetting(SettingsStore& store, const char* key, double low, double high, double& value,
                 std::string& refused) {
  const auto text = store.Read(kMapSection, key);
  if (!text) return;
  const auto read = ReadDecimal(*text);
  if (read && *read >= low && *read <= high) {
    value = *read;
  } else {
    refused += "\n" + std::string(key) + " = \"" + *text + "\"";
  }
}

std::string Whole(double value) {
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value + 0.0);  // no "-0"
  return std::string(buffer, result.ptr);
}

}  // namespace

StationMapSettings ReadStationMapSettings(SettingsStore& store, std::string& refused) {
  StationMapSettings settings;
  double size = settings.size;
  double greyLine = settings.greyLine ? 1 : 0;
  ReadSetting(store, "Size", kMinMapSize, kMaxMapSize, size, refused);
  ReadSetting(store, "Rings", 0, kMaxMapRadiusKm, settings.ringsKm, refused);
  ReadSetting(store, "Spokes", 0, 360, settings.spokesDeg, refused);
  ReadSetting(store, "Grid", 0, 90, settings.gridDeg, refused);
  ReadSetting(store, "GreyLine", 0, 1, greyLine, refused);
  settings.size = static_cast<int>(std::lround(size));
  settings.greyLine = greyLine >= 0.5;
  return settings;
}

std::optional<MapTarget> ReadStation(SettingsStore& store) {
  const auto text = store.Read(kStationSection, kStationPlaceKey);
  if (!text) return std::nullopt;
  const PlaceReading reading = ReadPlace(*text);
  if (!reading.place) return std::nullopt;
  return MapTarget{*reading.place, *text};
}

std::string StationMapName(const GeoPoint& centre, double radiusKm) {
  return "STATION_" + FormatZeroPadded(radiusKm, 4) + "_" + Whole(centre.lon) + "_" + Whole(centre.lat) +
         ".PNG";
}

std::string WindowProblem(const std::string& problem) {
  if (problem.rfind("--", 0) != 0) return problem;
  const std::size_t colon = problem.find(": ");
  return colon == std::string::npos ? problem : problem.substr(colon + 2);
}
