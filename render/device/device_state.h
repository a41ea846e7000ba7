#pragma once
// Everything a device holds: its surfaces, its states, and the working arrays its draw calls
// reuse. One instance per device; the API layer changes it, the draw pipeline reads it.
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "render/device/d3d_types.h"
#include "render/device/device.h"
#include "render/device/texture.h"
#include "render/pipeline/clip_stage.h"
#include "render/pipeline/pipeline_vertex.h"

// The render states that can change; the others keep their defaults (see SetRenderState).
struct RenderStateValues {
  DWORD zEnable = D3DZB_FALSE;
  DWORD fillMode = D3DFILL_SOLID;
  DWORD cullMode = D3DCULL_CCW;
  DWORD lighting = 1;
  DWORD ambient = 0;
};

struct LightSlot {
  D3DLIGHT8 light{};
  bool defined = false;
  bool enabled = false;
};

// Per-vertex results of the draw call under way, indexed like its vertices.
struct DrawScratch {
  std::vector<ClipVertex> clipVertices;
  std::vector<ScreenVertex> screenVertices;
  std::vector<Outcode> outcodes;
  std::vector<std::uint8_t> progress;
};

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

  RenderStateValues renderStates;
  D3DMATRIX world;
  D3DMATRIX view;
  D3DMATRIX projection;
  std::array<LightSlot, Direct3DDevice8::kMaxLights> lights;
  D3DMATERIAL8 material{};
  std::shared_ptr<const Texture> texture;  // stage 0
  bool inScene = false;

  DrawScratch scratch;
};
