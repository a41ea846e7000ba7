#pragma once
// Homogeneous clipping. The near (z = 0) and far (z = w) planes cut triangles for real. Left,
// right, top and bottom are handled with a guard band: a triangle is only cut where it reaches
// far beyond the viewport, which keeps screen coordinates small enough for exact fixed-point
// coverage without changing which pixels are drawn.
#include <cstdint>

#include "render/pipeline/pipeline_vertex.h"

using Outcode = std::uint32_t;

// Planes a triangle is cut against.
constexpr Outcode kOutsideNear = 1u << 0;
constexpr Outcode kOutsideFar = 1u << 1;
constexpr Outcode kOutsideMinimumW = 1u << 2;  // w too small to divide by (odd projections)
constexpr Outcode kOutsideGuardLeft = 1u << 3;
constexpr Outcode kOutsideGuardRight = 1u << 4;
constexpr Outcode kOutsideGuardTop = 1u << 5;
constexpr Outcode kOutsideGuardBottom = 1u << 6;
constexpr Outcode kClipPlanes = (1u << 7) - 1;
// Sides of the viewport itself: only used to drop triangles wholly off one side. Set only for
// vertices in front of the near plane, where the test means something.
constexpr Outcode kBeyondViewportLeft = 1u << 7;
constexpr Outcode kBeyondViewportRight = 1u << 8;
constexpr Outcode kBeyondViewportTop = 1u << 9;
constexpr Outcode kBeyondViewportBottom = 1u << 10;
// A coordinate that is infinite or NaN: the triangle is dropped.
constexpr Outcode kNotFinite = 1u << 11;

// The guard band as multiples of w: a vertex with |x| <= xLimit * w and |y| <= yLimit * w lands
// at most kGuardBandPixels outside the viewport.
struct GuardBand {
  float xLimit;
  float yLimit;
};
constexpr int kGuardBandPixels = 4096;
GuardBand MakeGuardBand(int viewportWidth, int viewportHeight);

Outcode ComputeOutcode(const ClipVertex& vertex, const GuardBand& guardBand);

// A clipped triangle: a convex polygon. Each plane adds at most one vertex.
constexpr int kMaxPolygonVertices = 3 + 7;
struct ClipPolygon {
  int count = 0;
  ClipVertex vertices[kMaxPolygonVertices];
  // Whether the edge from vertex i to vertex i + 1 (cyclic) is part of an edge of the original
  // triangle, rather than a cut along a clip plane. Wireframe draws only those.
  bool edgeIsOriginal[kMaxPolygonVertices];
};

// Cuts triangle abc against the planes named in `planes` (kClipPlanes bits). The result may have
// fewer than three vertices, meaning nothing is left.
void ClipTriangle(const ClipVertex& a, const ClipVertex& b, const ClipVertex& c, Outcode planes,
                  const GuardBand& guardBand, ClipPolygon* polygon);
