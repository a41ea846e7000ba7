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
  std::size_t stride = 0;   // from one column to the next: height + 2 * kLargestRing, up to a multiple of 8
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
  std::size_t stride = 0;
  std::vector<std::uint32_t> alongRows;
  std::vector<std::uint32_t> alongColumns;
  // Around::EdgeColumns and EdgeRows of rings 1..4 for every pixel of the picture: ring r's
  // 2r - 1 bits, the columns' below the rows', from bit (r - 1)² on.
  std::vector<std::uint16_t> nearRings;

  std::vector<std::uint32_t> rowsBefore, rowsAfter;  // the runs along every row while marking

  void Mark(const PaddedSnapshot& snapshot);

  // The rings around one pixel.
  struct Around {
    const std::uint32_t* alongRows;
    const std::uint32_t* alongColumns;
    std::ptrdiff_t stride;

    // Ring r: bit b - 1 is set when a pixel of mirror set (r, b) has a colour, b = 1..r, the
    // ring's left and right edges.
    std::uint32_t EdgeColumns(int r) const {
      return (alongColumns[-r * stride] | alongColumns[r * stride]) >> 1 & ((1U << r) - 1);
    }
    // Bit a - 1 is set when a pixel of mirror set (a, r) has a colour, a = 1..r - 1, the
    // ring's top and bottom edges without the corners.
    std::uint32_t EdgeRows(int r) const {
      return (alongRows[-r] | alongRows[r]) >> 1 & ((1U << (r - 1)) - 1);
    }
  };
  // `at` is an index of the padded snapshot.
  Around AroundPixel(std::size_t at) const {
    return {alongRows.data() + at, alongColumns.data() + at, static_cast<std::ptrdiff_t>(stride)};
  }
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

// The candidates of the rings that most searches end in, looked up instead of laid out.
// Rings 1..4 hold the first 64 points: their candidates make one word, bit k for point k,
// from a pixel's ColouredNeighbours::nearRings. Rings 5 and 6 have a word each, bit t for the
// ring's point t, from the ring's bits as RingCandidates::AddRing takes them.
inline constexpr int kNearRings = 4;
inline constexpr int kTabledRings = 6;
class RingCandidateTables {
 public:
  static const RingCandidateTables& Get();
  std::uint64_t Near(std::uint16_t nearRings) const {
    return innerRings_[nearRings & 0x1FFU] | outerRing_[nearRings >> 9];
  }
  std::uint64_t Ring(int r, std::uint32_t columns, std::uint32_t rows) const {
    // One array for both rings: g++ 12 with -fsanitize=shift reads the wrong entry when the
    // index goes to a choice between two arrays.
    return fartherRings_[(r == 5 ? 0U : kRing6) + (columns | rows << r)];
  }

 private:
  RingCandidateTables();
  std::uint64_t innerRings_[1 << 9] = {};  // rings 1..3, points 0..35
  std::uint64_t outerRing_[1 << 7] = {};   // ring 4, points 36..63
  static constexpr unsigned kRing6 = 1 << 9;
  std::uint64_t fartherRings_[(1 << 9) + (1 << 11)] = {};  // ring 5, then ring 6 from kRing6
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
        tables_(RingCandidateTables::Get()),
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
    const Random start = draw;
    const std::uint32_t* centre = snapshot_.pixels.data() + at;
    if (Take(tables_.Near(neighbours_.nearRings[at]), 0, centre, start, draw, found)) return;
    SearchFartherRings(at, centre, start, draw, found);
  }

 private:
  // Rings 5..30, for the searches that the near rings leave short of four samples. Kept out
  // of Search, so that the search that most holes need stays small enough to be inlined
  // into the loop over the holes.
  [[gnu::noinline]] void SearchFartherRings(std::size_t at, const std::uint32_t* centre, const Random& start,
                                            Random& draw, FoundSamples& found) const {
    const ColouredNeighbours::Around around = neighbours_.AroundPixel(at);
    for (int r = kNearRings + 1; r <= kTabledRings; ++r) {
      const std::uint32_t columns = around.EdgeColumns(r);
      const std::uint32_t rows = around.EdgeRows(r);
      if ((columns | rows) != 0 &&
          Take(tables_.Ring(r, columns, rows), static_cast<unsigned>(order_.ringStart[r]), centre, start,
               draw, found))
        return;
    }
    for (int r = kTabledRings + 1; r <= kLargestRing; ++r) {
      const std::uint32_t columns = around.EdgeColumns(r);
      const std::uint32_t rows = around.EdgeRows(r);
      if ((columns | rows) == 0) continue;
      RingCandidates ring;
      ring.AddRing(r, 0, columns, rows);
      const std::size_t first = order_.ringStart[r];
      for (std::size_t w = 0; 64 * w < order_.ringStart[r + 1] - first; ++w) {
        if (Take(ring.word[w], static_cast<unsigned>(first + 64 * w), centre, start, draw, found)) return;
      }
    }
    draw = start;
    draw.Apply(jumps_[kRingPoints]);
  }

  using Jump = decltype(Random::SkipOf(0));

  // Draws for the points of `candidates` (bit m: point first + m) in order and notes their
  // samples. True at the fourth, with `draw` standing after its draws.
  bool Take(std::uint64_t candidates, unsigned first, const std::uint32_t* centre, const Random& start,
            Random& draw, FoundSamples& found) const {
    // Unsigned throughout: the loop is the search's inner loop, and indexes that need no
    // widening save it instructions.
    unsigned count = static_cast<unsigned>(found.count);
    for (std::uint64_t m = candidates; m != 0; m &= m - 1) {
      const unsigned k = first + static_cast<unsigned>(std::countr_zero(m));
      // Point k's draws are numbers 2k and 2k + 1 of the hole's.
      Random point = start;
      point.Apply(jumps_[k]);
      // Next() > 0.5 exactly when the bits pass half of 2^32.
      unsigned mirror = point.NextBits() > 0x80000000U ? 2U : 0U;
      mirror += point.NextBits() > 0x80000000U ? 1U : 0U;
      const std::uint32_t sample = centre[landings_[4 * k + mirror]];
      // Noted whether it is a sample or not, so that no branch hangs on the picture.
      found.pixel[count] = sample;
      found.point[count] = static_cast<std::uint16_t>(k);
      count += sample != 0;
      if (count == 4) {
        // Jumped to rather than taken from `point`, which then needs no state after its
        // second draw.
        draw = start;
        draw.Apply(jumps_[k + 1]);
        break;
      }
    }
    found.count = static_cast<int>(count);
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
  const RingCandidateTables& tables_;
  const std::vector<Jump>& jumps_;
  std::vector<std::ptrdiff_t> landings_;
};
