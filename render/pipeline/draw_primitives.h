#pragma once
// One indexed triangle-list draw through the whole pipeline: vertex transform and lighting
// (lazily, once per vertex used), trivial rejection, clipping, viewport mapping, culling on
// screen winding, then fill or wireframe.
#include <cstdint>
#include <vector>

#include "render/pipeline/clip_stage.h"
#include "render/pipeline/draw_inputs.h"
#include "render/pipeline/pipeline_vertex.h"
#include "render/pipeline/pixel_shading.h"
#include "render/types/vertex.h"

// Per-vertex results of the draw call under way, indexed like its vertices. Kept from draw to
// draw so that their storage is reused.
struct DrawScratch {
  std::vector<ClipVertex> clipVertices;
  std::vector<ScreenVertex> screenVertices;
  std::vector<Outcode> outcodes;
  std::vector<std::uint8_t> progress;
};

// Draws into `target` (no depth test when it has no depth buffer). The arguments have been
// checked: every index is below `vertexCount`.
void DrawIndexedTriangles(const DrawInputs& inputs, const RasterTarget& target, DrawScratch& scratch,
                          DWORD fvf, const Vertex* vertices, std::uint32_t vertexCount,
                          const std::uint32_t* indices, std::uint32_t triangleCount);
