// One globe frame at 557 x 557 as the renderer draws it: Clear, four sun lights, every subset,
// Present. Uses <build>/5.x and its texture when the data tool has made them, else a UV sphere
// of radius 20 (64 x 32 segments, wound clockwise seen from outside) with a generated 2048 x
// 1024 texture. Views: from the globe's centre towards 6 E, 52 N (the default: the sun is on the
// far side, so every corner has the same colour), the same lit by a sun above 60 E, 30 N, too
// weak to saturate anywhere (every corner a colour of its own), from distance 60 on the same ray,
// and the default view in wireframe; then two textured triangles covering the whole frame, which
// measure the fill loop alone. Run: build/bench/render_bench
//   --benchmark_repetitions=9 --benchmark_report_aggregates_only=true
// Each label carries a checksum of the frame's pixels and, for the globe, of its coverage: the
// same view drawn with every triangle in a flat colour of its own, which changes only when
// another triangle or no triangle takes a pixel. With RENDER_BENCH_SAVE_FRAMES=<folder> each
// scene's frame is written there; with RENDER_BENCH_COMPARE_FRAMES=<folder> it is compared with
// the frame saved there, pixel by pixel.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "base/render_target.h"
#include "render/d3dx/d3dx_mesh.h"
#include "render/d3dx/d3dx_texture.h"
#include "render/device/device.h"
#include "render/types/d3dx_math.h"
#include "support/present_parameters.h"

namespace {

constexpr int kSide = 557;
constexpr std::uint32_t kClearColour = 0x00000033;
constexpr double kDegree = 3.14159265358979323846 / 180;

class FrameSink : public RenderTarget {
 public:
  int ClientWidth() const override { return kSide; }
  int ClientHeight() const override { return kSide; }
  void PresentFrame(const std::uint32_t* pixels, int width, int height) override {
    shown.assign(pixels, pixels + static_cast<std::size_t>(width) * height);
  }
  std::vector<std::uint32_t> shown;
};

// Where longitude lambda, latitude phi (degrees) lie on the globe, at distance `radius`.
D3DVECTOR GlobeDirection(double lambda, double phi, double radius) {
  const double l = lambda * kDegree, p = phi * kDegree;
  return {static_cast<float>(-std::sin(l) * std::cos(p) * radius), static_cast<float>(std::sin(p) * radius),
          static_cast<float>(-std::cos(l) * std::cos(p) * radius)};
}

std::unique_ptr<D3DXMesh> MakeSphere(Direct3DDevice8* device) {
  constexpr int kColumns = 64, kRows = 32;
  std::vector<Vertex> vertices;
  for (int row = 0; row <= kRows; ++row) {
    for (int column = 0; column <= kColumns; ++column) {
      const double lambda = -180.0 + 360.0 * column / kColumns, phi = 90.0 - 180.0 * row / kRows;
      Vertex v;
      v.position = GlobeDirection(lambda, phi, 20);
      v.normal = GlobeDirection(lambda, phi, 1);
      v.u = static_cast<float>((lambda + 180) / 360);
      v.v = static_cast<float>((90 - phi) / 180);
      vertices.push_back(v);
    }
  }
  // Seen from outside, east (growing column) is to the left and south (growing row) below, so
  // (c+1, r) -> (c, r) -> (c, r+1) runs clockwise.
  std::vector<std::uint32_t> indices;
  for (int row = 0; row < kRows; ++row) {
    for (int column = 0; column < kColumns; ++column) {
      const std::uint32_t topEast = row * (kColumns + 1) + column + 1, topWest = topEast - 1;
      const std::uint32_t bottomEast = topEast + kColumns + 1, bottomWest = topWest + kColumns + 1;
      indices.insert(indices.end(), {topEast, topWest, bottomWest, topEast, bottomWest, bottomEast});
    }
  }
  std::vector<DWORD> attributes(indices.size() / 3, 0);
  return std::make_unique<D3DXMesh>(device, D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1, std::move(vertices),
                                    std::move(indices), std::move(attributes));
}

std::shared_ptr<Texture> MakeEarthLikeTexture() {
  auto texture = std::make_shared<Texture>();
  texture->width = 2048;
  texture->height = 1024;
  texture->texels.resize(2048u * 1024u);
  for (int y = 0; y < texture->height; ++y)
    for (int x = 0; x < texture->width; ++x)
      texture->texels[static_cast<std::size_t>(y) * 2048 + x] =
          0xFF000000u | ((x * 7) & 0xFF) << 16 | ((y * 13) & 0xFF) << 8 | ((x ^ y) & 0xFF);
  return texture;
}

struct Subset {
  D3DMATERIAL8 material;
  std::shared_ptr<const Texture> texture;
};

class GlobeFrame {
 public:
  GlobeFrame() {
    if (FAILED(Direct3DDevice8::Create(WindowedParams(&sink_), &device_))) return;
    device_->SetVertexShader(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1);
    device_->SetRenderState(D3DRS_LIGHTING, 1);
    device_->SetRenderState(D3DRS_AMBIENT, D3DCOLOR_XRGB(50, 50, 50));
    device_->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    device_->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
    D3DMATRIX matrix;
    device_->SetTransform(D3DTS_WORLD, *D3DXMatrixIdentity(&matrix));
    device_->SetTransform(D3DTS_PROJECTION, *D3DXMatrixPerspectiveFovLH(&matrix, 3.14159f / 3, 1, 0.1f, 500));
    const double t = 1.0;  // radians around the y axis
    sun_.Type = D3DLIGHT_POINT;
    sun_.Diffuse = {1, 1, 1, 0};
    sun_.Position = {static_cast<float>(200 * std::cos(t)), 0, static_cast<float>(200 * std::sin(t))};
    sun_.Range = 300;
    sun_.Attenuation0 = 1;
    for (DWORD i = 0; i < 4; ++i) {
      device_->SetLight(i, sun_);
      device_->LightEnable(i, 1);
    }
    LoadScene();
  }

