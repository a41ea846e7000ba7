#include "app/station_work.h"

#include <charconv>
#include <chrono>
#include <cstdlib>
#include <filesystem>

#include "app/place_view.h"
#include "app/station_map_problem.h"
#include "app/window_progress.h"
#include "geo/place_text.h"
#include "geodata/country_outlines.h"
#include "settings/map_centre.h"
#include "settings/station_settings.h"

namespace {

// "Station map: Projecting 45.3 %", with a "." whatever the locale.
std::string StationMapCaption(std::string_view phase, double fraction) {
  char percent[32];
  const auto end =
      std::to_chars(percent, percent + sizeof percent, fraction * 100, std::chars_format::fixed, 1).ptr;
  return "Station map: " + std::string(phase) + " " + std::string(percent, end) + " %";
}

// The map of the view's centre and radius as the [StationMap] settings draw it, with the
// grey line of now and the station marked unless the map is centred on it.
StationMapRequest RequestOfView(const ViewState& view, const StationMapSettings& settings,
                                SettingsStore& store, const std::string& programDirectory) {
  StationMapRequest request;
  request.centre = GeoPoint{view.Lat, view.Long};
  request.radiusKm = StationMapRadiusKm(view.Radius);
  request.size = settings.size;
  request.ringsKm = settings.ringsKm * KilometresPer(settings.units);
  request.spokesDeg = settings.spokesDeg;
  request.gridDeg = settings.gridDeg;
  request.countries = settings.countries;
  request.prefixes = settings.prefixes;
  request.fields = settings.fields;
  request.units = settings.units;
  // A layer without its data package is left out and told; the map is made all the same.
  request.leaveOutMissingData = true;
  request.data.cacheFolder = OutlineCacheFolder(std::getenv("XDG_CACHE_HOME"), std::getenv("HOME"));
  request.imagePath = (std::filesystem::path(programDirectory) / "earth.jpg").string();
  request.outPath = StationMapName(request.centre, request.radiusKm);
  const auto now = std::chrono::system_clock::now();
  if (settings.greyLine)
    request.unixTime = std::chrono::duration_cast<std::chrono::seconds>(now.time_since_epoch()).count();
  if (settings.beamDeg >= 0) request.beam = MapBeam{settings.beamDeg, settings.beamWidthDeg};
  if (settings.greylineFan)
    request.greylineFanYear =
        static_cast<int>(std::chrono::year_month_day(std::chrono::floor<std::chrono::days>(now)).year());
  if (auto station = ReadStation(store); station && !CentredOnStation(request.centre, station->place))
    request.target = std::move(station);
  return request;
}

}  // namespace

void StationWork::GoToPlace() {
  if (station_.placeDialog == nullptr) return;
  ProgramServices& services = context_.services;
  running_ = true;
  const std::string station = services.settings.Read(kStationSection, kStationPlaceKey).value_or("");
  const auto answer = station_.placeDialog->AskPlace(station, UnderstandPlace);
  // The keys held when the dialog opened were released into it.
  context_.keys = KeyFlags{};
  EndWork();
  if (!answer) return;
  const PlaceReading reading = ReadPlace(answer->text);
  if (!reading.place) return;  // the dialog is accepted only with a place

  ViewState& view = context_.view;
  const WholeDegreeTurn turn = TurnTowards(*reading.place);
  view.Rotation = turn.Rotation;
  view.Tilt = turn.Tilt;
  context_.viewSettings.WriteRotationTiltDistance(view);
  ApplyMapCentreRule(view);
  services.window.SetCaption(FrameCaption(view));

  if (!answer->myStation) return;
  std::string error;
  if (!services.settings.Write(kStationSection, kStationPlaceKey, answer->text, &error)) {
    context_.messages.Show("The station could not be saved: " + error, "ERROR", MessageIcon::Critical);
  }
}

void StationWork::StoreStationMap() {
  if (!station_.makeStationMap) return;
  ProgramServices& services = context_.services;
  std::string refused;
  const StationMapSettings settings = ReadStationMapSettings(services.settings, refused);
  if (!refused.empty() && !refusalReported_) {
    refusalReported_ = true;
    context_.messages.Show("The station map settings in " + services.settings.Location() +
                               " hold values that cannot be used:" + refused +
                               "\nThe defaults are used instead.",
                           "ERROR", MessageIcon::Critical);
  }

  ApplyMapCentreRule(context_.view);
  const StationMapRequest request =
      RequestOfView(context_.view, settings, services.settings, services.programDirectory);
  WindowProgress progress(services.window, services.pictures.Picture1, services.clock);
  WorkStop stop;
  running_ = true;
  mapName_ = request.outPath;
  StationMapResult result;
  {
    // The stop is reachable from the key handlers only while the map is made, however that ends.
    struct ClearOnExit {
      WorkStop*& pointer;
      ~ClearOnExit() { pointer = nullptr; }
    } clear{stop_};
    stop_ = &stop;
    result = MakeStationMapBesideEvents(station_.makeStationMap, request, services.files, stop,
                                        [&](std::string_view phase, double fraction) {
                                          progress.SetCaption(StationMapCaption(phase, fraction));
                                          progress.ProcessEvents();
                                        });
  }
  services.window.SetCaption(FrameCaption(context_.view));
  if (result.ok) {
    context_.log.WriteLog("Station map: " + request.outPath);
    if (!result.targetLine.empty()) context_.log.WriteLog(result.targetLine);
    std::string leftOut;
    for (const StationMapProblem& layer : result.leftOut) {
      const std::string text = StationMapProblemText(layer);
      context_.log.WriteLog("Station map without " + text);
      leftOut += "\n" + text;
    }
    if (!leftOut.empty() && !leftOutReported_) {
      leftOutReported_ = true;
      context_.messages.Show("The station map was stored without a layer whose data is missing:" + leftOut,
                             "WARNING", MessageIcon::Information);
    }
  } else if (result.stopped) {
    context_.log.WriteLog("Station map stopped: " + request.outPath);
  } else {
    const std::string why = result.problem ? ": " + StationMapProblemText(*result.problem) : ".";
    context_.messages.Show("The station map was not stored" + why, "ERROR", MessageIcon::Critical);
  }
  EndWork();
}

void StationWork::StopMapForClosing() {
  stop_->Ask();
  // Closing ends the program at once, but not while the map's temporaries are on disk: the
  // store takes them away within a piece of its writing once it sees the stop.
  constexpr std::chrono::seconds kFilesPatience{10};
  stop_->WaitForFiles(kFilesPatience);
  context_.log.WriteLog("Station map stopped: " + mapName_);
}

void StationWork::EndWork() {
  running_ = false;
  if (unloadWhenDone_) context_.unload();
}
