// ADIF logs as loggers write them, and as they break.
#include "geodata/adif_log.h"

#include <gtest/gtest.h>

#include "geodata/station_file.h"

namespace {

TEST(AdifLogs, CallsAtTheirLatLonOrGridsquareAndRecordsWithoutAPlaceCounted) {
  const StationFile file = ReadAdifLog(
      "Exported by Logbook <2.1> for DL1ABC\n"
      "<ADIF_VER:5>3.1.4 <PROGRAMID:7>Logbook\n"
      "<EOH>\n"
      "<call:6>W1AW/4<gridsquare:6:S>fn31PR<band:3>20m<eor>\n"
      "<CALL:5>VK2XY <LAT:11>S033 52.200<LON:11>E151 12.600 <GRIDSQUARE:4>QF56 <EOR>\n"
      "<CALL:4>K1JT<NAME:7>J\xc3\xbcrgen<GRIDSQUARE:8>FN20qi45<GRIDSQUARE_EXT:2>bc<Eor>\n"
      "<CALL:5>G4ABC<BAND:3>40m<EOR>\n"
      "<CALL:5>EA8XX<GRIDSQUARE:4>ZZ99<EOR>\n"
      "<CALL:5>JA1YY<LAT:7>35.6895<LON:8>139.6917<EOR>\n"
      "<GRIDSQUARE:2>JO<EOR>\n"
      "<CALL:6>PA3ZZZ<GRIDSQUARE:4>JO22");
  EXPECT_FALSE(file.broken);
  EXPECT_EQ(file.entries, 8);
  EXPECT_EQ(file.withoutPlace, 1);
  const struct {
    const char *label, *placeText;
    double lat, lon;
    int record;
  } expected[] = {
      {"W1AW/4", "fn31PR", 41.7291667, -72.7083333, 1},
      {"VK2XY", "S033 52.200 E151 12.600", -33.87, 151.21, 2},
      // Eight bytes of NAME hold seven characters; the 10-character locator is read whole.
      {"K1JT", "FN20qi45bc", 40.3546007, -74.6328125, 3},
      {"JO", "JO", 55, 10, 7},
  };
  ASSERT_EQ(file.stations.size(), std::size(expected));
  for (std::size_t k = 0; k < std::size(expected); ++k) {
    const Station& station = file.stations[k];
    EXPECT_EQ(station.label, expected[k].label);
    EXPECT_EQ(station.placeText, expected[k].placeText);
    EXPECT_NEAR(station.place.lat, expected[k].lat, 1e-6) << station.label;
    EXPECT_NEAR(station.place.lon, expected[k].lon, 1e-6) << station.label;
    EXPECT_EQ(station.source, expected[k].record);
  }
  ASSERT_EQ(file.skipped.size(), 3u);
  EXPECT_EQ(file.skipped[0].source, 5);
  EXPECT_NE(file.skipped[0].why.find("GRIDSQUARE \"ZZ99\""), std::string::npos) << file.skipped[0].why;
  EXPECT_EQ(file.skipped[1].source, 6);
  EXPECT_NE(file.skipped[1].why.find("LAT \"35.6895\""), std::string::npos) << file.skipped[1].why;
  EXPECT_EQ(file.skipped[2].source, 8);
  EXPECT_NE(file.skipped[2].why.find("before its <EOR>"), std::string::npos);
  // A log with no header begins with its first field; logs joined end to end read as one.
  const std::string log = "<CALL:4>W1AW<GRIDSQUARE:4>FN31<EOR>\n";
  EXPECT_EQ(ReadAdifLog(log).stations.size(), 1u);
  // A header's stray "<"s are passed over, each at the cost of the text up to the next one.
  EXPECT_EQ(ReadAdifLog("Made by <\n" + std::string(1 << 20, '<') + "<EOH>" + log).stations.size(), 1u);
  EXPECT_EQ(ReadAdifLog(log + "Second log\n<PROGRAMID:3>abc<EOH>\n" + log).stations.size(), 2u);
}

TEST(AdifLogs, NamedByTheirEnding) {
  EXPECT_TRUE(IsAdifLogName("contest.ADIF"));
  EXPECT_TRUE(IsAdifLogName("/home/op/log.adi"));
  EXPECT_FALSE(IsAdifLogName("log.adi.txt"));
  EXPECT_FALSE(IsAdifLogName("adi"));
  const std::string log = "<CALL:4>W1AW<GRIDSQUARE:4>FN31<EOR>";
  EXPECT_EQ(ReadStationFile("log.Adi", log).stations.size(), 1u);
  EXPECT_EQ(ReadStationFile("log.txt", log).skipped.size(), 1u);
}

TEST(AdifLogs, ABrokenLengthBreaksTheLogAtItsRecord) {
  const std::string good = "<EOH><CALL:4>W1AW<GRIDSQUARE:4>FN31<EOR>\n";
  const struct {
    const char* tail;
    const char* reason;
  } rows[] = {
      {"<CALL:x4>W1AW<EOR>", "<CALL:x4>: \"x4\" is not a length"},
      {"<CALL:-4>W1AW<EOR>", "\"-4\" is not a length"},
      {"<CALL:>W1AW<EOR>", "\"\" is not a length"},
      {"<CALL:99999999999999999999999>W1AW<EOR>", "is not a length"},
      {"<CALL:400>W1AW<EOR>", "<CALL:400>: its 400 bytes run past the end of the log"},
      {"<CALL:10>W1AW<GRIDSQUARE:4>FN31<EOR>", "<CALL:10>: its length runs into the next field"},
      {"<COMMENT:20>fine<EOR><CALL:4>K1JT<EOR>", "<COMMENT:20>: its length runs into the next field"},
      {"<CALL:4 W1AW<EOR>", "<CALL:4 W1AW> is not closed"},
      {"<CALL>W1AW<EOR>", "<CALL> has no length"},
      {"<:4>W1AW<EOR>", "has no field name"},
  };
  for (const auto& row : rows) {
    const StationFile file = ReadAdifLog(good + row.tail + "\n" + good);
    ASSERT_TRUE(file.broken) << row.tail;
    EXPECT_EQ(file.broken->source, 2) << row.tail;
    EXPECT_NE(file.broken->why.find(row.reason), std::string::npos) << row.tail << ": " << file.broken->why;
    EXPECT_TRUE(file.stations.empty()) << row.tail;
  }
}

TEST(AdifLogs, LocationsInAdifsForm) {
  EXPECT_NEAR(*ReadAdifLocation("N052 31.250", true), 52 + 31.25 / 60, 1e-12);
  EXPECT_NEAR(*ReadAdifLocation("s033 52.2", true), -33.87, 1e-12);
  EXPECT_NEAR(*ReadAdifLocation("W072 42.500", false), -72.7083333, 1e-6);
  EXPECT_EQ(ReadAdifLocation("E180 00.000", false), 180);
  EXPECT_EQ(ReadAdifLocation("N090 00.000", true), 90);
  for (const char* bad : {"N091 00.000", "N090 00.001", "E052 31.250", "N052", "N052 60.000", "N052 -1.000",
                          "N0521 00.000", "N 52 31.250", "X052 31.250", "52.5", ""}) {
    EXPECT_FALSE(ReadAdifLocation(bad, true)) << bad;
  }
  EXPECT_FALSE(ReadAdifLocation("N013 22.500", false));
  EXPECT_FALSE(ReadAdifLocation("E181 00.000", false));
}

}  // namespace
