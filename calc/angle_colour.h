#pragma once
// The full-circle angle of the map projection and the colour-channel helpers of the map
// redraw. Colours are &H00BBGGRR values: red in the low byte, blue in the third; -1 is
// what a pixel read outside a picture gives.
#include <cstdint>

// The half-turn the map projection has always used. It is not pi: maps made before must
// keep their pixels, so it stays.
inline constexpr double kHalfTurn = 3.1415936535;

// Direction of the vector (p, q) from the +p axis towards the +q axis, 0 up to 2 kHalfTurn;
// (0, 0) gives 0. Quadrants are resolved with kHalfTurn while atan works with the true pi,
// so e.g. (0, 1) gives kHalfTurn / 2 exactly and (1, 1) gives kHalfTurn / 2 - atan(1).
double AngleOf(double p, double q);

// Inline: the redraw reads them for every sample of every hole.
inline int RedOf(std::int32_t colour) { return colour & 0xFF; }
// The second byte of the 32-bit pattern, also for negative values.
inline int GreenOf(std::int32_t colour) { return (colour & 0xFF00) >> 8; }
// 255 for every negative colour, so -1 reads as white through all three.
inline int BlueOf(std::int32_t colour) { return colour < 0 ? 255 : (colour >> 16) & 0xFF; }

// Clamps to 0..255 and passes values inside unchanged, fraction included. NaN passes too.
inline double ClampByte(double value) {
  if (value > 255) return 255;
  if (value < 0) return 0;
  return value;
}
