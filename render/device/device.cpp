#include "render/device/device.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "base/render_target.h"
#include "render/device/device_state.h"
#include "render/device/frame_history.h"
#include "render/device/surface_fill.h"
#include "render/types/d3dx_math.h"

static_assert(Direct3DDevice8::kMaxLights == kLightSlotCount);

namespace {

constexpr DWORD kSupportedFvfBits = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_TEX1;

bool IsBackBufferFormat(D3DFORMAT format) {
  return format == D3DFMT_X8R8G8B8 || format == D3DFMT_R5G6B5 || format == D3DFMT_X1R5G5B5;
}

bool IsDepthFormat(D3DFORMAT format) { return format == D3DFMT_D24X8 || format == D3DFMT_D16; }

// The state's storage, or null for a state that cannot change or that this device does not know.
DWORD* RenderStateSlot(RenderStateValues& states, D3DRENDERSTATETYPE state) {
  switch (state) {
    case D3DRS_ZENABLE:
      return &states.zEnable;
    case D3DRS_FILLMODE:
      return &states.fillMode;
    case D3DRS_CULLMODE:
      return &states.cullMode;
    case D3DRS_LIGHTING:
      return &states.lighting;
    case D3DRS_AMBIENT:
      return &states.ambient;
    default:
      return nullptr;
  }
}

// The value of a state the device only draws with its default, or null.
const DWORD* FixedRenderState(D3DRENDERSTATETYPE state) {
  static constexpr DWORD kGouraud = D3DSHADE_GOURAUD, kTrue = 1, kFalse = 0, kLessEqual = D3DCMP_LESSEQUAL;
  switch (state) {
    case D3DRS_SHADEMODE:
      return &kGouraud;
    case D3DRS_ZWRITEENABLE:
    case D3DRS_COLORVERTEX:
      return &kTrue;
    case D3DRS_ZFUNC:
      return &kLessEqual;
    case D3DRS_SPECULARENABLE:
    case D3DRS_NORMALIZENORMALS:
      return &kFalse;
    default:
      return nullptr;
  }
}

bool IsValidRenderStateValue(D3DRENDERSTATETYPE state, DWORD value) {
  switch (state) {
    case D3DRS_ZENABLE:
      return value == D3DZB_FALSE || value == D3DZB_TRUE;
    case D3DRS_FILLMODE:
      return value == D3DFILL_WIREFRAME || value == D3DFILL_SOLID;
    case D3DRS_CULLMODE:
      return value >= D3DCULL_NONE && value <= D3DCULL_CCW;
    default:
      return true;
  }
}

D3DMATRIX* TransformSlot(DrawInputs& inputs, D3DTRANSFORMSTATETYPE type) {
  switch (type) {
    case D3DTS_WORLD:
      return &inputs.world;
    case D3DTS_VIEW:
      return &inputs.view;
    case D3DTS_PROJECTION:
      return &inputs.projection;
  }
  return nullptr;
}

bool IsValidLight(const D3DLIGHT8& light) {
  const float maxRange = std::sqrt(std::numeric_limits<float>::max());
  return light.Type == D3DLIGHT_POINT && light.Range >= 0.0f && light.Range <= maxRange &&
         light.Attenuation0 >= 0.0f && light.Attenuation1 >= 0.0f && light.Attenuation2 >= 0.0f;
}

void ClearBuffers(DeviceState& state, const FrameOperation& operation) {
  const std::size_t pixels = static_cast<std::size_t>(state.width) * state.height;
  if ((operation.flags & D3DCLEAR_TARGET) != 0)
    FillWords(state.backBuffer.data(), pixels, operation.colour & 0x00FFFFFFu);
  if ((operation.flags & D3DCLEAR_ZBUFFER) != 0) FillDepths(state.depthBuffer.data(), pixels, operation.z);
}

// Carries out a recorded operation with the states it was recorded with.
void Execute(DeviceState& state, FrameOperation& operation) {
  if (operation.kind == FrameOperation::Kind::Clear) {
    ClearBuffers(state, operation);
    return;
  }
  DrawIndexedTriangles(operation.inputs, state.Target(), state.scratch, operation.fvf,
                       operation.vertices.data(), static_cast<std::uint32_t>(operation.vertices.size()),
                       operation.indices.data(), operation.triangleCount);
}

}  // namespace

