#pragma once
// The hole filling's search for a generator that can jump over draws. A ring point (i, j)
// lands on one of its four mirror images (±i, ±j), whichever its two draws pick; when none of
// the four has a colour, its draws cannot change the samples, so the search passes over them
// and draws only for the other points. Each of those is reached by jumping from the hole's
// first draw, and the generator is left exactly where drawing through every point would have
// left it. Most points of a map fall in the first group: a hole of the default view visits
// some 47 ring points, of which 14 can give a sample; one of a close view visits thousands,
// of which 9 can.
#include <bit>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "mapout/ring_search.h"

// The snapshot inside a black border as wide as the largest ring: a ring point off the map
// reads black there, which passes it over just as the bounds test would. Kept column by
// column, as the holes are filled, so that a hole's neighbourhood stays in the cache from one
// hole to the next.
struct PaddedSnapshot {
  int width = 0;
  int height = 0;
  std::size_t stride = 0;   // from one column to the next: height + 2 * kLargestRing
  std::size_t columns = 0;  // width + 2 * kLargestRing
  std::vector<std::uint32_t> pixels;

  void Fill(const std::uint32_t* snapshot, int snapshotWidth, int snapshotHeight);
  std::size_t IndexOf(int x, int y) const {
    return (static_cast<std::size_t>(x) + kLargestRing) * stride + static_cast<std::size_t>(y) + kLargestRing;
  }
};

// For every pixel of a padded snapshot, which pixels at the offsets 1..30 on either side have
// a colour: bit k of alongRows is set when (x - k, y) or (x + k, y) has one, bit k of
// alongColumns when (x, y - k) or (x, y + k) has one. Border pixels hold 0.
struct ColouredNeighbours {
  std::vector<std::uint32_t> alongRows;
  std::vector<std::uint32_t> alongColumns;

  void Mark(const PaddedSnapshot& snapshot);
};

// The points of a ring that can give a sample, one bit per point in search order. Ring r's
// points form mirror sets: (r, b) for b = 1..r on its left and right edges, corners included,
// and (a, r) for a = 1..r - 1 on its top and bottom edges. In search order they come as
// (r, r)..(r, 1), (r, 1)..(r, r) for i = -r; twice each of (r - 1, r)..(1, r) for
// i = -(r - 1)..-1; twice each of (1, r)..(r - 1, r) for i = 1..r - 1; and as the first for
// i = r.
struct RingCandidates {
  std::uint64_t word[5] = {};  // 236 points at most; the fifth word only takes spill-over

  // Ring r from point `at` on: bit b - 1 of `columns` is set when a pixel of set (r, b) has a
  // colour, bit a - 1 of `rows` when one of (a, r) has.
  void AddRing(int r, unsigned at, std::uint32_t columns, std::uint32_t rows);
  void Place(std::uint64_t bits, unsigned at) {
    const unsigned w = at / 64, shift = at % 64;
    word[w] |= bits << shift;
    if (shift != 0) word[w + 1] |= bits >> (64 - shift);
  }
};

// Rings 1..4 hold the first 64 points, and most searches end among them: their candidates
// make one word, bit k for point k, looked up per ring from the ring's bits `columns` and
// `rows` as RingCandidates::AddRing takes them.
inline constexpr int kNearRings = 4;
class NearRingCandidates {
 public:
  static const NearRingCandidates& Table();
  std::uint64_t Of(int r, std::uint32_t columns, std::uint32_t rows) const {
    return candidates_[first_[r] + (columns | rows << r)];
  }

 private:
  NearRingCandidates();
  std::size_t first_[kNearRings + 1] = {};
  std::vector<std::uint64_t> candidates_;
};

// A generator that can jump over a number of draws as if it had made them, and gives the 32
// bits behind a number (NextBits() / 2^32 is Next()).
template <class Random>
concept SkippingRandom = requires(Random random, std::uint64_t draws) {
  random.Apply(Random::SkipOf(draws));
  { random.NextBits() } -> std::same_as<std::uint32_t>;
};

