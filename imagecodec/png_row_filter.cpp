#include "imagecodec/png_row_filter.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

struct Costs {
  std::uint32_t none = 0, sub = 0, up = 0, average = 0, paeth = 0;
};

inline std::uint32_t Cost(int filtered) {
  return static_cast<std::uint32_t>(std::abs(static_cast<std::int8_t>(filtered)));
}

// Byte i of every filter, `a` being the byte of the pixel on the left and `c` the one above
// that.
inline void FilterByte(std::size_t i, int x, int a, int b, int c, std::uint8_t* __restrict sub,
                       std::uint8_t* __restrict up, std::uint8_t* __restrict average,
                       std::uint8_t* __restrict paeth, Costs& costs) {
  const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
  const int predicted = pa <= pb && pa <= pc ? a : (pb <= pc ? b : c);
  sub[i] = static_cast<std::uint8_t>(x - a);
  up[i] = static_cast<std::uint8_t>(x - b);
  average[i] = static_cast<std::uint8_t>(x - ((a + b) >> 1));
  paeth[i] = static_cast<std::uint8_t>(x - predicted);
  costs.none += Cost(x);
  costs.sub += Cost(x - a);
  costs.up += Cost(x - b);
  costs.average += Cost(x - ((a + b) >> 1));
  costs.paeth += Cost(x - predicted);
}

// All five filters of one row in one loop without branches, which the compiler runs many
// bytes at a time (more where the processor has AVX2, picked when the program starts). The
// first pixel has no neighbour on the left: zeros stand in for it.
__attribute__((target_clones("arch=x86-64-v3", "default"))) Costs FilterAll(
    const std::uint8_t* __restrict row, const std::uint8_t* __restrict above, std::size_t n,
    std::uint8_t* __restrict sub, std::uint8_t* __restrict up, std::uint8_t* __restrict average,
    std::uint8_t* __restrict paeth) {
  Costs costs;
  for (std::size_t i = 0; i < 3 && i < n; ++i)
    FilterByte(i, row[i], 0, above[i], 0, sub, up, average, paeth, costs);
  for (std::size_t i = 3; i < n; ++i) {
    FilterByte(i, row[i], row[i - 3], above[i], above[i - 3], sub, up, average, paeth, costs);
  }
  return costs;
}

}  // namespace

PngRowFilter::PngRowFilter(std::size_t rowBytes) : n_(rowBytes) {
  for (auto& candidate : candidates_) candidate.resize(rowBytes);
}

void PngRowFilter::Filter(const std::uint8_t* row, const std::uint8_t* above, std::uint8_t* out) {
  const Costs sums = FilterAll(row, above, n_, candidates_[0].data(), candidates_[1].data(),
                               candidates_[2].data(), candidates_[3].data());
  const std::array<std::uint32_t, 5> costs{sums.none, sums.sub, sums.up, sums.average, sums.paeth};
  const auto best = static_cast<int>(std::min_element(costs.begin(), costs.end()) - costs.begin());
  out[0] = static_cast<std::uint8_t>(best);
  std::memcpy(out + 1, best == 0 ? row : candidates_[best - 1].data(), n_);
}
