#include "draw/coverage_band.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cmath>
#include <cstring>
#include <utility>

#include "draw/blend_run.h"
#include "draw/stroke_run.h"

namespace {

// Room after the last row for the stroke runs' four-pixel steps.
constexpr std::size_t kRunSlack = 4;
constexpr float kHalfDiagonal = 0.7072f;
// Lines whose wholly covered middle is at least this far either side are filled row by row.
constexpr float kBroadInner = 2.0f;

// How much of the pixel-wide stretch around `distance` lies in [low, high].
inline float Overlap(float distance, float low, float high) {
  return std::max(0.0f, std::min(distance + 0.5f, high) - std::max(distance - 0.5f, low));
}

}  // namespace

CoverageBand::CoverageBand(int width)
    : width_(width),
      words_((width + 64 * 64 - 1) / (64 * 64)),
      cover_(static_cast<std::size_t>(width) * kBandRows + kRunSlack),
      dirty_(static_cast<std::size_t>(words_) * kBandRows) {}

void CoverageBand::Start(int top, int rows) {
  top_ = top;
  rows_ = std::min(rows, kBandRows);
}

void CoverageBand::Mark(int row, int from, int to) {
  std::uint64_t* words = &dirty_[static_cast<std::size_t>(row) * words_];
  for (int chunk = from / 64; chunk <= to / 64; ++chunk)
    words[chunk / 64] |= std::uint64_t{1} << (chunk % 64);
}

namespace {

// A segment with its direction and length, and where rows cross the round-ended strip of a
// given radius round it: the strip is convex, so each row meets it in one stretch.
struct Stroke {
  const Segment& s;
  float ux, uy, length;

  explicit Stroke(const Segment& segment) : s(segment) {
    const float dx = s.bx - s.ax, dy = s.by - s.ay;
    length = std::sqrt(dx * dx + dy * dy);
    ux = length > 0 ? dx / length : 0;
    uy = length > 0 ? dy / length : 0;
  }

  // The pixels of row `y` whose centres lie within `radius`, or from > to.
  void Row(int y, float radius, int& from, int& to) const {
    const float py = y + 0.5f;
    float left = INFINITY, right = -INFINITY;
    for (const auto& [cx, cy] : {std::pair{s.ax, s.ay}, std::pair{s.bx, s.by}}) {
      const float h2 = radius * radius - (py - cy) * (py - cy);
      if (h2 < 0) continue;
      const float h = std::sqrt(h2);
      left = std::min(left, cx - h);
      right = std::max(right, cx + h);
    }
    if (length > 0) {
      // Between the ends: 0 <= (x - ax) ux + (py - ay) uy <= length, and within `radius` across.
      float low = -INFINITY, high = INFINITY;
      const auto within = [&](float scale, float min, float max) {
        if (scale == 0) {
          if (min > 0 || max < 0) low = INFINITY;
          return;
        }
        const float a = min / scale, b = max / scale;
        low = std::max(low, std::min(a, b));
        high = std::min(high, std::max(a, b));
      };
      const float along = (py - s.ay) * uy, across = (py - s.ay) * ux;
      within(ux, -along, length - along);
      within(uy, across - radius, across + radius);
      if (low <= high) {
        left = std::min(left, s.ax + low);
        right = std::max(right, s.ax + high);
      }
    }
    from = left <= right ? static_cast<int>(std::ceil(std::max(left, -1.0f) - 0.5f)) : 1;
    to = left <= right ? static_cast<int>(std::floor(std::min(right, 1e9f) - 0.5f)) : 0;
  }
};

}  // namespace

namespace {

StrokeShape ShapeOf(const Segment& s, const Stroke& stroke, float halfWidth) {
  return {s.ax,
          s.ay,
          stroke.ux,
          stroke.uy,
          stroke.length,
          halfWidth,
          stroke.length > 0 ? 0.5f * (std::fabs(stroke.ux) + std::fabs(stroke.uy)) : 0.5f};
}

// The stretch of row `y` wholly inside a broad line of `halfWidth`, or from > to: a pixel
// reaches up to half its diagonal across the line, so within `inner` it is wholly covered.
void InnerRun(const Stroke& stroke, int y, float halfWidth, int from, int to, int& innerFrom, int& innerTo) {
  innerFrom = 1;
  innerTo = 0;
  const float inner = halfWidth - kHalfDiagonal;
  if (inner <= kBroadInner) return;
  stroke.Row(y, inner, innerFrom, innerTo);
  innerFrom = std::max(innerFrom, from);
  innerTo = std::min(innerTo, to);
}

}  // namespace

