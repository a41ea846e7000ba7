#include "mapout/hole_filling.h"

#include <cmath>
#include <cstdlib>

RingSearchOrder MakeRingSearchOrder() {
  RingSearchOrder order;
  const std::size_t points = 4 * kLargestRing * (kLargestRing + 1) - 4 * kLargestRing;
  order.i.reserve(points);
  order.j.reserve(points);
  order.weight.reserve(points);
  for (int r = 1; r <= kLargestRing; ++r) {
    order.ringStart[r] = order.i.size();
    for (int i = -r; i <= r; ++i) {
      for (int j = -r; j <= r; ++j) {
        const bool onEdge = std::abs(i) == r || std::abs(j) == r;
        if (!onEdge || i == 0 || j == 0) continue;
        order.i.push_back(static_cast<std::int16_t>(i));
        order.j.push_back(static_cast<std::int16_t>(j));
        order.weight.push_back(1 / std::sqrt(static_cast<double>(i * i + j * j)));
      }
    }
  }
  order.ringStart[kLargestRing + 1] = order.i.size();
  return order;
}

SampleCounts::SampleCounts(const std::uint32_t* pixels, std::size_t width, std::size_t height,
                           std::vector<std::uint32_t>& sums)
    : stride_(width + 1) {
  sums.assign(stride_ * (height + 1), 0U);
  for (std::size_t y = 0; y < height; ++y) {
    std::uint32_t row = 0;
    for (std::size_t x = 0; x < width; ++x) {
      row += pixels[y * width + x] != 0;
      sums[(y + 1) * stride_ + x + 1] = sums[y * stride_ + x + 1] + row;
    }
  }
  sums_ = sums.data();
}
