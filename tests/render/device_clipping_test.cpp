// Clipping: triangles crossing the near or far plane are cut there (no gaps, no spikes from
// vertices behind the camera), cut edges are not part of the wireframe, and coordinates far
// outside the viewport are drawn exactly without overflowing.
#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include "device_test_support.h"

namespace {

TEST(DeviceClipping, FloorReachingBehindTheCameraCoversExactlyTheRowsBelowItsFarEdge) {
  // Camera at the origin looking along +z, 90 degree field of view, near plane 1. The floor
  // y = -1 runs from z = -10 (behind the camera) to z = 50, and is wide enough to fill every
  // column. A floor point at depth z appears at y/w = -1/z, so pixel row j (y/w = 1 - 2j/64)
  // shows floor when 1 - 2j/64 <= -1/50, that is from row 33 down; the near plane cuts it at
  // the bottom of the picture. The quad's diagonal itself crosses the near plane.
  constexpr int kSize = 64;
  TestDevice device(kSize, kSize);
  D3DMATRIX projection;
  D3DXMatrixPerspectiveFovLH(&projection, 3.14159265f / 2, 1.0f, 1.0f, 100.0f);
  ASSERT_EQ(device.device->SetTransform(D3DTS_PROJECTION, projection), D3D_OK);
  std::vector<Vertex> floor(4);
  floor[0].position = {-50, -1, -10};
  floor[1].position = {50, -1, -10};
  floor[2].position = {50, -1, 50};
  floor[3].position = {-50, -1, 50};
  const std::vector<int> counts = CoverageCounts(device, kColourFvf, floor, {0, 1, 2, 0, 2, 3});
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x)
      ASSERT_EQ(counts[y * kSize + x], y >= 33 ? 1 : 0) << "pixel " << x << "," << y;
  }
}

constexpr int kSize = 16;

// A quad over the whole back buffer whose depth runs from `left` to `right`.
std::vector<Vertex> DepthRamp(float left, float right) {
  return {AtPixel(0, 0, kSize, kSize, left), AtPixel(kSize, 0, kSize, kSize, right),
          AtPixel(kSize, kSize, kSize, kSize, right), AtPixel(0, kSize, kSize, kSize, left)};
}

std::string Columns(int firstDrawn, int lastDrawn) {
  std::string row(kSize, '.');
  for (int x = firstDrawn; x <= lastDrawn; ++x) row[x] = '#';
  std::string map;
  for (int y = 0; y < kSize; ++y) map += row + "\n";
  return map;
}

TEST(DeviceClipping, NearPlaneCutsAtDepthZero) {
  // Depth -0.5 .. 0.5 from left to right is zero at x = 8; the cut edge there is a left edge.
  TestDevice device(kSize, kSize);
  ASSERT_EQ(device.device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE), D3D_OK);
  EXPECT_EQ(device.Draw(kColourFvf, DepthRamp(-0.5f, 0.5f), {0, 1, 2, 0, 2, 3}), D3D_OK);
  EXPECT_EQ(device.CoverageMap(), Columns(8, 15));
}

TEST(DeviceClipping, FarPlaneCutsAtDepthOne) {
  // Depth 0.5 .. 1.5 is one at x = 8; the cut edge there is a right edge.
  TestDevice device(kSize, kSize);
  ASSERT_EQ(device.device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE), D3D_OK);
  EXPECT_EQ(device.Draw(kColourFvf, DepthRamp(0.5f, 1.5f), {0, 1, 2, 0, 2, 3}), D3D_OK);
  EXPECT_EQ(device.CoverageMap(), Columns(0, 7));
}

TEST(DeviceClipping, WholeTriangleBehindTheCameraDrawsNothing) {
  TestDevice device(kSize, kSize);
  EXPECT_EQ(device.Draw(kColourFvf, DepthRamp(-2.0f, -0.1f), {0, 1, 2, 0, 2, 3}), D3D_OK);
  EXPECT_EQ(device.CoverageMap(), Columns(0, -1));
}