template <SkippingRandom Random>
class SkippingRingSearch {
 public:
  SkippingRingSearch(const RingSearchOrder& order, const PaddedSnapshot& snapshot,
                     const ColouredNeighbours& neighbours)
      : order_(order),
        snapshot_(snapshot),
        neighbours_(neighbours),
        near_(NearRingCandidates::Table()),
        jumps_(Jumps()) {
    // Where ring point k lands, by its mirroring: +2 mirrors i, +1 mirrors j.
    const auto stride = static_cast<std::ptrdiff_t>(snapshot.stride);
    landings_.reserve(4 * kRingPoints);
    for (std::size_t k = 0; k < kRingPoints; ++k) {
      const std::ptrdiff_t i = order.i[k], j = order.j[k];
      for (const std::ptrdiff_t landing : {i * stride + j, i * stride - j, -i * stride + j, -i * stride - j})
        landings_.push_back(landing);
    }
  }

  bool IsHole(int x, int y) const { return snapshot_.pixels[snapshot_.IndexOf(x, y)] == 0; }

  void Search(int x, int y, Random& draw, FoundSamples& found) const {
    found.count = 0;
    const std::size_t at = snapshot_.IndexOf(x, y);
    const auto stride = static_cast<std::ptrdiff_t>(snapshot_.stride);
    const std::uint32_t* alongRows = neighbours_.alongRows.data() + at;
    const std::uint32_t* alongColumns = neighbours_.alongColumns.data() + at;
    // Bit b - 1: a pixel of mirror set (r, b) has a colour, b = 1..r; and the same for (a, r),
    // a = 1..r - 1.
    const auto columnsOf = [&](int r) {
      return (alongColumns[-r * stride] | alongColumns[r * stride]) >> 1 & ((1U << r) - 1);
    };
    const auto rowsOf = [&](int r) { return (alongRows[-r] | alongRows[r]) >> 1 & ((1U << (r - 1)) - 1); };
    const Random start = draw;
    std::uint64_t near = 0;
    for (int r = 1; r <= kNearRings; ++r) near |= near_.Of(r, columnsOf(r), rowsOf(r));
    const std::uint32_t* centre = snapshot_.pixels.data() + at;
    if (Take(near, 0, centre, start, draw, found)) return;
    for (int r = kNearRings + 1; r <= kLargestRing; ++r) {
      const std::uint32_t columns = columnsOf(r);
      const std::uint32_t rows = rowsOf(r);
      if ((columns | rows) == 0) continue;
      RingCandidates ring;
      ring.AddRing(r, 0, columns, rows);
      const std::size_t first = order_.ringStart[r];
      for (std::size_t w = 0; 64 * w < order_.ringStart[r + 1] - first; ++w) {
        if (Take(ring.word[w], first + 64 * w, centre, start, draw, found)) return;
      }
    }
    draw = start;
    draw.Apply(jumps_[kRingPoints]);
  }

 private:
  using Jump = decltype(Random::SkipOf(0));

  // Draws for the points of `candidates` (bit m: point first + m) in order and notes their
  // samples. True at the fourth, with `draw` standing after its draws.
  bool Take(std::uint64_t candidates, std::size_t first, const std::uint32_t* centre, const Random& start,
            Random& draw, FoundSamples& found) const {
    int count = found.count;
    for (std::uint64_t m = candidates; m != 0; m &= m - 1) {
      const std::size_t k = first + static_cast<unsigned>(std::countr_zero(m));
      // Point k's draws are numbers 2k and 2k + 1 of the hole's.
      Random point = start;
      point.Apply(jumps_[k]);
      // Next() > 0.5 exactly when the bits pass half of 2^32.
      const bool mirrorI = point.NextBits() > 0x80000000U;
      const bool mirrorJ = point.NextBits() > 0x80000000U;
      const std::uint32_t sample = centre[landings_[4 * k + (mirrorI ? 2U : 0U) + (mirrorJ ? 1U : 0U)]];
      // Noted whether it is a sample or not, so that no branch hangs on the picture.
      found.pixel[count] = sample;
      found.weight[count] = order_.weight[k];
      count += sample != 0;
      if (count == 4) {
        draw = point;
        break;
      }
    }
    found.count = count;
    return count == 4;
  }

  // Jump k passes over the draws of the first k ring points.
  static const std::vector<Jump>& Jumps() {
    static const std::vector<Jump> jumps = [] {
      std::vector<Jump> table;
      table.reserve(kRingPoints + 1);
      for (std::size_t k = 0; k <= kRingPoints; ++k) table.push_back(Random::SkipOf(2 * k));
      return table;
    }();
    return jumps;
  }

  const RingSearchOrder& order_;
  const PaddedSnapshot& snapshot_;
  const ColouredNeighbours& neighbours_;
  const NearRingCandidates& near_;
  const std::vector<Jump>& jumps_;
  std::vector<std::ptrdiff_t> landings_;
};
