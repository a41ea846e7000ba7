#pragma once
// Where the raster painter draws: `height` rows of `width` three-byte pixels, the top row at
// `top` and each next row `stride` bytes on (negative for rows stored bottom-up), red first
// unless `bgr`.
#include <cstddef>
#include <cstdint>

struct RasterTarget {
  std::uint8_t* top = nullptr;
  std::ptrdiff_t stride = 0;
  int width = 0;
  int height = 0;
  bool bgr = false;

  std::uint8_t* Row(int y) const { return top + stride * y; }
};
