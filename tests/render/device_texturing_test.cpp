// Texturing: point sampling with wrap, perspective-correct texture coordinates and colours,
// and the texture modulating the lit colour. Expected texels come from inverting the
// projection for each pixel centre, independently of the rasterizer's interpolation.
#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "device_test_support.h"
#include "render/pipeline/pixel_shading.h"

namespace {

constexpr DWORD kTexturedFvf = D3DFVF_XYZ | D3DFVF_TEX1;

std::shared_ptr<Texture> MakeTexture(int width, int height, std::uint32_t (*texel)(int column, int row)) {
  auto texture = std::make_shared<Texture>();
  texture->width = width;
  texture->height = height;
  for (int row = 0; row < height; ++row)
    for (int column = 0; column < width; ++column)
      texture->texels.push_back(0xFF000000u | texel(column, row));
  return texture;
}

// Every texel a colour of its own, so a pixel tells which texel it took.
std::uint32_t UniqueTexel(int column, int row) { return Rgb(column * 32 + 16, row * 32 + 16, 0x80); }

// The floor y = -1, x in [-4, 4], z in [2, 10], seen from the origin looking along +z with a
// 90 degree field of view: u runs with x, v from the far edge (0) to the near edge (1).
class SlantedFloor {
 public:
  static constexpr int kSize = 64;
  static constexpr double kNear = 2, kFar = 10, kHalfWidth = 4;

  explicit SlantedFloor(TestDevice& device) {
    D3DMATRIX projection;
    D3DXMatrixPerspectiveFovLH(&projection, static_cast<float>(kPi / 2), 1.0f, 0.5f, 100.0f);
    EXPECT_EQ(device.device->SetTransform(D3DTS_PROJECTION, projection), D3D_OK);
    const float corners[4][2] = {{-4, 10}, {4, 10}, {4, 2}, {-4, 2}};
    for (const auto& corner : corners) {
      Vertex v;
      v.position = {corner[0], -1, corner[1]};
      v.u = static_cast<float>((corner[0] + kHalfWidth) / (2 * kHalfWidth));
      v.v = static_cast<float>((kFar - corner[1]) / (kFar - kNear));
      v.diffuse = 0xFF000000u | (corner[1] == kFar ? 0x000000u : 0xFFFFFFu);
      vertices.push_back(v);
    }
  }

  // Where the view ray through the centre of pixel (i, j) meets the floor plane. False when it
  // misses the floor.
  static bool FloorPointAt(int i, int j, double* x, double* z) {
    const double scale = 1.0 / std::tan(kPi / 4);  // the projection's x and y scale
    const double xNdc = 2.0 * i / kSize - 1.0;
    const double yNdc = 1.0 - 2.0 * j / kSize;
    if (yNdc >= 0) return false;
    *z = scale / -yNdc;  // y/w = scale * -1 / z
    *x = xNdc * *z / scale;
    return *z >= kNear && *z <= kFar && std::abs(*x) <= kHalfWidth;
  }

  std::vector<Vertex> vertices;
  const std::vector<std::uint32_t> indices = {0, 1, 2, 0, 2, 3};

