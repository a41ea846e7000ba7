#include "render/pipeline/raster_stage.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>

#include "render/pipeline/edge_walk.h"
#include "render/pipeline/triangle_spans.h"

namespace {

std::int32_t FloorToPixel(std::int32_t fixed) { return fixed >> kSubpixelBits; }
std::int32_t CeilToPixel(std::int32_t fixed) { return -((-fixed) >> kSubpixelBits); }

// The attributes that vary linearly in screen space at a vertex: depth, 1/w, and divided by w
// the texture's column and row (u and v times the texture's size) and the colour channels
// scaled to bytes and raised by a half, so that each pixel needs only the division by w.
void LinearAttributes(const ScreenVertex& v, double textureWidth, double textureHeight,
                      double out[kSpanAttributeCount]) {
  out[kSpanDepth] = v.z;
  out[kSpanRhw] = v.rhw;
  out[kSpanU] = v.u * textureWidth * v.rhw;
  out[kSpanV] = v.v * textureHeight * v.rhw;
  out[kSpanRed] = (v.r * 255.0 + 0.5) * v.rhw;
  out[kSpanGreen] = (v.g * 255.0 + 0.5) * v.rhw;
  out[kSpanBlue] = (v.b * 255.0 + 0.5) * v.rhw;
}

// The attributes as planes through the three vertices.
void MakePlanes(const ScreenVertex& v0, const ScreenVertex& v1, const ScreenVertex& v2,
                const Texture* texture, TriangleSpans* planes) {
  const double x10 = static_cast<double>(v1.x - v0.x) / kSubpixelOne;
  const double y10 = static_cast<double>(v1.y - v0.y) / kSubpixelOne;
  const double x20 = static_cast<double>(v2.x - v0.x) / kSubpixelOne;
  const double y20 = static_cast<double>(v2.y - v0.y) / kSubpixelOne;
  const double perArea = 1.0 / (x10 * y20 - x20 * y10);
  const double textureWidth = texture != nullptr ? texture->width : 1.0;
  const double textureHeight = texture != nullptr ? texture->height : 1.0;
  double a0[kSpanAttributeCount], a1[kSpanAttributeCount], a2[kSpanAttributeCount];
  LinearAttributes(v0, textureWidth, textureHeight, a0);
  LinearAttributes(v1, textureWidth, textureHeight, a1);
  LinearAttributes(v2, textureWidth, textureHeight, a2);
  planes->originX = static_cast<double>(v0.x) / kSubpixelOne;
  planes->originY = static_cast<double>(v0.y) / kSubpixelOne;
  for (int i = 0; i < kSpanAttributeCount; ++i) {
    const double f10 = a1[i] - a0[i];
    const double f20 = a2[i] - a0[i];
    planes->value[i] = a0[i];
    planes->ddx[i] = (f10 * y20 - f20 * y10) * perArea;
    planes->ddy[i] = (f20 * x10 - f10 * x20) * perArea;
  }
  for (int i = kSpanAttributeCount; i < kSpanAttributeSlots; ++i)
    planes->value[i] = planes->ddx[i] = planes->ddy[i] = 0.0;
}

// Colours reaching the rasterizer lie within 0..1: lighting clamps them and vertex colours are
// bytes. Far beyond that they are bounded, so that a pixel's channel scaled to bytes stays well
// within an int and the fill loops' conversions saturate alike without clamping first. NaN stays.
constexpr float kMaxColourMagnitude = 1e6f;

void BoundColours(ScreenVertex* vertex) {
  for (float* channel : {&vertex->r, &vertex->g, &vertex->b})
    *channel = std::min(std::max(*channel, -kMaxColourMagnitude), kMaxColourMagnitude);
}

constexpr float kMaxTextureRepeats = 16384.0f;
static_assert(static_cast<double>(kMaxTextureRepeats) * kMaxTextureSide < 2147483648.0,
              "a bounded coordinate times the texture's side must fit an int");

// floor() for a finite float, inline: floats of 2^23 and beyond are whole already. (The build's
// baseline has no rounding instruction, and std::floor is a library call per triangle.)
float FloorFinite(float value) {
  if (!(std::abs(value) < 8388608.0f)) return value;
  const float truncated = static_cast<float>(static_cast<int>(value));
  return truncated > value ? truncated - 1.0f : truncated;
}

void BoundCoordinate(float* values[], int count) {
  for (int i = 0; i < count; ++i)
    if (!std::isfinite(*values[i])) *values[i] = 0.0f;
  float lowest = *values[0];
  for (int i = 1; i < count; ++i) lowest = std::min(lowest, *values[i]);
  const float shift = FloorFinite(lowest);
  for (int i = 0; i < count; ++i) *values[i] = std::min(*values[i] - shift, kMaxTextureRepeats);
}

// Shifts u (and, separately, v) of the given vertices by the same whole number so that the
// smallest lies in [0, 1), and caps their spread. Wrapping makes the shift invisible; it keeps
// the sampler's arithmetic small whatever coordinates a mesh carries.
void BoundTextureCoordinates(ScreenVertex* vertices[], int count) {
  float* us[3];
  float* vs[3];
  for (int i = 0; i < count; ++i) {
    us[i] = &vertices[i]->u;
    vs[i] = &vertices[i]->v;
  }
  BoundCoordinate(us, count);
  BoundCoordinate(vs, count);
}

}  // namespace

