#pragma once
// The search of the hole filling: the ring points around a hole in their fixed order, and
// the search that draws two numbers for every one of them on the way (RingSearch).
// SkippingRingSearch (skipping_ring_search.h) gives the same samples with fewer draws.
#include <cstddef>
#include <cstdint>
#include <vector>

inline constexpr int kLargestRing = 30;
// Ring r offers 8r - 4 points: 4 * 30² in all.
inline constexpr std::size_t kRingPoints = 4 * kLargestRing * kLargestRing;

// The ring points in search order with their weights 1 / sqrt(i² + j²): ring r holds 8r - 4,
// starting at ringStart[r] (ringStart[31] is the total, 3600). Within ring r, i runs from -r
// to r and j innermost, which puts the points in four blocks: i = -r with j = -r..-1, 1..r
// (2r points); i = -(r-1)..-1, each with j = -r and j = r (2r - 2); i = 1..r-1 likewise; and
// i = r as the first.
struct RingSearchOrder {
  std::vector<std::int16_t> i;
  std::vector<std::int16_t> j;
  std::vector<double> weight;
  std::size_t ringStart[kLargestRing + 2] = {};
};
RingSearchOrder MakeRingSearchOrder();
const RingSearchOrder& TheRingSearchOrder();

// The samples of one hole in the order found, at most four, each with the ring point that
// gave it.
struct FoundSamples {
  int count = 0;
  std::uint32_t pixel[4] = {};
  std::uint16_t point[4] = {};
  void Add(std::uint32_t sample, std::size_t k) {
    pixel[count] = sample;
    point[count] = static_cast<std::uint16_t>(k);
    ++count;
  }
};

// Draws every number: the search as it reads, for any generator with Next().
class RingSearch {
 public:
  RingSearch(const RingSearchOrder& order, const std::uint32_t* snapshot, int width, int height)
      : order_(order), snapshot_(snapshot), width_(width), height_(height) {}

  bool IsHole(int x, int y) const { return snapshot_[static_cast<std::size_t>(y) * width_ + x] == 0; }

  template <class Random>
  void Search(int x, int y, Random& draw, FoundSamples& found) const {
    found.count = 0;
    for (std::size_t k = 0; k < kRingPoints; ++k) {
      const int dx = draw.Next() > 0.5 ? -order_.i[k] : order_.i[k];
      const int dy = draw.Next() > 0.5 ? -order_.j[k] : order_.j[k];
      const int px = x + dx;
      const int py = y + dy;
      if (px < 0 || py < 0 || px >= width_ || py >= height_) continue;
      const std::uint32_t sample = snapshot_[static_cast<std::size_t>(py) * width_ + px];
      if (sample == 0) continue;
      found.Add(sample, k);
      if (found.count == 4) return;
    }
  }

 private:
  const RingSearchOrder& order_;
  const std::uint32_t* snapshot_;
  int width_;
  int height_;
};