Direct3DDevice8::Direct3DDevice8()
    : state_(std::make_unique<DeviceState>()),
      frames_(std::make_unique<FrameHistory>(
          [state = state_.get()](FrameOperation& operation) { Execute(*state, operation); })) {
  D3DXMatrixIdentity(&state_->inputs.world);
  D3DXMatrixIdentity(&state_->inputs.view);
  D3DXMatrixIdentity(&state_->inputs.projection);
}

Direct3DDevice8::~Direct3DDevice8() = default;

std::uint64_t Direct3DDevice8::FramesKept() const { return frames_->FramesKept(); }

HRESULT Direct3DDevice8::Create(const D3DPRESENT_PARAMETERS& params,
                                std::unique_ptr<Direct3DDevice8>* device) {
  if (device == nullptr || params.hDeviceWindow == nullptr) return D3DERR_INVALIDCALL;
  const long long width =
      params.BackBufferWidth != 0 ? params.BackBufferWidth : params.hDeviceWindow->ClientWidth();
  const long long height =
      params.BackBufferHeight != 0 ? params.BackBufferHeight : params.hDeviceWindow->ClientHeight();
  if (width <= 0 || height <= 0 || width > kMaxBackBufferSide || height > kMaxBackBufferSide)
    return D3DERR_INVALIDCALL;
  if (!IsBackBufferFormat(params.BackBufferFormat)) return D3DERR_INVALIDCALL;
  if (params.EnableAutoDepthStencil && !IsDepthFormat(params.AutoDepthStencilFormat))
    return D3DERR_INVALIDCALL;

  std::unique_ptr<Direct3DDevice8> created(new Direct3DDevice8());
  DeviceState& state = *created->state_;
  state.window = params.hDeviceWindow;
  state.width = static_cast<int>(width);
  state.height = static_cast<int>(height);
  state.backBufferFormat = params.BackBufferFormat;
  const std::size_t pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  state.backBuffer.assign(pixels + kRasterTargetPadding, 0u);
  if (params.EnableAutoDepthStencil) {
    state.hasDepthBuffer = true;
    state.depthFormat = params.AutoDepthStencilFormat;
    state.depthBuffer.assign(pixels + kRasterTargetPadding, 1.0f);
    state.inputs.renderStates.zEnable = D3DZB_TRUE;
  }
  *device = std::move(created);
  return D3D_OK;
}

HRESULT Direct3DDevice8::SetVertexShader(DWORD fvf) {
  return (fvf & D3DFVF_XYZ) == 0 || (fvf & ~kSupportedFvfBits) != 0 ? D3DERR_INVALIDCALL : D3D_OK;
}

HRESULT Direct3DDevice8::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
  if (const DWORD* fixed = FixedRenderState(state)) return value == *fixed ? D3D_OK : D3DERR_INVALIDCALL;
  DWORD* slot = RenderStateSlot(state_->inputs.renderStates, state);
  if (slot == nullptr || !IsValidRenderStateValue(state, value)) return D3DERR_INVALIDCALL;
  *slot = value;
  return D3D_OK;
}

HRESULT Direct3DDevice8::GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) const {
  const DWORD* slot = FixedRenderState(state);
  if (slot == nullptr) slot = RenderStateSlot(state_->inputs.renderStates, state);
  if (slot == nullptr || value == nullptr) return D3DERR_INVALIDCALL;
  *value = *slot;
  return D3D_OK;
}

HRESULT Direct3DDevice8::SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX& matrix) {
  D3DMATRIX* slot = TransformSlot(state_->inputs, state);
  if (slot == nullptr) return D3DERR_INVALIDCALL;
  *slot = matrix;
  return D3D_OK;
}

HRESULT Direct3DDevice8::GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) const {
  const D3DMATRIX* slot = TransformSlot(state_->inputs, state);
  if (slot == nullptr || matrix == nullptr) return D3DERR_INVALIDCALL;
  *matrix = *slot;
  return D3D_OK;
}

HRESULT Direct3DDevice8::SetLight(DWORD index, const D3DLIGHT8& light) {
  if (index >= kMaxLights || !IsValidLight(light)) return D3DERR_INVALIDCALL;
  state_->inputs.lights[index].light = light;
  state_->inputs.lights[index].defined = true;
  return D3D_OK;
}

HRESULT Direct3DDevice8::LightEnable(DWORD index, BOOL enable) {
  if (index >= kMaxLights || !state_->inputs.lights[index].defined) return D3DERR_INVALIDCALL;
  state_->inputs.lights[index].enabled = enable != 0;
  return D3D_OK;
}

HRESULT Direct3DDevice8::SetMaterial(const D3DMATERIAL8& material) {
  state_->inputs.material = material;
  return D3D_OK;
}

