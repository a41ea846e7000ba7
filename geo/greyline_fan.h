#pragma once
// The grey-line fan: the grey line through a station at its sunrise and at its sunset on the
// 21st of each month, the lines an operator plans grey-line contacts by. At that moment the
// day's edge is the great circle at right angles to the sun's azimuth, so on a map centred on
// the station each line is a diameter.
//
// Sunrise and sunset are the moments the sun's centre crosses the geometric horizon (elevation
// 0, no refraction): that is where the station map's day side ends, and only there is the day's
// edge a great circle through the station. With refraction (the almanacs' -0.833 degrees) the
// sun would rise a few minutes earlier, about a degree of azimuth away at middle latitudes.
// The 21st is the station's own day, by local mean time (UTC plus the longitude at 15 degrees
// an hour).
#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "geo/geo_point.h"

enum class SunOnThe21st { RisesAndSets, StaysUp, StaysDown };

struct SunCrossing {
  std::int64_t unixTime = 0;  // when the sun's centre is on the horizon
  double sunAzimuthDeg = 0;   // where, clockwise from north, 0 up to 360
  double lineBearingDeg = 0;  // the grey line's diameter: this bearing, 0 up to 180, and its opposite
};

struct GreylineMonth {
  int month = 1;  // 1 to 12
  SunOnThe21st sun = SunOnThe21st::RisesAndSets;
  std::optional<SunCrossing> rise, set;  // both when the sun rises and sets, neither otherwise
};

// January to December of the year, at the station. At the poles the sun never crosses the
// horizon in a day (it stays up or down), so every month is left out there.
std::array<GreylineMonth, 12> GreylineFan(const GeoPoint& station, int year);

// "January" to "December".
std::string_view MonthName(int month);
