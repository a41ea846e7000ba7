// The checks the window program makes before it opens a window: its command line, the
// display, where its data is, and the maps folder the menu starts it in.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/start_checks.h"
#include "app/start_options.h"
#include "render/scratch_folder.h"

namespace fs = std::filesystem;

namespace {

using Action = StartOptions::Action;

TEST(StartOptions, ReadsWhatTheCommandLineAsks) {
  struct Row {
    std::vector<std::string> arguments;
    Action action;
    bool useMapsFolder;
    std::string mapsFolder;
  };
  const Row rows[] = {
      {{}, Action::Run, false, ""},
      {{"--maps-folder"}, Action::Run, true, ""},
      {{"--maps-folder=/srv/maps"}, Action::Run, true, "/srv/maps"},
      {{"--help"}, Action::ShowHelp, false, ""},
      {{"-h"}, Action::ShowHelp, false, ""},
      {{"--version"}, Action::ShowVersion, false, ""},
      // Help wins over any mistake, as the reader asked for help.
      {{"--help", "--bogus"}, Action::ShowHelp, false, ""},
      {{"--bogus", "-h"}, Action::ShowHelp, false, ""},
      {{"--maps-folder=/srv/old", "--maps-folder=/srv/maps"}, Action::Run, true, "/srv/maps"},
      // A folder's name is bytes: one in Latin-1 comes back as it was typed.
      {{"--maps-folder=Karten \xe4\xf6"}, Action::Run, true, "Karten \xe4\xf6"},
  };
  for (const Row& row : rows) {
    const StartOptions options = ParseStartOptions(row.arguments);
    const std::string line = row.arguments.empty() ? "(none)" : row.arguments.front();
    EXPECT_EQ(options.action, row.action) << line;
    EXPECT_EQ(options.useMapsFolder, row.useMapsFolder) << line;
    EXPECT_EQ(options.mapsFolder, row.mapsFolder) << line;
  }
}

TEST(StartOptions, RefusesWhatItDoesNotKnowAndNamesIt) {
  const struct {
    std::vector<std::string> arguments;
    std::string problem;
  } rows[] = {
      {{"--bogus"}, "unknown argument '--bogus'"},
      {{"--maps-folder", "extra"}, "unknown argument 'extra'"},
      {{"--maps-folder="}, "--maps-folder= needs a folder"},
      {{"--maps"}, "unknown argument '--maps'"},
      {{"-platform"}, "unknown argument '-platform'"},
      {{"--maps-folder", "--"}, "unknown argument '--'"},
  };
  for (const auto& row : rows) {
    const StartOptions options = ParseStartOptions(row.arguments);
    EXPECT_EQ(options.action, Action::Refuse) << row.problem;
    EXPECT_EQ(options.problem, row.problem);
  }
}

TEST(DisplayProblem, NeedsADisplayItCanOpen) {
  const auto opens = [](const std::string&) { return true; };
  const auto refuses = [](const std::string&) { return false; };
  std::string tried;
  const auto records = [&](const std::string& name) {
    tried = name;
    return true;
  };

  EXPECT_EQ(DisplayProblem({":0", "", ""}, records), "");
  EXPECT_EQ(tried, ":0");
  EXPECT_EQ(DisplayProblem({"", "", ""}, opens),
            "no display: DISPLAY is not set; set DISPLAY or run it on a virtual display: xvfb-run skerrowen");
  EXPECT_EQ(DisplayProblem({":7", "", ""}, refuses),
            "no display: cannot open the X display ':7'; set DISPLAY or run it on a virtual display: "
            "xvfb-run skerrowen");
  EXPECT_NE(DisplayProblem({":7", "", "xcb"}, refuses), "");
  // A Wayland session, or a platform that needs no display server, is the user's choice.
  EXPECT_EQ(DisplayProblem({"", "wayland-0", ""}, refuses), "");
  EXPECT_EQ(DisplayProblem({"", "wayland-0", "wayland;xcb"}, refuses), "");
  EXPECT_EQ(DisplayProblem({"", "", "offscreen"}, refuses), "");
  EXPECT_EQ(DisplayProblem({"", "", "vnc:size=800x600"}, refuses), "");
  // Asking for Wayland without a Wayland display falls back to X, which must open.
  EXPECT_NE(DisplayProblem({"", "", "wayland;xcb"}, refuses), "");
}

TEST(DataFolder, BesideTheExecutableFirstThenTheInstalledFolder) {
  ScratchFolder scratch;
  const fs::path bin = scratch.Path() / "usr" / "bin";
  const fs::path share = scratch.Path() / "usr" / "share" / "skerrowen";
  fs::create_directories(bin);
  fs::create_directories(share);
  const std::vector<fs::path> candidates = DataFolderCandidates(bin);
  ASSERT_EQ(candidates.size(), 2u);
  EXPECT_EQ(candidates[1], share);

  DataFolder none = FindDataFolder(candidates);
  EXPECT_FALSE(none.found);
  EXPECT_EQ(none.folder, bin);
  EXPECT_EQ(none.problem,
            "the globe model \"5.x\" is missing: looked in " + bin.string() + " and " + share.string());

  std::ofstream(share / "5.x") << "xof ";
  EXPECT_EQ(FindDataFolder(candidates).folder, share);
  std::ofstream(bin / "5.x") << "xof ";
  EXPECT_EQ(FindDataFolder(candidates).folder, bin);
}

TEST(MapsFolder, MadeWithTheEarthPictureAndAnOperatorsPictureLeftAlone) {
  ScratchFolder scratch;
  const fs::path data = scratch.Path() / "data";
  const fs::path maps = scratch.Path() / "Pictures" / "Skerrowen";
  fs::create_directories(data);
  std::ofstream(data / "earthmap.bmp", std::ios::binary) << "BM shipped";

  EXPECT_EQ(MakeMapsFolder(maps), "");
  EXPECT_EQ(PutEarthMap(maps, data), "");
  EXPECT_EQ(fs::file_size(maps / "earthmap.bmp"), 10u);

  std::ofstream(maps / "earthmap.bmp", std::ios::binary) << "BM the operator's own";
  EXPECT_EQ(PutEarthMap(maps, data), "");
  std::ifstream kept(maps / "earthmap.bmp");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "BM the operator's own");
  EXPECT_FALSE(fs::exists(maps / "earthmap.bmp.part"));
}

