#include "mapout/skipping_ring_search.h"

#include <algorithm>

#include "mapout/two_halves.h"

namespace {

// Sizes `cells` as `padded` and clears its border; the picture's own cells are the caller's
// to write. Clearing only the border spares a redraw some megabytes of writes.
template <class Cell>
void SizeWithClearBorder(std::vector<Cell>& cells, const PaddedSnapshot& padded) {
  cells.resize(padded.stride * padded.columns);
  const auto border = static_cast<std::ptrdiff_t>(kLargestRing);
  const auto stride = static_cast<std::ptrdiff_t>(padded.stride);
  const auto height = static_cast<std::ptrdiff_t>(padded.height);
  const auto columnsEnd = border + padded.width;
  std::fill(cells.begin(), cells.begin() + border * stride, Cell{});
  for (std::ptrdiff_t x = border; x < columnsEnd; ++x) {
    const auto column = cells.begin() + x * stride;
    std::fill(column, column + border, Cell{});
    std::fill(column + border + height, column + stride, Cell{});
  }
  std::fill(cells.begin() + columnsEnd * stride, cells.end(), Cell{});
}

}  // namespace

void PaddedSnapshot::Fill(const std::uint32_t* snapshot, int snapshotWidth, int snapshotHeight) {
  width = snapshotWidth;
  height = snapshotHeight;
  // Whole groups of eight rows, for the vector loops that mark the neighbours.
  stride = (static_cast<std::size_t>(height) + 2 * kLargestRing + 7) / 8 * 8;
  columns = static_cast<std::size_t>(width) + 2 * kLargestRing;
  SizeWithClearBorder(pixels, *this);
  // In blocks of rows, so that both sides of the turn stay in the cache.
  InTwoHalves(static_cast<std::size_t>(width), [&](std::size_t first, std::size_t end) {
    constexpr int kBlock = 16;
    for (int top = 0; top < height; top += kBlock) {
      const int bottom = std::min(height, top + kBlock);
      for (auto x = static_cast<int>(first); x < static_cast<int>(end); ++x) {
        std::uint32_t* column = pixels.data() + IndexOf(x, 0);
        for (int y = top; y < bottom; ++y) column[y] = snapshot[static_cast<std::size_t>(y) * width + x];
      }
    }
  });
}

namespace {

// The 30 pixels on either side of a pixel, bit k - 1 for offset k; they slide along with it.
constexpr std::uint32_t kRunBits = (1U << kLargestRing) - 1;
constexpr std::uint32_t kFarthest = 1U << (kLargestRing - 1);

struct Runs {
  std::uint32_t before = 0;
  std::uint32_t after = 0;

  std::uint32_t Neighbours() const { return (before | after) << 1; }
  // One pixel on: `passed` tells whether the pixel left behind has a colour, `entering`
  // whether the one now 30 ahead has.
  void Step(bool passed, bool entering) {
    before = (before << 1 | passed) & kRunBits;
    after = after >> 1 | (entering ? kFarthest : 0);
  }
};

// Bits 0..width - 1 in reverse order.
constexpr std::uint32_t Reversed(std::uint32_t bits, unsigned width) {
  std::uint32_t x = bits;
  x = (x >> 1 & 0x55555555U) | (x & 0x55555555U) << 1;
  x = (x >> 2 & 0x33333333U) | (x & 0x33333333U) << 2;
  x = (x >> 4 & 0x0F0F0F0FU) | (x & 0x0F0F0F0FU) << 4;
  x = (x >> 8 & 0x00FF00FFU) | (x & 0x00FF00FFU) << 8;
  x = x >> 16 | x << 16;
  return x >> 1 >> (31 - width);
}

// Bit m to bits 2m and 2m + 1.
constexpr std::uint64_t Doubled(std::uint32_t bits) {
  std::uint64_t x = bits;
  x = (x | x << 16) & 0x0000FFFF0000FFFFULL;
  x = (x | x << 8) & 0x00FF00FF00FF00FFULL;
  x = (x | x << 4) & 0x0F0F0F0F0F0F0F0FULL;
  x = (x | x << 2) & 0x3333333333333333ULL;
  x = (x | x << 1) & 0x5555555555555555ULL;
  return x | x << 1;
}

}  // namespace

