#pragma once
// A window that keeps what is presented to it, a device drawing for it, and vertices placed
// directly in screen pixels, for the device tests.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/render_target.h"
#include "render/device/device.h"
#include "render/types/d3dx_math.h"
#include "support/present_parameters.h"

class RecordingWindow : public RenderTarget {
 public:
  RecordingWindow(int width, int height) : width_(width), height_(height) {}
  int ClientWidth() const override { return width_; }
  int ClientHeight() const override { return height_; }
  void PresentFrame(const std::uint32_t* pixels, int width, int height) override {
    presented.assign(pixels, pixels + static_cast<std::size_t>(width) * height);
    presentedWidth = width;
    presentedHeight = height;
    ++presentCount;
  }

  std::vector<std::uint32_t> presented;
  int presentedWidth = 0;
  int presentedHeight = 0;
  int presentCount = 0;

 private:
  int width_;
  int height_;
};

constexpr std::uint32_t kBackground = 0x000033;
constexpr DWORD kColourFvf = D3DFVF_XYZ | D3DFVF_DIFFUSE;

// A device of width x height with a depth buffer (unless told otherwise), cleared to kBackground
// and depth 1, with lighting and culling off: what is drawn shows the vertex colours as given.
class TestDevice {
 public:
  TestDevice(int width, int height, bool depthBuffer = true) : window(width, height) {
    EXPECT_EQ(Direct3DDevice8::Create(WindowedParams(&window, depthBuffer ? D3DFMT_D24X8 : D3DFMT_UNKNOWN),
                                      &device),
              D3D_OK);
    EXPECT_EQ(device->SetRenderState(D3DRS_LIGHTING, 0), D3D_OK);
    EXPECT_EQ(device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE), D3D_OK);
    ClearAll();
  }

  void ClearAll() {
    const DWORD flags = device->HasDepthBuffer() ? D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER : D3DCLEAR_TARGET;
    EXPECT_EQ(device->Clear(0, nullptr, flags, kBackground, 1.0f, 0), D3D_OK);
  }

  HRESULT Draw(DWORD fvf, const std::vector<Vertex>& vertices, const std::vector<std::uint32_t>& indices) {
    EXPECT_EQ(device->BeginScene(), D3D_OK);
    const HRESULT result =
        device->DrawIndexedTriangleList(fvf, vertices.data(), static_cast<std::uint32_t>(vertices.size()),
                                        indices.data(), static_cast<std::uint32_t>(indices.size() / 3));
    EXPECT_EQ(device->EndScene(), D3D_OK);
    return result;
  }

  std::uint32_t Pixel(int x, int y) const {
    return device->BackBuffer()[static_cast<std::size_t>(y) * device->BackBufferWidth() + x];
  }

  // The back buffer as rows of characters: '.' for the background, '#' for anything else.
  std::string CoverageMap() const {
    std::string map;
    for (int y = 0; y < device->BackBufferHeight(); ++y) {
      for (int x = 0; x < device->BackBufferWidth(); ++x) map += Pixel(x, y) == kBackground ? '.' : '#';
      map += '\n';
    }
    return map;
  }

  RecordingWindow window;
  std::unique_ptr<Direct3DDevice8> device;
};

// Draws each triangle on its own (from a cleared back buffer) and counts, per pixel, how many
// triangles drew it: 1 everywhere inside a mesh means neither gaps nor double coverage.
inline std::vector<int> CoverageCounts(TestDevice& device, DWORD fvf, const std::vector<Vertex>& vertices,
                                       const std::vector<std::uint32_t>& indices) {
  const int width = device.device->BackBufferWidth(), height = device.device->BackBufferHeight();
  std::vector<int> counts(static_cast<std::size_t>(width) * height, 0);
  for (std::size_t t = 0; t + 2 < indices.size(); t += 3) {
    device.ClearAll();
    EXPECT_EQ(device.Draw(fvf, vertices, {indices[t], indices[t + 1], indices[t + 2]}), D3D_OK);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        if (device.Pixel(x, y) != kBackground) ++counts[static_cast<std::size_t>(y) * width + x];
  }
  return counts;
}

// A vertex at screen position (x, y) in pixels, with identity transforms on a device of the
// given size: clip x = 2x/W - 1, y = 1 - 2y/H, w = 1.
inline Vertex AtPixel(float x, float y, int width, int height, float z = 0.5f,
                      std::uint32_t colour = 0xFFFFFF) {
  Vertex v;
  v.position = {2.0f * x / static_cast<float>(width) - 1.0f, 1.0f - 2.0f * y / static_cast<float>(height), z};
  v.diffuse = 0xFF000000u | colour;
  return v;
}

// Joins picture rows written one per string, for readable expected coverage maps.
inline std::string Rows(std::initializer_list<const char*> rows) {
  std::string joined;
  for (const char* row : rows) (joined += row) += '\n';
  return joined;
}

inline std::uint32_t Rgb(int r, int g, int b) {
  return (static_cast<std::uint32_t>(r) << 16) | (static_cast<std::uint32_t>(g) << 8) |
         static_cast<std::uint32_t>(b);
}
