#include "settings/station_settings.h"

#include <algorithm>
#include <cmath>

#include "base/number_text.h"
#include "geo/place_text.h"
#include "mapout/map_files.h"

namespace {

constexpr StationMapKey kKeys[] = {
    {"Size", StationMapField::Size, kMinMapSize, kMaxMapSize,
     [](StationMapSettings& s, double value) { s.size = static_cast<int>(std::lround(value)); }},
    {"Rings", StationMapField::Rings, 0, kMaxMapRadiusKm,
     [](StationMapSettings& s, double value) { s.ringsKm = value; }},
    {"Spokes", StationMapField::Spokes, 0, 360,
     [](StationMapSettings& s, double value) { s.spokesDeg = value; }},
    {"Grid", StationMapField::Grid, 0, 90, [](StationMapSettings& s, double value) { s.gridDeg = value; }},
    {"GreyLine", StationMapField::Time, 0, 1,
     [](StationMapSettings& s, double value) { s.greyLine = value >= 0.5; }},
    {"Countries", StationMapField::Countries, 0, 1,
     [](StationMapSettings& s, double value) { s.countries = value >= 0.5; }},
    {"Prefixes", StationMapField::Prefixes, 0, 1,
     [](StationMapSettings& s, double value) { s.prefixes = value >= 0.5; }},
    {"Fields", StationMapField::Fields, 0, 1,
     [](StationMapSettings& s, double value) { s.fields = value >= 0.5; }},
    {"Beam", StationMapField::Beam, -1, 360,
     [](StationMapSettings& s, double value) { s.beamDeg = value < 0 ? -1 : std::fmod(value, 360.0); }},
    {"BeamWidth", StationMapField::Beam, 1, 360,
     [](StationMapSettings& s, double value) { s.beamWidthDeg = value; }},
    {"GreylineFan", StationMapField::GreylineFan, 0, 1,
     [](StationMapSettings& s, double value) { s.greylineFan = value >= 0.5; }},
};

}  // namespace

std::span<const StationMapKey> StationMapKeys() { return kKeys; }

const StationMapKey* StationMapKeyOf(StationMapField field) {
  const auto found = std::find_if(std::begin(kKeys), std::end(kKeys),
                                  [&](const StationMapKey& key) { return key.field == field; });
  return found == std::end(kKeys) ? nullptr : found;
}

StationMapSettings ReadStationMapSettings(SettingsStore& store, std::string& refused) {
  StationMapSettings settings;
  for (const StationMapKey& key : kKeys) {
    const auto text = store.Read(kStationMapSection, key.name);
    if (!text) continue;
    const auto value = ParseNumber(*text);
    if (value && *value >= key.low && *value <= key.high) {
      key.keep(settings, *value);
    } else {
      refused += "\n" + std::string(key.name) + " = \"" + *text + "\"";
    }
  }
  if (const auto text = store.Read(kStationMapSection, kStationMapUnitsKey)) {
    if (const auto unit = DistanceUnitOf(*text)) {
      settings.units = *unit;
    } else {
      refused += "\n" + std::string(kStationMapUnitsKey) + " = \"" + *text + "\"";
    }
  }
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
