#include "app/globe_renderer.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <iostream>

#include "base/number_text.h"
#include "base/render_target.h"
#include "render/types/d3dx_math.h"

namespace {

constexpr const char* kInitFailure = "ERROR initializing D3D ";

bool InGroup(D3DFORMAT format, std::int32_t bits) {
  if (bits == 32) return format == D3DFMT_R8G8B8 || format == D3DFMT_X8R8G8B8;
  if (bits == 16) return format == D3DFMT_R5G6B5 || format == D3DFMT_X1R5G5B5 || format == D3DFMT_X4R4G4B4;
  return false;
}

std::string TimestampText(const LocalDateTime& t) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%04d/%02d/%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                t.minute, t.second);
  return buffer;
}

// A single-precision number as the platform prints it: up to 7 significant digits.
std::string SingleText(float value) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, static_cast<double>(value),
                                    std::chars_format::general, 7);
  return std::string(buffer, result.ptr);
}

std::string PlatformPath(std::string path) {
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  return path;
}

}  // namespace

std::string ModelPath(const std::string& programDirectory) { return programDirectory + "/5.x"; }

std::string TexturePath(const std::string& programDirectory, const std::string& textureName) {
  return programDirectory + "/" + PlatformPath(textureName);
}

void GlobeRenderer::Fail(const std::string& text, const std::string& title, MessageIcon icon) {
  services_.messages->Show(text, title, icon);
}

bool GlobeRenderer::InitRenderer(RenderTarget* picture1) {
  services_.writeLog("Program start: " + TimestampText(services_.clock->Now()));
  const float screenWidth = static_cast<float>(services_.screen.widthTwips / services_.screen.twipsPerPixelX);
  const float screenHeight =
      static_cast<float>(services_.screen.heightTwips / services_.screen.twipsPerPixelY);
  services_.writeLog(SingleText(screenWidth));
  services_.writeLog(SingleText(screenHeight));
  const auto width = static_cast<std::int32_t>(RoundHalfEven(screenWidth));
  const auto height = static_cast<std::int32_t>(RoundHalfEven(screenHeight));

  d3d_.reset();
  d3d_ = services_.createDirect3D(ScreenSize{width, height});
  if (!d3d_ || picture1 == nullptr) {
    Fail(kInitFailure, "ERROR", MessageIcon::Critical);
    return false;
  }
  if (FindDisplayMode(width, height, 32) <= 0 && FindDisplayMode(width, height, 16) <= 0) {
    Fail("Neither 16-Bit nor 32-Bit Display Mode Supported", "ERROR", MessageIcon::Information);
    services_.unloadMainWindow();
    return false;
  }
  if (FAILED(SetUpDevice(picture1))) {
    Fail(kInitFailure, "ERROR", MessageIcon::Critical);
    return false;
  }
  LoadModels();
  if (FAILED(services_.updateSunLights(device_.get()))) {
    Fail(kInitFailure, "ERROR", MessageIcon::Critical);
    return false;
  }
  return true;
}

HRESULT GlobeRenderer::SetUpDevice(RenderTarget* picture1) {
  D3DDISPLAYMODE mode{};
  HRESULT hr = d3d_->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &mode);
  if (FAILED(hr)) return hr;
  const int surfaceWidth = picture1->ClientWidth();
  const int surfaceHeight = picture1->ClientHeight();

  D3DPRESENT_PARAMETERS params{};
  params.BackBufferFormat = mode.Format;
  params.SwapEffect = D3DSWAPEFFECT_COPY_VSYNC;
  params.hDeviceWindow = picture1;
  params.Windowed = 1;
  for (D3DFORMAT depth : {D3DFMT_D32, D3DFMT_D24X8, D3DFMT_D16}) {
    if (d3d_->CheckDeviceFormat(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, mode.Format, D3DUSAGE_DEPTHSTENCIL,
                                D3DRTYPE_SURFACE, depth) == D3D_OK) {
      params.EnableAutoDepthStencil = 1;
      params.AutoDepthStencilFormat = depth;
      break;
    }
  }
  if (params.AutoDepthStencilFormat == D3DFMT_D32) Fail("32-bit", "", MessageIcon::None);
  if (!params.EnableAutoDepthStencil) {
    Fail("Depth buffer could not be enabled", "Depth buffer not supported", MessageIcon::Information);
  }

  // The model table's meshes belong to the device they were loaded on; they go with it.
  models_[0] = ModelSlot{};
  device_.reset();
  hr = d3d_->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, picture1, D3DCREATE_SOFTWARE_VERTEXPROCESSING,
                          &params, &device_);
  if (FAILED(hr) || !device_) return FAILED(hr) ? hr : E_FAIL;
  sceneBegun_ = false;

  Direct3DDevice8& d = *device_;
  if (FAILED(hr = d.SetVertexShader(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1))) return hr;
  if (FAILED(hr = d.SetRenderState(D3DRS_LIGHTING, 1))) return hr;
  if (FAILED(hr = d.SetRenderState(D3DRS_AMBIENT, D3DCOLOR_XRGB(50, 50, 50)))) return hr;
  if (FAILED(hr = d.SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE))) return hr;
  if (FAILED(hr = d.SetRenderState(D3DRS_CULLMODE, D3DCULL_CW))) return hr;

  D3DXMatrixIdentity(&worldMatrix_);
  if (FAILED(hr = d.SetTransform(D3DTS_WORLD, worldMatrix_))) return hr;
  const D3DVECTOR eye{-2, 2, -2}, at{0, 0, 0}, up{0, 1, 0};
  D3DXMatrixLookAtLH(&viewMatrix_, &eye, &at, &up);
  if (FAILED(hr = d.SetTransform(D3DTS_VIEW, viewMatrix_))) return hr;
  if (surfaceWidth <= 0 || surfaceHeight <= 0) return D3DERR_INVALIDCALL;
  D3DXMatrixPerspectiveFovLH(&projectionMatrix_, 3.14159f / 3,
                             static_cast<float>(surfaceWidth) / surfaceHeight, 0.1f, 500.0f);
  return d.SetTransform(D3DTS_PROJECTION, projectionMatrix_);
}

