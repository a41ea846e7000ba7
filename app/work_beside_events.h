#pragma once
// Work that takes seconds (a station map is mostly encoding, which reports no progress of
// its own) runs on a thread of its own while the window goes on painting and taking keys.
#include <functional>
#include <string>
#include <string_view>

#include "stationmap/station_map.h"

using StationMapMaker = std::function<StationMapResult(const StationMapRequest&, const StationMapProgress&)>;

// Makes the map on another thread and calls `show` on this one about every 16 ms with the
// latest phase and share reported, until the map is made. Should `show` throw, the map is
// still finished before the exception goes on.
StationMapResult MakeStationMapBesideEvents(
    const StationMapMaker& make, const StationMapRequest& request,
    const std::function<void(std::string_view phase, double fraction)>& show);