 private:
  static constexpr double kPi = 3.14159265358979323846;
};

double DistanceToWhole(double value) { return std::abs(value - std::round(value)); }

TEST(DeviceTexturing, SlantedCheckerboardLandsWherePerspectiveMappingPutsIt) {
  TestDevice device(SlantedFloor::kSize, SlantedFloor::kSize);
  SlantedFloor floor(device);
  ASSERT_EQ(device.device->SetTexture(0, MakeTexture(8, 8, UniqueTexel)), D3D_OK);
  ASSERT_EQ(device.Draw(kTexturedFvf, floor.vertices, floor.indices), D3D_OK);
  int checked = 0;
  for (int j = 0; j < SlantedFloor::kSize; ++j) {
    for (int i = 0; i < SlantedFloor::kSize; ++i) {
      double x, z;
      if (!SlantedFloor::FloorPointAt(i, j, &x, &z)) continue;
      const double column = (x + 4) / 8 * 8, row = (10 - z) / 8 * 8;
      // Pixels whose centre maps within 5% of a texel of a texel border, or near the floor's
      // outline, are left out: there rounding decides, not the mapping.
      if (DistanceToWhole(column) < 0.05 || DistanceToWhole(row) < 0.05) continue;
      if (std::abs(x) > 3.95 || z < 2.05 || z > 9.95) continue;
      ASSERT_EQ(device.Pixel(i, j), UniqueTexel(static_cast<int>(column), static_cast<int>(row)))
          << "pixel " << i << "," << j << " floor point x " << x << " z " << z;
      ++checked;
    }
  }
  EXPECT_GT(checked, 400);
}

TEST(DeviceTexturing, SlantedColourRampIsPerspectiveCorrect) {
  // Lighting off: the far edge is black, the near edge white, so the true colour of a floor
  // point is 255 * (10 - z) / 8. Interpolating in screen space without the perspective
  // correction would be off by up to about 60 levels here.
  TestDevice device(SlantedFloor::kSize, SlantedFloor::kSize);
  SlantedFloor floor(device);
  ASSERT_EQ(device.Draw(kColourFvf, floor.vertices, floor.indices), D3D_OK);
  int checked = 0;
  for (int j = 0; j < SlantedFloor::kSize; ++j) {
    for (int i = 0; i < SlantedFloor::kSize; ++i) {
      double x, z;
      if (!SlantedFloor::FloorPointAt(i, j, &x, &z) || std::abs(x) > 3.95 || z < 2.05 || z > 9.95) continue;
      const double expected = 255 * (10 - z) / 8;
      const std::uint32_t pixel = device.Pixel(i, j);
      ASSERT_NEAR(static_cast<double>(pixel & 0xFF), expected, 1.0) << "pixel " << i << "," << j;
      ++checked;
    }
  }
  EXPECT_GT(checked, 400);
}

TEST(DeviceTexturing, AColourTheSameAtEveryCornerIsThatColourAtEveryPixel) {
  // Lit by a white ambient light alone, a material of 0.5 is 0.5 at every corner: 127.5 levels,
  // rounded up to 128. Perspective-correct interpolation of a constant is that constant, so
  // however steeply the floor recedes, no pixel may drift to 127.
  TestDevice device(SlantedFloor::kSize, SlantedFloor::kSize);
  SlantedFloor floor(device);
  ASSERT_EQ(device.device->SetRenderState(D3DRS_LIGHTING, 1), D3D_OK);
  ASSERT_EQ(device.device->SetRenderState(D3DRS_AMBIENT, D3DCOLOR_XRGB(255, 255, 255)), D3D_OK);
  D3DMATERIAL8 half{};
  half.Diffuse = half.Ambient = {0.5f, 0.5f, 0.5f, 1};
  ASSERT_EQ(device.device->SetMaterial(half), D3D_OK);
  ASSERT_EQ(device.Draw(D3DFVF_XYZ, floor.vertices, floor.indices), D3D_OK);
  int checked = 0;
  for (int j = 0; j < SlantedFloor::kSize; ++j) {
    for (int i = 0; i < SlantedFloor::kSize; ++i) {
      double x, z;
      if (!SlantedFloor::FloorPointAt(i, j, &x, &z) || std::abs(x) > 3.95 || z < 2.05 || z > 9.95) continue;
      ASSERT_EQ(device.Pixel(i, j), Rgb(128, 128, 128)) << "pixel " << i << "," << j;
      ++checked;
    }
  }
  EXPECT_GT(checked, 400);
}

constexpr int kSize = 16;

// A quad over the whole back buffer with u running from `uLeft` to `uLeft + 2` left to right
// and v from `vTop` to `vTop + 1` top to bottom.
std::vector<Vertex> TexturedQuad(float uLeft, float vTop) {
  std::vector<Vertex> quad = {AtPixel(0, 0, kSize, kSize), AtPixel(kSize, 0, kSize, kSize),
                              AtPixel(kSize, kSize, kSize, kSize), AtPixel(0, kSize, kSize, kSize)};
  const float us[4] = {uLeft, uLeft + 2, uLeft + 2, uLeft};
  const float vs[4] = {vTop, vTop, vTop + 1, vTop + 1};
  for (int i = 0; i < 4; ++i) {
    quad[i].u = us[i];
    quad[i].v = vs[i];
  }
  return quad;
}

std::uint32_t ColumnColour(int column, int) { return Rgb(column * 60, 0, 0); }
std::uint32_t RowColour(int, int row) { return Rgb(0, row * 60, 0); }

// Pixel column i samples u = uLeft + i/8; with 0.03 past a whole number, no sample falls on a
// texel border.
void ExpectColumnsWrap(float uLeft, int textureWidth) {
  TestDevice device(kSize, kSize);
  ASSERT_EQ(device.device->SetTexture(0, MakeTexture(textureWidth, 1, ColumnColour)), D3D_OK);
  ASSERT_EQ(device.Draw(kTexturedFvf, TexturedQuad(uLeft, 0), {0, 1, 2, 0, 2, 3}), D3D_OK);
  for (int i = 0; i < kSize; ++i) {
    const double u = 0.03 + i / 8.0;  // uLeft's whole part does not matter under wrap
    const int texel = static_cast<int>(std::floor(u * textureWidth)) % textureWidth;
    EXPECT_EQ(device.Pixel(i, 5), ColumnColour(texel, 0)) << "column " << i << " from u " << uLeft;
  }
}

TEST(DeviceTexturing, PointSamplingWrapsPastOne) { ExpectColumnsWrap(0.03f, 4); }
TEST(DeviceTexturing, PointSamplingWrapsBelowZero) { ExpectColumnsWrap(-1.97f, 4); }
TEST(DeviceTexturing, PointSamplingWrapsFarFromZero) { ExpectColumnsWrap(1000.03f, 4); }
TEST(DeviceTexturing, PointSamplingWrapsTexturesOfAnyWidth) { ExpectColumnsWrap(0.03f, 3); }

TEST(DeviceTexturing, WildTextureCoordinatesStillSampleTheTexture) {
  // NaN, infinite and enormous coordinates give some texel of the texture, never a crash.
  const float wild[] = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                        -1e30f, 3e9f};
  for (float u : wild) {
    TestDevice device(kSize, kSize);
    ASSERT_EQ(device.device->SetTexture(0, MakeTexture(4, 1, ColumnColour)), D3D_OK);
    std::vector<Vertex> quad = TexturedQuad(0, 0);
    quad[1].u = u;
    quad[3].v = -u;
    for (const DWORD fill : {D3DFILL_SOLID, D3DFILL_WIREFRAME}) {
      ASSERT_EQ(device.device->SetRenderState(D3DRS_FILLMODE, fill), D3D_OK);
      ASSERT_EQ(device.Draw(kTexturedFvf, quad, {0, 1, 2, 0, 2, 3}), D3D_OK);
    }
    for (int i = 0; i < kSize; ++i) {
      const std::uint32_t pixel = device.Pixel(i, 7);
      EXPECT_TRUE(pixel == ColumnColour(0, 0) || pixel == ColumnColour(1, 0) || pixel == ColumnColour(2, 0) ||
                  pixel == ColumnColour(3, 0))
          << "u " << u << " column " << i << " pixel " << std::hex << pixel;
    }
  }
}

