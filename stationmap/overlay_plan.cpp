#include "stationmap/overlay_plan.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <numbers>
#include <string_view>

#include "base/number_text.h"
#include "geo/azimuthal.h"
#include "geo/geodesic.h"
#include "geo/great_circle.h"
#include "geo/maidenhead.h"
#include "stationmap/map_frame.h"
#include "stationmap/station_layers.h"

namespace {

constexpr double kRingLabelBearing = 45;

using Frame = MapFrame;

// The decimals the ring spacing was given with (at most 6): rings every 2.5 km are labelled
// "2.5 km", "5.0 km", so a short-range map never shows rounded distances.
int DecimalsOf(double spacing) {
  char text[64];
  const auto end = std::to_chars(text, text + sizeof text, spacing, std::chars_format::fixed).ptr;
  const std::string_view digits(text, static_cast<std::size_t>(end - text));
  const std::size_t point = digits.find('.');
  return point == std::string_view::npos ? 0 : std::min(6, static_cast<int>(digits.size() - point - 1));
}

std::string Degrees(double degrees) { return FormatGeneral(degrees) + "\u00b0"; }

// Keeps a label's middle `margin` pixels inside the picture.
PixelPoint Inside(PixelPoint p, double size, double margin) {
  return {std::clamp(p.x, margin, size - margin), std::clamp(p.y, margin, size - margin)};
}

// A line of the graticule is followed in chords of about kCoarsePx pixels, each halved
// while its middle strays more than kCurvePx from it: long segments where the line is
// straight, which a painter draws at the cost of their length.
constexpr double kCoarsePx = 16;
constexpr double kCurvePx = 0.1;
constexpr int kMostHalvings = 12;

double ChordDistance(const PixelPoint& p, const PixelPoint& a, const PixelPoint& b) {
  const double dx = b.x - a.x, dy = b.y - a.y, length2 = dx * dx + dy * dy;
  const double t = length2 > 0 ? std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / length2, 0.0, 1.0) : 0;
  return std::hypot(p.x - a.x - t * dx, p.y - a.y - t * dy);
}

// Adds the pieces of a line of the grid, placeAt(t) for t from 0 to 1 in `steps` chords, that
// show on the picture, broken where the line leaves it and where it jumps across the map
// (round the antipode, where neighbouring places land far apart). Painting lines that lie
// outside would cost as much as those inside.
void AddGridLine(const Frame& frame, PixelLines& grid, int steps, const auto& placeAt) {
  const double jump = frame.Half() / 2;
  const double low = -jump / 4, high = 2 * frame.Half() + jump / 4;
  const auto near = [&](const PixelPoint& a, const PixelPoint& b) {
    return std::max(a.x, b.x) >= low && std::min(a.x, b.x) <= high && std::max(a.y, b.y) >= low &&
           std::min(a.y, b.y) <= high;
  };
  std::vector<PixelPoint> piece;
  const auto endPiece = [&] {
    if (piece.size() >= 2) grid.push_back(std::move(piece));
    piece.clear();
  };
  const auto follow = [&](const auto& self, double t0, PixelPoint a, double t1, PixelPoint b,
                          int depth) -> void {
    const double length = std::hypot(b.x - a.x, b.y - a.y);
    if (length <= jump && !near(a, b)) return endPiece();
    if (depth < kMostHalvings) {
      const double middle = (t0 + t1) / 2;
      const PixelPoint m = frame.Of(placeAt(middle));
      if (length > jump || ChordDistance(m, a, b) > kCurvePx) {
        self(self, t0, a, middle, m, depth + 1);
        self(self, middle, m, t1, b, depth + 1);
        return;
      }
    }
    if (length > jump) return endPiece();
    if (piece.empty()) piece.push_back(a);
    piece.push_back(b);
  };
  PixelPoint previous = frame.Of(placeAt(0.0));
  for (int k = 1; k <= steps; ++k) {
    const double t = static_cast<double>(k) / steps;
    const PixelPoint p = frame.Of(placeAt(t));
    follow(follow, static_cast<double>(k - 1) / steps, previous, t, p, 0);
    previous = p;
  }
  endPiece();
}

