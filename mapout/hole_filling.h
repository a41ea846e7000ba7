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
#include <cfloat>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/number_text.h"
#include "base/picture.h"
#include "calc/angle_colour.h"
#include "mapout/ring_search.h"
#include "mapout/skipping_ring_search.h"

// Scratch memory of the hole filling. A caller that keeps it between redraws spares each
// redraw faulting in some megabytes of fresh pages, which costs milliseconds.
struct HoleFillingBuffers {
  PaddedSnapshot snapshot;
  ColouredNeighbours neighbours;
};

// RoundHalfEven of a channel's mean (0..255) without a call into the maths library for every
// channel of every hole: adding 1.5 * 2^52 and taking it away again leaves the nearest whole
// number, ties to even, where doubles are computed as doubles (FLT_EVAL_METHOD 0, as on x86-64
// and ARM). Elsewhere the library rounds.
inline double RoundChannel(double mean) {
  if constexpr (FLT_EVAL_METHOD == 0) {
    return (mean + 0x1.8p52) - 0x1.8p52;
  } else {
    return RoundHalfEven(mean);
  }
}

// The weighted mean of the samples as a pixel, summed in the order they were found; false
// without samples.
inline bool MeanOfSamples(const FoundSamples& found, const RingSearchOrder& order, std::uint32_t& pixel) {
  double red = 0, green = 0, blue = 0, weights = 0;
  for (int m = 0; m < found.count; ++m) {
    const std::int32_t colour = ColourFromPixel(found.pixel[m]);
    const double w = order.weight[found.point[m]];
    red += w * RedOf(colour);
    green += w * GreenOf(colour);
    blue += w * BlueOf(colour);
    weights += w;
  }
  if (!(weights > 0)) return false;
  const auto r = static_cast<std::uint32_t>(RoundChannel(ClampByte(red / weights)));
  const auto g = static_cast<std::uint32_t>(RoundChannel(ClampByte(green / weights)));
  const auto b = static_cast<std::uint32_t>(RoundChannel(ClampByte(blue / weights)));
  pixel = (r << 16) | (g << 8) | b;
  return true;
}

// Fills every hole of the map through `search`, column by column.
template <class Random, class Search, class AfterColumn>
void FillEachHole(const Search& search, const RingSearchOrder& order, std::uint32_t* map, int width,
                  int height, Random& random, AfterColumn& afterColumn) {
  Random draw(random);
  FoundSamples found;
  for (int x = 0; x < width; ++x) {
    for (int y = 0; y < height; ++y) {
      if (!search.IsHole(x, y)) continue;
      search.Search(x, y, draw, found);
      std::uint32_t pixel;
      if (MeanOfSamples(found, order, pixel)) map[static_cast<std::size_t>(y) * width + x] = pixel;
    }
    random = draw;
    afterColumn(x);
    draw = random;  // whatever the events did with the generator, the sequence goes on from there
  }
}

// Fills the holes of a `width` x `height` map from `snapshot` (the map as phase 2 left it,
// pixels 0x00RRGGBB, row by row) into `map` (same layout). `random` gives uniform numbers in
// [0, 1) from Next() and must be copyable; `afterColumn(x)` runs when column x is done.
// `buffers`, when given, provides the scratch memory.
//
// The generator works from a local copy, exchanged with `random` around each afterColumn, so
// that its state stays in a register from hole to hole. A generator that can
// jump over draws (SkippingRandom, as the program's can) takes the search through
// SkippingRingSearch, which draws only for the ring points that can give a sample and leaves
// the generator exactly where drawing through all of them would have; any other generator
// draws every number on the way (RingSearch).
template <class Random, class AfterColumn>
void FillHoles(const std::uint32_t* snapshot, std::uint32_t* map, int width, int height, Random& random,
               AfterColumn&& afterColumn, HoleFillingBuffers* buffers = nullptr) {
  if (width <= 0 || height <= 0) return;
  const RingSearchOrder& order = TheRingSearchOrder();
  if constexpr (SkippingRandom<Random>) {
    HoleFillingBuffers ownBuffers;
    HoleFillingBuffers& scratch = buffers ? *buffers : ownBuffers;
    scratch.snapshot.Fill(snapshot, width, height);
    scratch.neighbours.Mark(scratch.snapshot);
    const SkippingRingSearch<Random> search(order, scratch.snapshot, scratch.neighbours);
    FillEachHole(search, order, map, width, height, random, afterColumn);
  } else {
    const RingSearch search(order, snapshot, width, height);
    FillEachHole(search, order, map, width, height, random, afterColumn);
  }
}
