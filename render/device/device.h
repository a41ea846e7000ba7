#pragma once
// The software device: the operations of the fixed-function device the globe renderer uses.
// This is the API layer (argument checks, state changes, result codes); the drawing itself
// happens in the pipeline stages. All device state lives in this one object.
#include <cstdint>
#include <memory>
#include <vector>

#include "render/types/d3d_types.h"
#include "render/types/texture.h"
#include "render/types/vertex.h"

// The only depth compare and shading mode the device draws with (D3DRS_ZFUNC, D3DRS_SHADEMODE).
enum D3DCMPFUNC : DWORD { D3DCMP_LESSEQUAL = 4 };
enum D3DSHADEMODE : DWORD { D3DSHADE_GOURAUD = 2 };

struct DeviceState;
class FrameHistory;

class Direct3DDevice8 {
 public:
  static constexpr DWORD kMaxLights = 8;
  // Largest back buffer side; keeps the rasterizer's fixed-point arithmetic in range.
  static constexpr UINT kMaxBackBufferSide = 8192;

  // Creates a device drawing for `window`. A back buffer of width and height 0 takes the
  // window's client size. Fails with D3DERR_INVALIDCALL for a missing window, a zero size,
  // a size above kMaxBackBufferSide, a back-buffer format other than X8R8G8B8 / R5G6B5 /
  // X1R5G5B5 or a depth format other than D24X8 / D16. Every format is drawn in 32 bits.
  static HRESULT Create(const D3DPRESENT_PARAMETERS& params, std::unique_ptr<Direct3DDevice8>* device);

  // Checks the format; draws take theirs from the mesh, so nothing else follows from it.
  HRESULT SetVertexShader(DWORD fvf);
  // SHADEMODE, ZWRITEENABLE, ZFUNC, SPECULARENABLE, COLORVERTEX and NORMALIZENORMALS keep their
  // defaults (Gouraud, TRUE, LESSEQUAL, FALSE, TRUE, FALSE): setting the default succeeds, any
  // other value fails with D3DERR_INVALIDCALL, as do point fill and w-buffering.
  HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value);
  HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) const;
  HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX& matrix);
  HRESULT GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) const;
  // Point lights only; other types fail with D3DERR_INVALIDCALL.
  HRESULT SetLight(DWORD index, const D3DLIGHT8& light);
  // A slot must have been set before it is enabled or disabled.
  HRESULT LightEnable(DWORD index, BOOL enable);
  HRESULT SetMaterial(const D3DMATERIAL8& material);
  // Stage 0 only: the other stages stay disabled.
  HRESULT SetTexture(DWORD stage, std::shared_ptr<const Texture> texture);
  // Clears the whole target: rectangles, naming the depth buffer when there is none, or the
  // stencil buffer (there never is one) fail with D3DERR_INVALIDCALL and clear nothing.
  HRESULT Clear(DWORD rectCount, const void* rects, DWORD flags, D3DCOLOR colour, float z, DWORD stencil);
  HRESULT BeginScene();
  HRESULT EndScene();
  // Copies the whole back buffer into the device window. Source and destination rectangles and
  // another window are not supported (D3DERR_INVALIDCALL); the dirty region is ignored.
  HRESULT Present(const void* sourceRect, const void* destRect, RenderTarget* overrideWindow,
                  const void* dirtyRegion);

  // Draws an indexed triangle list whose vertices carry the format `fvf`, with the current
  // states, transforms, lights, material and texture. Used by meshes' DrawSubset. Fails with
  // D3DERR_INVALIDCALL outside BeginScene/EndScene, for a format without D3DFVF_XYZ or with
  // flags other than NORMAL, DIFFUSE and TEX1, missing arrays, or an index out of range; then
  // nothing is drawn.
  HRESULT DrawIndexedTriangleList(DWORD fvf, const Vertex* vertices, std::uint32_t vertexCount,
                                  const std::uint32_t* indices, std::uint32_t triangleCount);

  // How many presented frames repeated the one before and were kept instead of drawn again.
  std::uint64_t FramesKept() const;

  // The back buffer as drawn so far (0x00RRGGBB), for tests and benchmarks.
  int BackBufferWidth() const;
  int BackBufferHeight() const;
  const std::uint32_t* BackBuffer() const;
  bool HasDepthBuffer() const;
  D3DFORMAT BackBufferFormat() const;

  ~Direct3DDevice8();

 private:
  Direct3DDevice8();
  std::unique_ptr<DeviceState> state_;
  std::unique_ptr<FrameHistory> frames_;
};