// The part of the globe a map shows, as ranges of latitude and longitude (the longitudes
// unwrapped, so the range may run past 180): the graticule's lines are followed only there.
struct GlobeWindow {
  double latLow = -90, latHigh = 90;
  double lonLow = -180, lonHigh = 180;
  bool allLongitudes = true;  // a pole is in sight
};

GlobeWindow WindowOf(const GeoPoint& centre, double visibleKm) {
  const double reach = std::min(visibleKm / kEarthRadiusKm, std::numbers::pi) / kRadiansPerDegree;
  GlobeWindow window;
  window.latLow = std::max(-90.0, centre.lat - reach);
  window.latHigh = std::min(90.0, centre.lat + reach);
  if (reach < 90 - std::fabs(centre.lat)) {
    // The widest parallel of the cap's edge: sin(spread) = sin(reach) / cos(latitude).
    const double spread = std::asin(std::min(1.0, std::sin(reach * kRadiansPerDegree) /
                                                      std::cos(centre.lat * kRadiansPerDegree))) /
                          kRadiansPerDegree;
    window.lonLow = centre.lon - spread;
    window.lonHigh = centre.lon + spread;
    window.allLongitudes = false;
  }
  return window;
}

// The multiples k of `step` from `origin` with origin + k step in [low, high].
std::pair<long, long> StepsWithin(double origin, double step, double low, double high) {
  return {static_cast<long>(std::ceil((low - origin) / step - 1e-9)),
          static_cast<long>(std::floor((high - origin) / step + 1e-9))};
}

// Meridians every `lonStep` degrees from -180 and parallels every `latStep` from the south
// pole (the poles left out), where the map shows them; every
// `skipEvery`th line of each, counted from there, left out (0: none).
void AddGraticule(const Frame& frame, const GlobeWindow& window, double lonStep, double latStep,
                  PixelLines& lines, long skipEvery = 0) {
  const auto skipped = [skipEvery](long k) {
    return skipEvery > 0 && (k % skipEvery + skipEvery) % skipEvery == 0;
  };
  const double stepDeg =
      std::clamp(kCoarsePx / frame.Scale() / (kRadiansPerDegree * kEarthRadiusKm), 0.002, 1.0);
  const double lonHigh = window.allLongitudes ? 180 - lonStep * 1e-9 : window.lonHigh;
  const auto [firstLon, lastLon] = StepsWithin(-180, lonStep, window.lonLow, lonHigh);
  const int meridianSteps =
      std::max(1, static_cast<int>(std::ceil((window.latHigh - window.latLow) / stepDeg)));
  for (long k = firstLon; k <= lastLon; ++k) {
    if (skipped(k)) continue;
    const double lon = -180 + static_cast<double>(k) * lonStep;
    AddGridLine(frame, lines, meridianSteps, [&](double t) {
      return GeoPoint{window.latLow + (window.latHigh - window.latLow) * t, lon};
    });
  }
  const auto [firstLat, lastLat] = StepsWithin(-90, latStep, window.latLow, window.latHigh);
  const int parallelSteps =
      std::max(1, static_cast<int>(std::ceil((window.lonHigh - window.lonLow) / stepDeg)));
  for (long k = std::max(firstLat, 1L); k <= lastLat; ++k) {
    const double lat = -90 + static_cast<double>(k) * latStep;
    if (lat >= 90 - 1e-9) break;
    if (skipped(k)) continue;
    AddGridLine(frame, lines, parallelSteps, [&](double t) {
      return GeoPoint{lat, window.lonLow + (window.lonHigh - window.lonLow) * t};
    });
  }
}

