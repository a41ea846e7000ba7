#include "stationmap/overlay_plan.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string_view>

#include "base/number_text.h"
#include "geo/azimuthal.h"
#include "geo/great_circle.h"

namespace {

constexpr double kRingLabelBearing = 45;

class Frame {
 public:
  explicit Frame(const StationMapRequest& request)
      : half_(request.size / 2.0), scale_(half_ / request.radiusKm), projection_(request.centre) {}

  PixelPoint OfPlane(double x, double y) const { return {half_ + x * scale_, half_ - y * scale_}; }
  // The point `km` from the centre along `bearing` degrees.
  PixelPoint Along(double bearing, double km) const {
    const double b = bearing * kRadiansPerDegree;
    return OfPlane(km * std::sin(b), km * std::cos(b));
  }
  PixelPoint Of(const GeoPoint& place) const {
    const PlanePoint p = projection_.Forward(place);
    return OfPlane(p.x, p.y);
  }
  // How far from the centre, in km, the line along `bearing` leaves the picture.
  double EdgeKm(double bearing) const {
    const double b = bearing * kRadiansPerDegree;
    const double s = std::fabs(std::sin(b)), c = std::fabs(std::cos(b));
    return half_ / scale_ / std::max(s, c);
  }
  double Half() const { return half_; }
  double Scale() const { return scale_; }

 private:
  double half_;
  double scale_;
  AzimuthalEquidistant projection_;
};

std::string Kilometres(double km) { return FormatFixed(km, 0) + " km"; }

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

// Adds the pieces of a line of the grid that show on the picture, broken where the line
// leaves it and where it jumps across the map (round the antipode, where neighbouring places
// land far apart). Painting lines that lie outside would cost as much as those inside.
void AddGridLine(const Frame& frame, std::vector<std::vector<PixelPoint>>& grid, int steps,
                 const auto& placeAt) {
  const double jump = frame.Half() / 2;
  const double low = -jump / 4, high = 2 * frame.Half() + jump / 4;
  const auto shows = [&](const PixelPoint& a, const PixelPoint& b) {
    return std::max(a.x, b.x) >= low && std::min(a.x, b.x) <= high && std::max(a.y, b.y) >= low &&
           std::min(a.y, b.y) <= high && std::hypot(a.x - b.x, a.y - b.y) <= jump;
  };
  std::vector<PixelPoint> piece;
  PixelPoint previous = frame.Of(placeAt(0.0));
  for (int k = 1; k <= steps; ++k) {
    const PixelPoint p = frame.Of(placeAt(static_cast<double>(k) / steps));
    if (shows(previous, p)) {
      if (piece.empty()) piece.push_back(previous);
      piece.push_back(p);
    } else if (!piece.empty()) {
      grid.push_back(std::move(piece));
      piece.clear();
    }
    previous = p;
  }
  if (!piece.empty()) grid.push_back(std::move(piece));
}

void PlanGrid(const StationMapRequest& request, const Frame& frame, OverlayPlan& plan) {
  // Segments of about 2 pixels along the map, at most 0.25 degrees.
  const double stepDeg = std::clamp(2 / frame.Scale() / (kRadiansPerDegree * kEarthRadiusKm), 0.002, 0.25);
  const int meridianSteps = static_cast<int>(std::ceil(180 / stepDeg));
  const int parallelSteps = static_cast<int>(std::ceil(360 / stepDeg));
  for (double lon = -180; lon < 180 - 1e-9; lon += request.gridDeg) {
    AddGridLine(frame, plan.grid, meridianSteps, [lon](double t) { return GeoPoint{-90 + 180 * t, lon}; });
  }
  for (double lat = -90 + request.gridDeg; lat < 90 - 1e-9; lat += request.gridDeg) {
    AddGridLine(frame, plan.grid, parallelSteps, [lat](double t) { return GeoPoint{lat, -180 + 360 * t}; });
  }
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
  marks.label = {Inside(at, plan.size, labelPx), request.target->name + " " + Kilometres(path.distanceKm)};
  plan.target = std::move(marks);
}

}  // namespace

OverlayPlan PlanOverlays(const StationMapRequest& request, double labelPx) {
  const Frame frame(request);
  OverlayPlan plan;
  plan.size = request.size;
  plan.centre = {frame.Half(), frame.Half()};
  plan.scale = frame.Scale();
  const double farthestKm = std::min(kHalfCircumferenceKm, request.radiusKm * std::sqrt(2.0));
  if (request.ringsKm > 0) {
    const int decimals = DecimalsOf(request.ringsKm);
    // Each ring from its own multiple: summing the spacing would let its rounding error grow.
    for (int k = 1;; ++k) {
      const double km = k * request.ringsKm;
      if (km >= farthestKm) break;
      const PixelPoint at = frame.Along(kRingLabelBearing, km);
      if (at.x > plan.size - labelPx || at.y < labelPx) {
        plan.rings.push_back({km * frame.Scale(), {}});
      } else {
        plan.rings.push_back({km * frame.Scale(), {at, FormatFixed(km, decimals) + " km"}});
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
  if (request.gridDeg > 0) PlanGrid(request, frame, plan);
  if (request.target) PlanTarget(request, frame, labelPx, plan);
  return plan;
}
