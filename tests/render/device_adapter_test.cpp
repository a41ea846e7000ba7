// The software adapter: the primary screen's size in two mode formats, the depth formats it
// accepts, and device creation through it.
#include <gtest/gtest.h>

#include "device_test_support.h"
#include "render/device/adapter.h"

namespace {

TEST(DeviceAdapter, ListsTheScreenSizeIn32And16Bits) {
  const auto d3d = Direct3DCreate8({1920, 1080});
  ASSERT_EQ(d3d->GetAdapterModeCount(D3DADAPTER_DEFAULT), 2u);
  D3DDISPLAYMODE mode{};
  ASSERT_EQ(d3d->EnumAdapterModes(D3DADAPTER_DEFAULT, 0, &mode), D3D_OK);
  EXPECT_EQ(mode.Width, 1920u);
  EXPECT_EQ(mode.Height, 1080u);
  EXPECT_EQ(mode.RefreshRate, 60u);
  EXPECT_EQ(mode.Format, D3DFMT_X8R8G8B8);
  ASSERT_EQ(d3d->EnumAdapterModes(D3DADAPTER_DEFAULT, 1, &mode), D3D_OK);
  EXPECT_EQ(mode.Format, D3DFMT_R5G6B5);
  EXPECT_EQ(mode.Width, 1920u);
  EXPECT_EQ(d3d->EnumAdapterModes(D3DADAPTER_DEFAULT, 2, &mode), D3DERR_INVALIDCALL);
  EXPECT_EQ(d3d->EnumAdapterModes(D3DADAPTER_DEFAULT, 0, nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(d3d->GetAdapterModeCount(1), 0u);
}

TEST(DeviceAdapter, CurrentModeIs32Bit) {
  const auto d3d = Direct3DCreate8({1280, 1024});
  D3DDISPLAYMODE mode{};
  ASSERT_EQ(d3d->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &mode), D3D_OK);
  EXPECT_EQ(mode.Format, D3DFMT_X8R8G8B8);
  EXPECT_EQ(mode.Width, 1280u);
  EXPECT_EQ(mode.Height, 1024u);
  EXPECT_EQ(d3d->GetAdapterDisplayMode(1, &mode), D3DERR_INVALIDCALL);
}

TEST(DeviceAdapter, ScreenWithoutSizeHasNoModes) {
  EXPECT_EQ(Direct3DCreate8({0, 0})->GetAdapterModeCount(D3DADAPTER_DEFAULT), 0u);
}

HRESULT CheckDepth(Direct3D8& d3d, D3DFORMAT format) {
  return d3d.CheckDeviceFormat(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DUSAGE_DEPTHSTENCIL,
                               D3DRTYPE_SURFACE, format);
}

TEST(DeviceAdapter, AcceptsD24X8AndD16ButNotD32) {
  const auto d3d = Direct3DCreate8({1920, 1080});
  EXPECT_EQ(CheckDepth(*d3d, D3DFMT_D32), D3DERR_NOTAVAILABLE);
  EXPECT_EQ(CheckDepth(*d3d, D3DFMT_D24X8), D3D_OK);
  EXPECT_EQ(CheckDepth(*d3d, D3DFMT_D16), D3D_OK);
  EXPECT_EQ(CheckDepth(*d3d, D3DFMT_A8R8G8B8), D3DERR_NOTAVAILABLE);
  // The preference order D32, D24X8, D16 therefore settles on D24X8.
  D3DFORMAT chosen = D3DFMT_UNKNOWN;
  for (D3DFORMAT candidate : {D3DFMT_D32, D3DFMT_D24X8, D3DFMT_D16}) {
    if (CheckDepth(*d3d, candidate) == D3D_OK) {
      chosen = candidate;
      break;
    }
  }
  EXPECT_EQ(chosen, D3DFMT_D24X8);
}

TEST(DeviceAdapter, CreatesADeviceOfTheWindowsClientSize) {
  const auto d3d = Direct3DCreate8({1920, 1080});
  RecordingWindow picture(557, 557);
  D3DPRESENT_PARAMETERS params = WindowedParams(&picture);
  std::unique_ptr<Direct3DDevice8> device;
  ASSERT_EQ(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, &picture,
                              D3DCREATE_SOFTWARE_VERTEXPROCESSING, &params, &device),
            D3D_OK);
  ASSERT_NE(device, nullptr);
  EXPECT_EQ(device->BackBufferWidth(), 557);
  EXPECT_EQ(device->BackBufferHeight(), 557);
  EXPECT_TRUE(device->HasDepthBuffer());
  EXPECT_EQ(params.BackBufferWidth, 557u);  // written back as used
  EXPECT_EQ(params.BackBufferHeight, 557u);
}

TEST(DeviceAdapter, DeviceWindowDefaultsToTheFocusWindow) {
  const auto d3d = Direct3DCreate8({1920, 1080});
  RecordingWindow focus(64, 48);
  D3DPRESENT_PARAMETERS params = WindowedParams(nullptr);
  std::unique_ptr<Direct3DDevice8> device;
  ASSERT_EQ(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, &focus, D3DCREATE_SOFTWARE_VERTEXPROCESSING,
                              &params, &device),
            D3D_OK);
  EXPECT_EQ(device->BackBufferWidth(), 64);
  EXPECT_EQ(params.hDeviceWindow, &focus);
}

TEST(DeviceAdapter, DeviceCreationChecksItsArguments) {
  const auto d3d = Direct3DCreate8({1920, 1080});
  RecordingWindow picture(557, 557);
  D3DPRESENT_PARAMETERS params = WindowedParams(&picture);
  std::unique_ptr<Direct3DDevice8> device;
  EXPECT_EQ(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, &picture, 0, &params, &device),
            D3DERR_INVALIDCALL);  // no vertex processing named
  EXPECT_EQ(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, &picture, 0x20 | 0x40, &params, &device),
            D3DERR_INVALIDCALL);  // two named
  EXPECT_EQ(
      d3d->CreateDevice(1, D3DDEVTYPE_HAL, &picture, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &params, &device),
      D3DERR_INVALIDCALL);
  EXPECT_EQ(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, &picture,
                              D3DCREATE_SOFTWARE_VERTEXPROCESSING, nullptr, &device),
            D3DERR_INVALIDCALL);
  params.AutoDepthStencilFormat = D3DFMT_D32;
  EXPECT_EQ(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, &picture,
                              D3DCREATE_SOFTWARE_VERTEXPROCESSING, &params, &device),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(params.BackBufferWidth, 0u);  // untouched by a failed creation
  EXPECT_EQ(device, nullptr);
}

}  // namespace
