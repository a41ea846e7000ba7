// Frames that repeat the last one are kept instead of drawn again. Whatever the device keeps
// or draws, every presented frame must equal what a fresh device draws for the same
// operations, and a frame that differs in any input must be drawn.
#include <functional>
#include <memory>
#include <vector>

#include "device_test_support.h"

namespace {

constexpr int kSize = 48;
constexpr DWORD kLitTexturedFvf = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;

std::shared_ptr<Texture> Checkerboard(std::uint32_t light) {
  auto texture = std::make_shared<Texture>();
  texture->width = 4;
  texture->height = 4;
  for (int i = 0; i < 16; ++i) texture->texels.push_back(((i + i / 4) % 2) != 0 ? light : 0xFF203040u);
  return texture;
}

// A quad in front of the eye with a second one partly behind it, lit by one point light.
struct Scene {
  D3DCOLOR clearColour = 0x000033;
  DWORD clearFlags = D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER;
  bool partialClearFirst = false;  // a target-only clear before the scene's own
  D3DMATRIX world;
  D3DVECTOR lightPosition{0, 0, -5};
  D3DCOLORVALUE diffuse{1, 1, 1, 1};
  DWORD fillMode = D3DFILL_SOLID;
  std::shared_ptr<const Texture> texture = Checkerboard(0xFFE0E0E0u);
  std::vector<std::vector<Vertex>> draws;
  std::vector<std::uint32_t> indices{0, 1, 2, 0, 2, 3};

  Scene() {
    D3DXMatrixIdentity(&world);
    draws.push_back(Quad(-1, -1, 1, 1, 4));
    draws.push_back(Quad(-0.5f, -1.5f, 1.5f, 0.5f, 5));
  }

  static std::vector<Vertex> Quad(float left, float bottom, float right, float top, float z) {
    std::vector<Vertex> quad(4);
    const float corners[4][2] = {{left, top}, {right, top}, {right, bottom}, {left, bottom}};
    for (int i = 0; i < 4; ++i) {
      quad[i].position = {corners[i][0], corners[i][1], z};
      quad[i].normal = {0, 0, -1};
      quad[i].u = i == 1 || i == 2 ? 1.0f : 0.0f;
      quad[i].v = i >= 2 ? 1.0f : 0.0f;
    }
    return quad;
  }
};

void SetStates(Direct3DDevice8& device, const Scene& scene) {
  D3DMATRIX projection;
  D3DXMatrixPerspectiveFovLH(&projection, 1.2f, 1.0f, 0.5f, 50.0f);
  ASSERT_EQ(device.SetTransform(D3DTS_PROJECTION, projection), D3D_OK);
  ASSERT_EQ(device.SetTransform(D3DTS_WORLD, scene.world), D3D_OK);
  ASSERT_EQ(device.SetRenderState(D3DRS_LIGHTING, 1), D3D_OK);
  ASSERT_EQ(device.SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE), D3D_OK);
  ASSERT_EQ(device.SetRenderState(D3DRS_AMBIENT, 0x00303030), D3D_OK);
  ASSERT_EQ(device.SetRenderState(D3DRS_FILLMODE, scene.fillMode), D3D_OK);
  D3DLIGHT8 light{};
  light.Type = D3DLIGHT_POINT;
  light.Diffuse = {1, 1, 1, 0};
  light.Position = scene.lightPosition;
  light.Range = 100;
  light.Attenuation0 = 1;
  ASSERT_EQ(device.SetLight(0, light), D3D_OK);
  ASSERT_EQ(device.LightEnable(0, 1), D3D_OK);
  D3DMATERIAL8 material{};
  material.Diffuse = scene.diffuse;
  material.Ambient = scene.diffuse;
  ASSERT_EQ(device.SetMaterial(material), D3D_OK);
  ASSERT_EQ(device.SetTexture(0, scene.texture), D3D_OK);
}

void Clear(Direct3DDevice8& device, const Scene& scene) {
  if (scene.partialClearFirst) {
    ASSERT_EQ(device.Clear(0, nullptr, D3DCLEAR_TARGET, 0x800000, 1.0f, 0), D3D_OK);
  }
  ASSERT_EQ(device.Clear(0, nullptr, scene.clearFlags, scene.clearColour, 1.0f, 0), D3D_OK);
}

void Draw(Direct3DDevice8& device, const Scene& scene, std::size_t draw) {
  ASSERT_EQ(device.BeginScene(), D3D_OK);
  const std::vector<Vertex>& vertices = scene.draws[draw];
  ASSERT_EQ(device.DrawIndexedTriangleList(kLitTexturedFvf, vertices.data(),
                                           static_cast<std::uint32_t>(vertices.size()), scene.indices.data(),
                                           static_cast<std::uint32_t>(scene.indices.size() / 3)),
            D3D_OK);
  ASSERT_EQ(device.EndScene(), D3D_OK);
}

