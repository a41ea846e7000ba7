#pragma once
// Phase 3 of the map redraw: every pixel of the map that is exactly black gets the
// distance-weighted mean colour of up to four non-black pixels of the snapshot found on
// square rings around it, each ring offset mirrored at random.
//
// The search visits the rings r = 1..30 in a fixed order (r, then i = -r..r, then
// j = -r..r) and takes only the points of the ring's edge off the two axes, so a hole's own
// row and column are never sampled. For each such point two random numbers are drawn, before
// anything else is looked at, and mirror i and j independently; the redraw of a given view
// is therefore reproducible from the generator's sequence alone. The search stops at the
// fourth sample.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "base/number_text.h"
#include "base/picture.h"
#include "calc/angle_colour.h"

inline constexpr int kLargestRing = 30;

// The ring points in search order with their weights 1 / sqrt(i² + j²): ring r holds 8r - 4,
// starting at ringStart[r] (ringStart[31] is the total, 3600).
struct RingSearchOrder {
  std::vector<std::int16_t> i;
  std::vector<std::int16_t> j;
  std::vector<double> weight;
  std::size_t ringStart[kLargestRing + 2] = {};
};
RingSearchOrder MakeRingSearchOrder();

// A generator that can jump over a number of draws as if it had made them.
template <class Random>
concept SkippingRandom = requires(Random random, std::uint64_t draws) {
  random.Apply(Random::SkipOf(draws));
};

template <class Random>
struct SkipOfRandom {
  struct type {};
};
template <SkippingRandom Random>
struct SkipOfRandom<Random> {
  using type = decltype(Random::SkipOf(0));
};

// Scratch memory of the hole filling. A caller that keeps it between redraws spares each
// redraw faulting in some megabytes of fresh pages, which costs milliseconds.
struct HoleFillingBuffers {
  std::vector<std::uint32_t> padded;  // the snapshot inside a black border
  std::vector<std::uint32_t> counts;  // running sums of its non-black pixels
};

// Counts of non-black pixels over rectangles of a picture, in constant time; the sums live
// in `sums`.
class SampleCounts {
 public:
  SampleCounts(const std::uint32_t* pixels, std::size_t width, std::size_t height,
               std::vector<std::uint32_t>& sums);
  // Non-black pixels in the rings r..30 around (x, y), off the two axes through (x, y);
  // (x, y) at least 30 from every edge.
  std::uint32_t BeyondRing(std::size_t x, std::size_t y, int r) const {
    const std::size_t outer = kLargestRing;
    const auto inner = static_cast<std::size_t>(r - 1);
    const std::uint32_t square = Rectangle(x - outer, y - outer, x + outer, y + outer) -
                                 Rectangle(x - inner, y - inner, x + inner, y + inner);
    const std::uint32_t row = Rectangle(x - outer, y, x + outer, y) - Rectangle(x - inner, y, x + inner, y);
    const std::uint32_t column =
        Rectangle(x, y - outer, x, y + outer) - Rectangle(x, y - inner, x, y + inner);
    return square - row - column;
  }

 private:
  // Inclusive corners. Unsigned: the differences wrap and cancel.
  std::uint32_t Rectangle(std::size_t x0, std::size_t y0, std::size_t x1, std::size_t y1) const {
    return sums_[(y1 + 1) * stride_ + x1 + 1] - sums_[y0 * stride_ + x1 + 1] -
           sums_[(y1 + 1) * stride_ + x0] + sums_[y0 * stride_ + x0];
  }
  std::size_t stride_;
  const std::uint32_t* sums_;  // sums_[y * stride_ + x]: non-black pixels above and left of (x, y)
};

