#pragma once
// The station map's pixels: each one taken back through the inverse azimuthal equidistant
// projection and sampled bilinearly from an equirectangular Earth picture, with the night
// side darkened in twilight steps when the sun's place is given. Rows are shared out among
// threads.
#include <cstdint>
#include <functional>
#include <optional>

#include "geo/geo_point.h"

// Pixels 0x00RRGGBB row by row; longitude -180..180 from left to right, latitude 90..-90
// from top to bottom. The rows may be a band of the whole picture: `height` rows from row
// `firstRow` of `fullHeight` (0: the whole picture).
struct EarthPicture {
  const std::uint32_t* pixels = nullptr;
  int width = 0;
  int height = 0;
  int firstRow = 0;
  int fullHeight = 0;
  int FullHeight() const { return fullHeight > 0 ? fullHeight : height; }
};

struct PictureRows {
  int first = 0;
  int count = 0;
};

// The rows of an equirectangular picture of `height` rows that a map around `centre` with
// `radiusKm` samples (with a row to spare on each side), so only those need decoding.
PictureRows PictureRowsNeeded(const GeoPoint& centre, double radiusKm, int height);

// Where the map goes: `size` rows of `size` three-byte pixels, the top row at `top` and each
// next row `stride` bytes on (negative for pictures stored bottom-up), red first unless `bgr`.
struct MapCanvas {
  std::uint8_t* top = nullptr;
  std::ptrdiff_t stride = 0;
  int size = 0;
  bool bgr = false;
};

struct MapSampling {
  GeoPoint centre;
  double radiusKm = 0;  // from the centre to the middle of each edge
  EarthPicture day;
  std::optional<GeoPoint> subSolar;  // darkens the night side when set
  EarthPicture night;                // shown on the night side when it has pixels
  std::uint32_t background = 0;      // beyond the antipode
  int threads = 0;                   // 0: one per core
};

// How bright the day picture stays at a solar elevation given as its sine: 1 by day, then
// one step darker for civil, nautical and astronomical twilight and for the night.
float DaylightFactor(double sinElevation);

// Fills the canvas. `progress` gets the share of rows done (0..1) about every 50 ms, on the
// calling thread; when it returns false the rows not yet begun are left as they are and the
// result is false.
bool SampleMap(const MapSampling& sampling, const MapCanvas& canvas,
               const std::function<bool(double)>& progress = {});
