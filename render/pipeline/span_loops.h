#pragma once
// The span loops, which fill the covered runs of a triangle's rows. The scalar loop is the
// reference and handles every case; the SSE2 and AVX2 loops take the common ones (a power-of-two
// texture or none) four and eight pixels at a time. All compute the same float operations in the
// same order, so every loop gives identical pixels.
#include <cstdint>

#include "render/pipeline/pixel_shading.h"

// Attributes interpolated across a triangle: depth, 1/w, and divided by w: the texture's column
// and row (u times its width, v times its height; a texel's index is their whole part) and the
// colour channels as 255 c + 1/2 (a byte is their whole part, clamped).
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

// The colour of a triangle whose three corners share it, as bytes. Interpolating a constant
// gives that constant, so every pixel takes it exactly; the planes would only add rounding,
// enough to turn 127.5 levels into 127 on some pixels and 128 on others.
struct FlatColour {
  bool present = false;
  int red = 0, green = 0, blue = 0;
};

// What the loops get for a triangle: the attributes' steps per pixel, its flat colour if it has
// one, and the texture.
struct SpanSetup {
  float step[kSpanAttributeCount];  // change per pixel to the right
  FlatColour flatColour;
  const std::uint32_t* texels = nullptr;  // null when untextured
  int textureWidth = 0, textureHeight = 0;
  int textureWidthLog2 = 0;  // for power-of-two textures
};

struct TriangleSpans;

// Fills every run of a triangle.
using SpanLoop = void (*)(const TriangleSpans& triangle, const SpanSetup& setup, const RasterTarget& target);

// `depthTest`: less-equal, with depth writes. `flatColour`: the setup's flat colour is present.
SpanLoop ScalarSpanLoop(bool depthTest, bool textured, bool powerOfTwoTexture, bool flatColour);
// For a power-of-two texture or none. Null when the build (SSE2) or the processor (AVX2) lacks
// the instructions.
SpanLoop Sse2SpanLoop(bool depthTest, bool textured, bool flatColour);
SpanLoop Avx2SpanLoop(bool depthTest, bool textured, bool flatColour);
