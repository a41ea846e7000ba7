// Per-vertex lighting. The scene is a quad filling a 16 x 16 back buffer at camera-space depth
// 0.5, facing the camera (normal (0, 0, -1)), with identity transforms so that camera space is
// clip space. Lights sit on the axis through the quad's centre, so all four corners receive the
// same light and the middle pixel shows it exactly. Expected values are worked out by hand from
// the lighting formula; the working is in each test.
#include <cmath>
#include <vector>

#include "device_test_support.h"

namespace {

constexpr int kSize = 16;
constexpr DWORD kLitFvf = D3DFVF_XYZ | D3DFVF_NORMAL;

D3DLIGHT8 PointLight(float x, float y, float z) {
  D3DLIGHT8 light{};
  light.Type = D3DLIGHT_POINT;
  light.Diffuse = {1, 1, 1, 0};
  light.Position = {x, y, z};
  light.Range = 300;
  light.Attenuation0 = 1;
  return light;
}

// A point light `height` in front of the quad, on its axis: every corner is sqrt(2 + height^2)
// away and sees it at N.L = height / that distance.
D3DLIGHT8 LightInFront(float height) { return PointLight(0, 0, 0.5f - height); }

D3DMATERIAL8 Material(float r, float g, float b) {
  D3DMATERIAL8 material{};
  material.Diffuse = {r, g, b, 1};
  material.Ambient = {r, g, b, 1};
  return material;
}

class DeviceLighting : public ::testing::Test {
 protected:
  DeviceLighting() : device_(kSize, kSize) {
    EXPECT_EQ(device_.device->SetRenderState(D3DRS_LIGHTING, 1), D3D_OK);
    EXPECT_EQ(device_.device->SetMaterial(Material(1, 1, 1)), D3D_OK);
  }

  void AddLight(DWORD index, const D3DLIGHT8& light) {
    ASSERT_EQ(device_.device->SetLight(index, light), D3D_OK);
    ASSERT_EQ(device_.device->LightEnable(index, 1), D3D_OK);
  }

  // Draws the quad with the given vertex format and colour, returns the middle pixel.
  std::uint32_t DrawQuad(DWORD fvf = kLitFvf, std::uint32_t vertexColour = 0xFFFFFF, float z = 0.5f) {
    std::vector<Vertex> quad = {AtPixel(0, 0, kSize, kSize, z, vertexColour),
                                AtPixel(kSize, 0, kSize, kSize, z, vertexColour),
                                AtPixel(kSize, kSize, kSize, kSize, z, vertexColour),
                                AtPixel(0, kSize, kSize, kSize, z, vertexColour)};
    for (Vertex& v : quad) v.normal = {0, 0, -1};
    device_.ClearAll();
    EXPECT_EQ(device_.Draw(fvf, quad, {0, 1, 2, 0, 2, 3}), D3D_OK);
    return device_.Pixel(kSize / 2, kSize / 2);
  }

  Direct3DDevice8& Device() { return *device_.device; }

