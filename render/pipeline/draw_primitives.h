#pragma once
// One indexed triangle-list draw through the whole pipeline: vertex transform and lighting
// (lazily, once per vertex used), trivial rejection, clipping, viewport mapping, culling on
// screen winding, then fill or wireframe.
#include <cstdint>

#include "render/device/device_state.h"
#include "render/device/vertex.h"

// The arguments have been checked: every index is below `vertexCount`.
void DrawIndexedTriangles(DeviceState& state, DWORD fvf, const Vertex* vertices, std::uint32_t vertexCount,
                          const std::uint32_t* indices, std::uint32_t triangleCount);