namespace {

// The loops below run over whole groups of eight cells through pointers that do not overlap,
// which lets the compiler take eight cells at a time.
constexpr std::size_t kGroup = 8;

// Runs of many rows side by side: `after` takes in the pixels `entering` 30 columns ahead.
void EnterRuns(const std::uint32_t* __restrict entering, std::uint32_t* __restrict after,
               std::size_t groups) {
  for (std::size_t i = 0; i < groups * kGroup; ++i)
    after[i] = after[i] >> 1 | (entering[i] != 0 ? kFarthest : 0);
}

void StepRuns(const std::uint32_t* __restrict passed, const std::uint32_t* __restrict entering,
              std::uint32_t* __restrict before, std::uint32_t* __restrict after, std::size_t groups) {
  for (std::size_t i = 0; i < groups * kGroup; ++i) {
    before[i] = (before[i] << 1 | (passed[i] != 0 ? 1U : 0U)) & kRunBits;
    after[i] = after[i] >> 1 | (entering[i] != 0 ? kFarthest : 0);
  }
}

void WriteNeighbours(const std::uint32_t* __restrict before, const std::uint32_t* __restrict after,
                     std::uint32_t* __restrict neighbours, std::size_t groups) {
  for (std::size_t i = 0; i < groups * kGroup; ++i) neighbours[i] = (before[i] | after[i]) << 1;
}

// Around::EdgeColumns and EdgeRows of rings 1..4 written out for a stretch of one column:
// `left[r]` and `right[r]` are the stretch r columns to either side in alongColumns, `rows`
// the column in alongRows.
void NearRingsOfColumn(const std::uint32_t* __restrict left1, const std::uint32_t* __restrict right1,
                       const std::uint32_t* __restrict left2, const std::uint32_t* __restrict right2,
                       const std::uint32_t* __restrict left3, const std::uint32_t* __restrict right3,
                       const std::uint32_t* __restrict left4, const std::uint32_t* __restrict right4,
                       const std::uint32_t* __restrict rows, std::uint16_t* __restrict nearRings,
                       std::size_t groups) {
  for (std::size_t y = 0; y < groups * kGroup; ++y) {
    const std::uint32_t ring1 = (left1[y] | right1[y]) >> 1 & 0x1U;
    const std::uint32_t ring2 =
        ((left2[y] | right2[y]) >> 1 & 0x3U) | ((rows[y - 2] | rows[y + 2]) << 1 & 0x4U);
    const std::uint32_t ring3 =
        ((left3[y] | right3[y]) >> 1 & 0x7U) | ((rows[y - 3] | rows[y + 3]) << 2 & 0x18U);
    const std::uint32_t ring4 =
        ((left4[y] | right4[y]) >> 1 & 0xFU) | ((rows[y - 4] | rows[y + 4]) << 3 & 0x70U);
    nearRings[y] = static_cast<std::uint16_t>(ring1 | ring2 << 1 | ring3 << 4 | ring4 << 9);
  }
}

}  // namespace

