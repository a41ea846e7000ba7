#include <memory>

#include "base/render_target.h"
#include "render/device/adapter.h"

namespace {

constexpr DWORD kHardwareVertexProcessing = 0x40;
constexpr DWORD kMixedVertexProcessing = 0x80;
constexpr DWORD kVertexProcessingFlags =
    D3DCREATE_SOFTWARE_VERTEXPROCESSING | kHardwareVertexProcessing | kMixedVertexProcessing;
constexpr UINT kRefreshRate = 60;

bool IsTextureFormat(D3DFORMAT format) {
  switch (format) {
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8:
    case D3DFMT_R5G6B5:
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5:
    case D3DFMT_A4R4G4B4:
      return true;
    default:
      return false;
  }
}

class SoftwareAdapter : public Direct3D8 {
 public:
  explicit SoftwareAdapter(ScreenSize screen) : screen_(screen) {}

  UINT GetAdapterModeCount(UINT adapter) override {
    if (adapter != D3DADAPTER_DEFAULT || !HasScreen()) return 0;
    return kModeFormatCount;
  }

  HRESULT EnumAdapterModes(UINT adapter, UINT mode, D3DDISPLAYMODE* displayMode) override {
    if (adapter != D3DADAPTER_DEFAULT || displayMode == nullptr || mode >= GetAdapterModeCount(adapter))
      return D3DERR_INVALIDCALL;
    *displayMode = ScreenMode(kModeFormats[mode]);
    return D3D_OK;
  }

  HRESULT GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* displayMode) override {
    if (adapter != D3DADAPTER_DEFAULT || displayMode == nullptr) return D3DERR_INVALIDCALL;
    *displayMode = ScreenMode(D3DFMT_X8R8G8B8);
    return D3D_OK;
  }

  HRESULT CheckDeviceFormat(UINT adapter, D3DDEVTYPE deviceType, D3DFORMAT adapterFormat, DWORD usage,
                            D3DRESOURCETYPE resourceType, D3DFORMAT checkFormat) override {
    if (adapter != D3DADAPTER_DEFAULT || !IsDeviceType(deviceType) || !IsModeFormat(adapterFormat))
      return D3DERR_INVALIDCALL;
    if (usage == D3DUSAGE_DEPTHSTENCIL) {
      const bool depthFormat = checkFormat == D3DFMT_D24X8 || checkFormat == D3DFMT_D16;
      return resourceType == D3DRTYPE_SURFACE && depthFormat ? D3D_OK : D3DERR_NOTAVAILABLE;
    }
    if (usage == 0 && IsTextureFormat(checkFormat)) return D3D_OK;
    return D3DERR_NOTAVAILABLE;
  }

  HRESULT CreateDevice(UINT adapter, D3DDEVTYPE deviceType, RenderTarget* focusWindow, DWORD behaviourFlags,
                       D3DPRESENT_PARAMETERS* params, std::unique_ptr<Direct3DDevice8>* device) override {
    if (adapter != D3DADAPTER_DEFAULT || !IsDeviceType(deviceType) || params == nullptr || device == nullptr)
      return D3DERR_INVALIDCALL;
    const DWORD vertexProcessing = behaviourFlags & kVertexProcessingFlags;
    if (vertexProcessing == 0 || (vertexProcessing & (vertexProcessing - 1)) != 0) return D3DERR_INVALIDCALL;
    // The device window defaults to the focus window, and a zero back-buffer side to its client
    // size; both are written back as the device will use them.
    if (params->hDeviceWindow == nullptr) params->hDeviceWindow = focusWindow;
    if (params->hDeviceWindow == nullptr) return D3DERR_INVALIDCALL;
    D3DPRESENT_PARAMETERS resolved = *params;
    if (resolved.BackBufferWidth == 0)
      resolved.BackBufferWidth = ClientSide(params->hDeviceWindow->ClientWidth());
    if (resolved.BackBufferHeight == 0)
      resolved.BackBufferHeight = ClientSide(params->hDeviceWindow->ClientHeight());
    const HRESULT result = Direct3DDevice8::Create(resolved, device);
    if (FAILED(result)) return result;
    *params = resolved;
    return D3D_OK;
  }

 private:
  static constexpr D3DFORMAT kModeFormats[] = {D3DFMT_X8R8G8B8, D3DFMT_R5G6B5};
  static constexpr UINT kModeFormatCount = 2;

  static bool IsDeviceType(D3DDEVTYPE type) { return type == D3DDEVTYPE_HAL || type == D3DDEVTYPE_REF; }
  static bool IsModeFormat(D3DFORMAT format) { return format == D3DFMT_X8R8G8B8 || format == D3DFMT_R5G6B5; }
  static UINT ClientSide(int side) { return side > 0 ? static_cast<UINT>(side) : 0; }

  bool HasScreen() const { return screen_.width > 0 && screen_.height > 0; }

  D3DDISPLAYMODE ScreenMode(D3DFORMAT format) const {
    return {static_cast<UINT>(screen_.width), static_cast<UINT>(screen_.height), kRefreshRate, format};
  }

  ScreenSize screen_;
};

}  // namespace

std::unique_ptr<Direct3D8> Direct3DCreate8(ScreenSize primaryScreen) {
  return std::make_unique<SoftwareAdapter>(primaryScreen);
}
