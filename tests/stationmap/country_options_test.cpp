// The country layers and units on the map maker's command line and in the window's settings:
// rings in the operator's unit wherever --units stands, and a layer's missing data named by
// the option or key that asked for it.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "mapcli/map_options.h"
#include "render/scratch_folder.h"

namespace {

TEST(CountryOptions, LayersAndTheRingsInTheUnitWhereverItStands) {
  for (const auto& arguments :
       {std::vector<std::string>{"--rings", "500", "--units", "mi", "--countries", "--prefixes", "--fields"},
        std::vector<std::string>{"--fields", "--units=mi", "--prefixes", "--countries", "--rings=500"}}) {
    const MapOptionsReading reading = ReadMapOptions(arguments);
    ASSERT_TRUE(reading.options) << reading.problem;
    const StationMapRequest& request = reading.options->request;
    EXPECT_TRUE(request.countries && request.prefixes && request.fields);
    EXPECT_EQ(request.units, DistanceUnit::StatuteMile);
    EXPECT_DOUBLE_EQ(request.ringsKm, 500 * kKmPerStatuteMile);
  }
  const MapOptionsReading plain = ReadMapOptions({"--rings", "500"});
  EXPECT_FALSE(plain.options->request.countries || plain.options->request.prefixes ||
               plain.options->request.fields);
  EXPECT_EQ(plain.options->request.ringsKm, 500);
  EXPECT_EQ(ReadMapOptions({"--units", "parsec"}).problem, "--units: \"parsec\" is not km, mi or nm");
  EXPECT_EQ(ReadMapOptions({"--countries=yes"}).problem, "--countries takes no value");

  MapOptions options = *plain.options;
  EXPECT_EQ(ProblemText({StationMapField::Countries,
                         "/usr/share/gmt-dcw/dcw-gmt.nc is missing; install the package gmt-dcw"},
                        options),
            "--countries: /usr/share/gmt-dcw/dcw-gmt.nc is missing; install the package gmt-dcw");
}

std::string ReadWhole(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Prefixes alone need fonts, as every label does; the target line in nautical miles.
TEST(CountryOptions, TheMapMakerDrawsTheLabelledLayersAlone) {
  ScratchFolder folder;
  const std::string command = "cd '" + folder.Path().string() + "' && XDG_CONFIG_HOME='" +
                              folder.Path().string() + "' XDG_CACHE_HOME='" + folder.Path().string() + "' " +
                              SKERROWEN_BINARY_DIR +
                              "/skerrowen-map --locator JO62 --radius 1200 --size 200 --prefixes --fields "
                              "--units nm --target FN31 --out m.png >stdout.txt 2>stderr.txt";
  ASSERT_EQ(std::system(command.c_str()), 0) << ReadWhole(folder.Path() / "stderr.txt");
  const std::string said = ReadWhole(folder.Path() / "stdout.txt");
  EXPECT_EQ(said.rfind("Target FN31: ", 0), 0u) << said;
  EXPECT_NE(said.find(" nm, short path "), std::string::npos) << said;
  EXPECT_TRUE(std::filesystem::exists(folder.Path() / "m.png"));
}

// Coasts, borders and the grid set no text: the map maker makes them without a GUI
// application, so even where no Qt platform can start (here one that does not exist).
TEST(CountryOptions, CoastsBordersAndTheGridAloneNeedNoDisplayPlatform) {
  ScratchFolder folder;
  const std::string command =
      "cd '" + folder.Path().string() + "' && QT_QPA_PLATFORM=no-such-platform XDG_CONFIG_HOME='" +
      folder.Path().string() + "' XDG_CACHE_HOME='" + folder.Path().string() + "' " + SKERROWEN_BINARY_DIR +
      "/skerrowen-map --locator JO62 --radius 3000 --size 300 --countries --grid 10 "
      "--out m.bmp >stdout.txt 2>stderr.txt";
  ASSERT_EQ(std::system(command.c_str()), 0) << ReadWhole(folder.Path() / "stderr.txt");
  EXPECT_TRUE(std::filesystem::exists(folder.Path() / "m.bmp"));
}

}  // namespace
