#pragma once
// The coverage of a stretch of one row by a round-ended line, pixel by pixel: the share of each
// pixel's square, seen across the line, that lies within the line's half width. Four pixels at
// a time where the processor can, each with the same arithmetic wherever it falls, so a
// picture is the same byte for byte wherever it is painted. The four-pixel steps read and
// write back up to three bytes past a run, unchanged: the rows need that much room after them.
#include <cstdint>

struct StrokeShape {
  float ax = 0;  // the segment's start
  float ay = 0;
  float ux = 0;  // its direction, of length one (zero for a dot)
  float uy = 0;
  float length = 0;
  float halfWidth = 0;
  float onLine = 0.5f;  // half the pixel's width seen across the line, for a centre on it
};

// Raises `cover[x]` to the coverage of pixel x (0..255) of the row whose centres lie at `py`,
// for x in [from, to].
void CoverStrokeRun(std::uint8_t* cover, int from, int to, float py, const StrokeShape& shape);

// The same for a line over a broader casing, `casingHalfWidth` either side, at once: `under`
// gets the casing's coverage, byte for byte what a run of its own would give.
void CoverCasedRun(std::uint8_t* cover, std::uint8_t* under, int from, int to, float py,
                   const StrokeShape& shape, float casingHalfWidth);