  bool Ready() const { return device_ != nullptr && mesh_ != nullptr; }
  const std::string& SceneName() const { return sceneName_; }

  // Looks from `distance` along the direction of 6 E, 52 N at the surface point there.
  void SetView(double distance) {
    const D3DVECTOR eye = GlobeDirection(6, 52, distance), at = GlobeDirection(6, 52, 20), up{0, 1, 0};
    D3DMATRIX view;
    device_->SetTransform(D3DTS_VIEW, *D3DXMatrixLookAtLH(&view, &eye, &at, &up));
  }

  void SetFillMode(DWORD mode) { device_->SetRenderState(D3DRS_FILLMODE, mode); }

  // Puts the sun above longitude, latitude (degrees), far enough out to light the whole side,
  // each of its four lights at `brightness`.
  void SetSunAbove(double longitude, double latitude, float brightness) {
    sun_.Position = GlobeDirection(longitude, latitude, 200);
    sun_.Diffuse = {brightness, brightness, brightness, 0};
    sunHeight_ = sun_.Position.y;
  }

  // Each frame moves the sun a hair, so that the device draws it instead of keeping the last
  // frame: this measures drawing.
  void Draw() {
    sun_.Position.y = sunHeight_ + ((++frames_ % 2 == 0) ? 0.0f : 1e-3f);
    for (DWORD i = 0; i < 4; ++i) device_->SetLight(i, sun_);
    device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kClearColour, 1.0f, 0);
    device_->BeginScene();
    D3DMATRIX world;
    device_->SetTransform(D3DTS_WORLD, *D3DXMatrixIdentity(&world));
    for (DWORD i = 0; i < subsets_.size(); ++i) {
      device_->SetTexture(0, subsets_[i].texture);
      device_->SetMaterial(subsets_[i].material);
      mesh_->DrawSubset(i);
    }
    device_->EndScene();
    device_->Present(nullptr, nullptr, nullptr, nullptr);
  }

  const std::vector<std::uint32_t>& Shown() const { return sink_.shown; }

