// Culling by the winding seen on screen (y downwards; clockwise is the front), and wireframe,
// which draws only the edges of the triangles culling keeps.
#include <vector>

#include "device_test_support.h"

namespace {

constexpr int kSize = 8;

// (1,1) -> (5,1) -> (1,5) runs clockwise on screen.
const std::vector<Vertex> kClockwise = {AtPixel(1, 1, kSize, kSize), AtPixel(5, 1, kSize, kSize),
                                        AtPixel(1, 5, kSize, kSize)};
const std::vector<std::uint32_t> kForward = {0, 1, 2};
const std::vector<std::uint32_t> kReversed = {0, 2, 1};

bool IsDrawn(DWORD cullMode, const std::vector<std::uint32_t>& order, const D3DMATRIX* world = nullptr) {
  TestDevice device(kSize, kSize);
  EXPECT_EQ(device.device->SetRenderState(D3DRS_CULLMODE, cullMode), D3D_OK);
  if (world != nullptr) {
    EXPECT_EQ(device.device->SetTransform(D3DTS_WORLD, *world), D3D_OK);
  }
  EXPECT_EQ(device.Draw(kColourFvf, kClockwise, order), D3D_OK);
  return device.CoverageMap() != TestDevice(kSize, kSize).CoverageMap();
}

TEST(DeviceCulling, CullClockwiseDropsClockwiseKeepsCounterClockwise) {
  EXPECT_FALSE(IsDrawn(D3DCULL_CW, kForward));
  EXPECT_TRUE(IsDrawn(D3DCULL_CW, kReversed));
}

TEST(DeviceCulling, CullCounterClockwiseDropsCounterClockwiseKeepsClockwise) {
  EXPECT_TRUE(IsDrawn(D3DCULL_CCW, kForward));
  EXPECT_FALSE(IsDrawn(D3DCULL_CCW, kReversed));
}

TEST(DeviceCulling, CullNoneKeepsBoth) {
  EXPECT_TRUE(IsDrawn(D3DCULL_NONE, kForward));
  EXPECT_TRUE(IsDrawn(D3DCULL_NONE, kReversed));
}

TEST(DeviceCulling, WindingIsJudgedOnScreenAfterTheTransforms) {
  // Mirroring x turns the clockwise triangle counter-clockwise on screen.
  D3DMATRIX mirror;
  D3DXMatrixScaling(&mirror, -1.0f, 1.0f, 1.0f);
  EXPECT_TRUE(IsDrawn(D3DCULL_CW, kForward, &mirror));
  EXPECT_FALSE(IsDrawn(D3DCULL_CCW, kForward, &mirror));
}

TEST(DeviceWireframe, DrawsOnlyTheEdgePixels) {
  constexpr int kGrid = 12;
  TestDevice device(kGrid, kGrid);
  ASSERT_EQ(device.device->SetRenderState(D3DRS_FILLMODE, D3DFILL_WIREFRAME), D3D_OK);
  // Each edge is drawn from its first vertex's pixel up to, not including, its last one's.
  EXPECT_EQ(
      device.Draw(kColourFvf,
                  {AtPixel(1, 1, kGrid, kGrid), AtPixel(9, 1, kGrid, kGrid), AtPixel(1, 9, kGrid, kGrid)},
                  kForward),
      D3D_OK);
  EXPECT_EQ(device.CoverageMap(), Rows({
                                      "............",
                                      ".#########..",
                                      ".#......#...",
                                      ".#.....#....",
                                      ".#....#.....",
                                      ".#...#......",
                                      ".#..#.......",
                                      ".#.#........",
                                      ".##.........",
                                      ".#..........",
                                      "............",
                                      "............",
                                  }));
}

TEST(DeviceWireframe, CulledTrianglesDrawNoEdges) {
  TestDevice device(kSize, kSize);
  ASSERT_EQ(device.device->SetRenderState(D3DRS_FILLMODE, D3DFILL_WIREFRAME), D3D_OK);
  ASSERT_EQ(device.device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW), D3D_OK);
  EXPECT_EQ(device.Draw(kColourFvf, kClockwise, kForward), D3D_OK);
  EXPECT_EQ(device.CoverageMap(), TestDevice(kSize, kSize).CoverageMap());
  EXPECT_EQ(device.Draw(kColourFvf, kClockwise, kReversed), D3D_OK);
  EXPECT_NE(device.CoverageMap(), TestDevice(kSize, kSize).CoverageMap());
}

TEST(DeviceWireframe, QuadShowsItsOutlineAndDiagonal) {
  // Two triangles sharing a diagonal: wireframe shows the outline and the diagonal, and no
  // pixel off those lines.
  constexpr int kGrid = 8;
  TestDevice device(kGrid, kGrid);
  ASSERT_EQ(device.device->SetRenderState(D3DRS_FILLMODE, D3DFILL_WIREFRAME), D3D_OK);
  const std::vector<Vertex> corners = {AtPixel(1, 1, kGrid, kGrid), AtPixel(6, 1, kGrid, kGrid),
                                       AtPixel(6, 6, kGrid, kGrid), AtPixel(1, 6, kGrid, kGrid)};
  EXPECT_EQ(device.Draw(kColourFvf, corners, {0, 1, 2, 0, 2, 3}), D3D_OK);
  EXPECT_EQ(device.CoverageMap(), Rows({
                                      "........",
                                      ".######.",
                                      ".##...#.",
                                      ".#.#..#.",
                                      ".#..#.#.",
                                      ".#...##.",
                                      ".######.",
                                      "........",
                                  }));
}

}  // namespace
