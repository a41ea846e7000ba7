#pragma once
// Everything a device holds: its surfaces, its states, and the working arrays its draw calls
// reuse. One instance per device; the API layer changes it, and hands its draw inputs, surfaces
// and working arrays to the draw pipeline.
#include <cstdint>
#include <vector>

#include "render/pipeline/draw_inputs.h"
#include "render/pipeline/draw_primitives.h"
#include "render/pipeline/pixel_shading.h"
#include "render/types/d3d_types.h"

class RenderTarget;

struct DeviceState {
  RenderTarget* window = nullptr;
  int width = 0;
  int height = 0;
  D3DFORMAT backBufferFormat = D3DFMT_X8R8G8B8;
  // Both buffers hold width * height pixels row by row, then kRasterTargetPadding spare ones.
  std::vector<std::uint32_t> backBuffer;  // 0x00RRGGBB
  bool hasDepthBuffer = false;
  D3DFORMAT depthFormat = D3DFMT_UNKNOWN;
  std::vector<float> depthBuffer;  // 0..1 whatever the format

  DrawInputs inputs;  // the current states, transforms, lights, material and texture
  bool inScene = false;

  DrawScratch scratch;

  RasterTarget Target() {
    return {backBuffer.data(), hasDepthBuffer ? depthBuffer.data() : nullptr, width, height};
  }
};
