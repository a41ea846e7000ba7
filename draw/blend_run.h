#pragma once
// A colour laid over a stretch of a row of 24-bit pixels by coverage: each channel becomes
// pixel + (colour - pixel) x share / 32768, rounded half up, the share being the coverage
// times the colour's opacity out of 32768 (at most 32767, which mixes 0..255 the same as a
// whole). It rounds as the exact mix would but where that lies within a few thousandths of a
// half. Eight pixels at a time where the processor can, with the same arithmetic as one at a
// time, so a picture is the same byte for byte wherever it is painted.
#include <cstdint>

#include "draw/draw_list.h"

// A colour made ready for one picture: its channels in the order the rows keep them, along
// eight pixels, and its share for each coverage.
struct BlendColour {
  std::uint8_t channel[3] = {0, 0, 0};
  std::int16_t pattern[24] = {};
  float sharePerCoverage = 0;
  std::int16_t share[256] = {};
};

BlendColour BlendColourOf(DrawColour colour, bool bgr);

// Blends `colour` into one pixel by its coverage.
void BlendPixel(std::uint8_t* pixel, const BlendColour& colour, std::uint8_t coverage);

// Blends `colour` into the pixels [from, to) of `row` by `cover`, indexed by pixel.
void BlendRun(std::uint8_t* row, const std::uint8_t* cover, int from, int to, const BlendColour& colour);

// Blends `casing` by `under`, then `colour` by `cover` over it, pixel by pixel.
void BlendCasedRun(std::uint8_t* row, const std::uint8_t* under, const std::uint8_t* cover, int from, int to,
                   const BlendColour& casing, const BlendColour& colour);
