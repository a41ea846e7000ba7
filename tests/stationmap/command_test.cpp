// The skerrowen-map command as an operator runs it: the window's view as the default centre
// and radius, and the printed path to a target.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "render/scratch_folder.h"

namespace {

std::string ReadWhole(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

int RunMap(const ScratchFolder& folder, const std::string& arguments) {
  const std::string command = "cd '" + folder.Path().string() + "' && XDG_CONFIG_HOME='" +
                              folder.Path().string() + "' " + SKERROWEN_BINARY_DIR + "/skerrowen-map " +
                              arguments + " >stdout.txt 2>stderr.txt";
  return std::system(command.c_str());
}

// Rotation 280 and Tilt 40 put the window's centre at 10 W, 40 N; Distance 30 gives a radius
// of 0.5 x 6378.137 x 3.14159 / 6 = 1670 km.
TEST(Command, WithoutACentreItMapsTheWindowsViewNamedAsTheWindowNamesItsMaps) {
  ScratchFolder folder;
  std::filesystem::create_directories(folder.Path() / "skerrowen");
  folder.Write("skerrowen/skerrowen.conf", "[Setting]\nRotation=280\nTilt=40\nDistance=30\n");
  ASSERT_EQ(RunMap(folder, "--size 64"), 0) << ReadWhole(folder.Path() / "stderr.txt");
  EXPECT_EQ(ReadWhole(folder.Path() / "MAP_1670_-10_40.DAT"),
            "Radius : 1670\r\nLong   : -10\r\nLat    : 40\r\n");
  EXPECT_TRUE(std::filesystem::exists(folder.Path() / "MAP_1670_-10_40.BMP"));
  EXPECT_EQ(ReadWhole(folder.Path() / "stdout.txt"), "Wrote MAP_1670_-10_40.BMP and MAP_1670_-10_40.DAT\n");

  // Zoomed far out: the radius is capped as the window caps its station maps.
  folder.Write("skerrowen/skerrowen.conf", "[Setting]\nRotation=280\nTilt=40\nDistance=1000\n");
  ASSERT_EQ(RunMap(folder, "--from-view --size 32"), 0) << ReadWhole(folder.Path() / "stderr.txt");
  EXPECT_EQ(ReadWhole(folder.Path() / "MAP_20038_-10_40.DAT"),
            "Radius : 20038\r\nLong   : -10\r\nLat    : 40\r\n");
}

TEST(Command, TheTargetLineGivesDistanceAndBothPaths) {
  ScratchFolder folder;
  ASSERT_EQ(RunMap(folder, "--locator JO62qm --radius 3000 --size 64 --target 33.87S,151.21E --out m.png"), 0)
      << ReadWhole(folder.Path() / "stderr.txt");
  const std::string said = ReadWhole(folder.Path() / "stdout.txt");
  double km = 0, bearing = 0, longBearing = 0, longKm = 0;
  int used = 0;
  ASSERT_EQ(
      std::sscanf(said.c_str(),
                  "Target 33.87S,151.21E: %lf km, short path %lf\u00b0, long path %lf\u00b0 (%lf km)\n%n",
                  &km, &bearing, &longBearing, &longKm, &used),
      4)
      << said;
  EXPECT_EQ(static_cast<std::size_t>(used), said.find("\n") + 1) << said;  // the whole first line
  // On the WGS84 ellipsoid, as "geod +ellps=WGS84 -I +units=km" gives it from 52.520833 N
  // 13.375 E to the target (16090.496 km at 74.7327) and to its antipode (3925.071 km at
  // -104.9058), the long path going that way there and on to the target.
  EXPECT_EQ(km, 16090.5);
  EXPECT_EQ(bearing, 74.7);
  EXPECT_EQ(longBearing, 255.1);
  EXPECT_EQ(longKm, 23940.6);
  EXPECT_TRUE(std::filesystem::exists(folder.Path() / "m.DAT"));
}

// A line that is no place is named and left out; the other stations are printed as --target
// prints its line, and stored in the table with the map.
TEST(Command, EveryStationOfAListIsPrintedAndTabledButTheLineThatIsNoPlace) {
  ScratchFolder folder;
  folder.Write("stations.txt", "# my contacts\nFN31pr W1AW\n33.87S,151.21E\nnowhere\nPM95 JA1\n");
  ASSERT_EQ(RunMap(folder,
                   "--locator JO62qm --radius 3000 --size 64 --targets stations.txt --table t.csv "
                   "--greyline-fan --time 2026-01-01T00:00:00Z --out m.png"),
            0)
      << ReadWhole(folder.Path() / "stderr.txt");
  const std::string said = ReadWhole(folder.Path() / "stdout.txt");
  EXPECT_NE(said.find("Target W1AW: 6244.0 km, short path 296.1\u00b0"), std::string::npos) << said;
  EXPECT_NE(said.find("Target 33.87S,151.21E: 16090.5 km"), std::string::npos) << said;
  EXPECT_NE(said.find("Target JA1: "), std::string::npos) << said;
  EXPECT_NE(said.find("Wrote m.png, m.DAT and t.csv"), std::string::npos) << said;
  const std::string warned = ReadWhole(folder.Path() / "stderr.txt");
  EXPECT_NE(warned.find("--targets: \"stations.txt\", line 4: "), std::string::npos) << warned;
  const std::string table = ReadWhole(folder.Path() / "t.csv");
  EXPECT_EQ(std::count(table.begin(), table.end(), '\n'), 4) << table;
  EXPECT_NE(table.find("W1AW,FN31pr,41.72917,-72.70833,6244.0,296.1,115.9"), std::string::npos) << table;
}

}  // namespace
