#pragma once
// The Digital Chart of the World as the Generic Mapping Tools ship it (Debian's gmt-dcw): a
// netCDF-4 file with, per country, two arrays of unsigned 16-bit values, "XX_lon" and "XX_lat",
// each value standing for the variable's `min` attribute + value / its `scale` attribute. A
// longitude value of 65535 starts a new ring. Longitudes run past 180 where a country reaches
// over the antimeridian (the United States to 293, Russia to 191).
//
// Only the preparation of the outlines' copy reads the chart itself (geodata/prepare, the one
// part that links netCDF); the programs read the copy.
#include <cstdint>

inline constexpr const char* kDcwPath = "/usr/share/gmt-dcw/dcw-gmt.nc";
inline constexpr const char* kDcwPackage = "gmt-dcw";
inline constexpr std::uint16_t kDcwRingStart = 65535;
