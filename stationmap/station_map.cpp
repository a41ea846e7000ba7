#include "stationmap/station_map.h"

#include <algorithm>
#include <cmath>

#include "base/number_text.h"
#include "geo/geodesic.h"
#include "geo/great_circle.h"
#include "stationmap/map_picture_file.h"

namespace {

std::string Number(double value) { return FormatGeneral(value); }

// `value` rounded up to two significant digits: the spacing to suggest in a refusal.
double RoundUpToTwoDigits(double value) {
  const int exponent = static_cast<int>(std::floor(std::log10(value))) - 1;
  const double step = std::pow(10.0, std::abs(exponent));
  // Dividing by a power of ten keeps "0.54" the shortest text of the result.
  const double steps = std::ceil((exponent < 0 ? value * step : value / step) - 1e-9);
  return exponent < 0 ? steps / step : steps * step;
}

// How many lines each overlay draws on this map, by the rules PlanOverlays follows.
int RingCount(const StationMapRequest& r) {
  const double farthest = std::min(kHalfCircumferenceKm, r.radiusKm * std::sqrt(2.0));
  return static_cast<int>(std::min(1e9, std::ceil(farthest / r.ringsKm - 1e-9) - 1));
}
int SpokeCount(double spokes) { return static_cast<int>(std::ceil(360 / spokes - 1e-9)); }
int GridCount(double grid) {
  return static_cast<int>(std::ceil(360 / grid - 1e-9) + std::ceil(180 / grid - 1e-9) - 1);
}

StationMapProblem TooManyLines(StationMapField field, double every, const char* unit, int count,
                               const char* lines, double enough) {
  return {field, "every " + Number(every) + " " + unit + " would draw " + std::to_string(count) + " " +
                     lines + " on this map; at most " + std::to_string(kMaxOverlayLines) +
                     " are drawn, so give " + Number(enough) + " " + unit + " or more"};
}

// The stations, the beam, the fan, the title and the page.
std::optional<StationMapProblem> CheckOperatorLayers(const StationMapRequest& request, MapPictureKind kind) {
  using Field = StationMapField;
  if (request.beam) {
    const MapBeam& beam = *request.beam;
    if (!(beam.azimuthDeg >= 0 && beam.azimuthDeg < 360)) {
      return StationMapProblem{Field::Beam, "the azimuth " + Number(beam.azimuthDeg) +
                                                " is out of range; give 0 up to 360 degrees"};
    }
    if (!(beam.widthDeg > 0 && beam.widthDeg <= 360)) {
      return StationMapProblem{Field::Beam, "the width " + Number(beam.widthDeg) +
                                                " is out of range; give above 0, at most 360 degrees"};
    }
  }
  if (request.greylineFanYear && (*request.greylineFanYear < 1900 || *request.greylineFanYear > 2200)) {
    return StationMapProblem{Field::GreylineFan,
                             "the year " + std::to_string(*request.greylineFanYear) +
                                 " is out of range; the sun's place is known from 1900 to 2200"};
  }
  if (request.title.size() > kMaxTitleLength) {
    return StationMapProblem{Field::Title, "the text is " + std::to_string(request.title.size()) +
                                               " characters long; give at most " +
                                               std::to_string(kMaxTitleLength)};
  }
  if (request.title.find_first_of("\r\n") != std::string::npos)
    return StationMapProblem{Field::Title, "give the title on one line"};
  for (const Station& station : request.targets) {
    if (station.label.size() > kMaxPlaceTextLength) {
      return StationMapProblem{Field::Targets, "the label of entry " + std::to_string(station.source) +
                                                   " is " + std::to_string(station.label.size()) +
                                                   " characters long; at most " +
                                                   std::to_string(kMaxPlaceTextLength) + " are drawn"};
    }
  }
  if (request.page != MapPage::None && kind != MapPictureKind::Pdf) {
    return StationMapProblem{Field::Page,
                             "a page is laid out only for a .pdf map; an .svg or a picture is the map itself",
                             Field::Out};
  }
  if (request.dpi && request.page == MapPage::None) {
    return StationMapProblem{
        Field::Dpi, "sets the resolution on a page; without one the map has its own size", Field::Page};
  }
  if (request.dpi && (*request.dpi < kMinPageDpi || *request.dpi > kMaxPageDpi)) {
    return StationMapProblem{Field::Dpi, std::to_string(*request.dpi) + " is out of range; give " +
                                             std::to_string(kMinPageDpi) + " to " +
                                             std::to_string(kMaxPageDpi)};
  }
  if (!request.tablePath.empty() && request.targets.empty())
    return StationMapProblem{Field::Table, "needs the stations of a list or log", Field::Targets};
  return std::nullopt;
}

}  // namespace