  // The current view with lighting and texture off and each triangle in a colour of its own,
  // byte values that interpolation cannot round to a neighbour. The globe's front faces do not
  // overlap, so each pixel shows the one triangle that covers it. Leaves the states as Draw
  // needs them.
  std::vector<std::uint32_t> CoverageFrame() {
    const DWORD fvf = D3DFVF_XYZ | D3DFVF_DIFFUSE;
    std::vector<Vertex> corners;
    const std::vector<Vertex>& vertices = mesh_->Vertices();
    const std::vector<std::uint32_t>& indices = mesh_->Indices();
    for (std::size_t i = 0; i < indices.size(); ++i) {
      Vertex corner;
      corner.position = vertices[indices[i]].position;
      corner.diffuse = 0xFF000000u | ((static_cast<std::uint32_t>(i / 3) + 1) * 2654435761u & 0xFFFFFFu);
      corners.push_back(corner);
    }
    std::vector<std::uint32_t> sequence(corners.size());
    for (std::size_t i = 0; i < sequence.size(); ++i) sequence[i] = static_cast<std::uint32_t>(i);
    device_->SetRenderState(D3DRS_LIGHTING, 0);
    device_->SetTexture(0, nullptr);
    device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kClearColour, 1.0f, 0);
    device_->BeginScene();
    D3DMATRIX world;
    device_->SetTransform(D3DTS_WORLD, *D3DXMatrixIdentity(&world));
    device_->DrawIndexedTriangleList(fvf, corners.data(), static_cast<std::uint32_t>(corners.size()),
                                     sequence.data(), static_cast<std::uint32_t>(sequence.size() / 3));
    device_->EndScene();
    device_->Present(nullptr, nullptr, nullptr, nullptr);
    device_->SetRenderState(D3DRS_LIGHTING, 1);
    return sink_.shown;
  }

  // Pixels of the last frame that show the globe rather than the background.
  int CoveredPixels() const {
    int covered = 0;
    for (std::uint32_t pixel : sink_.shown) covered += pixel != kClearColour ? 1 : 0;
    return covered;
  }

 private:
  void LoadScene() {
    const std::string directory = SKERROWEN_BINARY_DIR;
    if (std::filesystem::exists(directory + "/5.x")) {
      std::vector<D3DXMATERIAL> materials;
      DWORD count = 0;
      if (SUCCEEDED(D3DXLoadMeshFromX(directory + "/5.x", D3DXMESH_MANAGED, device_.get(), &mesh_, &materials,
                                      &count, nullptr))) {
        for (const D3DXMATERIAL& material : materials) {
          Subset subset{material.MatD3D, nullptr};
          subset.material.Ambient = subset.material.Diffuse;
          std::shared_ptr<Texture> texture;
          if (!material.TextureFilename.empty() &&
              SUCCEEDED(D3DXCreateTextureFromFile(device_.get(), directory + "/" + material.TextureFilename,
                                                  &texture, nullptr)))
            subset.texture = texture;
          subsets_.push_back(subset);
        }
        sceneName_ = "5.x";
        return;
      }
    }
    mesh_ = MakeSphere(device_.get());
    D3DMATERIAL8 white{};
    white.Diffuse = white.Ambient = {1, 1, 1, 1};
    subsets_.push_back({white, MakeEarthLikeTexture()});
    sceneName_ = "generated sphere";
  }

  FrameSink sink_;
  D3DLIGHT8 sun_{};
  float sunHeight_ = 0;
  unsigned frames_ = 0;
  std::unique_ptr<Direct3DDevice8> device_;
  std::unique_ptr<D3DXMesh> mesh_;
  std::vector<Subset> subsets_;
  std::string sceneName_;
};

// FNV-1a over the pixels, printed in the label: a change meant to draw the same frame faster
// must leave it as it was.
std::string PixelsChecksum(const std::uint32_t* pixels, std::size_t count) {
  std::uint32_t hash = 2166136261u;
  for (std::size_t i = 0; i < count; ++i) {
    for (int shift = 0; shift < 32; shift += 8) hash = (hash ^ ((pixels[i] >> shift) & 0xFF)) * 16777619u;
  }
  char text[16];
  std::snprintf(text, sizeof text, "%08x", hash);
  return text;
}

// Saves `pixels` as the scene's frame, or compares them with the one saved before, as the
// environment asks. Counts the pixels that differ and the largest difference in a channel.
// False when there is no saved frame to compare with.
bool SaveOrCompareFrame(benchmark::State& state, const std::string& scene, const std::uint32_t* pixels,
                        std::size_t count) {
  if (const char* folder = std::getenv("RENDER_BENCH_SAVE_FRAMES")) {
    std::ofstream out(std::string(folder) + "/" + scene + ".frame", std::ios::binary);
    out.write(reinterpret_cast<const char*>(pixels), static_cast<std::streamsize>(count * sizeof *pixels));
  }
  const char* folder = std::getenv("RENDER_BENCH_COMPARE_FRAMES");
  if (folder == nullptr) return true;
  std::ifstream in(std::string(folder) + "/" + scene + ".frame", std::ios::binary);
  const std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (bytes.size() != count * sizeof *pixels) {
    state.SkipWithError(("no saved frame of the same size for " + scene).c_str());
    return false;
  }
  std::vector<std::uint32_t> saved(count);
  std::copy(bytes.begin(), bytes.end(), reinterpret_cast<char*>(saved.data()));
  int differing = 0, largest = 0;
  for (std::size_t i = 0; i < count; ++i) {
    if (saved[i] == pixels[i]) continue;
    ++differing;
    for (int shift = 0; shift < 24; shift += 8)
      largest = std::max(largest, std::abs(static_cast<int>((saved[i] >> shift) & 0xFF) -
                                           static_cast<int>((pixels[i] >> shift) & 0xFF)));
  }
  state.counters["pixels_differing"] = differing;
  state.counters["largest_channel_difference"] = largest;
  return true;
}