// The frame as the globe renderer draws one: states, clear, draws, present.
void RenderFrame(TestDevice& target, const Scene& scene) {
  SetStates(*target.device, scene);
  Clear(*target.device, scene);
  for (std::size_t i = 0; i < scene.draws.size(); ++i) Draw(*target.device, scene, i);
  ASSERT_EQ(target.device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
}

std::vector<std::uint32_t> FreshFrame(const Scene& scene) {
  TestDevice fresh(kSize, kSize);
  RenderFrame(fresh, scene);
  return fresh.window.presented;
}

TEST(FrameReuse, RepeatedFramesAreKeptAndShowTheSamePixels) {
  const Scene scene;
  const std::vector<std::uint32_t> expected = FreshFrame(scene);
  std::size_t lit = 0;
  for (std::uint32_t pixel : expected) lit += pixel != scene.clearColour ? 1 : 0;
  ASSERT_GT(lit, 200u);  // the scene draws something worth keeping

  TestDevice target(kSize, kSize);
  ASSERT_EQ(target.device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);  // the set-up's clear
  for (int frame = 0; frame < 4; ++frame) {
    RenderFrame(target, scene);
    EXPECT_EQ(target.window.presented, expected) << "frame " << frame;
  }
  EXPECT_EQ(target.device->FramesKept(), 3u);
}

// One input changed at a time: the frame must be drawn, equal a fresh device's, and the
// changed frame is then kept when it repeats in turn.
TEST(FrameReuse, AFrameThatDiffersInAnyInputIsDrawn) {
  const std::vector<std::pair<const char*, std::function<void(Scene&)>>> changes = {
      {"clear colour", [](Scene& s) { s.clearColour = 0x102030; }},
      {"world transform", [](Scene& s) { s.world.m[3][0] = 0.25f; }},
      {"light", [](Scene& s) { s.lightPosition.x = 1.0f; }},
      {"material", [](Scene& s) { s.diffuse.g = 0.5f; }},
      {"fill mode", [](Scene& s) { s.fillMode = D3DFILL_WIREFRAME; }},
      {"another texture of the same texels", [](Scene& s) { s.texture = Checkerboard(0xFFE0E0E0u); }},
      {"a vertex", [](Scene& s) { s.draws[1][2].position.x += 0.01f; }},
      {"a texture coordinate", [](Scene& s) { s.draws[0][1].u = 0.5f; }},
      {"indices", [](Scene& s) { s.indices = {0, 1, 3, 1, 2, 3}; }},
      {"one draw fewer", [](Scene& s) { s.draws.pop_back(); }},
      {"one draw more", [](Scene& s) { s.draws.push_back(Scene::Quad(-2, -2, -1, -1, 3)); }},
  };
  for (const auto& [what, change] : changes) {
    const Scene before;
    Scene after = before;
    change(after);
    TestDevice target(kSize, kSize);
    ASSERT_EQ(target.device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);  // the set-up's clear
    RenderFrame(target, before);
    RenderFrame(target, before);
    ASSERT_EQ(target.device->FramesKept(), 1u) << what;
    RenderFrame(target, after);
    EXPECT_EQ(target.device->FramesKept(), 1u) << what;
    EXPECT_EQ(target.window.presented, FreshFrame(after)) << what;
    RenderFrame(target, after);
    EXPECT_EQ(target.device->FramesKept(), 2u) << what;
    EXPECT_EQ(target.window.presented, FreshFrame(after)) << what;
  }
}

// A frame that does not begin by clearing everything builds on what was drawn before, so it is
// never kept, even when its operations repeat.
TEST(FrameReuse, FramesThatDoNotClearEverythingFirstAreAlwaysDrawn) {
  Scene targetOnly;
  targetOnly.clearFlags = D3DCLEAR_TARGET;
  Scene partlyFirst;
  partlyFirst.partialClearFirst = true;
  for (const Scene& scene : {targetOnly, partlyFirst}) {
    TestDevice target(kSize, kSize), reference(kSize, kSize);
    for (int frame = 0; frame < 3; ++frame) {
      RenderFrame(target, scene);
      RenderFrame(reference, scene);
    }
    EXPECT_EQ(target.device->FramesKept(), 0u);
    EXPECT_EQ(target.window.presented, reference.window.presented);
  }
}

// Reading the back buffer half-way through a repeating frame shows the operations so far.
TEST(FrameReuse, ReadingHalfWayShowsTheOperationsSoFar) {
  const Scene scene;
  TestDevice reference(kSize, kSize);
  SetStates(*reference.device, scene);
  Clear(*reference.device, scene);
  Draw(*reference.device, scene, 0);
  const std::vector<std::uint32_t> halfWay(reference.device->BackBuffer(),
                                           reference.device->BackBuffer() + kSize * kSize);

  TestDevice target(kSize, kSize);
  ASSERT_EQ(target.device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);  // the set-up's clear
  RenderFrame(target, scene);
  RenderFrame(target, scene);
  ASSERT_EQ(target.device->FramesKept(), 1u);
  SetStates(*target.device, scene);
  Clear(*target.device, scene);
  Draw(*target.device, scene, 0);
  EXPECT_EQ(
      std::vector<std::uint32_t>(target.device->BackBuffer(), target.device->BackBuffer() + kSize * kSize),
      halfWay);
  Draw(*target.device, scene, 1);
  ASSERT_EQ(target.device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
  EXPECT_EQ(target.window.presented, FreshFrame(scene));
}

}  // namespace