bool TargetOnEveryPath(const GreatCirclePath& path) {
  constexpr double kMillimetreKm = 1e-6;
  return path.distanceKm < kMillimetreKm || path.distanceKm > kHalfCircumferenceKm - kMillimetreKm;
}

namespace {

using Field = StationMapField;

std::optional<StationMapProblem> CheckPlaceAndSize(const StationMapRequest& request) {
  if (!(std::fabs(request.centre.lat) <= 90) || !(std::fabs(request.centre.lon) <= 180)) {
    return StationMapProblem{Field::Centre, Number(request.centre.lat) + "," + Number(request.centre.lon) +
                                                " is not on the Earth"};
  }
  if (!(request.radiusKm > 0))
    return StationMapProblem{Field::Radius,
                             Number(request.radiusKm) + " is not a radius; give kilometres above 0"};
  if (request.radiusKm > kMaxMapRadiusKm) {
    return StationMapProblem{Field::Radius, Number(request.radiusKm) + " km is too large; " +
                                                Number(kMaxMapRadiusKm) + " km shows the whole Earth"};
  }
  if (request.size < kMinMapSize || request.size > kMaxMapSize) {
    return StationMapProblem{Field::Size, std::to_string(request.size) + " is out of range; give " +
                                              std::to_string(kMinMapSize) + " to " +
                                              std::to_string(kMaxMapSize) + " pixels"};
  }
  return std::nullopt;
}

std::optional<StationMapProblem> CheckOverlays(const StationMapRequest& request) {
  const double unitKm = KilometresPer(request.units);
  if (!(request.ringsKm >= 0) || !std::isfinite(request.ringsKm))
    return StationMapProblem{Field::Rings, std::string("give ") + UnitName(request.units) + " above 0"};
  if (!(request.spokesDeg >= 0) || request.spokesDeg > 360)
    return StationMapProblem{Field::Spokes, "give degrees above 0, at most 360"};
  if (!(request.gridDeg >= 0) || request.gridDeg > 90)
    return StationMapProblem{Field::Grid, "give degrees above 0, at most 90"};
  if (request.ringsKm > 0 && RingCount(request) > kMaxOverlayLines) {
    const double farthest = std::min(kHalfCircumferenceKm, request.radiusKm * std::sqrt(2.0));
    return TooManyLines(Field::Rings, request.ringsKm / unitKm, UnitSymbol(request.units), RingCount(request),
                        "rings", RoundUpToTwoDigits(farthest / unitKm / (kMaxOverlayLines + 1)));
  }
  if (request.spokesDeg > 0 && SpokeCount(request.spokesDeg) > kMaxOverlayLines) {
    return TooManyLines(Field::Spokes, request.spokesDeg, "degrees", SpokeCount(request.spokesDeg),
                        "bearing lines", RoundUpToTwoDigits(360.0 / kMaxOverlayLines));
  }
  if (request.gridDeg > 0 && GridCount(request.gridDeg) > kMaxOverlayLines) {
    return TooManyLines(Field::Grid, request.gridDeg, "degrees", GridCount(request.gridDeg), "grid lines",
                        RoundUpToTwoDigits(540.0 / (kMaxOverlayLines + 1)));
  }
  if (request.target && request.target->name.size() > kMaxPlaceTextLength) {
    return StationMapProblem{Field::Target, "the place is " + std::to_string(request.target->name.size()) +
                                                " characters long; give at most " +
                                                std::to_string(kMaxPlaceTextLength)};
  }
  return std::nullopt;
}

std::optional<StationMapProblem> CheckNames(const StationMapRequest& request) {
  if (request.imagePath.empty()) return StationMapProblem{Field::Image, "no Earth picture given"};
  if (!request.nightImagePath.empty() && !request.unixTime)
    return StationMapProblem{Field::NightImage, "shows the night side only at a given time", Field::Time};
  if (PictureKindOf(request.outPath) == MapPictureKind::Unknown) {
    return StationMapProblem{Field::Out, "\"" + request.outPath +
                                             "\" has no picture suffix this program writes; use .bmp, .png, "
                                             ".jpg, .pdf or .svg"};
  }
  return std::nullopt;
}

}  // namespace