void ColouredNeighbours::Mark(const PaddedSnapshot& snapshot) {
  const std::size_t stride = snapshot.stride;
  const std::size_t begin = kLargestRing;
  const std::size_t rowsEnd = begin + static_cast<std::size_t>(snapshot.height);
  const std::size_t columnsEnd = begin + static_cast<std::size_t>(snapshot.width);
  const std::uint32_t* pixels = snapshot.pixels.data();
  this->stride = stride;
  SizeWithClearBorder(alongRows, snapshot);
  SizeWithClearBorder(alongColumns, snapshot);
  nearRings.resize(stride * snapshot.columns);  // read for the picture's own pixels only

  // Down each column the runs slide with y; pixels past the picture's edge lie in the border.
  InTwoHalves(columnsEnd - begin, [&](std::size_t first, std::size_t end) {
    for (std::size_t x = begin + first; x < begin + end; ++x) {
      const std::uint32_t* column = pixels + x * stride;
      Runs runs;
      for (std::size_t k = 1; k <= kLargestRing; ++k) runs.Step(false, column[begin + k] != 0);
      for (std::size_t y = begin; y < rowsEnd; ++y) {
        alongColumns[x * stride + y] = runs.Neighbours();
        runs.Step(column[y] != 0, y + 1 < rowsEnd && column[y + 1 + kLargestRing] != 0);
      }
    }
  });

  // Along the rows the same, with runs for every row of the column, border rows included
  // (theirs stay empty), column by column through the picture.
  rowsBefore.assign(stride, 0U);
  rowsAfter.assign(stride, 0U);
  InTwoHalves(stride / kGroup, [&](std::size_t firstGroup, std::size_t endGroup) {
    const std::size_t top = firstGroup * kGroup;
    const std::size_t groups = endGroup - firstGroup;
    std::uint32_t* before = rowsBefore.data() + top;
    std::uint32_t* after = rowsAfter.data() + top;
    for (std::size_t k = 1; k <= kLargestRing; ++k)
      EnterRuns(pixels + (begin + k) * stride + top, after, groups);
    for (std::size_t x = begin; x < columnsEnd; ++x) {
      WriteNeighbours(before, after, alongRows.data() + x * stride + top, groups);
      if (x + 1 < columnsEnd) {
        const std::uint32_t* column = pixels + x * stride + top;
        StepRuns(column, column + (1 + kLargestRing) * stride, before, after, groups);
      }
    }
  });

  // The near rings of every row but the first and last group of the border, which no search
  // reads.
  InTwoHalves(columnsEnd - begin, [&](std::size_t first, std::size_t end) {
    for (std::size_t x = begin + first; x < begin + end; ++x) {
      const auto column = [&](std::size_t c) { return alongColumns.data() + c * stride + kGroup; };
      NearRingsOfColumn(column(x - 1), column(x + 1), column(x - 2), column(x + 2), column(x - 3),
                        column(x + 3), column(x - 4), column(x + 4), alongRows.data() + x * stride + kGroup,
                        nearRings.data() + x * stride + kGroup, stride / kGroup - 2);
    }
  });
}

void RingCandidates::AddRing(int r, unsigned at, std::uint32_t columns, std::uint32_t rows) {
  const auto n = static_cast<unsigned>(r);
  const std::uint64_t side = Reversed(columns, n) | std::uint64_t{columns} << n;  // i = -r or r
  Place(side, at);
  Place(Doubled(Reversed(rows, n - 1)), at + 2 * n);  // i = -(r - 1)..-1, j = -r and r
  Place(Doubled(rows), at + 4 * n - 2);               // i = 1..r - 1, j = -r and r
  Place(side, at + 6 * n - 4);
}

RingCandidateTables::RingCandidateTables() {
  const RingSearchOrder& order = TheRingSearchOrder();
  // The bits of ring r from (r - 1)² on, as nearRings holds them: its r column bits below
  // its r - 1 row bits.
  const auto near = [&](unsigned bits, int firstRing, int lastRing) {
    RingCandidates rings;
    for (int r = firstRing; r <= lastRing; ++r) {
      const unsigned ringBits = bits >> ((r - 1) * (r - 1) - (firstRing - 1) * (firstRing - 1));
      rings.AddRing(r, static_cast<unsigned>(order.ringStart[r]), ringBits & ((1U << r) - 1),
                    ringBits >> r & ((1U << (r - 1)) - 1));
    }
    return rings.word[0];
  };
  for (unsigned bits = 0; bits < 1U << 9; ++bits) innerRings_[bits] = near(bits, 1, 3);
  for (unsigned bits = 0; bits < 1U << 7; ++bits) outerRing_[bits] = near(bits, 4, 4);
  const auto ring = [](int r, unsigned bits) {
    RingCandidates candidates;
    candidates.AddRing(r, 0, bits & ((1U << r) - 1), bits >> r);
    return candidates.word[0];
  };
  for (unsigned bits = 0; bits < 1U << 9; ++bits) fartherRings_[bits] = ring(5, bits);
  for (unsigned bits = 0; bits < 1U << 11; ++bits) fartherRings_[kRing6 + bits] = ring(6, bits);
}

const RingCandidateTables& RingCandidateTables::Get() {
  static const RingCandidateTables tables;
  return tables;
}
