// The device's operations as callers see them: defaults, result codes for bad arguments and
// bad call order (never a crash, nothing changed), Clear and Present.
#include <cmath>
#include <limits>
#include <vector>

#include "device_test_support.h"

namespace {

constexpr int kSize = 8;

std::unique_ptr<Direct3DDevice8> CreateDevice(RecordingWindow& window, bool depthBuffer) {
  std::unique_ptr<Direct3DDevice8> device;
  EXPECT_EQ(
      Direct3DDevice8::Create(WindowedParams(&window, depthBuffer ? D3DFMT_D16 : D3DFMT_UNKNOWN), &device),
      D3D_OK);
  return device;
}

DWORD State(const Direct3DDevice8& device, D3DRENDERSTATETYPE state) {
  DWORD value = 0xDEADBEEF;
  EXPECT_EQ(device.GetRenderState(state, &value), D3D_OK);
  return value;
}

TEST(DeviceApi, DefaultsAreThoseOfTheFixedFunctionDevice) {
  RecordingWindow window(kSize, kSize);
  const auto device = CreateDevice(window, true);
  EXPECT_EQ(State(*device, D3DRS_ZENABLE), D3DZB_TRUE);  // with an automatic depth buffer
  EXPECT_EQ(State(*device, D3DRS_FILLMODE), D3DFILL_SOLID);
  EXPECT_EQ(State(*device, D3DRS_SHADEMODE), D3DSHADE_GOURAUD);
  EXPECT_EQ(State(*device, D3DRS_ZWRITEENABLE), 1u);
  EXPECT_EQ(State(*device, D3DRS_CULLMODE), D3DCULL_CCW);
  EXPECT_EQ(State(*device, D3DRS_ZFUNC), D3DCMP_LESSEQUAL);
  EXPECT_EQ(State(*device, D3DRS_SPECULARENABLE), 0u);
  EXPECT_EQ(State(*device, D3DRS_LIGHTING), 1u);
  EXPECT_EQ(State(*device, D3DRS_AMBIENT), 0u);
  EXPECT_EQ(State(*device, D3DRS_COLORVERTEX), 1u);
  EXPECT_EQ(State(*device, D3DRS_NORMALIZENORMALS), 0u);
  D3DMATRIX world;
  ASSERT_EQ(device->GetTransform(D3DTS_WORLD, &world), D3D_OK);
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) EXPECT_EQ(world.m[r][c], r == c ? 1.0f : 0.0f);

  RecordingWindow other(kSize, kSize);
  EXPECT_EQ(State(*CreateDevice(other, false), D3DRS_ZENABLE), D3DZB_FALSE);
}

TEST(DeviceApi, StatesAreKeptUntilChanged) {
  RecordingWindow window(kSize, kSize);
  const auto device = CreateDevice(window, true);
  ASSERT_EQ(device->SetRenderState(D3DRS_AMBIENT, D3DCOLOR_XRGB(50, 50, 50)), D3D_OK);
  ASSERT_EQ(device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW), D3D_OK);
  EXPECT_EQ(State(*device, D3DRS_AMBIENT), 0xFF323232u);
  EXPECT_EQ(State(*device, D3DRS_CULLMODE), D3DCULL_CW);
  EXPECT_EQ(device->SetVertexShader(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1), D3D_OK);
}

