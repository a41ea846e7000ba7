#pragma once
// Coasts and borders of the world's countries for the station maps, from the Digital Chart of
// the World (Debian's gmt-dcw). The chart is read once and prepared into a compact copy in the
// user's cache; later maps read only the parts of that copy they show, at the detail they need.
// Reading the chart needs libnetcdf and its many libraries, so only the preparation does it
// (geodata/prepare); what is here reads the copy.
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "base/platform.h"
#include "geo/azimuthal.h"
#include "geodata/data_file_problem.h"
#include "geodata/outline_image.h"

// The copy's name in the cache folder.
inline constexpr const char* kOutlineCacheName = "country-outlines.bin";

// "$XDG_CACHE_HOME/skerrowen", else "$HOME/.cache/skerrowen"; empty when neither is set to an
// absolute path (the XDG base directory rules ignore relative ones).
std::string OutlineCacheFolder(const char* xdgCacheHome, const char* home);

struct OutlineSources {
  std::string chartPath = kDcwPath;
  std::string cacheFolder;  // empty: no cache, the chart is read each time
};

class CountryOutlines;

enum class OutlineCacheUse {
  Read,     // the copy in the cache was current and intact
  Written,  // the chart was read and the copy written to the cache
  Skipped,  // no current copy was read or written, see `cacheDetail`
};

struct OutlineLoad {
  std::shared_ptr<const CountryOutlines> outlines;  // null when the chart is missing or unusable
  std::optional<DataFileProblem> problem;           // why it is null
  OutlineCacheUse cache = OutlineCacheUse::Skipped;
  std::string cacheDetail;  // what kept the cache from being used: for a log, never an error
};

// The state of the chart file `chart`, which a copy made from it carries; nothing, with the
// problem naming gmt-dcw, when there is no chart there or it is no regular file.
std::optional<OutlineSourceKey> ChartKeyOf(const std::string& chart, DataFileProblem* problem);

// The outlines from the copy in the cache when it belongs to the chart as it is now: only
// mapped, a matter of milliseconds. Without the chart there are no outlines (`problem` says
// why), whatever the cache holds; without a current copy neither, and `cacheDetail` says
// why: the copy is then prepared from the chart (geodata/prepare, a program of its own).
OutlineLoad ReadPreparedOutlines(const OutlineSources& sources);

class CountryOutlines {
 public:
  // Keeps `bytes` (a mapping of the cache file or the image in memory) for `image`.
  CountryOutlines(std::shared_ptr<const void> bytes, OutlineImage image)
      : bytes_(std::move(bytes)), image_(std::move(image)) {}

  const OutlineImage& Image() const { return image_; }

  // Calls `draw` with each piece of outline that the map shows, as a polyline in kilometres of
  // the map plane (x east, y north, AzimuthalEquidistant::Forward's), in the order of the chart.
  // `visibleKm`: how far from the centre the map reaches (radius times the square root of 2 for
  // a square map; beyond half the circumference means the whole Earth). `toleranceKm`: how far a
  // drawn line may stray from the chart's, about half a pixel. Lines break where they leave the
  // visible cap; near the antipode, whose surroundings the projection stretches round the map's
  // rim, they follow the stretched curve and never cut across the map. Islands smaller than the
  // tolerance are left out. The work follows the length of what is shown, not the size of the
  // chart. A tolerance below a metre counts as one; a map that reaches nowhere shows nothing.
  void ForEachOnMap(const AzimuthalEquidistant& map, double visibleKm, double toleranceKm,
                    const std::function<void(std::span<const PlanePoint>)>& draw) const;
  // The same pieces, collected.
  std::vector<std::vector<PlanePoint>> OnMap(const AzimuthalEquidistant& map, double visibleKm,
                                             double toleranceKm) const;

 private:
  std::shared_ptr<const void> bytes_;
  OutlineImage image_;
};
