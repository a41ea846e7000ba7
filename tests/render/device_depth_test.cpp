// Depth test and depth write (less-equal, the only compare the device has): the nearer surface
// stays whatever the drawing order.
#include <vector>

#include "device_test_support.h"

namespace {

constexpr int kSize = 16;
constexpr std::uint32_t kRed = 0xFF0000;
constexpr std::uint32_t kGreen = 0x00FF00;

// A quad over the whole back buffer at depth z, depth varying by `slope` from left to right.
std::vector<Vertex> Quad(float z, std::uint32_t colour, float slope = 0.0f) {
  return {AtPixel(0, 0, kSize, kSize, z - slope, colour), AtPixel(kSize, 0, kSize, kSize, z + slope, colour),
          AtPixel(kSize, kSize, kSize, kSize, z + slope, colour),
          AtPixel(0, kSize, kSize, kSize, z - slope, colour)};
}
const std::vector<std::uint32_t> kQuadIndices = {0, 1, 2, 0, 2, 3};

std::uint32_t DrawTwo(TestDevice& device, const std::vector<Vertex>& first,
                      const std::vector<Vertex>& second) {
  EXPECT_EQ(device.Draw(kColourFvf, first, kQuadIndices), D3D_OK);
  EXPECT_EQ(device.Draw(kColourFvf, second, kQuadIndices), D3D_OK);
  return device.Pixel(kSize / 2, kSize / 2);
}

TEST(DeviceDepth, NearerSurfaceStaysInEitherOrder) {
  TestDevice nearFirst(kSize, kSize);
  EXPECT_EQ(DrawTwo(nearFirst, Quad(0.3f, kRed), Quad(0.6f, kGreen)), kRed);
  TestDevice farFirst(kSize, kSize);
  EXPECT_EQ(DrawTwo(farFirst, Quad(0.6f, kGreen), Quad(0.3f, kRed)), kRed);
}

TEST(DeviceDepth, EqualDepthPassesUnderTheDefaultLessEqual) {
  TestDevice device(kSize, kSize);
  EXPECT_EQ(DrawTwo(device, Quad(0.5f, kRed), Quad(0.5f, kGreen)), kGreen);
}

TEST(DeviceDepth, SurfaceBeyondTheClearedDepthIsHidden) {
  TestDevice device(kSize, kSize);
  ASSERT_EQ(device.device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 0.4f, 0), D3D_OK);
  EXPECT_EQ(device.Draw(kColourFvf, Quad(0.5f, kRed), kQuadIndices), D3D_OK);
  EXPECT_EQ(device.Pixel(kSize / 2, kSize / 2), kBackground);
}

TEST(DeviceDepth, DepthTestOffDrawsInOrder) {
  TestDevice device(kSize, kSize);
  ASSERT_EQ(device.device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE), D3D_OK);
  EXPECT_EQ(DrawTwo(device, Quad(0.3f, kRed), Quad(0.6f, kGreen)), kGreen);
}

TEST(DeviceDepth, NoDepthBufferMeansNoDepthTestEvenWhenEnabled) {
  TestDevice device(kSize, kSize, /*depthBuffer=*/false);
  ASSERT_EQ(device.device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE), D3D_OK);
  EXPECT_EQ(DrawTwo(device, Quad(0.3f, kRed), Quad(0.6f, kGreen)), kGreen);
}

TEST(DeviceDepth, IntersectingSurfacesMeetWhereTheirDepthsCross) {
  // The sloped quad runs from depth 0.2 at the left edge to 0.8 at the right: it is in front of
  // the flat one at 0.5 left of the middle and behind it right of the middle.
  TestDevice device(kSize, kSize);
  DrawTwo(device, Quad(0.5f, kRed, 0.3f), Quad(0.5f, kGreen));
  for (int x = 0; x < kSize; ++x) {
    if (x == kSize / 2) continue;  // depths equal there
    EXPECT_EQ(device.Pixel(x, 3), x < kSize / 2 ? kRed : kGreen) << "column " << x;
  }
}

}  // namespace
