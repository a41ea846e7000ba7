// The map maker's command line read in-process: both ways of giving a value, what wins, the
// refusals the parser must not lose, problems named by the option that gave the part at
// fault, and the manual pages in step with the options.
#include "mapcli/map_options.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace {

MapOptionsReading Read(std::vector<std::string> arguments) { return ReadMapOptions(arguments); }

TEST(MapOptions, AValueAfterAnEqualsSignOrInTheNextArgumentAlike) {
  const MapOptionsReading apart = Read({"--locator", "JO62qm", "--radius", "500", "--size", "64", "--rings",
                                        "100", "--time", "2026-03-20T12:00:00Z", "--out", "m.png"});
  const MapOptionsReading joined = Read({"--locator=JO62qm", "--radius=500", "--size=64", "--rings=100",
                                         "--time=2026-03-20T12:00:00Z", "--out=m.png"});
  ASSERT_TRUE(apart.options && joined.options) << apart.problem << joined.problem;
  for (const MapOptions* o : {&*apart.options, &*joined.options}) {
    EXPECT_NEAR(o->request.centre.lat, 52.52, 0.01);
    EXPECT_EQ(o->request.radiusKm, 500);
    EXPECT_EQ(o->request.size, 64);
    EXPECT_EQ(o->request.ringsKm, 100);
    EXPECT_EQ(o->request.unixTime, 1774008000);
    EXPECT_EQ(o->request.outPath, "m.png");
    EXPECT_EQ(o->centreFrom, "--locator");
  }
  // Bytes that are no UTF-8 come back as they were typed, and a name may begin with dashes
  // when it is joined to its option.
  const MapOptionsReading bytes = Read({"--out=Karten \xe4\xf6.png", "--image", "--earth.jpg"});
  EXPECT_EQ(bytes.problem, "--image: the value is missing");
  EXPECT_EQ(Read({"--out=Karten \xe4\xf6.png", "--image=--earth.jpg"}).options->request.outPath,
            "Karten \xe4\xf6.png");
}

TEST(MapOptions, HelpAndVersionWinOverAnyMistake) {
  EXPECT_TRUE(Read({"--colour", "red", "--help"}).options->help);
  EXPECT_TRUE(Read({"-h", "--radius", "far"}).options->help);
  EXPECT_TRUE(Read({"--size", "1", "--size", "2", "--version"}).options->version);
}

TEST(MapOptions, RefusesWhatTheParserWouldTakeForSomethingElse) {
  const struct {
    std::vector<std::string> arguments;
    const char* problem;
  } rows[] = {
      {{"--centre", "1,2", "--out"}, "--out: the value is missing"},
      {{"--out", "--size", "32"}, "--out: the value is missing"},
      {{"--timings=yes"}, "--timings takes no value"},
      {{"--size", "32", "--"}, "unknown option \"--\" (see --help)"},
      {{"--size", "32", "map.png"}, "unknown option \"map.png\" (see --help)"},
      {{"-colour"}, "unknown option \"-colour\" (see --help)"},
      {{"--centre", "1,2", "--locator", "JO62"}, "--locator: the centre is given twice"},
      {{"--rings=5", "--rings", "5"}, "--rings: given twice"},
      {{"--from-view", "--centre", "1,2"},
       "--from-view: the centre is given by --centre or --locator already"},
  };
  for (const auto& row : rows) {
    const MapOptionsReading reading = Read(row.arguments);
    EXPECT_FALSE(reading.options) << row.problem;
    EXPECT_EQ(reading.problem, row.problem);
  }
}

TEST(MapOptions, AProblemIsNamedByTheOptionThatGaveThePartAtFault) {
  MapOptions options = *Read({"--locator", "JO62"}).options;
  options.radiusFrom = "the view stored in \"skerrowen.conf\"";
  EXPECT_EQ(ProblemText({StationMapField::Centre, "91,0 is not on the Earth"}, options),
            "--locator: 91,0 is not on the Earth");
  EXPECT_EQ(ProblemText({StationMapField::Radius, "0 is not a radius"}, options),
            "the view stored in \"skerrowen.conf\": 0 is not a radius");
  EXPECT_EQ(
      ProblemText({StationMapField::Out, "\"e.png\" is the Earth picture", StationMapField::Image}, options),
      "--out: \"e.png\" is the Earth picture (--image)");
}

std::string ReadWhole(const std::string& path) {
  std::ifstream in(path);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// An option added to the table is told of in the manual page and the README, its dashes as
// the page sets them.
TEST(MapOptions, EveryOptionIsInTheManualPageAndTheReadme) {
  const std::string page = ReadWhole(SKERROWEN_SOURCE_DIR "/packaging/skerrowen-map.1");
  const std::string readme = ReadWhole(SKERROWEN_SOURCE_DIR "/README.md");
  ASSERT_FALSE(page.empty() || readme.empty());
  for (const MapOption& option : MapOptionTable()) {
    std::string name = LongName(option), typeset;
    for (const char c : name) typeset += c == '-' ? std::string("\\-") : std::string(1, c);
    EXPECT_NE(page.find(typeset), std::string::npos) << name;
    if (name != "--help" && name != "--version") {
      EXPECT_NE(readme.find(name), std::string::npos) << name;
    }
    EXPECT_NE(MapUsage().find("  " + std::string(option.names) + " "), std::string::npos) << name;
  }
}

}  // namespace
