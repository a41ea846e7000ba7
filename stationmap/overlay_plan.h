#pragma once
// What the overlays put on a station map, in pixels of the picture (x right, y down, the
// centre at size / 2): range rings, bearing lines, the latitude and longitude grid and the
// path to a target, with their labels. Painting them is left to the painter.
#include <optional>
#include <string>
#include <vector>

#include "geo/geo_point.h"
#include "stationmap/station_map.h"

struct PixelPoint {
  double x = 0;
  double y = 0;
};

struct MapLabel {
  PixelPoint at;  // the middle of the text
  std::string text;
};

struct RangeRing {
  double radiusPx = 0;
  MapLabel label;
};

struct TargetMarks {
  PixelPoint place;
  std::vector<PixelPoint> shortPath;              // from the centre to the target
  std::vector<std::vector<PixelPoint>> longPath;  // the rest of the great circle, via the antipode
  MapLabel label;
};

struct OverlayPlan {
  double size = 0;  // the picture's side
  PixelPoint centre;
  double scale = 0;  // pixels per kilometre
  std::vector<RangeRing> rings;
  std::vector<std::vector<PixelPoint>> spokes;
  std::vector<MapLabel> spokeLabels;
  std::vector<std::vector<PixelPoint>> grid;
  std::optional<TargetMarks> target;
  bool Empty() const { return rings.empty() && spokes.empty() && grid.empty() && !target; }
};

// `labelPx`: how far labels keep from the picture's edge.
OverlayPlan PlanOverlays(const StationMapRequest& request, double labelPx);
