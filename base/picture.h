#pragma once
#include <cstdint>
#include <vector>

// A picture object: what a surface shows, a file holds or the clipboard gives.
// Pixels are 0x00RRGGBB, row by row from the top-left.
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;

  bool Empty() const { return width <= 0 || height <= 0; }
};

// Colour values of the system are &H00BBGGRR (red in the low byte); pixels are 0x00RRGGBB.
constexpr std::uint32_t PixelFromColour(std::int32_t colour) {
  const auto c = static_cast<std::uint32_t>(colour);
  return ((c & 0xFFU) << 16) | (c & 0xFF00U) | ((c >> 16) & 0xFFU);
}
constexpr std::int32_t ColourFromPixel(std::uint32_t pixel) {
  return static_cast<std::int32_t>(((pixel & 0xFFU) << 16) | (pixel & 0xFF00U) | ((pixel >> 16) & 0xFFU));
}
