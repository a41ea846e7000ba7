// Ctrl+G and M in the window: the turn to a typed place, the station in its own section,
// and the station map of the view through a stand-in maker.
#include <atomic>
#include <future>
#include <regex>
#include <thread>

#include "app/place_view.h"
#include "app/station_map_problem.h"
#include "geo/place_text.h"
#include "program_fixture.h"
#include "support/comma_locale.h"

namespace {

ViewState Shown(const WholeDegreeTurn& turn) {
  ViewState view;
  view.Rotation = turn.Rotation;
  view.Tilt = turn.Tilt;
  ApplyMapCentreRule(view);
  return view;
}

TEST(TurnTowards, TheCaptionShowsThePlaceRoundedToWholeDegrees) {
  struct Row {
    GeoPoint place;
    double lat, lon;  // as the caption shows them
  };
  const Row rows[] = {
      {{52.52, 13.375}, 53, 13}, {{52.5, 13.5}, 53, 14}, {{-33.5, -70.5}, -34, -71},  // halves away from 0
      {{-0.4, -0.4}, 0, 0},      {{89.6, 45}, 90, 45},   {{-90, 0}, -89, 0},  // the view's southmost tilt
      {{10, -180}, 10, 180},     {{10, 179.6}, 10, 180}, {{10, -179.6}, 10, 180},  // across the antimeridian
      {{10, -179.4}, 10, -179},
  };
  for (const Row& row : rows) {
    const ViewState view = Shown(TurnTowards(row.place));
    EXPECT_EQ(view.Lat, row.lat) << row.place.lat << "," << row.place.lon;
    EXPECT_EQ(view.Long, row.lon) << row.place.lat << "," << row.place.lon;
  }
  // Every whole-degree centre the view can show is reached, with Rotation and Tilt in range.
  for (int lat = -89; lat <= 90; ++lat) {
    for (int lon = -179; lon <= 180; ++lon) {
      const WholeDegreeTurn turn = TurnTowards({static_cast<double>(lat), static_cast<double>(lon)});
      ASSERT_TRUE(turn.Rotation >= 0 && turn.Rotation < 360 && (turn.Tilt <= 90 || turn.Tilt >= 271));
      const ViewState view = Shown(turn);
      ASSERT_TRUE(view.Lat == lat && view.Long == lon) << lat << "," << lon;
    }
  }
}

TEST(UnderstandPlace, ReadsWhatTheMapCommandReads) {
  for (const char* text : {"JO62qm", "jo62", "33.87S,151.21E", "-33.87, 151.21", "JO6", "91,0", "52,5,13"}) {
    const PlaceReading reading = ReadPlace(text);
    const PlaceUnderstanding understanding = UnderstandPlace(text);
    ASSERT_EQ(understanding.usable, reading.place.has_value()) << text;
    if (!reading.place) {
      EXPECT_EQ(understanding.text, reading.problem);
    }
  }
  EXPECT_EQ(UnderstandPlace("JO62qm").text,
            "52.52\u00b0 N, 13.38\u00b0 E; the view turns to Long 13, Lat 53");
  // A coordinate padded to 30 kB would be stored as the station and drawn as its label.
  const PlaceUnderstanding padded = UnderstandPlace("52." + std::string(30000, '0') + ",13");
  EXPECT_FALSE(padded.usable);
  EXPECT_EQ(padded.text,
            "the text is longer than 100 characters; a place is a locator or latitude,longitude");

  // The window sets the desktop's locale up; a German one must not turn the points into commas.
  const CommaLocale german("de_DE");
  if (!german.Active()) GTEST_SKIP() << "no locale with a decimal comma could be made";
  EXPECT_EQ(UnderstandPlace("JO62qm").text,
            "52.52\u00b0 N, 13.38\u00b0 E; the view turns to Long 13, Lat 53");
}

// The window names what its operator can change: a setting by its key, the view, the
// station; never an option of the command.
TEST(StationMapProblemText, NamesTheSettingOrTheViewAndNoOption) {
  const struct {
    StationMapProblem problem;
    const char* text;
  } rows[] = {
      {{StationMapField::Size, "no memory for a picture of 16384 pixels"},
       "Size in [StationMap]: no memory for a picture of 16384 pixels"},
      {{StationMapField::Time, "shows the night side only at a given time"},
       "GreyLine in [StationMap]: shows the night side only at a given time"},
      {{StationMapField::Radius, "0 is not a radius; give kilometres above 0"},
       "the view's radius: 0 is not a radius; give kilometres above 0"},
      {{StationMapField::Image, "\"earth.jpg\" does not exist"},
       "the Earth picture: \"earth.jpg\" does not exist"},
      {{StationMapField::Out, "\"STATION_3340_6_52.PNG\" is the Earth picture", StationMapField::Image},
       "\"STATION_3340_6_52.PNG\" is the Earth picture"},
  };
  for (const auto& row : rows) EXPECT_EQ(StationMapProblemText(row.problem), row.text);
}

class ScriptedPlaceDialog : public PlaceDialog {
 public:
  std::optional<PlaceAnswer> answer;  // nothing: Cancel or Esc
  std::vector<std::string> shownTexts;
  std::function<void()> whileOpen;
  std::optional<PlaceAnswer> AskPlace(const std::string& text, const Understand&) override {
    shownTexts.push_back(text);
    if (whileOpen) whileOpen();
    return answer;
  }
};

struct StandInStationMaps {
  std::vector<StationMapRequest> requests;
  StationMapResult result;
  std::function<void(const StationMapProgress&, FileStore&)> whileMaking;
  StationMapResult operator()(const StationMapRequest& request, const StationMapProgress& progress,
                              FileStore& files) {
    requests.push_back(request);
    if (whileMaking) whileMaking(progress, files);
    return result;
  }
};

// Reports progress until it is told to stop, as MakeStationMap does, and says so.
StationMapResult UntilStopped(const StationMapProgress& progress) {
  while (progress("Projecting", 0.25)) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  StationMapResult stopped;
  stopped.stopped = true;
  return stopped;
}

class StationKeys : public ProgramFixture {
 protected:
  Program& MakeStationProgram() {
    maps.result.ok = true;
    program = std::make_unique<Program>(
        Services(directory.string()),
        StationServices{&dialog, [this](const StationMapRequest& r, const StationMapProgress& p,
                                        FileStore& f) { return maps(r, p, f); }});
    program->view().Rotation = 264;
    program->view().Tilt = 52;
    program->flags().Running = true;
    return *program;
  }
  ScriptedPlaceDialog dialog;
  StandInStationMaps maps;
};

// Ctrl+G acts on the press of G, as desktop shortcuts do: a hand that lets go of Ctrl first
// opens the dialog as well. The release is logged as every release is, wherever it lands.
TEST_F(StationKeys, CtrlGOpensTheDialogOnThePressAndTurnsTheView) {
  Program& p = MakeStationProgram();
  std::vector<std::string> logWhenOpened;
  dialog.answer = PlaceAnswer{"JO62qm", false};
  dialog.whileOpen = [&] {
    logWhenOpened = LogLines();
    p.Form_KeyUp(vk::Control, 0);
    p.Form_KeyUp(vk::G, 0);
  };
  p.Form_KeyDown(vk::Left, 0);
  p.Form_KeyDown(vk::Control, 2);
  p.Form_KeyDown(vk::G, 2);
  ASSERT_EQ(dialog.shownTexts.size(), 1u);
  EXPECT_TRUE(logWhenOpened.empty());
  EXPECT_EQ(LogLines(), (std::vector<std::string>{"17; 0", "71; 0"}));
  EXPECT_EQ(window.caption, "Skerrowen, Long:  013 Lat:  53 Radius: 3340");
  EXPECT_EQ(store.values["Setting/Rotation"] + " " + store.values["Setting/Tilt"], "257 53");
  EXPECT_EQ(store.values.count("Station/Place"), 0u) << "not the station unless the operator says so";
  EXPECT_FALSE(p.keys().LeftHeld) << "the Left released inside the dialog still turns the globe";

  dialog.answer = PlaceAnswer{"33.87S,151.21E", true};
  dialog.whileOpen = {};
  p.Form_KeyDown(vk::G, 2);
  EXPECT_EQ(window.caption, "Skerrowen, Long:  151 Lat: -34 Radius: 3340");
  EXPECT_EQ(store.values["Station/Place"], "33.87S,151.21E");
  p.Form_KeyDown(vk::G, 2);
  EXPECT_EQ(dialog.shownTexts.back(), "33.87S,151.21E") << "the dialog starts with the station";
}

TEST_F(StationKeys, CancelChangesNothingAndOtherKeysOpenNothing) {
  Program& p = MakeStationProgram();
  p.Form_KeyDown(vk::G, 2);
  ASSERT_EQ(dialog.shownTexts.size(), 1u);
  EXPECT_TRUE(store.values.empty());
  EXPECT_EQ(p.view().Rotation, 264);
  EXPECT_TRUE(p.flags().Running && !p.flags().QuitRequested);

  p.Form_KeyDown(vk::G, 0);
  p.Form_KeyUp(vk::G, 2);
  p.Form_KeyDown(vk::G, 6);  // Ctrl+Alt+G
  p.Form_KeyUp(vk::M, 2);
  p.flags().Running = false;  // the redraw
  p.Form_KeyDown(vk::G, 2);
  p.Form_KeyUp(vk::M, 0);
  EXPECT_EQ(dialog.shownTexts.size(), 1u);
  EXPECT_TRUE(maps.requests.empty());
  EXPECT_EQ(LogLines(), (std::vector<std::string>{"71; 2", "77; 2", "77; 0"}));
}

TEST_F(StationKeys, MMakesTheStationMapOfTheView) {
  Program& p = MakeStationProgram();
  p.Form_KeyUp(vk::M, 0);
  ASSERT_EQ(maps.requests.size(), 1u);
  const StationMapRequest& r = maps.requests[0];
  EXPECT_TRUE(r.centre.lat == 52 && r.centre.lon == 6 && r.radiusKm == 3340);
  EXPECT_TRUE(r.size == 2048 && r.ringsKm == 1000 && r.spokesDeg == 30 && r.gridDeg == 0);
  EXPECT_EQ(r.outPath, "STATION_3340_6_52.PNG");
  EXPECT_EQ(r.imagePath, (directory / "earth.jpg").string());
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  ASSERT_TRUE(r.unixTime.has_value());
  EXPECT_NEAR(*r.unixTime, std::chrono::duration_cast<std::chrono::seconds>(now).count(), 5);
  EXPECT_FALSE(r.target.has_value());
  EXPECT_EQ(LogLines(), (std::vector<std::string>{"77; 0", "Station map: STATION_3340_6_52.PNG"}));

  // The station is marked when the view is centred elsewhere, not when it shows the station.
  store.values["Station/Place"] = "JO62qm";
  maps.result.targetLine = "Target JO62qm: 523 km";
  p.Form_KeyUp(vk::M, 0);
  ASSERT_TRUE(maps.requests[1].target.has_value());
  EXPECT_EQ(maps.requests[1].target->name, "JO62qm");
  EXPECT_EQ(LogLines().back(), "Target JO62qm: 523 km");
  store.values["Station/Place"] = "52.2,5.6";
  p.Form_KeyUp(vk::M, 0);
  EXPECT_FALSE(maps.requests[2].target.has_value());

  // A radius past the whole Earth gives the whole Earth.
  p.view().Distance = 1e6;
  p.Form_KeyUp(vk::M, 0);
  EXPECT_EQ(maps.requests[3].outPath, "STATION_20038_6_52.PNG");

  // The view tilts no further than 89 S: a station at the pole is 111 km from that centre.
  store.values["Station/Place"] = "-90,0";
  p.view().Rotation = 270;
  p.view().Tilt = 271;
  p.Form_KeyUp(vk::M, 0);
  EXPECT_EQ(maps.requests[4].centre.lat, -89);
  EXPECT_TRUE(maps.requests[4].target.has_value());
  p.view().Tilt = 90;  // every longitude of the pole is the pole
  store.values["Station/Place"] = "90,45";
  p.Form_KeyUp(vk::M, 0);
  EXPECT_FALSE(maps.requests[5].target.has_value());
}

// The map is made beside the window's events: its progress shows in the caption, and keys
// released meanwhile are logged but start nothing until the map is stored.
TEST_F(StationKeys, TheWindowRunsOnWhileTheMapIsMade) {
  Program& p = MakeStationProgram();
  std::promise<void> keysPressed;
  maps.whileMaking = [&](const StationMapProgress& progress, FileStore&) {
    progress("Storing", 0.5);
    keysPressed.get_future().wait_for(std::chrono::seconds(10));
  };
  bool pressed = false;
  window.onDoEvents = [&] {
    if (pressed || window.caption != "Station map: Storing 50.0 %") return;
    pressed = true;
    p.Form_KeyUp(vk::M, 0);
    p.Form_KeyDown(vk::G, 2);
    p.Form_KeyUp(vk::Enter, 0);
    keysPressed.set_value();
  };
  p.Form_KeyUp(vk::M, 0);
  EXPECT_TRUE(pressed);
  EXPECT_EQ(maps.requests.size(), 1u);
  EXPECT_TRUE(dialog.shownTexts.empty());
  EXPECT_FALSE(p.flags().Running) << "Enter still ends the loop for the redraw";
  EXPECT_EQ(LogLines(),
            (std::vector<std::string>{"77; 0", "77; 0", "13; 0", "Station map: STATION_3340_6_52.PNG"}));
}

TEST_F(StationKeys, EscStopsTheMapAndLogsOneLine) {
  Program& p = MakeStationProgram();
  maps.whileMaking = [&](const StationMapProgress& progress, FileStore&) {
    maps.result = UntilStopped(progress);
  };
  bool pressed = false;
  window.onDoEvents = [&] {
    if (!pressed && window.caption == "Station map: Projecting 25.0 %") {
      pressed = true;
      p.Form_KeyUp(vk::Escape, 0);
    }
  };
  p.Form_KeyUp(vk::M, 0);
  EXPECT_TRUE(p.flags().QuitRequested);
  EXPECT_TRUE(messages.shown.empty());
  EXPECT_EQ(LogLines(),
            (std::vector<std::string>{"77; 0", "27; 0", "Station map stopped: STATION_3340_6_52.PNG"}));
}

// Closing the window ends the program at once, except while the map's temporaries are on
// disk: then it waits until the store has taken them away.
TEST_F(StationKeys, ClosingStopsTheMapAndEndsOnceNoFileIsBeingWritten) {
  Program& p = MakeStationProgram();
  std::atomic<bool> writing{false}, temporariesGone{false};
  files.whileWriting = [&](const StopAsked& stop) {
    writing = true;
    while (!stop()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    temporariesGone = true;
  };
  maps.whileMaking = [&](const StationMapProgress& progress, FileStore& files) {
    progress("Storing", 0.5);
    WriteFailure failure;
    files.WriteWholeFiles({{"STATION_3340_6_52.PNG", "picture"}, {"STATION_3340_6_52.DAT", "side"}},
                          &failure);
    maps.result = StationMapResult{};
    maps.result.stopped = failure.stopped;
  };
  bool closed = false;
  window.onDoEvents = [&] {
    if (!closed && writing) {
      closed = true;
      p.Form_Unload();
    }
  };
  bool goneAtEnd = false;
  process.atEnd = [&] { goneAtEnd = temporariesGone; };
  EXPECT_THROW(p.Form_KeyUp(vk::M, 0), ProgramEnded);
  EXPECT_EQ(process.ends, 1);
  EXPECT_TRUE(goneAtEnd);
  EXPECT_EQ(files.files.count("STATION_3340_6_52.PNG"), 0u);
  EXPECT_EQ(LogLines(), (std::vector<std::string>{"77; 0", "Station map stopped: STATION_3340_6_52.PNG"}));
}

TEST_F(StationKeys, TheTargetLineKeepsItsDecimalPointOnACommaDesktop) {
  const CommaLocale french("fr_FR");
  if (!french.Active()) GTEST_SKIP() << "no locale with a decimal comma could be made";
  Program& p = MakeStationProgram();
  store.values["Station/Place"] = "JO62qm";
  maps.whileMaking = [&](const StationMapProgress&, FileStore&) {
    maps.result.targetLine = TargetLine(maps.requests[0].centre, *maps.requests[0].target);
  };
  p.Form_KeyUp(vk::M, 0);
  EXPECT_TRUE(std::regex_search(LogLines().back(), std::regex("short path [0-9]+\\.[0-9]\u00b0")))
      << LogLines().back();
}

TEST_F(StationKeys, AFailedMapGivesOneMessageAndNoLogLine) {
  Program& p = MakeStationProgram();
  maps.result.ok = false;
  maps.result.problem = StationMapProblem{StationMapField::Out,
                                          "cannot write \"STATION_3340_6_52.PNG\": No space left on device"};
  store.values["StationMap/Size"] = "huge";
  p.Form_KeyUp(vk::M, 0);
  p.Form_KeyUp(vk::M, 0);
  ASSERT_EQ(messages.shown.size(), 3u);  // the settings once a run, the failure each time
  EXPECT_NE(messages.shown[0].text.find("Size = \"huge\""), std::string::npos);
  EXPECT_EQ(
      messages.shown[1].text,
      "The station map was not stored: cannot write \"STATION_3340_6_52.PNG\": No space left on device");
  EXPECT_EQ(maps.requests.back().size, 2048);
  EXPECT_EQ(LogLines(), (std::vector<std::string>{"77; 0", "77; 0"}));
  EXPECT_TRUE(p.flags().Running);
}

// The station map library's own problem reaches the operator in the window's words: the
// picture the window gives is named as the Earth picture, with no option of the command.
TEST_F(StationKeys, TheLibrarysProblemIsToldInTheWindowsWords) {
  program = std::make_unique<Program>(
      Services(directory.string()),
      StationServices{&dialog, [](const StationMapRequest& r, const StationMapProgress& progress,
                                  FileStore& files) { return MakeStationMap(r, progress, &files); }});
  program->view().Rotation = 264;
  program->view().Tilt = 52;
  program->flags().Running = true;
  program->Form_KeyUp(vk::M, 0);
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].text, "The station map was not stored: the Earth picture: \"" +
                                        (directory / "earth.jpg").string() + "\" does not exist");
  EXPECT_TRUE(program->flags().Running);
}

}  // namespace