HRESULT Direct3DDevice8::SetTexture(DWORD stage, std::shared_ptr<const Texture> texture) {
  if (stage != 0) return D3DERR_INVALIDCALL;
  if (texture != nullptr) {
    if (texture->width <= 0 || texture->height <= 0 || texture->width > kMaxTextureSide ||
        texture->height > kMaxTextureSide ||
        texture->texels.size() !=
            static_cast<std::size_t>(texture->width) * static_cast<std::size_t>(texture->height))
      return D3DERR_INVALIDCALL;
  }
  state_->inputs.texture = std::move(texture);
  return D3D_OK;
}

HRESULT Direct3DDevice8::Clear(DWORD rectCount, const void* rects, DWORD flags, D3DCOLOR colour, float z,
                               DWORD /*stencil*/) {
  DeviceState& state = *state_;
  constexpr DWORD kKnownFlags = D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL;
  if (flags == 0 || (flags & ~kKnownFlags) != 0) return D3DERR_INVALIDCALL;
  if ((flags & D3DCLEAR_STENCIL) != 0) return D3DERR_INVALIDCALL;
  const bool clearDepth = (flags & D3DCLEAR_ZBUFFER) != 0;
  if (clearDepth && (!state.hasDepthBuffer || !(z >= 0.0f && z <= 1.0f))) return D3DERR_INVALIDCALL;
  if (rectCount != 0 || rects != nullptr) return D3DERR_INVALIDCALL;

  FrameOperation operation;
  operation.kind = FrameOperation::Kind::Clear;
  operation.flags = flags;
  operation.colour = colour;
  operation.z = z;
  const bool clearsEverything = (flags & D3DCLEAR_TARGET) != 0 && (!state.hasDepthBuffer || clearDepth);
  frames_->Submit(std::move(operation), clearsEverything);
  return D3D_OK;
}

HRESULT Direct3DDevice8::BeginScene() {
  if (state_->inScene) return D3DERR_INVALIDCALL;
  state_->inScene = true;
  return D3D_OK;
}

HRESULT Direct3DDevice8::EndScene() {
  if (!state_->inScene) return D3DERR_INVALIDCALL;
  state_->inScene = false;
  return D3D_OK;
}

HRESULT Direct3DDevice8::Present(const void* sourceRect, const void* destRect, RenderTarget* overrideWindow,
                                 const void* /*dirtyRegion*/) {
  if (sourceRect != nullptr || destRect != nullptr || overrideWindow != nullptr) return D3DERR_INVALIDCALL;
  frames_->EndFrame();
  state_->window->PresentFrame(state_->backBuffer.data(), state_->width, state_->height);
  return D3D_OK;
}

HRESULT Direct3DDevice8::DrawIndexedTriangleList(DWORD fvf, const Vertex* vertices, std::uint32_t vertexCount,
                                                 const std::uint32_t* indices, std::uint32_t triangleCount) {
  if (!state_->inScene) return D3DERR_INVALIDCALL;
  if ((fvf & D3DFVF_XYZ) == 0 || (fvf & ~kSupportedFvfBits) != 0) return D3DERR_INVALIDCALL;
  if (triangleCount == 0) return D3D_OK;
  if (vertices == nullptr || indices == nullptr) return D3DERR_INVALIDCALL;
  const std::size_t indexCount = 3 * static_cast<std::size_t>(triangleCount);
  if (std::any_of(indices, indices + indexCount, [vertexCount](std::uint32_t i) { return i >= vertexCount; }))
    return D3DERR_INVALIDCALL;
  FrameOperation operation;
  operation.kind = FrameOperation::Kind::Draw;
  operation.inputs = state_->inputs;
  operation.fvf = fvf;
  operation.vertices.assign(vertices, vertices + vertexCount);
  operation.indices.assign(indices, indices + indexCount);
  operation.triangleCount = triangleCount;
  frames_->Submit(std::move(operation), false);
  return D3D_OK;
}

int Direct3DDevice8::BackBufferWidth() const { return state_->width; }
int Direct3DDevice8::BackBufferHeight() const { return state_->height; }
const std::uint32_t* Direct3DDevice8::BackBuffer() const {
  frames_->Settle();
  return state_->backBuffer.data();
}
bool Direct3DDevice8::HasDepthBuffer() const { return state_->hasDepthBuffer; }
D3DFORMAT Direct3DDevice8::BackBufferFormat() const { return state_->backBufferFormat; }
