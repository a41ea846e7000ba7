// The program's map outputs: the log, the capture on the Alt release, the software redraw
// after the loop, and the station map on M.
#include "app/map_production.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <filesystem>

#include "app/place_view.h"
#include "app/station_map_problem.h"
#include "app/work_beside_events.h"
#include "base/uniform_random.h"
#include "mapout/capture.h"
#include "mapout/log_file.h"
#include "mapout/map_files.h"
#include "mapout/post_process.h"
#include "settings/station_settings.h"

namespace {

// The redraw reports after every column; the window repaints at most about 60 times a
// second so that showing progress never costs more than the work.
class WindowProgress : public RedrawProgress {
 public:
  WindowProgress(MainWindow& window, Surface& picture1, Clock& clock)
      : window_(window), picture1_(picture1), clock_(clock), lastRepaint_(clock.GetTickCount()) {}
  void SetCaption(const std::string& text) override { window_.SetCaption(text); }
  void ProcessEvents() override {
    const std::uint32_t now = clock_.GetTickCount();
    if (now - lastRepaint_ >= kRepaintMs) {
      lastRepaint_ = now;
      picture1_.MarkChanged();
    }
    window_.DoEvents();
  }

 private:
  static constexpr std::uint32_t kRepaintMs = 16;
  MainWindow& window_;
  Surface& picture1_;
  Clock& clock_;
  std::uint32_t lastRepaint_;
};

// "Station map: Projecting 45.3 %", with a "." whatever the locale.
std::string StationMapCaption(std::string_view phase, double fraction) {
  char percent[32];
  const auto end =
      std::to_chars(percent, percent + sizeof percent, fraction * 100, std::chars_format::fixed, 1).ptr;
  return "Station map: " + std::string(phase) + " " + std::string(percent, end) + " %";
}

}  // namespace

Program::~Program() = default;

void Program::InitMapProduction() { maps_ = std::make_unique<MapProduction>(services_.files, messages_); }

void Program::WriteLog(const std::string& text) { maps_->log.WriteLog(text); }

void Program::TakeCapture() {
  StoreCapture(services_.clipboard.ReadBitmap(), services_.pictures.Picture4,
               MapCentre{view_.Long, view_.Lat, view_.Radius}, maps_->store);
}

void Program::PostProcessMap() {
  Pictures& p = services_.pictures;
  WindowProgress progress(services_.window, p.Picture1, services_.clock);
  RedrawContext context{
      p.Picture1, p.Picture2,   p.Picture3,    p.Picture4,     MapCentre{view_.Long, view_.Lat, view_.Radius},
      progress,   maps_->store, maps_->random, &maps_->buffers};
  ::PostProcessMap(context);
  p.Picture1.MarkChanged();
}

void Program::StoreStationMap() {
  if (!station_.makeStationMap) return;
  std::string refused;
  const StationMapSettings settings = ReadStationMapSettings(services_.settings, refused);
  if (!refused.empty() && !stationMapRefusalReported_) {
    stationMapRefusalReported_ = true;
    messages_.Show("The station map settings in " + services_.settings.Location() +
                       " hold values that cannot be used:" + refused + "\nThe defaults are used instead.",
                   "ERROR", MessageIcon::Critical);
  }

  ApplyMapCentreRule(view_);
  StationMapRequest request;
  request.centre = GeoPoint{view_.Lat, view_.Long};
  request.radiusKm = StationMapRadiusKm(view_.Radius);
  request.size = settings.size;
  request.ringsKm = settings.ringsKm;
  request.spokesDeg = settings.spokesDeg;
  request.gridDeg = settings.gridDeg;
  request.imagePath = (std::filesystem::path(services_.programDirectory) / "earth.jpg").string();
  request.outPath = StationMapName(request.centre, request.radiusKm);
  if (settings.greyLine) {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    request.unixTime = std::chrono::duration_cast<std::chrono::seconds>(now).count();
  }
  if (auto station = ReadStation(services_.settings);
      station && !CentredOnStation(request.centre, station->place))
    request.target = std::move(station);

  Pictures& p = services_.pictures;
  WindowProgress progress(services_.window, p.Picture1, services_.clock);
  WorkStop stop;
  stationWorkRunning_ = true;
  stationMapName_ = request.outPath;
  StationMapResult result;
  {
    // The stop is reachable from the key handlers only while the map is made, however that ends.
    struct ClearOnExit {
      WorkStop*& pointer;
      ~ClearOnExit() { pointer = nullptr; }
    } clear{stationMapStop_};
    stationMapStop_ = &stop;
    result = MakeStationMapBesideEvents(station_.makeStationMap, request, services_.files, stop,
                                        [&](std::string_view phase, double fraction) {
                                          progress.SetCaption(StationMapCaption(phase, fraction));
                                          progress.ProcessEvents();
                                        });
  }
  services_.window.SetCaption(FrameCaption(view_));
  if (result.ok) {
    WriteLog("Station map: " + request.outPath);
    if (!result.targetLine.empty()) WriteLog(result.targetLine);
  } else if (result.stopped) {
    WriteLog("Station map stopped: " + request.outPath);
  } else {
    const std::string why = result.problem ? ": " + StationMapProblemText(*result.problem) : ".";
    messages_.Show("The station map was not stored" + why, "ERROR", MessageIcon::Critical);
  }
  EndStationWork();
}

void Program::StopStationMap(bool endProgram) {
  stationMapStop_->Ask();
  if (!endProgram) return;
  // Closing ends the program at once, but not while the map's temporaries are on disk: the
  // store takes them away within a piece of its writing once it sees the stop.
  constexpr std::chrono::seconds kFilesPatience{10};
  stationMapStop_->WaitForFiles(kFilesPatience);
  WriteLog("Station map stopped: " + stationMapName_);
  flags_.Running = false;
  renderer_.ReleaseRenderer();
  services_.process.EndProgram();
}
