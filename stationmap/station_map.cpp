#include "stationmap/station_map.h"

#include <cmath>

#include "base/number_text.h"
#include "geo/great_circle.h"
#include "stationmap/map_picture_file.h"

namespace {

std::string Number(double value) { return FormatGeneral(value); }

}  // namespace

std::string CheckStationMapRequest(const StationMapRequest& request) {
  if (!(std::fabs(request.centre.lat) <= 90) || !(std::fabs(request.centre.lon) <= 180)) {
    return "the centre " + Number(request.centre.lat) + "," + Number(request.centre.lon) +
           " is not on the Earth";
  }
  if (!(request.radiusKm > 0)) {
    return "--radius: " + Number(request.radiusKm) + " is not a radius; give kilometres above 0";
  }
  if (request.radiusKm > kMaxMapRadiusKm) {
    return "--radius: " + Number(request.radiusKm) + " km is too large; " + Number(kMaxMapRadiusKm) +
           " km shows the whole Earth";
  }
  if (request.size < kMinMapSize || request.size > kMaxMapSize) {
    return "--size: " + std::to_string(request.size) + " is out of range; give " +
           std::to_string(kMinMapSize) + " to " + std::to_string(kMaxMapSize) + " pixels";
  }
  if (!(request.ringsKm >= 0) || !std::isfinite(request.ringsKm)) return "--rings: give kilometres above 0";
  if (!(request.spokesDeg >= 0) || request.spokesDeg > 360)
    return "--spokes: give degrees above 0, at most 360";
  if (!(request.gridDeg >= 0) || request.gridDeg > 90) return "--grid: give degrees above 0, at most 90";
  // So dense that lines would only paint the map over.
  if (request.ringsKm > 0 && request.radiusKm / request.ringsKm > 1000) {
    return "--rings: every " + Number(request.ringsKm) + " km gives more than 1000 rings on this map";
  }
  if (request.spokesDeg > 0 && request.spokesDeg < 0.5) return "--spokes: give at least 0.5 degrees";
  if (request.gridDeg > 0 && request.gridDeg < 0.5) return "--grid: give at least 0.5 degrees";
  if (request.imagePath.empty()) return "--image: no Earth picture given";
  if (!request.nightImagePath.empty() && !request.unixTime) return "--night-image needs --time";
  if (PictureKindOf(request.outPath) == MapPictureKind::Unknown) {
    return "--out: \"" + request.outPath +
           "\" has no picture suffix this program writes; use .bmp, .png or .jpg";
  }
  return {};
}

std::string TargetLine(const GeoPoint& centre, const MapTarget& target) {
  const GreatCirclePath path = PathBetween(centre, target.place);
  // To a tenth of a degree, 359.96 being 0.0 rather than 360.0.
  const auto tenths = [](double degrees) {
    const double rounded = std::round(degrees * 10) / 10;
    return rounded >= 360 ? rounded - 360 : rounded;
  };
  return "Target " + target.name + ": " + FormatFixed(path.distanceKm, 0) + " km, short path " +
         FormatFixed(tenths(path.bearingDeg), 1) + "\u00b0, long path " +
         FormatFixed(tenths(path.longBearingDeg), 1) + "\u00b0 (" + FormatFixed(path.longDistanceKm, 0) +
         " km)";
}