TEST(DeviceClipping, HugeCoordinatesAreDrawnExactly) {
  // One edge is the vertical line x = 2, running a million pixels up and down; the third
  // vertex is a million pixels to the right. Every column from 2 on is covered, top to bottom.
  TestDevice device(kSize, kSize);
  EXPECT_EQ(device.Draw(kColourFvf,
                        {AtPixel(2, -1e6f, kSize, kSize), AtPixel(1e6f, 8, kSize, kSize),
                         AtPixel(2, 1e6f, kSize, kSize)},
                        {0, 1, 2}),
            D3D_OK);
  EXPECT_EQ(device.CoverageMap(), Columns(2, 15));
}

TEST(DeviceClipping, CutEdgesAreNotPartOfTheWireframe) {
  // Depth -0.5 at x = 2 to 0.5 at x = 14: the near plane cuts the triangle along x = 8, from
  // (8,2) to (8,8). Only the remains of the triangle's own edges are drawn.
  TestDevice device(kSize, kSize);
  ASSERT_EQ(device.device->SetRenderState(D3DRS_FILLMODE, D3DFILL_WIREFRAME), D3D_OK);
  EXPECT_EQ(device.Draw(kColourFvf,
                        {AtPixel(2, 2, kSize, kSize, -0.5f), AtPixel(14, 2, kSize, kSize, 0.5f),
                         AtPixel(14, 14, kSize, kSize, 0.5f)},
                        {0, 1, 2}),
            D3D_OK);
  EXPECT_EQ(device.CoverageMap(), Rows({
                                      "................",
                                      "................",
                                      "........#######.",
                                      "..............#.",
                                      "..............#.",
                                      "..............#.",
                                      "..............#.",
                                      "..............#.",
                                      "..............#.",
                                      ".........#....#.",
                                      "..........#...#.",
                                      "...........#..#.",
                                      "............#.#.",
                                      ".............##.",
                                      "..............#.",
                                      "................",
                                  }));
}

TEST(DeviceClipping, WildGeometryStaysInsideTheBuffers) {
  // Triangles with corners anywhere from tiny to enormous, behind the camera, on the near plane
  // or on the camera itself, in every fill mode: each draw succeeds, and (under the address
  // sanitizer) no pixel outside the buffers is touched.
  for (const unsigned seed : {1u, 2u, 3u, 4u, 5u, 6u, 7u, 8u}) {
    std::mt19937 random(seed);
    const float scales[] = {0.0f, 1e-3f, 1.0f, 30.0f, 1e4f, 1e12f, 3e38f};
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    std::uniform_int_distribution<int> pick(0, 6);
    const auto coordinate = [&] { return unit(random) * scales[pick(random)]; };
    TestDevice device(37, 23);
    D3DMATRIX projection;
    D3DXMatrixPerspectiveFovLH(&projection, 1.0f, 37.0f / 23.0f, 0.1f, 100.0f);
    ASSERT_EQ(device.device->SetTransform(D3DTS_PROJECTION, projection), D3D_OK);
    auto texture = std::make_shared<Texture>();
    texture->width = 3;
    texture->height = 5;
    texture->texels.assign(15, 0xFF808080u);
    ASSERT_EQ(device.device->SetTexture(0, texture), D3D_OK);
    std::vector<Vertex> vertices(300);
    for (Vertex& v : vertices) {
      v.position = {coordinate(), coordinate(), coordinate()};
      v.u = coordinate();
      v.v = coordinate();
    }
    std::vector<std::uint32_t> indices(300);
    for (std::uint32_t i = 0; i < indices.size(); ++i) indices[i] = i;
    for (const DWORD fill : {D3DFILL_SOLID, D3DFILL_WIREFRAME}) {
      ASSERT_EQ(device.device->SetRenderState(D3DRS_FILLMODE, fill), D3D_OK);
      EXPECT_EQ(device.Draw(D3DFVF_XYZ | D3DFVF_TEX1, vertices, indices), D3D_OK) << "seed " << seed;
    }
  }
}

}  // namespace