bool StationMapSetsText(const StationMapRequest& request) {
  const MapPictureKind kind = PictureKindOf(request.outPath);
  return request.ringsKm > 0 || request.spokesDeg > 0 || request.target || !request.targets.empty() ||
         request.beam || request.greylineFanYear || !request.title.empty() || request.prefixes ||
         request.fields || kind == MapPictureKind::Pdf || kind == MapPictureKind::Svg;
}

std::optional<StationMapProblem> CheckStationMapRequest(const StationMapRequest& request) {
  if (auto problem = CheckPlaceAndSize(request)) return problem;
  if (auto problem = CheckOverlays(request)) return problem;
  if (auto problem = CheckNames(request)) return problem;
  return CheckOperatorLayers(request, PictureKindOf(request.outPath));
}

std::string TargetLine(const GeoPoint& centre, const MapTarget& target, DistanceUnit units) {
  const double unitKm = KilometresPer(units);
  const std::string unit = std::string(" ") + UnitSymbol(units);
  const std::string head = "Target " + target.name + ": ";
  // The map is drawn on a sphere, where every line from the centre reaches these two places.
  const GreatCirclePath onMap = PathBetween(centre, target.place);
  const GeodesicPath path = GeodesicBetween(centre, target.place);
  if (TargetOnEveryPath(onMap) && onMap.distanceKm < kHalfCircumferenceKm / 2)
    return head + "0" + unit + ", at the centre";
  if (TargetOnEveryPath(onMap)) {
    return head + FormatFixed(path.distanceKm / unitKm, 1) + unit +
           ", the antipode: every bearing leads there";
  }
  // To a tenth of a degree, 359.96 being 0.0 rather than 360.0.
  const auto tenths = [](double degrees) {
    const double rounded = std::round(degrees * 10) / 10;
    return rounded >= 360 ? rounded - 360 : rounded;
  };
  return head + FormatFixed(path.distanceKm / unitKm, 1) + unit + ", short path " +
         FormatFixed(tenths(path.bearingDeg), 1) + "\u00b0, long path " +
         FormatFixed(tenths(path.longBearingDeg), 1) + "\u00b0 (" +
         FormatFixed(path.longDistanceKm / unitKm, 1) + unit + ")";
}

std::string DataProblemText(const DataFileProblem& problem) {
  const std::string detail = problem.detail.empty() ? "" : " (" + problem.detail + ")";
  switch (problem.fault) {
    case DataFileFault::Missing:
      break;
    case DataFileFault::Unreadable:
      return problem.path + " cannot be read" + detail + "; it comes with the package " + problem.package;
    case DataFileFault::Malformed:
      return problem.path + " is damaged" + detail + "; reinstall the package " + problem.package;
    case DataFileFault::NotPrepared:
      return "the copy of " + problem.path + " a map reads could not be made: " + problem.detail;
  }
  return problem.path + " is missing; install the package " + problem.package;
}
