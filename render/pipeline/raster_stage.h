#pragma once
// Rasterization of screen-space primitives: filled triangles with the top-left fill rule and
// pixel centres at whole coordinates, and lines for wireframe. Colours and texture
// coordinates are interpolated perspective-correctly; depth linearly in screen space.
#include "render/pipeline/pipeline_vertex.h"
#include "render/pipeline/pixel_shading.h"

// Either winding is filled: culling has been decided before.
void FillTriangle(const RasterTarget& target, const PixelPipeline& pipeline, const ScreenVertex& a,
                  const ScreenVertex& b, const ScreenVertex& c);

// Draws the pixels the segment passes along its major axis, from `from` up to but not including
// `to`, so that the edges of a closed outline meet without drawing a corner twice.
void DrawLine(const RasterTarget& target, const PixelPipeline& pipeline, const ScreenVertex& from,
              const ScreenVertex& to);
