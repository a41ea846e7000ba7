#pragma once
// The window program's map outputs: the log, the capture taken on the Alt release, and the
// software redraw after the loop, both stored as map pairs named from the view's centre.
#include <string>

#include "app/program_services.h"
#include "app/view_state.h"
#include "base/uniform_random.h"
#include "mapout/hole_filling.h"
#include "mapout/log_file.h"
#include "mapout/map_files.h"

class MapOutput {
 public:
  // `messages` tells of a log or a map that cannot be written.
  MapOutput(ProgramServices& services, MessageBoxes& messages);

  void WriteLog(const std::string& text) { log_.WriteLog(text); }
  LogFile& Log() { return log_; }

  // The clipboard's picture into Picture4, stored as the map of the view.
  void TakeCapture(const ViewState& view);
  // Picture2 projected around the view's centre onto Picture1, with the caption showing the
  // progress and the window's events handled between columns; both pictures stored.
  void PostProcessMap(const ViewState& view);

 private:
  ProgramServices& services_;
  LogFile log_;
  MapStore store_;
  UniformRandom random_;        // the program's one generator, never reseeded
  HoleFillingBuffers buffers_;  // kept between redraws: fresh pages cost more than the fill
};
