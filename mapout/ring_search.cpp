#include "mapout/ring_search.h"

#include <cmath>
#include <cstdlib>

RingSearchOrder MakeRingSearchOrder() {
  RingSearchOrder order;
  order.i.reserve(kRingPoints);
  order.j.reserve(kRingPoints);
  order.weight.reserve(kRingPoints);
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

const RingSearchOrder& TheRingSearchOrder() {
  static const RingSearchOrder order = MakeRingSearchOrder();
  return order;
}
