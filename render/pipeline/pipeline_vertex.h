#pragma once
// The vertex records that travel between the pipeline stages.
#include <cstdint>

// After the vertex stage: position in clip space, lit colour (0..1) and texture coordinates.
struct ClipVertex {
  float x, y, z, w;
  float r, g, b;
  float u, v;
};

// Screen positions are fixed point with this many fractional bits, so that coverage is decided
// exactly and two triangles sharing an edge agree on every pixel along it.
constexpr int kSubpixelBits = 8;
constexpr std::int32_t kSubpixelOne = 1 << kSubpixelBits;

// After the viewport mapping: pixel centres sit at whole numbers; x, y are in 1/kSubpixelOne
// pixels. z is depth 0..1, rhw = 1/w; colour and texture coordinates are as in ClipVertex (not
// yet divided by w).
struct ScreenVertex {
  std::int32_t x, y;
  float z, rhw;
  float r, g, b;
  float u, v;
};