// A label for each cell of `lonStep` by `latStep` degrees whose middle the map shows: its
// locator of `characters` characters.
void AddLocatorLabels(const Frame& frame, const GlobeWindow& window, double lonStep, double latStep,
                      int characters, std::vector<MapLabel>& labels) {
  const auto [firstLon, lastLon] = StepsWithin(-180 + lonStep / 2, lonStep, window.lonLow,
                                               window.allLongitudes ? 180 - lonStep / 2 : window.lonHigh);
  const auto [firstLat, lastLat] = StepsWithin(-90 + latStep / 2, latStep, window.latLow, window.latHigh);
  for (long j = lastLat; j >= firstLat; --j) {
    for (long i = firstLon; i <= lastLon; ++i) {
      const GeoPoint middle{-90 + latStep / 2 + static_cast<double>(j) * latStep,
                            WrapLongitude(-180 + lonStep / 2 + static_cast<double>(i) * lonStep)};
      const PixelPoint at = frame.Of(middle);
      if (frame.Shows(at)) labels.push_back({at, LocatorOf(middle, characters)});
    }
  }
}

void PlanFields(const StationMapRequest& request, const Frame& frame, const GlobeWindow& window,
                OverlayPlan& plan) {
  AddGraticule(frame, window, 20, 10, plan.fieldEdges);
  AddLocatorLabels(frame, window, 20, 10, 2, plan.fieldLabels);
  if (request.radiusKm > kMaidenheadSquaresUpToKm) return;
  // Every tenth edge of a square is a field's, drawn as that.
  AddGraticule(frame, window, 2, 1, plan.squareEdges, 10);
  AddLocatorLabels(frame, window, 2, 1, 4, plan.squareLabels);
}

// How far a coast or border may stray from the chart, in pixels: under an anti-aliased line
// a pixel wide this looks as at half a pixel, and leaves fewer and longer segments to stroke,
// which is most of the outlines' cost.
constexpr double kOutlineTolerancePx = 0.6;

void PlanCountries(const Frame& frame, const CountryOutlines& outlines, double visibleKm, OverlayPlan& plan) {
  outlines.ForEachOnMap(frame.Projection(), visibleKm, kOutlineTolerancePx / frame.Scale(),
                        [&](std::span<const PlanePoint> piece) {
                          std::vector<PixelPoint> line;
                          line.reserve(piece.size());
                          for (const PlanePoint& p : piece) line.push_back(frame.OfPlane(p.x, p.y));
                          plan.countries.push_back(std::move(line));
                        });
}

void PlanPrefixes(const Frame& frame, const std::vector<DxccEntity>& entities, double visibleKm,
                  OverlayPlan& plan) {
  std::vector<const DxccEntity*> shown;
  const Vec3 centre = UnitVector(frame.Projection().Centre());
  const double nearest = std::cos(std::min(visibleKm / kEarthRadiusKm, std::numbers::pi));
  for (const DxccEntity& entity : entities) {
    if (!entity.dxcc || Dot(UnitVector(entity.place), centre) < nearest) continue;
    if (frame.Shows(frame.Of(entity.place))) shown.push_back(&entity);
  }
  std::stable_sort(shown.begin(), shown.end(),
                   [](const DxccEntity* a, const DxccEntity* b) { return a->weight > b->weight; });
  for (const DxccEntity* entity : shown) {
    // "3D2/c" tells Conway Reef from Fiji in the file; on the air both are 3D2.
    const std::string prefix = entity->primaryPrefix.substr(0, entity->primaryPrefix.find('/'));
    plan.prefixes.push_back({frame.Of(entity->place), prefix});
  }
}

void PlanGrid(const StationMapRequest& request, const Frame& frame, const GlobeWindow& window,
              OverlayPlan& plan) {
  AddGraticule(frame, window, request.gridDeg, request.gridDeg, plan.grid);
}

