#pragma once
// Where the sun stands overhead, and how high it stands elsewhere, from a UTC time; a low
// precision solar position (about 0.01 degrees from 1950 to 2050).
#include <cstdint>

#include "geo/geo_point.h"

GeoPoint SubSolarPoint(std::int64_t unixSeconds);

// Elevation of the sun's centre above the horizon, degrees.
double SolarElevation(const GeoPoint& place, const GeoPoint& subSolar);

// The sun's depression below the horizon where each twilight ends, degrees.
inline constexpr double kCivilTwilight = -6;
inline constexpr double kNauticalTwilight = -12;
inline constexpr double kAstronomicalTwilight = -18;
