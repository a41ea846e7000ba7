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
  // One spare slot (kept zero) so that vector code can load the attributes in fours.
  double value[kSpanAttributeCount + 1];
  double ddx[kSpanAttributeCount + 1];
  double ddy[kSpanAttributeCount + 1];
};

void FillTriangleSpans(const TriangleSpans& triangle, const RasterTarget& target,
                       const PixelPipeline& pipeline);

// Walks the rows of a triangle from the first to the last, yielding each row's run of covered
// pixels (rows without any are skipped).
class RunWalker {
 public:
  explicit RunWalker(const TriangleSpans& triangle) : triangle_(triangle), row_(triangle.firstRow) {
    for (int i = 0; i < triangle.limitCount; ++i) limits_[i] = triangle.limits[i];
  }

  bool Next(int* row, int* column, int* count) {
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
        *row = row_++;
        *column = static_cast<int>(first);
        *count = static_cast<int>(last - first) + 1;
        return true;
      }
    }
    return false;
  }

 private:
  const TriangleSpans& triangle_;
  EdgeColumnLimit limits_[3];
  int row_;
};

// The attributes at pixel (column, row).
inline void AttributesAt(const TriangleSpans& triangle, int row, int column,
                         float start[kSpanAttributeCount]) {
  const double dx = column - triangle.originX;
  const double dy = row - triangle.originY;
  for (int i = 0; i < kSpanAttributeCount; ++i)
    start[i] = static_cast<float>(triangle.value[i] + triangle.ddx[i] * dx + triangle.ddy[i] * dy);
}
