#pragma once
// A triangle's covered runs of pixels, row by row, and the span loop that fills them. The loop
// for texturing, power-of-two textures and depth test is chosen once per triangle, so the loops
// themselves carry no switches.
#include "render/pipeline/edge_walk.h"
#include "render/pipeline/pixel_shading.h"
#include "render/pipeline/span_loops.h"

// A triangle ready to fill: the rows and columns it may cover, the column limits its sloped
// edges set from `firstRow` on, and its attribute planes: attribute(x, y) = value + ddx (x -
// originX) + ddy (y - originY) in pixels.
struct TriangleSpans {
  int firstRow, lastRow;
  int firstColumn, lastColumn;
  int limitCount;
  EdgeColumnLimit limits[3];
  double originX, originY;
  // Padded to a whole number of vector registers (the spare slots are zero), so that the
  // compiler evaluates the planes several attributes at a time.
  double value[kSpanAttributeSlots];
  double ddx[kSpanAttributeSlots];
  double ddy[kSpanAttributeSlots];
};

void FillTriangleSpans(const TriangleSpans& triangle, const RasterTarget& target,
                       const PixelPipeline& pipeline);

// One covered run of pixels in a row: where its first pixel lies in the target, how many
// follow, and the attributes at the first one.
struct SpanRun {
  std::uint32_t* colour;
  float* depth;  // null without a depth buffer
  int count;
  alignas(32) float start[kSpanAttributeSlots];
};

// The attributes at pixel (column, row).
inline void AttributesAt(const TriangleSpans& triangle, int row, int column,
                         float start[kSpanAttributeSlots]) {
  const double dx = column - triangle.originX;
  const double dy = row - triangle.originY;
  for (int i = 0; i < kSpanAttributeSlots; ++i)
    start[i] = static_cast<float>(triangle.value[i] + triangle.ddx[i] * dx + triangle.ddy[i] * dy);
}

// Walks the rows of a triangle from the first to the last, yielding each row's run of covered
// pixels (rows without any are skipped). Every span loop fills the runs this walk yields.
class RunWalker {
 public:
  RunWalker(const TriangleSpans& triangle, const RasterTarget& target)
      : triangle_(triangle), target_(target), row_(triangle.firstRow) {
    for (int i = 0; i < triangle.limitCount; ++i) limits_[i] = triangle.limits[i];
  }

  bool Next(SpanRun* run) {
    for (; row_ <= triangle_.lastRow; ++row_) {
      std::int64_t first = triangle_.firstColumn, last = triangle_.lastColumn;
      for (int i = 0; i < triangle_.limitCount; ++i) {
        const std::int64_t limit = limits_[i].Limit();
        if (limits_[i].IsLowerLimit())
          first = first > limit ? first : limit;
        else
          last = last < limit ? last : limit;
        limits_[i].NextRow();
      }
      if (first <= last) {
        const int column = static_cast<int>(first);
        const std::size_t offset = static_cast<std::size_t>(row_) * target_.width + column;
        run->colour = target_.colour + offset;
        run->depth = target_.depth != nullptr ? target_.depth + offset : nullptr;
        run->count = static_cast<int>(last - first) + 1;
        AttributesAt(triangle_, row_, column, run->start);
        ++row_;
        return true;
      }
    }
    return false;
  }

 private:
  const TriangleSpans& triangle_;
  const RasterTarget& target_;
  EdgeColumnLimit limits_[3];
  int row_;
};
