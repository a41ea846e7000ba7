#pragma once
// The operator's station work in the window: Ctrl+G turns the view to a typed place (and
// keeps it as the station when asked to), M makes the station map of the view on a worker
// while the window goes on. One at a time; the window may be closed during either.
#include <functional>
#include <string>

#include "app/program_services.h"
#include "app/view_state.h"
#include "base/work_stop.h"
#include "mapout/log_file.h"
#include "settings/view_settings.h"

struct StationWorkContext {
  ProgramServices& services;
  MessageBoxes& messages;
  LogFile& log;
  ViewState& view;
  ViewSettings& viewSettings;
  KeyFlags& keys;  // released when a dialog has taken the keyboard
  // Closes the window for good; called when the window was closed while the work ran.
  std::function<void()> unload;
};

class StationWork {
 public:
  StationWork(StationWorkContext context, StationServices station)
      : context_(std::move(context)), station_(std::move(station)) {}

  // While the go-to dialog or a station map runs, their keys do not start another.
  bool Busy() const { return running_; }
  bool MakingMap() const { return stop_ != nullptr; }

  // Ctrl+G: turns the view to a typed place, and stores it as the station when asked to.
  void GoToPlace();
  // M: the station map of the view's centre and radius, named STATION_..., in the working folder.
  void StoreStationMap();
  // Esc while the map is made: it stops, and nothing is stored.
  void StopMap() { stop_->Ask(); }
  // Closing the window while the map is made: it stops, and this returns once no file of the
  // map is being written.
  void StopMapForClosing();
  // The window was closed while the dialog ran: it is closed with the window once the
  // dialog returns.
  void UnloadWhenDone() { unloadWhenDone_ = true; }

 private:
  void EndWork();

  StationWorkContext context_;
  StationServices station_;
  bool running_ = false;
  bool unloadWhenDone_ = false;
  bool refusalReported_ = false;
  bool leftOutReported_ = false;  // a layer left out for want of its data is shown once a run
  // While a station map is made: what stops it, and its picture's name for the log.
  WorkStop* stop_ = nullptr;
  std::string mapName_;
};