void PlanTarget(const StationMapRequest& request, const Frame& frame, double labelPx, OverlayPlan& plan) {
  const GreatCirclePath path = PathBetween(request.centre, request.target->place);
  TargetMarks marks;
  marks.place = frame.Along(path.bearingDeg, path.distanceKm);
  // A target at the centre or at its antipode lies on every great circle through the
  // centre: there is no one path to draw, only the place.
  if (!TargetOnEveryPath(path)) {
    marks.shortPath = {plan.centre, marks.place};
    marks.longPath = {{plan.centre, frame.Along(path.longBearingDeg, kHalfCircumferenceKm)},
                      {frame.Along(path.bearingDeg, kHalfCircumferenceKm), marks.place}};
  }
  // Above the target, or inside where the short path leaves the picture, clear of the
  // bearing labels along the edge.
  const double labelKm =
      std::min(path.distanceKm, frame.EdgeKm(path.bearingDeg) - 4 * labelPx / frame.Scale());
  PixelPoint at = frame.Along(path.bearingDeg, labelKm);
  at.y -= labelPx;
  // The distance the target line prints, on the ellipsoid, in whole units.
  const double distance = GeodesicBetween(request.centre, request.target->place).distanceKm;
  marks.label = {Inside(at, plan.size, labelPx), request.target->name + " " +
                                                     FormatFixed(distance / KilometresPer(request.units), 0) +
                                                     " " + UnitSymbol(request.units)};
  plan.target = std::move(marks);
}

// The ring spacing in the map's unit, as the operator gave it: 500 mi rather than the
// 499.99999999999994 that dividing its kilometres back gives.
double SpacingInUnit(const StationMapRequest& request) {
  return ParseNumber(FormatGeneral(request.ringsKm / KilometresPer(request.units))).value_or(request.ringsKm);
}

}  // namespace

OverlayPlan PlanOverlays(const StationMapRequest& request, double labelPx, const CountryData& data) {
  const Frame frame(request);
  OverlayPlan plan;
  plan.size = request.size;
  plan.centre = {frame.Half(), frame.Half()};
  plan.scale = frame.Scale();
  const double farthestKm = std::min(kHalfCircumferenceKm, request.radiusKm * std::sqrt(2.0));
  if (request.ringsKm > 0) {
    const double spacing = SpacingInUnit(request);
    const int decimals = DecimalsOf(spacing);
    const std::string unit = std::string(" ") + UnitSymbol(request.units);
    // Each ring from its own multiple: summing the spacing would let its rounding error grow.
    for (int k = 1;; ++k) {
      const double km = k * request.ringsKm;
      if (km >= farthestKm) break;
      const PixelPoint at = frame.Along(kRingLabelBearing, km);
      if (at.x > plan.size - labelPx || at.y < labelPx) {
        plan.rings.push_back({km * frame.Scale(), {}});
      } else {
        plan.rings.push_back({km * frame.Scale(), {at, FormatFixed(k * spacing, decimals) + unit}});
      }
    }
  }
  if (request.spokesDeg > 0) {
    for (double bearing = 0; bearing < 360 - 1e-9; bearing += request.spokesDeg) {
      const double endKm = std::min(kHalfCircumferenceKm, frame.EdgeKm(bearing));
      plan.spokes.push_back({plan.centre, frame.Along(bearing, endKm)});
      const double labelKm =
          std::min(kHalfCircumferenceKm, frame.EdgeKm(bearing) - 1.5 * labelPx / frame.Scale());
      plan.spokeLabels.push_back(
          {Inside(frame.Along(bearing, labelKm), plan.size, labelPx), Degrees(bearing)});
    }
  }
  const double visibleKm = request.radiusKm * std::sqrt(2.0);
  const GlobeWindow window = WindowOf(request.centre, visibleKm);
  if (request.gridDeg > 0) PlanGrid(request, frame, window, plan);
  if (request.target) PlanTarget(request, frame, labelPx, plan);
  if (request.countries && data.outlines) PlanCountries(frame, *data.outlines, visibleKm, plan);
  if (request.prefixes) PlanPrefixes(frame, data.entities, visibleKm, plan);
  if (request.fields) PlanFields(request, frame, window, plan);
  PlanStations(request, frame, plan);
  if (request.beam) PlanBeam(request, frame, plan);
  if (request.greylineFanYear) PlanGreylineFan(request, frame, labelPx, plan);
  if (!request.title.empty()) plan.title = TitleLines(request);
  return plan;
}
