#pragma once
// What the fill loops get for a triangle: which attributes are interpolated, their steps per
// pixel, the depth handling and the texture.
#include <cstdint>

#include "render/pixel_shading.h"

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

struct FillSetup {
  float step[kSpanAttributeCount];  // change per pixel to the right
  DepthCompare depthCompare;
  bool depthWrite;
  const std::uint32_t* texels = nullptr;  // null when untextured
  int textureWidth = 0, textureHeight = 0;
  int textureWidthLog2 = 0;  // for power-of-two textures
  float textureWidthF = 0, textureHeightF = 0;
};

struct TriangleSpans;

// Fills every run of a triangle.
using TriangleFillFunction = void (*)(const TriangleSpans& triangle, const FillSetup& setup,
                                      const RasterTarget& target);
