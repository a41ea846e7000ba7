#pragma once
// The software device: the operations of the fixed-function device the globe renderer uses.
// This is the API layer (argument checks, state changes, result codes); the drawing itself
// happens in the pipeline stages. All device state lives in this one object.
#include <cstdint>
#include <memory>
#include <vector>

#include "render/d3d_types.h"
#include "render/texture.h"
#include "render/vertex.h"

class Direct3DDevice8 {
 public:
  static constexpr DWORD kMaxLights = 8;

  // Creates a device drawing for `window`. A back buffer of width and height 0 takes the
  // window's client size. Fails with D3DERR_INVALIDCALL for a missing window, a zero size,
  // or a back-buffer format other than X8R8G8B8 / R5G6B5 family.
  static HRESULT Create(const D3DPRESENT_PARAMETERS& params, std::unique_ptr<Direct3DDevice8>* device);

  HRESULT SetVertexShader(DWORD fvf);
  HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value);
  HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) const;
  HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX& matrix);
  HRESULT GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) const;
  HRESULT SetLight(DWORD index, const D3DLIGHT8& light);
  HRESULT LightEnable(DWORD index, BOOL enable);
  HRESULT SetMaterial(const D3DMATERIAL8& material);
  HRESULT SetTexture(DWORD stage, std::shared_ptr<const Texture> texture);
  HRESULT Clear(DWORD rectCount, const void* rects, DWORD flags, D3DCOLOR colour, float z, DWORD stencil);
  HRESULT BeginScene();
  HRESULT EndScene();
  // Copies the whole back buffer into the device window (or `overrideWindow`).
  HRESULT Present(const void* sourceRect, const void* destRect, RenderTarget* overrideWindow,
                  const void* dirtyRegion);

  // Draws an indexed triangle list whose vertices carry the format `fvf`, with the current
  // states, transforms, lights, material and texture. Used by meshes' DrawSubset.
  HRESULT DrawIndexedTriangleList(DWORD fvf, const Vertex* vertices, std::uint32_t vertexCount,
                                  const std::uint32_t* indices, std::uint32_t triangleCount);

  // The back buffer as drawn so far (0x00RRGGBB), for tests and benchmarks.
  int BackBufferWidth() const;
  int BackBufferHeight() const;
  const std::uint32_t* BackBuffer() const;
  bool HasDepthBuffer() const;

  ~Direct3DDevice8();

 private:
  Direct3DDevice8();
  struct State;
  std::unique_ptr<State> state_;
};
