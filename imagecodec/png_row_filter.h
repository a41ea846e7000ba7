#pragma once
// PNG's row filters for 8-bit RGB: each of the five tried, the one whose bytes are smallest
// taken as signed kept, as libpng chooses.
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

class PngRowFilter {
 public:
  explicit PngRowFilter(std::size_t rowBytes);

  // Writes the filter's type and the filtered row, rowBytes + 1 bytes, to `out`. `above` is
  // the row above, all zero above the top row.
  void Filter(const std::uint8_t* row, const std::uint8_t* above, std::uint8_t* out);

 private:
  std::size_t n_;
  std::array<std::vector<std::uint8_t>, 4> candidates_;  // Sub, Up, Average, Paeth
};