template <class Run>
void CoverageBand::StrokeRows(const Segment& s, float reach, const Run& cover) {
  const Stroke stroke(s);
  const int firstRow = std::max(top_, static_cast<int>(std::ceil(std::min(s.ay, s.by) - reach - 0.5f)));
  const int lastRow =
      std::min(top_ + rows_ - 1, static_cast<int>(std::floor(std::max(s.ay, s.by) + reach - 0.5f)));
  const float minX = std::min(s.ax, s.bx) - reach, maxX = std::max(s.ax, s.bx) + reach;
  const bool slanted = std::fabs(stroke.uy) > 1e-4f;
  const float slope = slanted ? stroke.ux / stroke.uy : 0,
              halfRun = slanted ? reach / std::fabs(stroke.uy) : 0;
  for (int y = firstRow; y <= lastRow; ++y) {
    // The row's stretch: the box round the segment, cut to the strip along it when the
    // segment is not nearly level.
    float left = minX, right = maxX;
    if (slanted) {
      const float middle = s.ax + (y + 0.5f - s.ay) * slope;
      left = std::max(left, middle - halfRun);
      right = std::min(right, middle + halfRun);
    }
    const int from = std::max(0, static_cast<int>(std::ceil(left - 0.5f)));
    const int to = std::min(width_ - 1, static_cast<int>(std::floor(right - 0.5f)));
    if (from > to) continue;
    cover(stroke, y, static_cast<std::size_t>(y - top_) * width_, from, to);
    Mark(y - top_, from, to);
  }
}

void CoverageBand::AddStroke(const Segment& segment, float halfWidth) {
  StrokeRows(segment, halfWidth + kHalfDiagonal,
             [&](const Stroke& stroke, int y, std::size_t row, int from, int to) {
               const StrokeShape shape = ShapeOf(segment, stroke, halfWidth);
               std::uint8_t* cover = &cover_[row];
               int innerFrom, innerTo;
               InnerRun(stroke, y, halfWidth, from, to, innerFrom, innerTo);
               if (innerFrom <= innerTo) {
                 CoverStrokeRun(cover, from, innerFrom - 1, y + 0.5f, shape);
                 std::memset(cover + innerFrom, 255, static_cast<std::size_t>(innerTo - innerFrom + 1));
                 CoverStrokeRun(cover, innerTo + 1, to, y + 0.5f, shape);
               } else {
                 CoverStrokeRun(cover, from, to, y + 0.5f, shape);
               }
             });
}

void CoverageBand::AddCasedStroke(const Segment& segment, float halfWidth, float casingHalfWidth) {
  if (under_.empty()) under_.assign(cover_.size(), 0);  // with the same slack after the rows
  StrokeRows(segment, casingHalfWidth + kHalfDiagonal,
             [&](const Stroke& stroke, int y, std::size_t row, int from, int to) {
               const StrokeShape shape = ShapeOf(segment, stroke, halfWidth);
               std::uint8_t* cover = &cover_[row];
               std::uint8_t* under = &under_[row];
               const float py = y + 0.5f;
               int casedFrom, casedTo;
               InnerRun(stroke, y, casingHalfWidth, from, to, casedFrom, casedTo);
               if (casedFrom > casedTo) {
                 CoverCasedRun(cover, under, from, to, py, shape, casingHalfWidth);
                 return;
               }
               // Where the casing covers wholly, only the narrower line is left to work out.
               std::memset(under + casedFrom, 255, static_cast<std::size_t>(casedTo - casedFrom + 1));
               CoverCasedRun(cover, under, from, casedFrom - 1, py, shape, casingHalfWidth);
               CoverCasedRun(cover, under, casedTo + 1, to, py, shape, casingHalfWidth);
               int innerFrom, innerTo;
               InnerRun(stroke, y, halfWidth, casedFrom, casedTo, innerFrom, innerTo);
               if (innerFrom <= innerTo) {
                 CoverStrokeRun(cover, casedFrom, innerFrom - 1, py, shape);
                 std::memset(cover + innerFrom, 255, static_cast<std::size_t>(innerTo - innerFrom + 1));
                 CoverStrokeRun(cover, innerTo + 1, casedTo, py, shape);
               } else {
                 CoverStrokeRun(cover, casedFrom, casedTo, py, shape);
               }
             });
}

