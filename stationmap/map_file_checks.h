#pragma once
// The files a station map request names, looked at before anything is drawn: the Earth
// pictures it reads and the picture and side file it writes. Nothing is opened.
#include <optional>

#include "base/platform.h"
#include "stationmap/station_map.h"

// The problem, if any. The Earth pictures must be regular files (or
// links to them); the output's folder must exist and take files; the picture's and the side
// file's names must be free or hold files that may be replaced (`files` says); the output
// may not be an Earth picture it reads, nor take the side file that stands beside another
// picture of the same name ("station.png" and "station.DAT", when "station.jpg" is asked).
std::optional<StationMapProblem> CheckMapFiles(const StationMapRequest& request, FileStore& files);
