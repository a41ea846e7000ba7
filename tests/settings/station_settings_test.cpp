// The window's station and station map keys, read as the view's keys are.
#include "settings/station_settings.h"

#include <gtest/gtest.h>

#include "support/fakes.h"

namespace {

TEST(StationFiles, NamesAndSettings) {
  EXPECT_EQ(StationMapName({-33, -179}, 300), "STATION_0300_-179_-33.PNG");
  EXPECT_EQ(StationMapName({-0.0, 180}, 20038), "STATION_20038_180_0.PNG");

  MemorySettingsStore store;
  store.values = {{"StationMap/Size", " 557 "},
                  {"StationMap/Rings", "1,5"},  // read as the view's store reads a decimal comma
                  {"StationMap/Spokes", "nan"},
                  {"StationMap/Grid", "91"},  // beyond the pole
                  {"StationMap/GreyLine", "0"}};
  std::string refused;
  const StationMapSettings s = ReadStationMapSettings(store, refused);
  EXPECT_EQ(s.size, 557);
  EXPECT_EQ(s.ringsKm, 1.5);
  EXPECT_EQ(s.spokesDeg, 30);
  EXPECT_FALSE(s.greyLine);
  EXPECT_EQ(s.gridDeg, 0);
  EXPECT_EQ(refused, "\nSpokes = \"nan\"\nGrid = \"91\"");
  // The country layers on by default, so that M gives the marked map; the unit as its symbol.
  EXPECT_TRUE(s.countries && s.prefixes && !s.fields);
  EXPECT_EQ(s.units, DistanceUnit::Kilometre);
  store.values = {{"StationMap/Countries", "0"}, {"StationMap/Fields", "1"}, {"StationMap/Units", "NM"}};
  refused.clear();
  const StationMapSettings layers = ReadStationMapSettings(store, refused);
  EXPECT_TRUE(!layers.countries && layers.prefixes && layers.fields);
  EXPECT_EQ(layers.units, DistanceUnit::NauticalMile);
  EXPECT_EQ(refused, "");
  store.values = {
      {"StationMap/Beam", "360"}, {"StationMap/BeamWidth", "30"}, {"StationMap/GreylineFan", "1"}};
  const StationMapSettings heading = ReadStationMapSettings(store, refused);
  EXPECT_EQ(heading.beamDeg, 0) << "a full turn is north";
  EXPECT_EQ(heading.beamWidthDeg, 30);
  EXPECT_TRUE(heading.greylineFan);
  MemorySettingsStore empty;
  EXPECT_LT(ReadStationMapSettings(empty, refused).beamDeg, 0) << "no beam unless asked";
  store.values = {{"StationMap/Beam", "-5"}, {"StationMap/BeamWidth", "0"}};
  EXPECT_LT(ReadStationMapSettings(store, refused).beamDeg, 0);
  EXPECT_EQ(refused, "\nBeam = \"-5\"\nBeamWidth = \"0\"");
  refused.clear();
  store.values = {{"StationMap/Units", "furlongs"}};
  EXPECT_EQ(ReadStationMapSettings(store, refused).units, DistanceUnit::Kilometre);
  EXPECT_EQ(refused, "\nUnits = \"furlongs\"");
  store.values["Station/Place"] = "52." + std::string(30000, '0') + ",13";
  EXPECT_FALSE(ReadStation(store).has_value());
}

}  // namespace