void CoverageBand::AddEdgeRow(float* area, int row, float x0, float x1, float d) {
  const float left = std::min(x0, x1), right = std::max(x0, x1);
  const int first = static_cast<int>(left);
  int last;
  if (right <= first + 1) {
    const float middle = 0.5f * (x0 + x1) - first;
    area[first] += d * (1 - middle);
    area[first + 1] += d * middle;
    last = first + 1;
  } else {
    const float step = 1 / (right - left);
    const float leftPart = left - first;
    const float a0 = 0.5f * step * (1 - leftPart) * (1 - leftPart);
    last = static_cast<int>(std::ceil(right));
    const float rightPart = right - last + 1;
    const float am = 0.5f * step * rightPart * rightPart;
    area[first] += d * a0;
    if (last == first + 2) {
      area[first + 1] += d * (1 - a0 - am);
    } else {
      const float a1 = step * (1.5f - leftPart);
      area[first + 1] += d * (a1 - a0);
      for (int x = first + 2; x < last - 1; ++x) area[x] += d * step;
      const float a2 = a1 + (last - first - 3) * step;
      area[last - 1] += d * (1 - a2 - am);
    }
    area[last] += d * am;
  }
  areaFrom_[row] = std::min(areaFrom_[row], first);
  areaTo_[row] = std::max(areaTo_[row], last);
}

void CoverageBand::AddEdge(const Segment& edge) {
  if (area_.empty()) {
    area_.assign(static_cast<std::size_t>(width_ + 2) * kBandRows, 0.0f);
    areaFrom_.assign(kBandRows, INT_MAX);
    areaTo_.assign(kBandRows, -1);
  }
  float x0 = edge.ax, y0 = edge.ay - top_, x1 = edge.bx, y1 = edge.by - top_;
  float direction = 1;
  if (y0 == y1) return;
  if (y0 > y1) {
    std::swap(x0, x1);
    std::swap(y0, y1);
    direction = -1;
  }
  if (y1 <= 0 || y0 >= rows_) return;
  const float dxdy = (x1 - x0) / (y1 - y0);
  const auto xAt = [&](float y) { return x0 + (y - y0) * dxdy; };
  // Pieces between the rows' top and bottom and where the edge crosses the picture's sides:
  // a piece left of the picture counts at its left side, one right of it adds nothing inside.
  float cuts[4] = {std::max(y0, 0.0f), std::min(y1, static_cast<float>(rows_)), 0, 0};
  int count = 2;
  for (const float side : {0.0f, static_cast<float>(width_)}) {
    if (dxdy == 0) break;
    const float y = y0 + (side - x0) / dxdy;
    if (y > cuts[0] && y < cuts[1]) cuts[count++] = y;
  }
  for (int k = 1; k < count; ++k) {
    for (int j = k; j > 0 && cuts[j] < cuts[j - 1]; --j) std::swap(cuts[j], cuts[j - 1]);
  }
  for (int k = 0; k + 1 < count; ++k) {
    const float top = cuts[k], bottom = cuts[k + 1];
    const float middle = xAt(0.5f * (top + bottom));
    if (middle > width_) continue;
    float x = middle < 0 ? 0.0f : std::clamp(xAt(top), 0.0f, static_cast<float>(width_));
    for (int row = static_cast<int>(top); row < rows_ && row < bottom; ++row) {
      const float rowTop = std::max(static_cast<float>(row), top);
      const float rowBottom = std::min(static_cast<float>(row + 1), bottom);
      if (rowBottom <= rowTop) continue;
      const float next = middle < 0 ? 0.0f : std::clamp(xAt(rowBottom), 0.0f, static_cast<float>(width_));
      AddEdgeRow(&area_[static_cast<std::size_t>(row) * (width_ + 2)], row, x, next,
                 (rowBottom - rowTop) * direction);
      x = next;
    }
  }
}

