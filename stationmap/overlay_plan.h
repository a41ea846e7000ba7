#pragma once
// What the overlays put on a station map, in pixels of the picture (x right, y down, the
// centre at size / 2): range rings, bearing lines, the latitude and longitude grid, the path
// to a target, coasts and borders, DXCC prefixes and the Maidenhead grid, with their labels.
// Where the labels finally go, and which are left out, is the drawing's business; painting is
// the painter's.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "geo/geo_point.h"
#include "geodata/country_outlines.h"
#include "geodata/dxcc_entities.h"
#include "stationmap/station_map.h"

// Maidenhead squares are drawn on maps of this radius or less, where they are large enough to read.
inline constexpr double kMaidenheadSquaresUpToKm = 1500;

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

using PixelLines = std::vector<std::vector<PixelPoint>>;

// The antenna's beam: the wedge's outline, closed, and its label.
struct BeamWedge {
  std::vector<PixelPoint> outline;
  MapLabel label;
};

// The grey line at one sunrise or sunset of the fan: a diameter of the map.
struct FanLine {
  std::vector<PixelPoint> line;
  bool rise = true;
  MapLabel label;  // "March rise"
  // Where else the label may go, in the order tried when the place before is taken.
  std::vector<PixelPoint> otherLabelPlaces;
};

struct OverlayPlan {
  double size = 0;  // the picture's side
  PixelPoint centre;
  double scale = 0;  // pixels per kilometre
  std::vector<RangeRing> rings;
  PixelLines spokes;
  std::vector<MapLabel> spokeLabels;
  PixelLines grid;
  std::optional<TargetMarks> target;
  PixelLines countries;                 // coasts and borders, within half a pixel of the chart's
  std::vector<MapLabel> prefixes;       // at the entities' places, those with more operators first
  PixelLines fieldEdges;                // every 20 degrees of longitude, 10 of latitude
  std::vector<MapLabel> fieldLabels;    // "JO", at the fields' middles
  PixelLines squareEdges;               // every 2 by 1 degrees
  std::vector<MapLabel> squareLabels;   // "JO62"
  std::vector<PixelPoint> stationDots;  // every station of the list, shown or not
  std::vector<MapLabel> stationLabels;  // at the dots of those shown, in the list's order
  PixelLines stationPaths;              // the short paths from the centre
  std::optional<BeamWedge> beam;
  std::vector<FanLine> fan;
  std::vector<std::string> title;  // the title block's lines, the operator's text first
  bool Empty() const {
    return rings.empty() && spokes.empty() && grid.empty() && !target && countries.empty() &&
           prefixes.empty() && fieldEdges.empty() && squareEdges.empty() && fieldLabels.empty() &&
           stationDots.empty() && !beam && fan.empty() && title.empty();
  }
};

// The data the country layers draw from, loaded for the request's layers.
struct CountryData {
  std::shared_ptr<const CountryOutlines> outlines;  // for `countries`
  std::vector<DxccEntity> entities;                 // for `prefixes`
};

// `labelPx`: how far the map's own labels (rings, bearings, target) keep from the picture's edge.
OverlayPlan PlanOverlays(const StationMapRequest& request, double labelPx, const CountryData& data = {});
