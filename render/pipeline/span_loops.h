#pragma once
// The span loops, which fill the covered runs of a triangle's rows. The scalar loop is the
// reference and handles every case; the SSE2 and AVX2 loops take the common ones (a power-of-two
// texture or none) four and eight pixels at a time. All compute the same float operations in the
// same order, so every loop gives identical pixels.
#include <cstdint>

#include "render/pipeline/pixel_shading.h"

// Attributes interpolated across a triangle: depth, 1/w, and u, v, r, g, b divided by w.
enum SpanAttribute {
  kSpanDepth,
  kSpanRhw,
  kSpanU,
  kSpanV,
  kSpanRed,
  kSpanGreen,
  kSpanBlue,
  kSpanAttributeCount
};
constexpr int kSpanAttributeSlots = 8;
static_assert(kSpanAttributeSlots >= kSpanAttributeCount);

// What the loops get for a triangle: the attributes' steps per pixel and the texture.
struct SpanSetup {
  float step[kSpanAttributeCount];        // change per pixel to the right
  const std::uint32_t* texels = nullptr;  // null when untextured
  int textureWidth = 0, textureHeight = 0;
  int textureWidthLog2 = 0;  // for power-of-two textures
  float textureWidthF = 0, textureHeightF = 0;
};

struct TriangleSpans;

// Fills every run of a triangle.
using SpanLoop = void (*)(const TriangleSpans& triangle, const SpanSetup& setup, const RasterTarget& target);

// `depthTest`: less-equal, with depth writes.
SpanLoop ScalarSpanLoop(bool depthTest, bool textured, bool powerOfTwoTexture);
// For a power-of-two texture or none. Null when the build (SSE2) or the processor (AVX2) lacks
// the instructions.
SpanLoop Sse2SpanLoop(bool depthTest, bool textured);
SpanLoop Avx2SpanLoop(bool depthTest, bool textured);