void CoverageBand::ResolveFill() {
  if (area_.empty()) return;
  for (int row = 0; row < rows_; ++row) {
    if (areaFrom_[row] > areaTo_[row]) continue;
    float* area = &area_[static_cast<std::size_t>(row) * (width_ + 2)];
    std::uint8_t* cover = &cover_[static_cast<std::size_t>(row) * width_];
    const int from = areaFrom_[row], to = std::min(areaTo_[row], width_ - 1);
    float sum = 0;
    int x = from;
    // Past the last edge the sum stays: nothing when the outline closes inside the picture,
    // the inside when it closes beyond the right side.
    for (; x < width_ && (x <= to || std::fabs(sum) > 1e-3f); ++x) {
      sum += area[x];
      const auto value = static_cast<std::uint8_t>(std::min(std::fabs(sum), 1.0f) * 255.0f + 0.5f);
      cover[x] = std::max(cover[x], value);
    }
    if (x > from) Mark(row, from, x - 1);
    std::fill(area + areaFrom_[row], area + areaTo_[row] + 1, 0.0f);
    areaFrom_[row] = INT_MAX;
    areaTo_[row] = -1;
  }
}

template <class Blend>
void CoverageBand::BlendRows(const RasterTarget& target, const Blend& blend) {
  for (int row = 0; row < rows_; ++row) {
    std::uint8_t* pixels = target.Row(top_ + row);
    const std::size_t start = static_cast<std::size_t>(row) * width_;
    for (int word = 0; word < words_; ++word) {
      std::uint64_t& bits = dirty_[static_cast<std::size_t>(row) * words_ + word];
      while (bits != 0) {
        const int chunk = word * 64 + std::countr_zero(bits);
        bits &= bits - 1;
        const int from = chunk * 64, to = std::min(width_, from + 64);
        blend(pixels, start, from, to);
      }
    }
  }
}

void CoverageBand::BlendInto(const RasterTarget& target, const BlendColour& colour) {
  BlendRows(target, [&](std::uint8_t* pixels, std::size_t start, int from, int to) {
    BlendRun(pixels, &cover_[start], from, to, colour);
    std::memset(&cover_[start] + from, 0, static_cast<std::size_t>(to - from));
  });
}

void CoverageBand::BlendCasedInto(const RasterTarget& target, const BlendColour& casing,
                                  const BlendColour& colour) {
  BlendRows(target, [&](std::uint8_t* pixels, std::size_t start, int from, int to) {
    BlendCasedRun(pixels, &under_[start], &cover_[start], from, to, casing, colour);
    std::memset(&cover_[start] + from, 0, static_cast<std::size_t>(to - from));
    std::memset(&under_[start] + from, 0, static_cast<std::size_t>(to - from));
  });
}

void BlendDot(const RasterTarget& target, int top, int rows, DrawPoint centre, const DotStyle& style,
              const BlendColour& fill, const BlendColour& outline) {
  const float radius = static_cast<float>(std::max(0.0, style.radius));
  const float halfOutline = static_cast<float>(std::max(0.0, style.outlineWidth) / 2);
  const float reach = radius + halfOutline + 0.5f;
  const float cx = static_cast<float>(centre.x), cy = static_cast<float>(centre.y);
  const int firstRow = std::max({top, 0, static_cast<int>(std::ceil(cy - reach - 0.5f))});
  const int lastRow =
      std::min({top + rows, target.height, static_cast<int>(std::floor(cy + reach - 0.5f)) + 1});
  const int from = std::max(0, static_cast<int>(std::ceil(cx - reach - 0.5f)));
  const int to = std::min(target.width - 1, static_cast<int>(std::floor(cx + reach - 0.5f)));
  const auto coverage = [](float share) {
    return static_cast<std::uint8_t>(std::min(share, 1.0f) * 255.0f + 0.5f);
  };
  for (int y = firstRow; y < lastRow; ++y) {
    std::uint8_t* pixels = target.Row(y);
    const float dy = y + 0.5f - cy;
    for (int x = from; x <= to; ++x) {
      const float dx = x + 0.5f - cx;
      const float distance = std::sqrt(dx * dx + dy * dy);
      if (const std::uint8_t inside = coverage(Overlap(distance, -radius, radius)); inside != 0)
        BlendPixel(pixels + 3 * x, fill, inside);
      if (halfOutline > 0) {
        const std::uint8_t ring = coverage(Overlap(distance, radius - halfOutline, radius + halfOutline));
        if (ring != 0) BlendPixel(pixels + 3 * x, outline, ring);
      }
    }
  }
}