void FillTriangle(const RasterTarget& target, const PixelPipeline& pipeline, const ScreenVertex& a,
                  const ScreenVertex& b, const ScreenVertex& c) {
  ScreenVertex v[3] = {a, b, c};
  const std::int64_t area = static_cast<std::int64_t>(v[1].x - v[0].x) * (v[2].y - v[0].y) -
                            static_cast<std::int64_t>(v[2].x - v[0].x) * (v[1].y - v[0].y);
  if (area == 0) return;
  if (area < 0) std::swap(v[1], v[2]);

  TriangleSpans triangle;
  triangle.firstRow = std::max(0, CeilToPixel(std::min({v[0].y, v[1].y, v[2].y})));
  triangle.lastRow = std::min(target.height - 1, FloorToPixel(std::max({v[0].y, v[1].y, v[2].y})));
  triangle.firstColumn = std::max(0, CeilToPixel(std::min({v[0].x, v[1].x, v[2].x})));
  triangle.lastColumn = std::min(target.width - 1, FloorToPixel(std::max({v[0].x, v[1].x, v[2].x})));
  if (triangle.firstRow > triangle.lastRow || triangle.firstColumn > triangle.lastColumn) return;

  // A horizontal edge limits the rows; the sloped ones limit the columns of each row.
  const EdgeFunction edges[3] = {MakeEdge(v[0], v[1]), MakeEdge(v[1], v[2]), MakeEdge(v[2], v[0])};
  for (const EdgeFunction& edge : edges) {
    if (edge.a != 0) continue;
    // b * j + c >= 0 with b != 0, since the triangle has area.
    if (edge.b > 0) {
      const FloorDivision limit = DivideFloor(-edge.c, edge.b);
      triangle.firstRow = static_cast<int>(
          std::max<std::int64_t>(triangle.firstRow, limit.quotient + (limit.remainder != 0 ? 1 : 0)));
    } else {
      triangle.lastRow =
          static_cast<int>(std::min<std::int64_t>(triangle.lastRow, DivideFloor(edge.c, -edge.b).quotient));
    }
  }
  if (triangle.firstRow > triangle.lastRow) return;
  // A triangle has a sloped edge on either side, and a third edge that is sloped or horizontal.
  bool hasLower = false, hasUpper = false, hasSecond = false;
  for (const EdgeFunction& edge : edges) {
    if (edge.a == 0) continue;
    const EdgeColumnLimit limit = MakeColumnLimit(edge, triangle.firstRow);
    if (limit.isLowerLimit && !hasLower) {
      triangle.limits.Set(ColumnLimits::kLower, limit);
      hasLower = true;
    } else if (!limit.isLowerLimit && !hasUpper) {
      triangle.limits.Set(ColumnLimits::kUpper, limit);
      hasUpper = true;
    } else {
      triangle.limits.Set(limit.isLowerLimit ? ColumnLimits::kSecondLower : ColumnLimits::kSecondUpper,
                          limit);
      triangle.limits.SetFixed(limit.isLowerLimit ? ColumnLimits::kSecondUpper : ColumnLimits::kSecondLower,
                               limit.isLowerLimit ? triangle.lastColumn : triangle.firstColumn);
      hasSecond = true;
    }
  }
  if (!hasSecond) {
    triangle.limits.SetFixed(ColumnLimits::kSecondLower, triangle.firstColumn);
    triangle.limits.SetFixed(ColumnLimits::kSecondUpper, triangle.lastColumn);
  }
  if (pipeline.texture != nullptr) {
    ScreenVertex* corners[3] = {&v[0], &v[1], &v[2]};
    BoundTextureCoordinates(corners, 3);
  }
  for (ScreenVertex& corner : v) BoundColours(&corner);
  if (v[0].r == v[1].r && v[0].r == v[2].r && v[0].g == v[1].g && v[0].g == v[2].g && v[0].b == v[1].b &&
      v[0].b == v[2].b)
    triangle.flatColour = {true, ChannelToByte(v[0].r), ChannelToByte(v[0].g), ChannelToByte(v[0].b)};
  MakePlanes(v[0], v[1], v[2], pipeline.texture, &triangle);
  FillTriangleSpans(triangle, target, pipeline);
}

