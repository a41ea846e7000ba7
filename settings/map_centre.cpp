#include "settings/map_centre.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "base/number_text.h"

namespace {

constexpr double kEarthRadiusKm = 6378.137;
constexpr double kHalfTurn = 3.14159;
constexpr double kGlobeRadius = 20;

// The caption forms: above 180 the value less 360 with a sign and `digits` digits ("-090",
// and "00" for 0); otherwise a blank and `digits` digits (" 006").
std::string DegreeText(int degrees, int digits) {
  char buffer[16];
  if (degrees > 180) {
    const int value = degrees - 360;
    std::snprintf(buffer, sizeof buffer, "%s%0*d", value < 0 ? "-" : "", digits, std::abs(value));
  } else {
    std::snprintf(buffer, sizeof buffer, " %0*d", digits, degrees);
  }
  return buffer;
}

}  // namespace

double MapRadiusKm(double distance) {
  return RoundHalfEven(std::fabs(distance - kGlobeRadius) / kGlobeRadius * kEarthRadiusKm * kHalfTurn / 6);
}

bool IsUsableDistance(double distance) {
  return std::isfinite(distance) && std::isfinite(MapRadiusKm(distance));
}

void ApplyMapCentreRule(ViewValues& view) {
  view.LongDeg = static_cast<std::int16_t>((270 - view.Rotation + 360) % 360);
  view.LatDeg = view.Tilt;
  view.LongText = DegreeText(view.LongDeg, 3);
  view.LatText = DegreeText(view.LatDeg, 2);
  view.Long = ParseNumber(view.LongText).value_or(0);
  view.Lat = ParseNumber(view.LatText).value_or(0);
  view.Radius = MapRadiusKm(view.Distance);
}
