// Which pixels a filled triangle covers: centres at whole pixel coordinates, centres on an edge
// belong to the triangle only on its top and left edges, so meshes have neither gaps nor double
// coverage.
#include <vector>

#include "device_test_support.h"

namespace {

constexpr int kSize = 8;

std::string DrawOne(Vertex a, Vertex b, Vertex c) {
  TestDevice device(kSize, kSize);
  EXPECT_EQ(device.Draw(kColourFvf, {a, b, c}, {0, 1, 2}), D3D_OK);
  return device.CoverageMap();
}

TEST(DeviceFillRule, TopAndLeftEdgesAreInsideTheHypotenuseIsNot) {
  // Centres on the top edge y = 1 and the left edge x = 1 are drawn; centres on the line
  // x + y = 6 (the lower right edge) are not.
  const std::string expected = Rows({
      "........",
      ".####...",
      ".###....",
      ".##.....",
      ".#......",
      "........",
      "........",
      "........",
  });
  EXPECT_EQ(DrawOne(AtPixel(1, 1, kSize, kSize), AtPixel(5, 1, kSize, kSize), AtPixel(1, 5, kSize, kSize)),
            expected);
  // The winding does not change coverage.
  EXPECT_EQ(DrawOne(AtPixel(1, 1, kSize, kSize), AtPixel(1, 5, kSize, kSize), AtPixel(5, 1, kSize, kSize)),
            expected);
}

TEST(DeviceFillRule, BottomAndRightEdgesAreOutside) {
  // Mirror image of the triangle above: its edges through the centres are the right (x = 5)
  // and bottom (y = 5) ones, so only centres strictly inside are drawn, plus those on the
  // upper left edge x + y = 6.
  const std::string expected = Rows({
      "........",
      "........",
      "....#...",
      "...##...",
      "..###...",
      "........",
      "........",
      "........",
  });
  EXPECT_EQ(DrawOne(AtPixel(5, 1, kSize, kSize), AtPixel(5, 5, kSize, kSize), AtPixel(1, 5, kSize, kSize)),
            expected);
}

TEST(DeviceFillRule, PixelCentresAreAtWholeCoordinates) {
  // With centres at i + 0.5 this triangle would cover six pixels from (0, 0); with centres at
  // whole coordinates it covers the three centres (1,1), (2,1), (1,2).
  const std::string expected = Rows({
      "........",
      ".##.....",
      ".#......",
      "........",
      "........",
      "........",
      "........",
      "........",
  });
  EXPECT_EQ(DrawOne(AtPixel(0.5f, 0.5f, kSize, kSize), AtPixel(3.5f, 0.5f, kSize, kSize),
                    AtPixel(0.5f, 3.5f, kSize, kSize)),
            expected);
}

TEST(DeviceFillRule, ThinSliverBetweenCentresCoversNothing) {
  EXPECT_EQ(DrawOne(AtPixel(1.1f, 1.2f, kSize, kSize), AtPixel(6.9f, 1.3f, kSize, kSize),
                    AtPixel(6.9f, 1.6f, kSize, kSize)),
            TestDevice(kSize, kSize).CoverageMap());
}

std::vector<int> CoverageCounts(int size, const std::vector<Vertex>& vertices,
                                const std::vector<std::uint32_t>& indices) {
  TestDevice device(size, size);
  return CoverageCounts(device, kColourFvf, vertices, indices);
}

TEST(DeviceFillRule, TwoTrianglesSharingADiagonalCoverTheSquareOnce) {
  constexpr int kGrid = 8;
  const std::vector<Vertex> corners = {AtPixel(1, 1, kGrid, kGrid), AtPixel(5, 1, kGrid, kGrid),
                                       AtPixel(5, 5, kGrid, kGrid), AtPixel(1, 5, kGrid, kGrid)};
  const std::vector<int> counts = CoverageCounts(kGrid, corners, {0, 1, 2, 0, 2, 3});
  for (int y = 0; y < kGrid; ++y) {
    for (int x = 0; x < kGrid; ++x) {
      const int expected = (x >= 1 && x < 5 && y >= 1 && y < 5) ? 1 : 0;
      EXPECT_EQ(counts[y * kGrid + x], expected) << "pixel " << x << "," << y;
    }
  }
}

TEST(DeviceFillRule, JitteredMeshCoversEveryPixelExactlyOnce) {
  // A 4 x 4 grid of quads over 0.5 .. 15.5 whose inner vertices sit at odd sub-pixel places,
  // some of them exactly on pixel centres; both diagonals directions are used.
  constexpr int kGrid = 16;
  constexpr int kCells = 4;
  const float jitter[kCells + 1][kCells + 1][2] = {
      {{0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}},
      {{0, 0}, {0.37f, -0.81f}, {0.0f, -0.25f}, {-1.13f, 0.29f}, {0, 0}},
      {{0, 0}, {-0.5f, 0.0f}, {0.0f, 0.0f}, {0.0f, -0.5f}, {0, 0}},
      {{0, 0}, {0.93f, 0.11f}, {-0.27f, -1.49f}, {0.25f, 0.25f}, {0, 0}},
      {{0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}},
  };
  std::vector<Vertex> vertices;
  for (int row = 0; row <= kCells; ++row) {
    for (int column = 0; column <= kCells; ++column) {
      const float x = 0.5f + column * 3.75f + jitter[row][column][0];
      const float y = 0.5f + row * 3.75f + jitter[row][column][1];
      vertices.push_back(AtPixel(x, y, kGrid, kGrid));
    }
  }
  std::vector<std::uint32_t> indices;
  for (int row = 0; row < kCells; ++row) {
    for (int column = 0; column < kCells; ++column) {
      const std::uint32_t topLeft = row * (kCells + 1) + column;
      const std::uint32_t topRight = topLeft + 1, bottomLeft = topLeft + kCells + 1,
                          bottomRight = bottomLeft + 1;
      if ((row + column) % 2 == 0)
        indices.insert(indices.end(), {topLeft, topRight, bottomRight, topLeft, bottomRight, bottomLeft});
      else
        indices.insert(indices.end(), {topLeft, topRight, bottomLeft, topRight, bottomRight, bottomLeft});
    }
  }
  const std::vector<int> counts = CoverageCounts(kGrid, vertices, indices);
  for (int y = 0; y < kGrid; ++y) {
    for (int x = 0; x < kGrid; ++x) {
      const int expected = (x >= 1 && y >= 1) ? 1 : 0;  // centres 1..15 lie inside 0.5 .. 15.5
      EXPECT_EQ(counts[y * kGrid + x], expected) << "pixel " << x << "," << y;
    }
  }
}

}  // namespace
