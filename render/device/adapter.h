#pragma once
// The adapter object: display-mode queries, format checks and device creation on the
// default adapter. The renderer set-up talks to it through this interface so that a test
// can stand in an adapter with no modes, no depth formats or a failing device creation.
#include <memory>

#include "render/device/device.h"
#include "render/types/d3d_types.h"

class Direct3D8 {
 public:
  virtual ~Direct3D8() = default;
  virtual UINT GetAdapterModeCount(UINT adapter) = 0;
  virtual HRESULT EnumAdapterModes(UINT adapter, UINT mode, D3DDISPLAYMODE* displayMode) = 0;
  virtual HRESULT GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* displayMode) = 0;
  virtual HRESULT CheckDeviceFormat(UINT adapter, D3DDEVTYPE deviceType, D3DFORMAT adapterFormat, DWORD usage,
                                    D3DRESOURCETYPE resourceType, D3DFORMAT checkFormat) = 0;
  virtual HRESULT CreateDevice(UINT adapter, D3DDEVTYPE deviceType, RenderTarget* focusWindow,
                               DWORD behaviourFlags, D3DPRESENT_PARAMETERS* params,
                               std::unique_ptr<Direct3DDevice8>* device) = 0;
};

struct ScreenSize {
  int width = 0;
  int height = 0;
};

// The software adapter for a primary screen of the given size: it lists that size in
// X8R8G8B8 and R5G6B5, reports X8R8G8B8 as the current mode, and accepts the depth
// formats D24X8 and D16 (D32 is refused).
std::unique_ptr<Direct3D8> Direct3DCreate8(ScreenSize primaryScreen);