// Fills the holes of a `width` x `height` map from `snapshot` (the map as phase 2 left it,
// pixels 0x00RRGGBB, row by row) into `map` (same layout). `random` gives uniform numbers in
// [0, 1) from Next() and must be copyable; `afterColumn(x)` runs when column x is done.
// `buffers`, when given, provides the scratch memory.
//
// The generator is a template parameter and works from a local copy, exchanged with
// `random` around each afterColumn: the search draws two numbers per ring point, tens of millions for one
// map, and the draws are the bulk of its time once the generator's state can stay in a
// register rather than go through memory (or a virtual call) for every draw. A generator
// that can skip draws (SkippingRandom, as the program's can) lets the search pass over a
// ring without a non-black pixel off the hole's axes, and end once no later ring has one:
// such rings cannot change the result, and the skip leaves the generator exactly where
// drawing through them would have. Close-up and whole-Earth maps, where most searches
// find few samples, take a tenth of the time that way.
template <class Random, class AfterColumn>
void FillHoles(const std::uint32_t* snapshot, std::uint32_t* map, int width, int height, Random& random,
               AfterColumn&& afterColumn, HoleFillingBuffers* buffers = nullptr) {
  if (width <= 0 || height <= 0) return;
  HoleFillingBuffers ownBuffers;
  HoleFillingBuffers& scratch = buffers ? *buffers : ownBuffers;
  // The snapshot inside a black border as wide as the largest ring: a ring point off the map
  // reads black there, which skips it just as the bounds test would, without a test.
  const std::size_t stride = static_cast<std::size_t>(width) + 2 * kLargestRing;
  const std::size_t paddedHeight = static_cast<std::size_t>(height) + 2 * kLargestRing;
  std::vector<std::uint32_t>& padded = scratch.padded;
  padded.assign(stride * paddedHeight, 0U);
  for (int y = 0; y < height; ++y) {
    std::copy_n(snapshot + static_cast<std::size_t>(y) * width, width,
                padded.begin() + static_cast<std::ptrdiff_t>((y + kLargestRing) * stride + kLargestRing));
  }

  const RingSearchOrder ring = MakeRingSearchOrder();
  const std::size_t points = ring.i.size();
  std::vector<std::ptrdiff_t> columnStep(points), rowStep(points);
  for (std::size_t k = 0; k < points; ++k) {
    columnStep[k] = ring.i[k];
    rowStep[k] = static_cast<std::ptrdiff_t>(ring.j[k]) * static_cast<std::ptrdiff_t>(stride);
  }
  const double* weight = ring.weight.data();

  constexpr bool kSkips = SkippingRandom<Random>;
  using Skip = typename SkipOfRandom<Random>::type;
  Skip skipFrom[kLargestRing + 1] = {};  // the draws of rings r..30
  Skip skipRing[kLargestRing + 1] = {};  // the draws of ring r alone
  std::optional<SampleCounts> counts;
  if constexpr (kSkips) {
    for (int r = 1; r <= kLargestRing; ++r) {
      skipFrom[r] = Random::SkipOf(2 * (points - ring.ringStart[r]));
      skipRing[r] = Random::SkipOf(2 * (ring.ringStart[r + 1] - ring.ringStart[r]));
    }
    counts.emplace(padded.data(), stride, paddedHeight, scratch.counts);
  }

  Random draw(random);
  for (int x = 0; x < width; ++x) {
    for (int y = 0; y < height; ++y) {
      const std::size_t at = static_cast<std::size_t>(y) * width + x;
      if (snapshot[at] != 0) continue;
      const std::size_t px = static_cast<std::size_t>(x) + kLargestRing;
      const std::size_t py = static_cast<std::size_t>(y) + kLargestRing;
      const std::uint32_t* centre = padded.data() + py * stride + px;
      // The loop only notes the samples; they are summed after it, in the order found,
      // which is the same arithmetic as summing them on the way and keeps floating-point
      // latency out of the loop. A point that is no sample writes into the next free slot
      // without taking it, so the loop has no branch that depends on the picture.
      std::size_t foundAt[5];
      std::uint32_t found[5];
      int samples = 0;
      std::uint32_t beyond = 0;
      if constexpr (kSkips) beyond = counts->BeyondRing(px, py, 1);
      for (int r = 1; r <= kLargestRing && samples < 4; ++r) {
        if constexpr (kSkips) {
          if (beyond == 0) {
            draw.Apply(skipFrom[r]);
            break;
          }
          const std::uint32_t later = r < kLargestRing ? counts->BeyondRing(px, py, r + 1) : 0;
          const bool ringEmpty = later == beyond;
          beyond = later;
          if (ringEmpty) {
            draw.Apply(skipRing[r]);
            continue;
          }
        }
        const std::size_t end = ring.ringStart[r + 1];
        for (std::size_t k = ring.ringStart[r]; k < end; ++k) {
          const std::ptrdiff_t dx = draw.Next() > 0.5 ? -columnStep[k] : columnStep[k];
          const std::ptrdiff_t dy = draw.Next() > 0.5 ? -rowStep[k] : rowStep[k];
          const std::uint32_t sample = centre[dy + dx];
          foundAt[samples] = k;
          found[samples] = sample;
          samples += sample != 0;
          if (samples == 4) break;
        }
      }
      double red = 0, green = 0, blue = 0, weights = 0;
      for (int m = 0; m < samples; ++m) {
        const std::int32_t colour = ColourFromPixel(found[m]);
        const double w = weight[foundAt[m]];
        red += w * RedOf(colour);
        green += w * GreenOf(colour);
        blue += w * BlueOf(colour);
        weights += w;
      }
      if (weights > 0) {
        const auto r = static_cast<std::uint32_t>(RoundHalfEven(ClampByte(red / weights)));
        const auto g = static_cast<std::uint32_t>(RoundHalfEven(ClampByte(green / weights)));
        const auto b = static_cast<std::uint32_t>(RoundHalfEven(ClampByte(blue / weights)));
        map[at] = (r << 16) | (g << 8) | b;
      }
    }
    random = draw;
    afterColumn(x);
    draw = random;  // whatever the events did with the generator, the sequence goes on from there
  }
}
