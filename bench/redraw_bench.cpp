// The whole map redraw and its three phases for three views of the 557 x 557 texture:
// the default view (6 E, 52 N, 3340 km), a close one (300 km) and the whole Earth
// (20015 km). Reads <build>/maps/earthmap.bmp when it is there, a synthetic texture
// otherwise. Run: build/bench/redraw_bench --benchmark_repetitions=9
//   --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "base/platform.h"
#include "base/surface.h"
#include "base/uniform_random.h"
#include "mapout/hole_filling.h"
#include "mapout/map_files.h"
#include "mapout/post_process.h"

namespace {

constexpr int kSide = 557;

std::uint32_t Le32(const std::string& b, std::size_t at) {
  return static_cast<std::uint8_t>(b[at]) | static_cast<std::uint8_t>(b[at + 1]) << 8 |
         static_cast<std::uint8_t>(b[at + 2]) << 16 |
         static_cast<std::uint32_t>(static_cast<std::uint8_t>(b[at + 3])) << 24;
}

// Uncompressed 24- or 32-bit BMP, bottom-up or top-down.
std::optional<Picture> ReadBmp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  const std::string b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (b.size() < 54 || b[0] != 'B' || b[1] != 'M') return std::nullopt;
  const std::uint32_t offset = Le32(b, 10);
  const auto width = static_cast<std::int32_t>(Le32(b, 18));
  const auto rawHeight = static_cast<std::int32_t>(Le32(b, 22));
  const int bits = static_cast<std::uint8_t>(b[28]) | static_cast<std::uint8_t>(b[29]) << 8;
  const std::uint32_t compression = Le32(b, 30);
  if (width <= 0 || rawHeight == 0 || (bits != 24 && bits != 32) || (compression != 0 && compression != 3)) {
    return std::nullopt;
  }
  const int height = std::abs(rawHeight);
  const std::size_t rowBytes = ((static_cast<std::size_t>(width) * bits / 8) + 3) & ~std::size_t{3};
  if (offset + rowBytes * height > b.size()) return std::nullopt;
  Picture picture{width, height, std::vector<std::uint32_t>(static_cast<std::size_t>(width) * height)};
  for (int y = 0; y < height; ++y) {
    const int fileRow = rawHeight > 0 ? height - 1 - y : y;
    const auto* row = reinterpret_cast<const std::uint8_t*>(b.data() + offset + fileRow * rowBytes);
    for (int x = 0; x < width; ++x) {
      const std::uint8_t* p = row + x * (bits / 8);
      picture.pixels[static_cast<std::size_t>(y) * width + x] = p[2] << 16 | p[1] << 8 | p[0];
    }
  }
  return picture;
}

// Smooth continents and seas with some grain, no channel below 2 (nothing halves to black).
Picture SyntheticTexture() {
  Picture picture{kSide, kSide, std::vector<std::uint32_t>(kSide * kSide)};
  UniformRandom grain(7);
  for (int y = 0; y < kSide; ++y) {
    for (int x = 0; x < kSide; ++x) {
      const double land = std::sin(x * 0.031) * std::cos(y * 0.043) + 0.3 * std::sin((x + 2 * y) * 0.11);
      const int noise = static_cast<int>(grain.Next() * 24);
      const int r = land > 0 ? 90 + noise : 8 + noise / 4;
      const int g = land > 0 ? 110 + noise : 30 + noise / 2;
      const int b = land > 0 ? 40 + noise / 2 : 90 + noise;
      picture.pixels[static_cast<std::size_t>(y) * kSide + x] = r << 16 | g << 8 | b;
    }
  }
  return picture;
}

const Picture& Texture() {
  static const Picture texture = [] {
    const std::string path = std::string(SKERROWEN_BINARY_DIR) + "/maps/earthmap.bmp";
    if (auto loaded = ReadBmp(path)) {
      std::fprintf(stderr, "texture: %s\n", path.c_str());
      return *loaded;
    }
    std::fprintf(stderr, "texture: synthetic (no %s)\n", path.c_str());
    return SyntheticTexture();
  }();
  return texture;
}

class MemoryFiles : public FileStore {
 public:
  std::optional<std::string> CheckTarget(const std::string&) override { return std::nullopt; }
  bool WriteWholeFiles(const std::vector<WholeFile>& files, WriteFailure*, const StopAsked&) override {
    for (const WholeFile& file : files) files_[file.path] = std::string(file.bytes);
    return true;
  }
  bool Append(const std::string& path, const std::string& bytes, std::string*) override {
    files_[path] += bytes;
    return true;
  }

