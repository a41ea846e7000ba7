#pragma once
// A station map: a true azimuthal equidistant map of any size around a centre, sampled from
// an equirectangular Earth picture, with optional range rings, bearing lines, a grid, the
// grey line and the path to a target, stored with its side file. The command skerrowen-map
// and the window make their station maps through MakeStationMap.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "base/platform.h"
#include "geo/geo_point.h"

inline constexpr int kMinMapSize = 16;
inline constexpr int kMaxMapSize = 16384;
// The largest radius: the whole Earth, half the circumference rounded up to whole kilometres.
inline constexpr double kMaxMapRadiusKm = 20038;

struct MapTarget {
  GeoPoint place;
  std::string name;  // as the operator gave it: "JO62qm", "40.7,-74"
};

struct StationMapRequest {
  GeoPoint centre;
  double radiusKm = 3340;
  int size = 557;
  std::string imagePath;       // equirectangular, 2:1
  std::string nightImagePath;  // optional, with `time`
  std::string outPath;         // .bmp, .png or .jpg; the side file takes the same stem
  double ringsKm = 0;          // 0: no overlay of that kind
  double spokesDeg = 0;
  double gridDeg = 0;
  std::optional<MapTarget> target;
  std::optional<std::int64_t> unixTime;  // the grey line at this UTC time
  int threads = 0;                       // 0: one per core
};

// Milliseconds spent in each phase.
struct StationMapTimings {
  double decode = 0;
  double projection = 0;
  double overlays = 0;
  double encode = 0;  // encoding and storing the picture (the side file is stored during the projection)
};

struct StationMapResult {
  bool ok = false;
  std::string problem;  // one line naming the option at fault, when not ok
  std::string picturePath;
  std::string sidePath;
  std::string targetLine;  // "Target JO62qm: 8123 km, short path 45.3°, long path 225.3° (31914 km)"
  StationMapTimings timings;
};

// Called with the phase ("Decoding", "Projecting", "Marking", "Storing") and the share of it
// done, on the thread that called MakeStationMap.
using StationMapProgress = std::function<void(std::string_view phase, double fraction)>;

// The problem with the request's numbers and names, naming the option; empty when there is
// none. Files are not looked at.
std::string CheckStationMapRequest(const StationMapRequest& request);

// Writes the side file (while the map is drawn), then the picture, each under a temporary name
// renamed into place; on any failure neither file is left new or half-written, and an older
// pair stays as it was. Needs a QGuiApplication for labels
// (rings, spokes, target).
// `files` (default: the POSIX files) stores both files; it is called from one thread at a time.
StationMapResult MakeStationMap(const StationMapRequest& request, const StationMapProgress& progress = {},
                                FileStore* files = nullptr);

// The line printed for a target: distance and the short and long path bearings from the centre.
std::string TargetLine(const GeoPoint& centre, const MapTarget& target);
