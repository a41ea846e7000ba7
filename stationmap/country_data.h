#pragma once
// The country data a station map's layers draw from: the outlines' prepared copy for the
// coasts and borders, the country file for the prefixes. Read before the map is drawn, so a
// map that cannot have them stops before any work.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "stationmap/overlay_plan.h"
#include "stationmap/station_map.h"

struct CountryDataLoad {
  CountryData data;
  std::optional<StationMapProblem> problem;  // the layer, and the package to install
  std::vector<StationMapProblem> leftOut;    // with leaveOutMissingData: the layers left out, and why
  bool prepared = false;                     // the outlines' copy was prepared for this map
  bool stopped = false;
};

// `keepGoing` is asked several times a second while the outlines' copy is prepared, which
// happens only when the cache has no current one; answering false stops it.
CountryDataLoad LoadCountryData(const StationMapRequest& request, const std::function<bool()>& keepGoing);
