#pragma once
// The present parameters of a windowed device drawing for `window`, as the globe renderer
// asks for them: 32-bit back buffer, copy swap, and a depth buffer in `depthFormat` (none
// when D3DFMT_UNKNOWN).
#include "render/types/d3d_types.h"

inline D3DPRESENT_PARAMETERS WindowedParams(RenderTarget* window, D3DFORMAT depthFormat = D3DFMT_D24X8) {
  D3DPRESENT_PARAMETERS params{};
  params.BackBufferFormat = D3DFMT_X8R8G8B8;
  params.SwapEffect = D3DSWAPEFFECT_COPY_VSYNC;
  params.hDeviceWindow = window;
  params.Windowed = 1;
  params.EnableAutoDepthStencil = depthFormat != D3DFMT_UNKNOWN ? 1 : 0;
  params.AutoDepthStencilFormat = depthFormat;
  return params;
}