 private:
  std::map<std::string, std::string> files_;
};

class NoMessages : public MessageBoxes {
 public:
  void Show(const std::string&, const std::string&, MessageIcon) override {}
};

// Stands in for the window: keeps the caption and counts the event rounds.
class CaptionStub : public RedrawProgress {
 public:
  void SetCaption(const std::string& text) override { caption = text; }
  void ProcessEvents() override { benchmark::DoNotOptimize(++rounds); }
  std::string caption;
  long rounds = 0;
};

struct Rig {
  Surface picture1{kSide, kSide, 0};
  Surface picture2{kSide, kSide, 0};
  Surface picture3{kSide, kSide, 0};
  Surface picture4{kSide, kSide, 0x808080};
  MemoryFiles files;
  NoMessages messages;
  MapStore store{files, messages};
  CaptionStub progress;
  UniformRandom random;
  HoleFillingBuffers buffers;  // kept from one redraw to the next, as the program keeps them
  MapCentre centre;

  explicit Rig(double radius) : centre{6, 52, radius} { picture2.SetPicture(Texture()); }
  RedrawContext Context() {
    return {picture1, picture2, picture3, picture4, centre, progress, store, random, &buffers};
  }
};

void WholeRedraw(benchmark::State& state) {
  Rig rig(static_cast<double>(state.range(0)));
  for (auto _ : state) {
    RedrawContext context = rig.Context();
    benchmark::DoNotOptimize(PostProcessMap(context));
  }
}

void Phase1ViewMask(benchmark::State& state) {
  Rig rig(static_cast<double>(state.range(0)));
  for (auto _ : state) {
    const TexelPlacement placement(rig.centre, kSide, kSide, kSide, kSide);
    ViewMask mask = MarkView(placement, kSide, kSide, [&](int, int) { rig.progress.ProcessEvents(); });
    benchmark::DoNotOptimize(mask);
  }
}

void Phase2Reprojection(benchmark::State& state) {
  Rig rig(static_cast<double>(state.range(0)));
  const TexelPlacement placement(rig.centre, kSide, kSide, kSide, kSide);
  const ViewMask mask = MarkView(placement, kSide, kSide, [](int, int) {});
  std::size_t marked = 0;
  for (int x = 0; x < kSide; ++x) {
    for (int y = 0; y < kSide; ++y) marked += mask.ColumnInView[x] && mask.RowInView[y];
  }
  for (auto _ : state) {
    Reproject(placement, mask, rig.picture2, rig.picture1, [&](int) { rig.progress.ProcessEvents(); });
  }
  state.counters["texels"] = static_cast<double>(marked);
}

void Phase3HoleFilling(benchmark::State& state) {
  Rig rig(static_cast<double>(state.range(0)));
  const TexelPlacement placement(rig.centre, kSide, kSide, kSide, kSide);
  const ViewMask mask = MarkView(placement, kSide, kSide, [](int, int) {});
  std::fill_n(rig.picture1.MutablePixels(), kSide * kSide, 0U);
  Reproject(placement, mask, rig.picture2, rig.picture1, [](int) {});
  const Picture snapshot = rig.picture1.Image();
  std::size_t holes = 0;
  for (std::uint32_t p : snapshot.pixels) holes += p == 0;
  std::vector<std::uint32_t> map = snapshot.pixels;
  for (auto _ : state) {
    FillHoles(
        snapshot.pixels.data(), map.data(), kSide, kSide, rig.random,
        [&](int) { rig.progress.ProcessEvents(); }, &rig.buffers);
  }
  state.counters["holes"] = static_cast<double>(holes);
}

// Real time, as the operator waits it out; the CPU time counts both threads of the redraw.
void Radii(benchmark::internal::Benchmark* b) {
  b->Arg(3340)->Arg(300)->Arg(20015)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();
}

BENCHMARK(WholeRedraw)->Apply(Radii);
BENCHMARK(Phase1ViewMask)->Apply(Radii);
BENCHMARK(Phase2Reprojection)->Apply(Radii);
BENCHMARK(Phase3HoleFilling)->Apply(Radii);

}  // namespace