// A folder that exists but takes no files is no maps folder: the program says so and does
// not start, rather than blame the Earth picture and run without a log.
TEST(MapsFolder, AFolderThatTakesNoFilesIsRefused) {
  EXPECT_EQ(MakeMapsFolder("/proc/self"),
            "cannot store maps in the maps folder /proc/self: No such file or directory");
  ScratchFolder scratch;
  std::ofstream(scratch.Path() / "earthmap.bmp.part") << "the operator's own";
  fs::create_directories(scratch.Path() / "data");
  std::ofstream(scratch.Path() / "data" / "earthmap.bmp") << "BM";
  EXPECT_EQ(MakeMapsFolder(scratch.Path()), "");
  EXPECT_EQ(PutEarthMap(scratch.Path(), scratch.Path() / "data"), "");
  std::ifstream kept(scratch.Path() / "earthmap.bmp.part");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "the operator's own");
}

TEST(MapsFolder, SaysWhatIsMissingOrInTheWay) {
  ScratchFolder scratch;
  const fs::path data = scratch.Path() / "data";
  fs::create_directories(data);
  std::ofstream(scratch.Path() / "file") << "x";
  const std::string inTheWay = MakeMapsFolder(scratch.Path() / "file");
  EXPECT_EQ(inTheWay.rfind("cannot make the maps folder " + (scratch.Path() / "file").string() + ": ", 0), 0u)
      << inTheWay;

  const fs::path maps = scratch.Path() / "maps";
  fs::create_directories(maps);
  EXPECT_EQ(PutEarthMap(maps, data), "earthmap.bmp is missing: looked in " + data.string() + " and " +
                                         (data / "maps").string() + ", so maps are redrawn on black");
  EXPECT_TRUE(fs::is_empty(maps));

  EXPECT_EQ(EarthMapAbsence(maps, data), "earthmap.bmp is not in the working folder " + maps.string() +
                                             ", so maps are redrawn on black; it is not in " + data.string() +
                                             " either");

  // A build tree keeps the picture in its maps folder.
  fs::create_directories(data / "maps");
  std::ofstream(data / "maps" / "earthmap.bmp") << "BM";
  EXPECT_EQ(EarthMapAbsence(maps, data), "earthmap.bmp is not in the working folder " + maps.string() +
                                             ", so maps are redrawn on black; copy " +
                                             (data / "maps" / "earthmap.bmp").string() +
                                             " here, or start skerrowen --maps-folder");
  EXPECT_EQ(PutEarthMap(maps, data), "");
  EXPECT_TRUE(fs::exists(maps / "earthmap.bmp"));
  EXPECT_EQ(EarthMapAbsence(maps, data), "");
}

}  // namespace