 private:
  TestDevice device_;
};

TEST_F(DeviceLighting, AmbientAloneLightsTheDarkSide) {
  // The light is behind the quad (N.L < 0): only the ambient state (50/255) times the material
  // ambient (1, 0.8, 0.6) is left: 50, 40, 30.
  ASSERT_EQ(Device().SetRenderState(D3DRS_AMBIENT, D3DCOLOR_XRGB(50, 50, 50)), D3D_OK);
  ASSERT_EQ(Device().SetMaterial(Material(1.0f, 0.8f, 0.6f)), D3D_OK);
  AddLight(0, PointLight(0, 0, 10));
  EXPECT_EQ(DrawQuad(), Rgb(50, 40, 30));
}

TEST_F(DeviceLighting, PointLightIsCutOffBeyondItsRange) {
  // 299 in front: distance sqrt(2 + 299^2) = 299.003 <= 300, N.L = 0.99999: 255.
  AddLight(0, LightInFront(299));
  EXPECT_EQ(DrawQuad(), Rgb(255, 255, 255));
  // 301 in front: distance 301.003 > 300: no light at all.
  AddLight(0, LightInFront(301));
  EXPECT_EQ(DrawQuad(), Rgb(0, 0, 0));
}

TEST_F(DeviceLighting, AttenuationAndIdenticalLightsAddUpThenSaturate) {
  // 7 in front: d = sqrt(51) = 7.1414, N.L = 7/d = 0.98020; attenuation 1, 0.1, 0.01 gives
  // 1/(1 + 0.71414 + 0.51) = 0.44961. One light: 255 * 0.44070 = 112.4; two: 224.8; four
  // would be 449.5 and are clamped to 255.
  D3DLIGHT8 light = LightInFront(7);
  light.Attenuation1 = 0.1f;
  light.Attenuation2 = 0.01f;
  AddLight(0, light);
  EXPECT_EQ(DrawQuad(), Rgb(112, 112, 112));
  AddLight(1, light);
  EXPECT_EQ(DrawQuad(), Rgb(225, 225, 225));
  AddLight(2, light);
  AddLight(3, light);
  EXPECT_EQ(DrawQuad(), Rgb(255, 255, 255));
}

TEST_F(DeviceLighting, SumIsClampedOnceAfterAllTerms) {
  // A light of diffuse 2 gives 2 * 0.98020 = 1.9604; the emissive -1 brings the sum to 0.9604,
  // 244.9. Clamping the light's share to 1 first would give black.
  D3DLIGHT8 light = LightInFront(7);
  light.Diffuse = {2, 2, 2, 0};
  AddLight(0, light);
  D3DMATERIAL8 material = Material(1, 1, 1);
  material.Emissive = {-1, -1, -1, 1};
  ASSERT_EQ(Device().SetMaterial(material), D3D_OK);
  EXPECT_EQ(DrawQuad(), Rgb(245, 245, 245));
}

TEST_F(DeviceLighting, EmissiveShowsWithoutAnyLight) {
  D3DMATERIAL8 material = Material(1, 1, 1);
  material.Emissive = {0.2f, 0.4f, 0.6f, 1};
  ASSERT_EQ(Device().SetMaterial(material), D3D_OK);
  EXPECT_EQ(DrawQuad(), Rgb(51, 102, 153));
}

TEST_F(DeviceLighting, VertexWithoutNormalGetsOnlyAmbientAndEmissive) {
  ASSERT_EQ(Device().SetRenderState(D3DRS_AMBIENT, D3DCOLOR_XRGB(50, 50, 50)), D3D_OK);
  AddLight(0, LightInFront(7));
  EXPECT_EQ(DrawQuad(D3DFVF_XYZ), Rgb(50, 50, 50));
}

TEST_F(DeviceLighting, VertexColourIsTheDiffuseSource) {
  // 200 in front: N.L = 200 / sqrt(2 + 200^2) = 0.999975, (255, 128, 0) * that rounds to itself.
  AddLight(0, LightInFront(200));
  EXPECT_EQ(DrawQuad(kLitFvf | D3DFVF_DIFFUSE, Rgb(255, 128, 0)), Rgb(255, 128, 0));
}

TEST_F(DeviceLighting, AmbientTermUsesTheMaterialNotTheVertexColour) {
  ASSERT_EQ(Device().SetRenderState(D3DRS_AMBIENT, D3DCOLOR_XRGB(50, 50, 50)), D3D_OK);
  EXPECT_EQ(DrawQuad(kLitFvf | D3DFVF_DIFFUSE, Rgb(255, 0, 0)), Rgb(50, 50, 50));
}

TEST_F(DeviceLighting, ScaledWorldDimsNormals) {
  // Scaling the world by 4 makes the transformed normal a quarter long (normals are not
  // renormalised): the corners, now at (+-4, +-4), see the light 200 in front at
  // N.L = 0.25 * 200 / sqrt(32 + 200^2) = 0.24990: 63.7.
  D3DMATRIX world;
  D3DXMatrixScaling(&world, 4, 4, 4);
  ASSERT_EQ(Device().SetTransform(D3DTS_WORLD, world), D3D_OK);
  AddLight(0, LightInFront(200));
  EXPECT_EQ(DrawQuad(kLitFvf, 0xFFFFFF, 0.125f), Rgb(64, 64, 64));
}

TEST_F(DeviceLighting, LightPositionGoesThroughTheView) {
  // The view moves everything 5 along z; the quad drawn at world z = -4.5 is at camera z = 0.5
  // and the light at world z = -11.5 is 7 in front of it, as in the attenuation case: 112.
  D3DMATRIX view;
  D3DXMatrixTranslation(&view, 0, 0, 5);
  ASSERT_EQ(Device().SetTransform(D3DTS_VIEW, view), D3D_OK);
  D3DLIGHT8 light = PointLight(0, 0, -11.5f);
  light.Attenuation1 = 0.1f;
  light.Attenuation2 = 0.01f;
  AddLight(0, light);
  EXPECT_EQ(DrawQuad(kLitFvf, 0xFFFFFF, -4.5f), Rgb(112, 112, 112));
}

TEST_F(DeviceLighting, DisabledLightsAddNothing) {
  AddLight(0, LightInFront(7));
  ASSERT_EQ(Device().LightEnable(0, 0), D3D_OK);
  EXPECT_EQ(DrawQuad(), Rgb(0, 0, 0));
}

TEST_F(DeviceLighting, LightingOffShowsTheVertexColourOrWhite) {
  AddLight(0, LightInFront(7));
  ASSERT_EQ(Device().SetRenderState(D3DRS_LIGHTING, 0), D3D_OK);
  EXPECT_EQ(DrawQuad(kLitFvf | D3DFVF_DIFFUSE, Rgb(10, 20, 30)), Rgb(10, 20, 30));
  EXPECT_EQ(DrawQuad(kLitFvf), Rgb(255, 255, 255));
}

TEST_F(DeviceLighting, GouraudColoursBlendBetweenVertices) {
  // Lighting off, a left-to-right colour ramp at constant w: the middle pixel (x = 8 of 16) is
  // exactly half way: 0.5 * 255 = 127.5, rounded up to 128.
  ASSERT_EQ(Device().SetRenderState(D3DRS_LIGHTING, 0), D3D_OK);
  std::vector<Vertex> quad = {
      AtPixel(0, 0, kSize, kSize, 0.5f, 0x000000), AtPixel(kSize, 0, kSize, kSize, 0.5f, 0xFFFFFF),
      AtPixel(kSize, kSize, kSize, kSize, 0.5f, 0xFFFFFF), AtPixel(0, kSize, kSize, kSize, 0.5f, 0x000000)};
  TestDevice device(kSize, kSize);
  ASSERT_EQ(device.Draw(kColourFvf, quad, {0, 1, 2, 0, 2, 3}), D3D_OK);
  EXPECT_EQ(device.Pixel(8, 3), Rgb(128, 128, 128));
  EXPECT_EQ(device.Pixel(4, 3), Rgb(64, 64, 64));  // 0.25 * 255 = 63.75
}

}  // namespace