// Besides the mean over iterations, each frame is timed on its own: on a machine shared with
// other work the fastest and the middle frame say more about the renderer than the mean does.
void RunFrames(benchmark::State& state, const std::string& scene, double distance, DWORD fillMode,
               bool sunlit = false) {
  GlobeFrame frame;
  if (!frame.Ready()) {
    state.SkipWithError("device could not be set up");
    return;
  }
  frame.SetView(distance);
  if (sunlit) frame.SetSunAbove(60, 30, 0.2f);
  std::string coverage;
  if (fillMode == D3DFILL_SOLID) {
    const std::vector<std::uint32_t> owners = frame.CoverageFrame();
    coverage = ", coverage " + PixelsChecksum(owners.data(), owners.size());
  }
  frame.SetFillMode(fillMode);
  frame.Draw();
  const int covered = frame.CoveredPixels();
  const std::string checksum = PixelsChecksum(frame.Shown().data(), frame.Shown().size());
  if (!SaveOrCompareFrame(state, scene, frame.Shown().data(), frame.Shown().size())) return;
  std::vector<double> frameMs;
  for (auto _ : state) {
    const auto begin = std::chrono::steady_clock::now();
    frame.Draw();
    frameMs.push_back(
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin).count());
  }
  std::sort(frameMs.begin(), frameMs.end());
  state.SetLabel(frame.SceneName() + ", pixels " + checksum + coverage);
  state.counters["frame_ms_min"] = frameMs.front();
  state.counters["frame_ms_median"] = frameMs[frameMs.size() / 2];
  state.counters["covered_pixels"] = covered;
  // Time per covered pixel, the whole frame's cost included.
  state.counters["ns_per_covered_pixel"] =
      benchmark::Counter(static_cast<double>(covered) * state.iterations(),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_GlobeFrameInside(benchmark::State& state) { RunFrames(state, "inside", 0, D3DFILL_SOLID); }
void BM_GlobeFrameInsideSunlit(benchmark::State& state) {
  RunFrames(state, "inside-sunlit", 0, D3DFILL_SOLID, true);
}
void BM_GlobeFrameOutside(benchmark::State& state) { RunFrames(state, "outside", 60, D3DFILL_SOLID); }
void BM_GlobeFrameInsideWireframe(benchmark::State& state) {
  RunFrames(state, "inside-wireframe", 0, D3DFILL_WIREFRAME);
}

// The rasterizer's inner loop alone: two textured, lit triangles covering the frame.
void BM_FullFrameTexturedQuad(benchmark::State& state) {
  FrameSink sink;
  std::unique_ptr<Direct3DDevice8> device;
  Direct3DDevice8::Create(WindowedParams(&sink), &device);
  device->SetRenderState(D3DRS_AMBIENT, D3DCOLOR_XRGB(50, 50, 50));
  D3DMATERIAL8 white{};
  white.Diffuse = white.Ambient = {1, 1, 1, 1};
  device->SetMaterial(white);
  device->SetTexture(0, MakeEarthLikeTexture());
  D3DMATRIX projection;
  device->SetTransform(D3DTS_PROJECTION,
                       *D3DXMatrixPerspectiveFovLH(&projection, 3.14159f / 3, 1, 0.1f, 500));
  // A slanted quad at depths 2 to 6 that more than fills the view.
  std::vector<Vertex> quad(4);
  const float corners[4][3] = {{-8, 6, 6}, {8, 6, 6}, {8, -6, 2}, {-8, -6, 2}};
  for (int i = 0; i < 4; ++i) {
    quad[i].position = {corners[i][0], corners[i][1], corners[i][2]};
    quad[i].normal = {0, 0, -1};
    quad[i].u = i == 1 || i == 2 ? 1.0f : 0.0f;
    quad[i].v = i >= 2 ? 1.0f : 0.0f;
  }
  const std::uint32_t indices[6] = {0, 1, 2, 0, 2, 3};
  const DWORD fvf = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;
  for (auto _ : state) {
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kClearColour, 1.0f, 0);
    device->BeginScene();
    device->DrawIndexedTriangleList(fvf, quad.data(), 4, indices, 2);
    device->EndScene();
  }
  int covered = 0;
  for (int i = 0; i < kSide * kSide; ++i) covered += device->BackBuffer()[i] != kClearColour ? 1 : 0;
  state.counters["covered_pixels"] = covered;
  state.counters["ns_per_covered_pixel"] =
      benchmark::Counter(static_cast<double>(covered) * state.iterations(),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.SetLabel("pixels " + PixelsChecksum(device->BackBuffer(), static_cast<std::size_t>(kSide) * kSide));
  SaveOrCompareFrame(state, "quad", device->BackBuffer(), static_cast<std::size_t>(kSide) * kSide);
}

BENCHMARK(BM_GlobeFrameInside)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GlobeFrameInsideSunlit)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GlobeFrameOutside)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GlobeFrameInsideWireframe)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FullFrameTexturedQuad)->Unit(benchmark::kMillisecond);

}  // namespace
