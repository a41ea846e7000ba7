#include "stationmap/station_layers.h"

#include <chrono>
#include <cmath>
#include <numbers>

#include "base/number_text.h"
#include "geo/geodesic.h"
#include "geo/great_circle.h"
#include "geo/greyline_fan.h"
#include "geo/maidenhead.h"

namespace {

// The beam's arc is followed in steps of at most this many degrees.
constexpr double kArcStepDeg = 1;

std::string Degrees(double degrees) { return FormatGeneral(degrees) + "\u00b0"; }

double ReachKm(const MapFrame& frame) { return std::min(kHalfCircumferenceKm, frame.Half() / frame.Scale()); }

std::string Coordinates(const GeoPoint& place) {
  return FormatFixed(std::fabs(place.lat), 4) + "\u00b0" + (place.lat < 0 ? "S " : "N ") +
         FormatFixed(std::fabs(place.lon), 4) + "\u00b0" + (place.lon < 0 ? "W" : "E");
}

std::chrono::sys_seconds TimeOf(std::int64_t unixTime) {
  return std::chrono::sys_seconds{std::chrono::seconds{unixTime}};
}

}  // namespace

void PlanStations(const StationMapRequest& request, const MapFrame& frame, OverlayPlan& plan) {
  plan.stationDots.reserve(request.targets.size());
  plan.stationLabels.reserve(request.targets.size());
  for (const Station& station : request.targets) {
    const PixelPoint at = frame.Of(station.place);
    plan.stationDots.push_back(at);
    if (frame.Shows(at)) plan.stationLabels.push_back({at, station.label});
    if (!TargetOnEveryPath(PathBetween(request.centre, station.place)))
      plan.stationPaths.push_back({plan.centre, at});
  }
}

void PlanBeam(const StationMapRequest& request, const MapFrame& frame, OverlayPlan& plan) {
  const MapBeam& beam = *request.beam;
  const double reach = ReachKm(frame);
  BeamWedge wedge;
  const bool whole = beam.widthDeg >= 360;
  if (!whole) wedge.outline.push_back(plan.centre);
  const double width = std::min(360.0, beam.widthDeg);
  const int steps = std::max(2, static_cast<int>(std::ceil(width / kArcStepDeg)));
  for (int k = 0; k <= steps - (whole ? 1 : 0); ++k)
    wedge.outline.push_back(frame.Along(beam.azimuthDeg - width / 2 + width * k / steps, reach));
  wedge.label = {frame.Along(beam.azimuthDeg, 0.55 * reach), "Beam " + Degrees(beam.azimuthDeg)};
  plan.beam = std::move(wedge);
}

void PlanGreylineFan(const StationMapRequest& request, const MapFrame& frame, double labelPx,
                     OverlayPlan& plan) {
  for (const GreylineMonth& month : GreylineFan(request.centre, *request.greylineFanYear)) {
    for (const auto* crossing : {&month.rise, &month.set}) {
      if (!*crossing) continue;
      const double bearing = (*crossing)->lineBearingDeg;
      const double ends[2] = {std::min(kHalfCircumferenceKm, frame.EdgeKm(bearing)),
                              std::min(kHalfCircumferenceKm, frame.EdgeKm(bearing + 180))};
      FanLine line;
      line.rise = crossing == &month.rise;
      line.line = {frame.Along(bearing, ends[0]), frame.Along(bearing + 180, ends[1])};
      const double share = 0.4 + 0.045 * (month.month - 1);
      const double labelKm = std::max(0.0, ends[0] * share - labelPx / frame.Scale());
      line.label = {frame.Along(bearing, labelKm),
                    std::string(MonthName(month.month)) + (line.rise ? " rise" : " set")};
      // Nearer the centre and farther out, then on the other half.
      for (const double offset : {-0.15, 0.15, -0.3, 0.3}) {
        if (share + offset > 0.15 && share + offset < 0.95)
          line.otherLabelPlaces.push_back(frame.Along(bearing, ends[0] * (share + offset)));
      }
      for (const double other : {share, 0.3, 0.55, 0.8})
        line.otherLabelPlaces.push_back(frame.Along(bearing + 180, ends[1] * other));
      plan.fan.push_back(std::move(line));
    }
  }
}

std::vector<std::string> TitleLines(const StationMapRequest& request) {
  const double unitKm = KilometresPer(request.units);
  std::vector<std::string> lines{request.title};
  lines.push_back("Centre " + LocatorOf(request.centre, 6) + "  " + Coordinates(request.centre));
  lines.push_back("Radius " + FormatGeneral(std::round(request.radiusKm / unitKm * 10) / 10) + " " +
                  UnitSymbol(request.units));
  if (request.unixTime) lines.push_back("Grey line at " + UtcTimeText(*request.unixTime));
  if (request.greylineFanYear) {
    lines.push_back("Grey-line fan: sunrise and sunset on the 21st of each month of " +
                    std::to_string(*request.greylineFanYear));
  }
  if (request.beam) {
    lines.push_back("Beam " + Degrees(request.beam->azimuthDeg) + ", " + Degrees(request.beam->widthDeg) +
                    " wide");
  }
  std::string credits = "Earth: NASA Blue Marble";
  if (request.countries) credits += "; coasts and borders: the Digital Chart of the World";
  if (request.prefixes) credits += "; prefixes: cty.dat";
  lines.push_back(credits);
  return lines;
}

std::vector<std::string> StationLines(const StationMapRequest& request) {
  std::vector<std::string> lines;
  lines.reserve(request.targets.size());
  for (const Station& station : request.targets)
    lines.push_back(TargetLine(request.centre, {station.place, station.label}, request.units));
  return lines;
}

std::vector<StationTableRow> StationTableRows(const StationMapRequest& request) {
  std::vector<StationTableRow> rows;
  rows.reserve(request.targets.size());
  for (const Station& station : request.targets) {
    const GeodesicPath path = GeodesicBetween(request.centre, station.place);
    rows.push_back({station.label, LocatorOf(station.place, 6), station.place, path.distanceKm,
                    path.bearingDeg, path.longBearingDeg});
  }
  return rows;
}

std::vector<std::string> GreylineFanNotes(const StationMapRequest& request) {
  std::vector<std::string> notes;
  if (!request.greylineFanYear) return notes;
  for (const GreylineMonth& month : GreylineFan(request.centre, *request.greylineFanYear)) {
    if (month.sun == SunOnThe21st::RisesAndSets) continue;
    notes.push_back("Grey-line fan: " + std::string(MonthName(month.month)) + " left out, the sun stays " +
                    (month.sun == SunOnThe21st::StaysUp ? "above" : "below") +
                    " the horizon all day on the 21st");
  }
  return notes;
}

std::string UtcTimeText(std::int64_t unixTime) {
  const auto time = TimeOf(unixTime);
  const auto day = std::chrono::floor<std::chrono::days>(time);
  const std::chrono::year_month_day date{day};
  const std::chrono::hh_mm_ss clock{std::chrono::floor<std::chrono::minutes>(time - day)};
  return std::to_string(static_cast<int>(date.year())) + "-" +
         FormatZeroPadded(static_cast<unsigned>(date.month()), 2) + "-" +
         FormatZeroPadded(static_cast<unsigned>(date.day()), 2) + " " +
         FormatZeroPadded(clock.hours().count(), 2) + ":" + FormatZeroPadded(clock.minutes().count(), 2) +
         " UTC";
}

int UtcYearOf(std::int64_t unixTime) {
  return static_cast<int>(
      std::chrono::year_month_day{std::chrono::floor<std::chrono::days>(TimeOf(unixTime))}.year());
}
