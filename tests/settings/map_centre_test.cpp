#include "settings/map_centre.h"

#include <gtest/gtest.h>

namespace {

ViewValues Derived(int rotation, int tilt, double distance) {
  ViewValues view;
  view.Rotation = static_cast<std::int16_t>(rotation);
  view.Tilt = static_cast<std::int16_t>(tilt);
  view.Distance = distance;
  ApplyMapCentreRule(view);
  return view;
}

TEST(MapCentreRule, LongitudeFromRotation) {
  struct Row {
    int rotation;
    int longDeg;
    const char* text;
    double longitude;
  };
  const Row rows[] = {
      {264, 6, " 006", 6},   {90, 180, " 180", 180},  {89, 181, "-179", -179},
      {0, 270, "-090", -90}, {360, 270, "-090", -90}, {270, 0, " 000", 0},
  };
  for (const Row& row : rows) {
    const ViewValues view = Derived(row.rotation, 52, 0);
    EXPECT_EQ(view.LongDeg, row.longDeg) << "Rotation " << row.rotation;
    EXPECT_EQ(view.LongText, row.text) << "Rotation " << row.rotation;
    EXPECT_EQ(view.Long, row.longitude) << "Rotation " << row.rotation;
  }
}

TEST(MapCentreRule, LatitudeFromTilt) {
  struct Row {
    int tilt;
    const char* text;
    double latitude;
  };
  const Row rows[] = {{52, " 52", 52},  {5, " 05", 5},   {300, "-60", -60}, {359, "-01", -1}, {360, "00", 0},
                      {355, "-05", -5}, {90, " 90", 90}, {271, "-89", -89}, {0, " 00", 0}};
  for (const Row& row : rows) {
    const ViewValues view = Derived(264, row.tilt, 0);
    EXPECT_EQ(view.LatText, row.text) << "Tilt " << row.tilt;
    EXPECT_EQ(view.Lat, row.latitude) << "Tilt " << row.tilt;
    EXPECT_EQ(view.LatDeg, row.tilt);
  }
}

TEST(MapCentreRule, RadiusFromDistance) {
  const std::pair<double, double> rows[] = {{0, 3340},  {40, 3340}, {10, 1670},
                                            {30, 1670}, {20, 0},    {60, 6679}};
  for (const auto& [distance, radius] : rows)
    EXPECT_EQ(Derived(264, 52, distance).Radius, radius) << distance;
}

}  // namespace
