#include "mapout/skipping_ring_search.h"

#include <algorithm>

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
  stride = static_cast<std::size_t>(height) + 2 * kLargestRing;
  columns = static_cast<std::size_t>(width) + 2 * kLargestRing;
  SizeWithClearBorder(pixels, *this);
  // In blocks of rows, so that both sides of the turn stay in the cache.
  constexpr int kBlock = 16;
  for (int top = 0; top < height; top += kBlock) {
    const int bottom = std::min(height, top + kBlock);
    for (int x = 0; x < width; ++x) {
      std::uint32_t* column = pixels.data() + IndexOf(x, 0);
      for (int y = top; y < bottom; ++y) column[y] = snapshot[static_cast<std::size_t>(y) * width + x];
    }
  }
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
  for (std::size_t x = begin; x < columnsEnd; ++x) {
    const std::uint32_t* column = pixels + x * stride;
    Runs runs;
    for (std::size_t k = 1; k <= kLargestRing; ++k) runs.Step(false, column[begin + k] != 0);
    for (std::size_t y = begin; y < rowsEnd; ++y) {
      alongColumns[x * stride + y] = runs.Neighbours();
      runs.Step(column[y] != 0, y + 1 < rowsEnd && column[y + 1 + kLargestRing] != 0);
    }
  }

  // Along the rows the same, with runs for every row, column by column through the picture.
  std::vector<Runs> rowRuns(stride);
  for (std::size_t k = 1; k <= kLargestRing; ++k) {
    const std::uint32_t* column = pixels + (begin + k) * stride;
    for (std::size_t y = begin; y < rowsEnd; ++y) rowRuns[y].Step(false, column[y] != 0);
  }
  for (std::size_t x = begin; x < columnsEnd; ++x) {
    const std::uint32_t* column = pixels + x * stride;
    const std::uint32_t* entering = x + 1 < columnsEnd ? column + (1 + kLargestRing) * stride : nullptr;
    for (std::size_t y = begin; y < rowsEnd; ++y) {
      alongRows[x * stride + y] = rowRuns[y].Neighbours();
      rowRuns[y].Step(column[y] != 0, entering != nullptr && entering[y] != 0);
    }
  }
  MarkNearRings(begin, columnsEnd, rowsEnd);
}

void ColouredNeighbours::MarkNearRings(std::size_t begin, std::size_t columnsEnd, std::size_t rowsEnd) {
  // EdgeColumns and EdgeRows of rings 1..4 written out, one column at a time, so that the
  // compiler can take several rows at once.
  for (std::size_t x = begin; x < columnsEnd; ++x) {
    const std::uint32_t* rows = alongRows.data() + x * stride;
    const std::uint32_t* left[kNearRings + 1];
    const std::uint32_t* right[kNearRings + 1];
    for (std::size_t r = 1; r <= kNearRings; ++r) {
      left[r] = alongColumns.data() + (x - r) * stride;
      right[r] = alongColumns.data() + (x + r) * stride;
    }
    std::uint16_t* out = nearRings.data() + x * stride;
    for (std::size_t y = begin; y < rowsEnd; ++y) {
      const std::uint32_t ring1 = (left[1][y] | right[1][y]) >> 1 & 0x1U;
      const std::uint32_t ring2 =
          ((left[2][y] | right[2][y]) >> 1 & 0x3U) | ((rows[y - 2] | rows[y + 2]) << 1 & 0x4U);
      const std::uint32_t ring3 =
          ((left[3][y] | right[3][y]) >> 1 & 0x7U) | ((rows[y - 3] | rows[y + 3]) << 2 & 0x18U);
      const std::uint32_t ring4 =
          ((left[4][y] | right[4][y]) >> 1 & 0xFU) | ((rows[y - 4] | rows[y + 4]) << 3 & 0x70U);
      out[y] = static_cast<std::uint16_t>(ring1 | ring2 << 1 | ring3 << 4 | ring4 << 9);
    }
  }
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
  for (unsigned bits = 0; bits < 1U << 9; ++bits) ring5_[bits] = ring(5, bits);
  for (unsigned bits = 0; bits < 1U << 11; ++bits) ring6_[bits] = ring(6, bits);
}

const RingCandidateTables& RingCandidateTables::Get() {
  static const RingCandidateTables tables;
  return tables;
}