void DrawLine(const RasterTarget& target, const PixelPipeline& pipeline, const ScreenVertex& from,
              const ScreenVertex& to) {
  ScreenVertex ends[2] = {from, to};
  if (pipeline.texture != nullptr) {
    ScreenVertex* corners[2] = {&ends[0], &ends[1]};
    BoundTextureCoordinates(corners, 2);
  }
  const double fromX = static_cast<double>(from.x) / kSubpixelOne;
  const double fromY = static_cast<double>(from.y) / kSubpixelOne;
  const double dx = static_cast<double>(to.x - from.x) / kSubpixelOne;
  const double dy = static_cast<double>(to.y - from.y) / kSubpixelOne;
  if (dx == 0.0 && dy == 0.0) return;
  const bool alongX = std::abs(dx) >= std::abs(dy);
  // Pixels along the major axis, from the start's pixel up to the end's pixel, which is left out.
  const std::int32_t startFixed = alongX ? from.x : from.y;
  const std::int32_t endFixed = alongX ? to.x : to.y;
  const int start = FloorToPixel(startFixed + kSubpixelOne / 2);
  const int end = FloorToPixel(endFixed + kSubpixelOne / 2);
  if (start == end) return;
  const int limit = (alongX ? target.width : target.height) - 1;
  const int lowest = std::max(0, end > start ? start : end + 1);
  const int highest = std::min(limit, end > start ? end - 1 : start);

  const double major = alongX ? dx : dy;
  const double majorOrigin = alongX ? fromX : fromY;
  // Attributes divided by w at both ends, interpolated linearly along the screen.
  const float rhw[2] = {ends[0].rhw, ends[1].rhw};
  float overW[2][5];
  for (int e = 0; e < 2; ++e) {
    const float values[5] = {ends[e].r, ends[e].g, ends[e].b, ends[e].u, ends[e].v};
    for (int i = 0; i < 5; ++i) overW[e][i] = values[i] * rhw[e];
  }
  for (int step = lowest; step <= highest; ++step) {
    const double t = std::clamp((step - majorOrigin) / major, 0.0, 1.0);
    const int other = static_cast<int>(std::floor((alongX ? fromY + t * dy : fromX + t * dx) + 0.5));
    const int x = alongX ? step : other;
    const int y = alongX ? other : step;
    if (x < 0 || y < 0 || x >= target.width || y >= target.height) continue;
    const float tf = static_cast<float>(t);
    const float w = 1.0f / (rhw[0] + (rhw[1] - rhw[0]) * tf);
    float value[5];
    for (int i = 0; i < 5; ++i) value[i] = (overW[0][i] + (overW[1][i] - overW[0][i]) * tf) * w;
    ShadePixel(target, pipeline, x, y, ends[0].z + (ends[1].z - ends[0].z) * tf, value[0], value[1], value[2],
               value[3], value[4]);
  }
}
