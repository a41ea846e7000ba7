#pragma once
// A triangle's covered runs of pixels, row by row, and the span loop that fills them. The loop
// for texturing, power-of-two textures and depth test is chosen once per triangle, so the loops
// themselves carry no switches.
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "render/pipeline/edge_walk.h"
#include "render/pipeline/pixel_shading.h"
#include "render/pipeline/span_loops.h"

// A triangle ready to fill: the rows and columns it may cover, the column limits its edges set
// from `firstRow` on, its flat colour if its corners share one, and its attribute planes:
// attribute(x, y) = value + ddx (x - originX) + ddy (y - originY) in pixels.
struct TriangleSpans {
  int firstRow, lastRow;
  int firstColumn, lastColumn;
  ColumnLimits limits;
  FlatColour flatColour;
  double originX, originY;
  // Padded to a whole number of vector registers (the spare slots are zero), so that the
  // compiler evaluates the planes several attributes at a time.
  double value[kSpanAttributeSlots];
  double ddx[kSpanAttributeSlots];
  double ddy[kSpanAttributeSlots];
};

void FillTriangleSpans(const TriangleSpans& triangle, const RasterTarget& target,
                       const PixelPipeline& pipeline);

// One covered run of pixels in a row: where its first pixel lies in the target (an offset into
// both surfaces), how many follow, and the attributes at the first one.
struct SpanRun {
  std::ptrdiff_t offset;
  int count;
  alignas(32) float start[kSpanAttributeSlots];
};

// The runs of a number of rows, walked together so that filling them is not interrupted by the
// walk's own work.
struct SpanRuns {
  static constexpr int kCapacity = 64;
  int count = 0;
  SpanRun runs[kCapacity];
  const SpanRun* begin() const { return runs; }
  const SpanRun* end() const { return runs + count; }
};

// The attributes at pixel (column, row).
[[gnu::always_inline]] inline void AttributesAt(const TriangleSpans& triangle, std::int64_t row,
                                                std::int64_t column, float start[kSpanAttributeSlots]) {
  const double dx = static_cast<double>(column) - triangle.originX;
  const double dy = static_cast<double>(row) - triangle.originY;
  for (int i = 0; i < kSpanAttributeSlots; ++i)
    start[i] = static_cast<float>(triangle.value[i] + triangle.ddx[i] * dx + triangle.ddy[i] * dy);
}

// Walks the rows of a triangle from the first to the last and yields their runs of covered
// pixels (rows without any are skipped). Every span loop fills the runs this walk yields.
class RunWalker {
 public:
  explicit RunWalker(const TriangleSpans& triangle, int targetWidth)
      : triangle_(triangle), width_(targetWidth), row_(triangle.firstRow), limits_(triangle.limits) {}

  // Fills `runs` with the runs of the next rows; false when there are none left. Always inlined,
  // so that each span loop's instruction set computes the attributes.
  [[gnu::always_inline]] bool Next(SpanRuns* runs) {
    ColumnLimits limits = limits_;
    const std::int64_t lastRow = triangle_.lastRow;
    const std::int64_t firstColumn = triangle_.firstColumn, lastColumn = triangle_.lastColumn;
    std::int64_t row = row_;
    int count = 0;
    for (; row <= lastRow && count < SpanRuns::kCapacity; ++row) {
      const std::int64_t first = std::max(firstColumn, limits.Lower());
      const std::int64_t last = std::min(lastColumn, limits.Upper());
      limits.NextRow();
      // Written for every row and kept only for a row with pixels: a branch here would follow
      // the triangle's outline.
      const bool covered = first <= last;
      const std::int64_t column = covered ? first : firstColumn;
      SpanRun& run = runs->runs[count];
      run.offset = static_cast<std::ptrdiff_t>(row * width_ + column);
      run.count = static_cast<int>(last - column) + 1;
      AttributesAt(triangle_, row, column, run.start);
      count += covered ? 1 : 0;
    }
    limits_ = limits;
    row_ = row;
    runs->count = count;
    return count > 0 || row <= lastRow;
  }

 private:
  const TriangleSpans& triangle_;
  std::int64_t width_;
  std::int64_t row_;
  ColumnLimits limits_;
};
