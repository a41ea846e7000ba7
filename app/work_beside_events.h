#pragma once
// Work that takes seconds (a station map is mostly encoding, which reports no progress of
// its own) runs on a thread of its own while the window goes on painting and taking keys.
#include <functional>
#include <string>
#include <string_view>

#include "base/platform.h"
#include "base/work_stop.h"
#include "stationmap/station_map.h"

// Makes a station map, storing its files through the store given.
using StationMapMaker =
    std::function<StationMapResult(const StationMapRequest&, const StationMapProgress&, FileStore&)>;

// Makes the map on another thread, its files stored through `files` while `stop` has not
// been asked, and calls `show` on this one about every 16 ms with the latest phase and share
// reported, until the map is made or has stopped. Should `show` throw, the map is still
// finished (or stopped) before the exception goes on.
StationMapResult MakeStationMapBesideEvents(
    const StationMapMaker& make, const StationMapRequest& request, FileStore& files, WorkStop& stop,
    const std::function<void(std::string_view phase, double fraction)>& show);