std::int32_t GlobeRenderer::FindDisplayMode(std::int32_t width, std::int32_t height, std::int32_t bits) {
  const UINT count = d3d_->GetAdapterModeCount(D3DADAPTER_DEFAULT);
  for (UINT i = 0; i < count; ++i) {
    D3DDISPLAYMODE mode{};
    if (FAILED(d3d_->EnumAdapterModes(D3DADAPTER_DEFAULT, i, &mode))) continue;
    if (static_cast<std::int64_t>(mode.Width) != width || static_cast<std::int64_t>(mode.Height) != height)
      continue;
    if (InGroup(mode.Format, bits)) return static_cast<std::int32_t>(mode.Format);
  }
  return 0;
}

void GlobeRenderer::ReleaseRenderer() {
  device_.reset();
  d3d_.reset();
}

void GlobeRenderer::LoadModels() {
  ModelSlot& slot = models_[0];
  // A failed load never leaves meshes of an earlier device in the table.
  slot = ModelSlot{};
  const auto fail = [&](const std::string& detail) {
    std::cerr << "skerrowen: " << detail << '\n';
    Fail("Error loading models", "ERROR", MessageIcon::Critical);
  };

  std::vector<D3DXMATERIAL> materials;
  DWORD count = 0;
  std::string error;
  const MeshFileLoader& loadMesh = services_.loadMeshFromX ? services_.loadMeshFromX : D3DXLoadMeshFromX;
  const HRESULT hr = loadMesh(ModelPath(services_.programDirectory), D3DXMESH_MANAGED, device_.get(),
                              &slot.Mesh, &materials, &count, &error);
  if (FAILED(hr)) {
    slot = ModelSlot{};
    return fail(error);
  }
  slot.MaterialCount = static_cast<std::int32_t>(count);
  slot.Materials.assign(count, D3DMATERIAL8{});
  slot.Textures.assign(count, nullptr);
  for (DWORD j = 0; j < count; ++j) {
    slot.Materials[j] = materials[j].MatD3D;
    slot.Materials[j].Ambient = slot.Materials[j].Diffuse;
    slot.TextureName = materials[j].TextureFilename;
    if (slot.TextureName.empty()) continue;
    const std::string path = TexturePath(services_.programDirectory, slot.TextureName);
    if (FAILED(services_.createTextureFromFile(device_.get(), path, &slot.Textures[j], &error)))
      return fail(error);
  }
}

HRESULT GlobeRenderer::DrawModels() {
  if (!device_) return D3DERR_INVALIDCALL;
  HRESULT hr = device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x00000033, 1.0f, 0);
  if (FAILED(hr)) return hr;
  if (FAILED(hr = device_->BeginScene())) return hr;
  sceneBegun_ = true;
  for (std::size_t s = 0; s < models_.size(); ++s) {
    ModelSlot& slot = models_[s];
    if (FAILED(hr = device_->SetTransform(D3DTS_WORLD, modelMatrices_[s]))) return hr;
    for (std::int32_t i = 0; i < slot.MaterialCount && slot.Mesh; ++i) {
      if (FAILED(hr = device_->SetTexture(0, slot.Textures[i]))) return hr;
      if (FAILED(hr = device_->SetMaterial(slot.Materials[i]))) return hr;
      if (FAILED(hr = slot.Mesh->DrawSubset(static_cast<DWORD>(i)))) return hr;
    }
  }
  return D3D_OK;
}

HRESULT GlobeRenderer::EndAndPresent() {
  if (!device_) return D3DERR_INVALIDCALL;
  // A frame that failed half-way still ends its scene, so the next frame can begin one.
  if (sceneBegun_) {
    sceneBegun_ = false;
    const HRESULT hr = device_->EndScene();
    if (FAILED(hr)) return hr;
  }
  return device_->Present(nullptr, nullptr, nullptr, nullptr);
}
