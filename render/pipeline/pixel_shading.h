#pragma once
// What happens to one pixel that passed coverage: depth test and write, point sampling with
// wrap, texture MODULATE diffuse, and the colour write. Inline because the rasterizer's inner
// loops are built from these.
#include <cstdint>
#include <limits>

#include "render/types/texture.h"

// The surfaces a draw writes into. `depth` is null when there is no depth buffer. Both have
// kRasterTargetPadding elements past the last pixel: the fill loops read and write back (unchanged)
// up to seven pixels beyond the end of a run.
constexpr int kRasterTargetPadding = 8;
struct RasterTarget {
  std::uint32_t* colour = nullptr;
  float* depth = nullptr;
  int width = 0;
  int height = 0;
};

// The widest span loop the rasterizer may use. All draw identical pixels; tests narrow the choice
// to check the narrower loops on processors that have the wider ones.
enum class SpanLoopKind : std::uint8_t { kScalar, kSse2, kAvx2 };

struct PixelPipeline {
  SpanLoopKind widestSpanLoop = SpanLoopKind::kAvx2;
  bool depthTest = false;            // less-equal, with depth writes
  const Texture* texture = nullptr;  // null: the lit colour is written as it is
};

// floor() for values well inside the int range, without a library call.
inline int FloorToInt(float value) {
  const int truncated = static_cast<int>(value);
  return truncated - (value < static_cast<float>(truncated) ? 1 : 0);
}

// Texel index of a point sample: floor(u * width), floor(v * height), wrapped. Texture
// coordinates reaching here are bounded by the rasterizer (see BoundTextureCoordinates), so
// the conversion to int cannot overflow.
inline std::uint32_t SampleTexel(const Texture& texture, float u, float v) {
  int column = FloorToInt(u * static_cast<float>(texture.width));
  int row = FloorToInt(v * static_cast<float>(texture.height));
  if ((texture.width & (texture.width - 1)) == 0 && (texture.height & (texture.height - 1)) == 0) {
    column &= texture.width - 1;
    row &= texture.height - 1;
  } else {
    column %= texture.width;
    row %= texture.height;
    if (column < 0) column += texture.width;
    if (row < 0) row += texture.height;
  }
  return texture.texels[static_cast<std::size_t>(row) * texture.width + column];
}

// A colour channel already scaled to 0..255 and raised by a half, as a byte: clamped before the
// conversion (NaN gives 0), then rounded down, which rounds the channel to the nearest byte. The
// vector span loops clamp the same way.
inline int ScaledChannelToByte(float scaled) {
  scaled = scaled > 0.0f ? scaled : 0.0f;
  scaled = scaled < 255.0f ? scaled : 255.0f;
  return static_cast<int>(scaled);
}

// A colour channel 0..1 as 0..255, rounded.
inline int ChannelToByte(float channel) { return ScaledChannelToByte(channel * 255.0f + 0.5f); }

// A float rounded towards zero. NaN and values beyond the int range give the int's lowest value,
// as the processor's vector conversions do.
inline int TruncateToInt(float value) {
  return value > -2147483648.0f && value < 2147483648.0f ? static_cast<int>(value)
                                                         : std::numeric_limits<int>::min();
}

// round(a * b / 255) for a, b in 0..255, exactly.
inline std::uint32_t MultiplyBytes(std::uint32_t a, std::uint32_t b) {
  const std::uint32_t product = a * b + 128;
  return (product + (product >> 8)) >> 8;
}

inline std::uint32_t Modulate(std::uint32_t texel, int red, int green, int blue) {
  return (MultiplyBytes((texel >> 16) & 0xFF, red) << 16) | (MultiplyBytes((texel >> 8) & 0xFF, green) << 8) |
         MultiplyBytes(texel & 0xFF, blue);
}

inline std::uint32_t PackRgb(int red, int green, int blue) {
  return (static_cast<std::uint32_t>(red) << 16) | (static_cast<std::uint32_t>(green) << 8) |
         static_cast<std::uint32_t>(blue);
}

// One pixel with its perspective-divided attributes: used by lines; triangles have
// their own loops built from the same pieces.
inline void ShadePixel(const RasterTarget& target, const PixelPipeline& pipeline, int x, int y, float z,
                       float r, float g, float b, float u, float v) {
  const std::size_t index = static_cast<std::size_t>(y) * target.width + x;
  if (pipeline.depthTest) {
    if (!(z <= target.depth[index])) return;
    target.depth[index] = z;
  }
  const int red = ChannelToByte(r), green = ChannelToByte(g), blue = ChannelToByte(b);
  target.colour[index] = pipeline.texture != nullptr
                             ? Modulate(SampleTexel(*pipeline.texture, u, v), red, green, blue)
                             : PackRgb(red, green, blue);
}
