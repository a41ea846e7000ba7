#include "app/station_settings.h"

#include <algorithm>
#include <cmath>

#include "base/number_text.h"
#include "geo/place_text.h"
#include "mapout/map_files.h"

namespace {

constexpr const char* kMapSection = "StationMap";

void ReadSetting(SettingsStore& store, const char* key, double low, double high, double& value,
                 std::string& refused) {
  const auto text = store.Read(kMapSection, key);
  if (!text) return;
  const auto read = ParseNumber(*text);
  if (read && *read >= low && *read <= high) {
    value = *read;
  } else {
    refused += "\n" + std::string(key) + " = \"" + *text + "\"";
  }
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
  if (!text || text->size() > kMaxPlaceTextLength) return std::nullopt;
  const PlaceReading reading = ReadPlace(*text);
  if (!reading.place) return std::nullopt;
  return MapTarget{*reading.place, *text};
}

double StationMapRadiusKm(double viewRadiusKm) { return std::min(viewRadiusKm, kMaxMapRadiusKm); }

std::string StationMapName(const GeoPoint& centre, double radiusKm) {
  // Named as the window names its map pairs, so that the two never differ in their numbers.
  return "STATION" + MakeMapName(MapCentre{centre.lon, centre.lat, radiusKm}).substr(3) + ".PNG";
}

std::string WindowProblem(const std::string& problem) {
  if (problem.rfind("--", 0) != 0) return problem;
  const std::size_t colon = problem.find(": ");
  return colon == std::string::npos ? problem : problem.substr(colon + 2);
}
