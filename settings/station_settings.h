#pragma once
// The operator's station and the window's station maps in the settings store, each in a
// section of its own beside the view's "Setting".
#include <optional>
#include <span>
#include <string>

#include "base/platform.h"
#include "geo/distance_unit.h"
#include "geo/geo_point.h"
#include "stationmap/station_map.h"

// Section "Station", key "Place": the station as the operator typed it.
inline constexpr const char* kStationSection = "Station";
inline constexpr const char* kStationPlaceKey = "Place";

// Section "StationMap": how the window draws its station maps.
inline constexpr const char* kStationMapSection = "StationMap";

struct StationMapSettings {
  int size = 2048;
  double ringsKm = 1000;
  double spokesDeg = 30;
  double gridDeg = 0;
  bool greyLine = true;   // the grey line at the time the map is made
  bool countries = true;  // coasts and borders
  bool prefixes = true;   // DXCC prefixes
  bool fields = false;    // the Maidenhead grid
  double beamDeg = -1;    // the antenna's heading; below 0: no beam
  double beamWidthDeg = kDefaultBeamWidthDeg;
  bool greylineFan = false;  // sunrise and sunset lines through the station, month by month
  DistanceUnit units = DistanceUnit::Kilometre;
};

// One key of [StationMap]: its name, the part of the map it sets (what a problem with the
// map names), the numbers it takes, and where its value goes.
struct StationMapKey {
  const char* name;
  StationMapField field;
  double low;
  double high;
  void (*keep)(StationMapSettings& settings, double value);
};

// Size (pixels), Rings (km), Spokes and Grid (degrees; 0 for none), GreyLine, Countries,
// Prefixes, Fields and GreylineFan (1 for the layer, 0 for none), Beam (degrees from north,
// -1 for none) and BeamWidth (degrees).
std::span<const StationMapKey> StationMapKeys();

// The key that sets `field`, or null when no key does.
const StationMapKey* StationMapKeyOf(StationMapField field);

// Units, the unit of the rings and distances: km, mi or nm.
inline constexpr const char* kStationMapUnitsKey = "Units";

// A key that is missing keeps its default; so does a value that is not a number or is out
// of range, or a Units that is no unit, which is added to `refused` as "\nKey = "text"".
StationMapSettings ReadStationMapSettings(SettingsStore& store, std::string& refused);

// The stored station as a target, when it is stored and readable (and no longer than a place).
std::optional<MapTarget> ReadStation(SettingsStore& store);

// The radius of the window's station map for the view's radius: beyond the antipode a larger
// radius adds only background, so the whole Earth is the most a map shows.
double StationMapRadiusKm(double viewRadiusKm);

// "STATION_<radius as 0000>_<long>_<lat>.PNG", the numbers formed as in the window's map
// names: STATION_3340_6_52.PNG.
std::string StationMapName(const GeoPoint& centre, double radiusKm);
