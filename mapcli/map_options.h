#pragma once
// The command line of skerrowen-map, read into a station map request.
#include <optional>
#include <string>
#include <vector>

#include "stationmap/station_map.h"

struct MapOptions {
  StationMapRequest request;
  bool centreGiven = false;  // --centre or --locator; otherwise the view's centre
  bool radiusGiven = false;
  bool outGiven = false;
  bool imageGiven = false;
  bool timeIsNow = false;
  bool help = false;
  bool version = false;
  bool timings = false;
  std::string targetsPath;  // --targets: read by main, which words what it leaves out
  bool greylineFan = false;
};

struct MapOptionsReading {
  std::optional<MapOptions> options;
  std::string problem;  // one line naming the option, when the command line is not usable
};

// `arguments` without the program's name.
MapOptionsReading ReadMapOptions(const std::vector<std::string>& arguments);

extern const char* const kMapUsage;
