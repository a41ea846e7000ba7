#pragma once
// A station map's problem in the window's words: a [StationMap] setting by its key, the view
// for the centre and radius, the station for the target. The map's files are named in the
// problem itself.
#include <string>

#include "stationmap/station_map.h"

// "Size in [StationMap]: no memory for a picture of 16384 pixels"
std::string StationMapProblemText(const StationMapProblem& problem);