TEST(DeviceApi, StatesTheDeviceDoesNotDrawWithAreRefused) {
  RecordingWindow window(kSize, kSize);
  const auto device = CreateDevice(window, true);
  // Point fill, w-buffering, flat shading, the depth compare LESS, no depth writes, specular,
  // vertex colours off, normalised normals.
  EXPECT_EQ(device->SetRenderState(D3DRS_FILLMODE, 1), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->SetRenderState(D3DRS_ZENABLE, 2), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->SetRenderState(D3DRS_SHADEMODE, 1), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->SetRenderState(D3DRS_ZFUNC, 2), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->SetRenderState(D3DRS_ZWRITEENABLE, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->SetRenderState(D3DRS_SPECULARENABLE, 1), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->SetRenderState(D3DRS_COLORVERTEX, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->SetRenderState(D3DRS_NORMALIZENORMALS, 1), D3DERR_INVALIDCALL);
  // Their defaults are taken.
  EXPECT_EQ(device->SetRenderState(D3DRS_SHADEMODE, D3DSHADE_GOURAUD), D3D_OK);
  EXPECT_EQ(device->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESSEQUAL), D3D_OK);
  EXPECT_EQ(device->SetRenderState(D3DRS_COLORVERTEX, 1), D3D_OK);
  EXPECT_EQ(State(*device, D3DRS_ZFUNC), D3DCMP_LESSEQUAL);
}

TEST(DeviceApi, BadStatesAndValuesAreRefusedAndChangeNothing) {
  RecordingWindow window(kSize, kSize);
  const auto device = CreateDevice(window, true);
  EXPECT_EQ(device->SetRenderState(static_cast<D3DRENDERSTATETYPE>(999), 1), D3DERR_INVALIDCALL);
  DWORD value;
  EXPECT_EQ(device->GetRenderState(static_cast<D3DRENDERSTATETYPE>(999), &value), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->GetRenderState(D3DRS_ZFUNC, nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->SetRenderState(D3DRS_FILLMODE, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->SetRenderState(D3DRS_FILLMODE, 4), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->SetRenderState(D3DRS_CULLMODE, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->SetRenderState(D3DRS_ZFUNC, 9), D3DERR_INVALIDCALL);
  EXPECT_EQ(State(*device, D3DRS_FILLMODE), D3DFILL_SOLID);
  EXPECT_EQ(State(*device, D3DRS_CULLMODE), D3DCULL_CCW);
  EXPECT_EQ(State(*device, D3DRS_ZFUNC), D3DCMP_LESSEQUAL);

  D3DMATRIX m{};
  EXPECT_EQ(device->SetTransform(static_cast<D3DTRANSFORMSTATETYPE>(257), m), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->GetTransform(D3DTS_VIEW, nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->SetVertexShader(D3DFVF_NORMAL), D3DERR_INVALIDCALL);  // no position
  EXPECT_EQ(device->SetVertexShader(D3DFVF_XYZ | 0x200), D3DERR_INVALIDCALL);
}

TEST(DeviceApi, LightSlotsAreChecked) {
  RecordingWindow window(kSize, kSize);
  const auto device = CreateDevice(window, true);
  D3DLIGHT8 light{};
  light.Type = D3DLIGHT_POINT;
  light.Range = 300;
  light.Attenuation0 = 1;
  EXPECT_EQ(device->SetLight(Direct3DDevice8::kMaxLights - 1, light), D3D_OK);
  EXPECT_EQ(device->SetLight(Direct3DDevice8::kMaxLights, light), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->LightEnable(Direct3DDevice8::kMaxLights, 1), D3DERR_INVALIDCALL);

  D3DLIGHT8 bad = light;
  bad.Type = static_cast<D3DLIGHTTYPE>(0);
  EXPECT_EQ(device->SetLight(0, bad), D3DERR_INVALIDCALL);
  bad = light;
  bad.Range = -1;
  EXPECT_EQ(device->SetLight(0, bad), D3DERR_INVALIDCALL);
  bad = light;
  bad.Attenuation1 = std::numeric_limits<float>::quiet_NaN();
  EXPECT_EQ(device->SetLight(0, bad), D3DERR_INVALIDCALL);
  for (const DWORD spotOrDirectional : {2u, 3u}) {
    bad = light;
    bad.Type = static_cast<D3DLIGHTTYPE>(spotOrDirectional);
    bad.Direction = {0, 0, 1};
    EXPECT_EQ(device->SetLight(0, bad), D3DERR_INVALIDCALL);
  }

  EXPECT_EQ(device->LightEnable(2, 1), D3DERR_INVALIDCALL);  // never set
  EXPECT_EQ(device->LightEnable(Direct3DDevice8::kMaxLights - 1, 1), D3D_OK);
}

TEST(DeviceApi, TexturesAreChecked) {
  RecordingWindow window(kSize, kSize);
  const auto device = CreateDevice(window, true);
  auto texture = std::make_shared<Texture>();
  texture->width = 2;
  texture->height = 2;
  texture->texels.assign(3, 0);  // one short
  EXPECT_EQ(device->SetTexture(0, texture), D3DERR_INVALIDCALL);
  texture->texels.assign(4, 0);
  EXPECT_EQ(device->SetTexture(0, texture), D3D_OK);
  EXPECT_EQ(device->SetTexture(1, texture), D3DERR_INVALIDCALL);  // only stage 0 is drawn with
  EXPECT_EQ(device->SetTexture(0, nullptr), D3D_OK);
}

class DeviceScene : public ::testing::Test {
 protected:
  DeviceScene() : device_(kSize, kSize) {}

  HRESULT DrawTriangle(const std::vector<std::uint32_t>& indices, const std::vector<Vertex>& vertices) {
    return Device().DrawIndexedTriangleList(kColourFvf, vertices.data(),
                                            static_cast<std::uint32_t>(vertices.size()), indices.data(),
                                            static_cast<std::uint32_t>(indices.size() / 3));
  }
  std::vector<Vertex> Triangle() const {
    return {AtPixel(0, 0, kSize, kSize), AtPixel(kSize, 0, kSize, kSize), AtPixel(0, kSize, kSize, kSize)};
  }
  std::string Untouched() const { return TestDevice(kSize, kSize).CoverageMap(); }
  Direct3DDevice8& Device() { return *device_.device; }
  TestDevice device_;
};

TEST_F(DeviceScene, DrawingOutsideASceneFailsAndDrawsNothing) {
  EXPECT_EQ(DrawTriangle({0, 1, 2}, Triangle()), D3DERR_INVALIDCALL);
  ASSERT_EQ(Device().BeginScene(), D3D_OK);
  ASSERT_EQ(Device().EndScene(), D3D_OK);
  EXPECT_EQ(DrawTriangle({0, 1, 2}, Triangle()), D3DERR_INVALIDCALL);
  EXPECT_EQ(device_.CoverageMap(), Untouched());
}

TEST_F(DeviceScene, ScenesDoNotNest) {
  ASSERT_EQ(Device().BeginScene(), D3D_OK);
  EXPECT_EQ(Device().BeginScene(), D3DERR_INVALIDCALL);
  EXPECT_EQ(Device().EndScene(), D3D_OK);
  EXPECT_EQ(Device().EndScene(), D3DERR_INVALIDCALL);
}

TEST_F(DeviceScene, BadDrawArgumentsFailBeforeAnythingIsDrawn) {
  ASSERT_EQ(Device().BeginScene(), D3D_OK);
  // The first triangle is fine, the second names vertex 3 of 3.
  EXPECT_EQ(DrawTriangle({0, 1, 2, 0, 1, 3}, Triangle()), D3DERR_INVALIDCALL);
  EXPECT_EQ(
      Device().DrawIndexedTriangleList(kColourFvf, nullptr, 3, std::vector<std::uint32_t>{0, 1, 2}.data(), 1),
      D3DERR_INVALIDCALL);
  EXPECT_EQ(Device().DrawIndexedTriangleList(kColourFvf, Triangle().data(), 3, nullptr, 1),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(Device().DrawIndexedTriangleList(D3DFVF_DIFFUSE, Triangle().data(), 3,
                                             std::vector<std::uint32_t>{0, 1, 2}.data(), 1),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(Device().DrawIndexedTriangleList(kColourFvf, nullptr, 0, nullptr, 0), D3D_OK);
  ASSERT_EQ(Device().EndScene(), D3D_OK);
  EXPECT_EQ(device_.CoverageMap(), Untouched());
}

TEST_F(DeviceScene, TrianglesWithNonFiniteCornersAreDroppedAlone) {
  std::vector<Vertex> vertices = Triangle();
  vertices.push_back(AtPixel(kSize, kSize, kSize, kSize));
  vertices[0].position.x = std::numeric_limits<float>::quiet_NaN();
  vertices[0].position.y = std::numeric_limits<float>::infinity();
  ASSERT_EQ(Device().BeginScene(), D3D_OK);
  EXPECT_EQ(DrawTriangle({0, 1, 2, 1, 3, 2}, vertices), D3D_OK);
  ASSERT_EQ(Device().EndScene(), D3D_OK);
  EXPECT_EQ(device_.Pixel(1, 1), kBackground);  // only in the dropped triangle
  EXPECT_NE(device_.Pixel(6, 6), kBackground);  // only in the kept one
}

TEST(DeviceClear, FillsTargetWithTheColourWithoutAlpha) {
  TestDevice device(kSize, kSize);
  ASSERT_EQ(device.device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x00000033, 1.0f, 0),
            D3D_OK);
  EXPECT_EQ(device.Pixel(3, 3), 0x000033u);
  ASSERT_EQ(device.device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF123456, 0, 0), D3D_OK);
  EXPECT_EQ(device.Pixel(7, 7), 0x123456u);
}

TEST(DeviceClear, DepthBufferFlagWithoutDepthBufferFailsAndClearsNothing) {
  TestDevice device(kSize, kSize, /*depthBuffer=*/false);
  EXPECT_EQ(device.device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFFFFFF, 1.0f, 0),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(device.Pixel(0, 0), kBackground);
}

TEST(DeviceClear, UnsupportedFlagsAndDepthsFail) {
  TestDevice device(kSize, kSize);
  EXPECT_EQ(device.device->Clear(0, nullptr, 0, 0, 1.0f, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(device.device->Clear(0, nullptr, D3DCLEAR_STENCIL, 0, 1.0f, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(device.device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.5f, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(device.device->Clear(0, nullptr, 0x80, 0, 1.0f, 0), D3DERR_INVALIDCALL);
  const int area[4] = {0, 0, 2, 2};
  EXPECT_EQ(device.device->Clear(1, area, D3DCLEAR_TARGET, 0, 1.0f, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(device.device->Clear(1, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(device.Pixel(0, 0), kBackground);
}

TEST(DevicePresent, CopiesTheWholeBackBufferIntoTheWindow) {
  TestDevice device(kSize, kSize);
  ASSERT_EQ(device.device->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00ABCDEF, 1.0f, 0), D3D_OK);
  ASSERT_EQ(device.device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
  EXPECT_EQ(device.window.presentCount, 1);
  EXPECT_EQ(device.window.presentedWidth, kSize);
  EXPECT_EQ(device.window.presentedHeight, kSize);
  EXPECT_EQ(device.window.presented, std::vector<std::uint32_t>(kSize * kSize, 0xABCDEFu));

  RecordingWindow other(kSize, kSize);
  EXPECT_EQ(device.device->Present(nullptr, nullptr, &other, nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(other.presentCount, 0);
  const int part[4] = {0, 0, 2, 2};
  EXPECT_EQ(device.device->Present(part, nullptr, nullptr, nullptr), D3DERR_INVALIDCALL);
}

TEST(DeviceCreate, ZeroSizeTakesTheWindowsClientSize) {
  RecordingWindow picture(557, 557);
  std::unique_ptr<Direct3DDevice8> device;
  ASSERT_EQ(Direct3DDevice8::Create(WindowedParams(&picture), &device), D3D_OK);
  EXPECT_EQ(device->BackBufferWidth(), 557);
  EXPECT_EQ(device->BackBufferHeight(), 557);
  EXPECT_TRUE(device->HasDepthBuffer());
  D3DPRESENT_PARAMETERS sized = WindowedParams(&picture);
  sized.BackBufferWidth = 40;
  sized.BackBufferHeight = 30;
  sized.BackBufferFormat = D3DFMT_R5G6B5;
  ASSERT_EQ(Direct3DDevice8::Create(sized, &device), D3D_OK);
  EXPECT_EQ(device->BackBufferWidth(), 40);
  EXPECT_EQ(device->BackBufferHeight(), 30);
  EXPECT_EQ(device->BackBufferFormat(), D3DFMT_R5G6B5);
}

TEST(DeviceCreate, RefusesWhatItCannotDraw) {
  RecordingWindow picture(557, 557);
  RecordingWindow empty(0, 0);
  std::unique_ptr<Direct3DDevice8> device;
  EXPECT_EQ(Direct3DDevice8::Create(WindowedParams(nullptr), &device), D3DERR_INVALIDCALL);
  EXPECT_EQ(Direct3DDevice8::Create(WindowedParams(&empty), &device), D3DERR_INVALIDCALL);
  EXPECT_EQ(Direct3DDevice8::Create(WindowedParams(&picture), nullptr), D3DERR_INVALIDCALL);
  D3DPRESENT_PARAMETERS params = WindowedParams(&picture);
  params.BackBufferFormat = D3DFMT_A8R8G8B8;
  EXPECT_EQ(Direct3DDevice8::Create(params, &device), D3DERR_INVALIDCALL);
  params = WindowedParams(&picture);
  params.AutoDepthStencilFormat = D3DFMT_D32;
  EXPECT_EQ(Direct3DDevice8::Create(params, &device), D3DERR_INVALIDCALL);
  params = WindowedParams(&picture);
  params.BackBufferWidth = Direct3DDevice8::kMaxBackBufferSide + 1;
  EXPECT_EQ(Direct3DDevice8::Create(params, &device), D3DERR_INVALIDCALL);
  EXPECT_EQ(device, nullptr);
}

}  // namespace
