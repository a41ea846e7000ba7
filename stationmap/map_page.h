#pragma once
// How a PDF or SVG map lies on its page, in points (1/72 inch, y down): on paper, the square
// map as large as the margins allow with the title block under it; without paper, the page
// is the map, `size` pixels at 96 to the inch, and the title block below it. The Earth
// picture gets the pixels the map's printed size takes at the request's dots per inch, never
// more than a map may have.
#include <optional>
#include <string_view>

#include "stationmap/station_map.h"

inline constexpr double kPageMarginPt = 72 * 10 / 25.4;
inline constexpr double kScreenPixelsPerInch = 96;
// Between the map and its title block.
inline constexpr double kTitleGapPt = 8;

struct PageLayout {
  double widthPt = 0;
  double heightPt = 0;
  double mapLeftPt = 0;
  double mapTopPt = 0;
  double mapSidePt = 0;
  double titleTopPt = 0;  // the title block's top, under the map
  int pictureSize = 0;    // the Earth picture's side in pixels, and the overlays' drawing size
};

// "A4", "a3", "Letter", "TABLOID": any case.
std::optional<MapPage> MapPageOf(std::string_view name);

// The page's size, upright, in points.
struct PageSize {
  double widthPt = 0;
  double heightPt = 0;
};
PageSize PaperOf(MapPage page);

// `titleShare`: the title block's height as a share of the map's side (0: no title block).
PageLayout LayOutPage(const StationMapRequest& request, double titleShare);
