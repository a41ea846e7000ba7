#pragma once
// What a triangle-list draw reads besides its vertices and indices: the render states that can
// change, the three transforms, the lights, the material and the stage-0 texture. The device
// keeps one of these as its current state and hands it to each draw.
#include <array>
#include <memory>

#include "render/types/d3d_types.h"
#include "render/types/texture.h"

constexpr DWORD kLightSlotCount = 8;

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

struct DrawInputs {
  RenderStateValues renderStates;
  D3DMATRIX world{};
  D3DMATRIX view{};
  D3DMATRIX projection{};
  std::array<LightSlot, kLightSlotCount> lights;
  D3DMATERIAL8 material{};
  std::shared_ptr<const Texture> texture;
};
