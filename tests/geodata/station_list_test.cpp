// Station lists as operators write them by hand.
#include "geodata/station_list.h"

#include <gtest/gtest.h>

#include "geodata/station_file.h"

namespace {

TEST(StationLists, PlacesLabelsCommentsAndBlankLines) {
  const StationFile file = ReadStationList(
      "\xEF\xBB\xBF# my stations\r\n"
      "FN31pr W1AW  Newington\r\n"
      "\r\n"
      "  52.5 N, 13.4 E\tBerlin Zoo   # the zoo\n"
      "-33.87,+151.21\n"
      "40.7,74 W\n"
      "jo62QM DL1ABC, Berlin\n");
  ASSERT_TRUE(file.skipped.empty()) << file.skipped[0].why;
  EXPECT_EQ(file.entries, 5);
  const struct {
    double lat, lon;
    const char *label, *placeText;
    int line;
  } expected[] = {
      {41.7291667, -72.7083333, "W1AW  Newington", "FN31pr", 2},
      {52.5, 13.4, "Berlin Zoo", "52.5 N, 13.4 E", 4},
      {-33.87, 151.21, "-33.87,+151.21", "-33.87,+151.21", 5},
      // A lone hemisphere letter after the coordinates belongs to them.
      {40.7, -74, "40.7,74 W", "40.7,74 W", 6},
      {52.5208333, 13.375, "DL1ABC, Berlin", "jo62QM", 7},
  };
  ASSERT_EQ(file.stations.size(), std::size(expected));
  for (std::size_t k = 0; k < std::size(expected); ++k) {
    const Station& station = file.stations[k];
    EXPECT_NEAR(station.place.lat, expected[k].lat, 1e-6) << k;
    EXPECT_NEAR(station.place.lon, expected[k].lon, 1e-6) << k;
    EXPECT_EQ(station.label, expected[k].label);
    EXPECT_EQ(station.placeText, expected[k].placeText);
    EXPECT_EQ(station.source, expected[k].line);
  }
}

TEST(StationLists, LinesThatAreNoPlaceAreNamedByNumberAndTheRestAreKept) {
  const StationFile file = ReadStationList(
      "JO62qm DL1ABC\n"
      "JZ62 nowhere\n"
      "52.5,13.4x Berlin\n"
      "W1AW FN31pr\n"
      "91,0 beyond the pole\n"
      "FN31pr\n");
  EXPECT_EQ(file.entries, 6);
  ASSERT_EQ(file.stations.size(), 2u);
  EXPECT_EQ(file.stations[1].source, 6);
  const struct {
    int line;
    const char* reason;
  } expected[] = {{2, "\"JZ62\": 'Z' (character 2)"},
                  {3, "longitude \"13.4x\""},
                  {4, "\"W1AW\""},
                  {5, "latitude 91 is beyond 90"}};
  ASSERT_EQ(file.skipped.size(), std::size(expected));
  for (std::size_t k = 0; k < std::size(expected); ++k) {
    EXPECT_EQ(file.skipped[k].source, expected[k].line);
    EXPECT_NE(file.skipped[k].why.find(expected[k].reason), std::string::npos) << file.skipped[k].why;
  }
  // A file that is no list at all gives no station, and says so line by line.
  const StationFile picture = ReadStationList(std::string_view("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
  EXPECT_TRUE(picture.stations.empty());
  EXPECT_EQ(picture.skipped.size(), 3u);
  EXPECT_FALSE(picture.broken);
}

}  // namespace