TEST(DeviceTexturing, VGrowsDownwardsFromTheTopRow) {
  TestDevice device(kSize, kSize);
  ASSERT_EQ(device.device->SetTexture(0, MakeTexture(1, 4, RowColour)), D3D_OK);
  ASSERT_EQ(device.Draw(kTexturedFvf, TexturedQuad(0.03f, 0.03f), {0, 1, 2, 0, 2, 3}), D3D_OK);
  for (int j = 0; j < kSize; ++j) EXPECT_EQ(device.Pixel(5, j), RowColour(0, j / 4)) << "row " << j;
}

std::uint32_t Texel200_100_50(int, int) { return Rgb(200, 100, 50); }

class DeviceTexturingLit : public ::testing::Test {
 protected:
  DeviceTexturingLit() : device_(kSize, kSize) {
    // Ambient 50 on a white material and no lights: the lit colour is 50/255.
    EXPECT_EQ(device_.device->SetRenderState(D3DRS_LIGHTING, 1), D3D_OK);
    EXPECT_EQ(device_.device->SetRenderState(D3DRS_AMBIENT, D3DCOLOR_XRGB(50, 50, 50)), D3D_OK);
    D3DMATERIAL8 material{};
    material.Diffuse = material.Ambient = {1, 1, 1, 1};
    EXPECT_EQ(device_.device->SetMaterial(material), D3D_OK);
  }

  std::uint32_t Draw(DWORD fvf) {
    EXPECT_EQ(device_.Draw(fvf, TexturedQuad(0.03f, 0.03f), {0, 1, 2, 0, 2, 3}), D3D_OK);
    return device_.Pixel(8, 8);
  }

  Direct3DDevice8& Device() { return *device_.device; }

 private:
  TestDevice device_;
};

TEST_F(DeviceTexturingLit, TextureModulatesTheLitColour) {
  // 200 * 50/255 = 39.2, 100 * 50/255 = 19.6, 50 * 50/255 = 9.8.
  ASSERT_EQ(Device().SetTexture(0, MakeTexture(2, 2, Texel200_100_50)), D3D_OK);
  EXPECT_EQ(Draw(kTexturedFvf | D3DFVF_NORMAL), Rgb(39, 20, 10));
}

TEST_F(DeviceTexturingLit, WithoutTextureTheLitColourShows) {
  ASSERT_EQ(Device().SetTexture(0, nullptr), D3D_OK);
  EXPECT_EQ(Draw(kTexturedFvf | D3DFVF_NORMAL), Rgb(50, 50, 50));
}

TEST_F(DeviceTexturingLit, WithoutTextureCoordinatesTheTextureIsNotUsed) {
  ASSERT_EQ(Device().SetTexture(0, MakeTexture(2, 2, Texel200_100_50)), D3D_OK);
  EXPECT_EQ(Draw(D3DFVF_XYZ | D3DFVF_NORMAL), Rgb(50, 50, 50));
}

TEST(DeviceTexturing, ModulateRoundsTheExactProduct) {
  for (std::uint32_t texel = 0; texel < 256; ++texel) {
    for (std::uint32_t colour = 0; colour < 256; ++colour) {
      const std::uint32_t rounded = (2 * texel * colour + 255) / 510;  // round(t * c / 255)
      ASSERT_EQ(MultiplyBytes(texel, colour), rounded) << texel << " x " << colour;
    }
  }
}

}  // namespace
