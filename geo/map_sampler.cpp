#include "geo/map_sampler.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "geo/azimuthal.h"
#include "geo/fast_angles.h"
#include "geo/sun.h"

namespace {

constexpr int kRowsPerTake = 8;

std::uint32_t Scaled(std::uint32_t pixel, float factor) {
  const auto weight = static_cast<std::uint32_t>(factor * 256);
  return ((pixel & 0xFF00FF) * weight >> 8 & 0xFF00FF) | ((pixel & 0xFF00) * weight >> 8 & 0xFF00);
}

struct RowGeometry {
  int size;
  double kmPerPixel, y;
  AzimuthalEquidistant::Basis<float> basis;
  Vec3 sun;
  double uScale, uOffset, vScale, vOffset;
};

// The inverse projection of every pixel of a row, in one loop without branches that the
// compiler runs several pixels at a time (eight where the processor has AVX2, picked when the
// program starts): picture coordinates and the sine of the sun's elevation. Single precision
// places a pixel within a few centimetres on the ground, far inside a picture's texel.
__attribute__((target_clones("arch=x86-64-v3", "default"))) void LocateRow(const RowGeometry g,
                                                                           float* __restrict u,
                                                                           float* __restrict v,
                                                                           float* __restrict sunSine) {
  const auto f = [](double value) { return static_cast<float>(value); };
  const float half = f(g.size / 2.0), kmPerPixel = f(g.kmPerPixel), y = f(g.y);
  const float sx = f(g.sun.x), sy = f(g.sun.y), sz = f(g.sun.z);
  const float uScale = f(g.uScale), uOffset = f(g.uOffset), vScale = f(g.vScale), vOffset = f(g.vOffset);
  for (int col = 0; col < g.size; ++col) {
    const float x = (static_cast<float>(col) + 0.5f - half) * kmPerPixel;
    float px, py, pz;
    AzimuthalEquidistant::InverseVector(g.basis, x, y, px, py, pz);
    u[col] = FastAtan2(py, px) * uScale + uOffset;
    v[col] = vOffset - FastAtan2(pz, std::sqrt(px * px + py * py)) * vScale;
    sunSine[col] = px * sx + py * sy + pz * sz;
  }
}

// The bilinear sample of each pixel of a row, also without branches so the compiler can fetch
// several pixels' texels at once (AVX2's gathers). u and v count texels from the picture's
// left and top edges less a half, so (0, 0) is the middle of the top-left texel; across the
// antimeridian the picture wraps round, above and below it ends at its edge rows. Weights in
// 1/256; red and blue are blended together in one word, green in another.
__attribute__((target_clones("arch=x86-64-v3", "default"))) void SampleRow(
    const EarthPicture picture, int size, const float* __restrict u, const float* __restrict v,
    std::uint32_t* __restrict colours) {
  const int width = picture.width, lastRow = picture.height - 1;
  for (int col = 0; col < size; ++col) {
    // u and v are never below -0.5, so the integer part of one more, less one, is the floor.
    int x0 = static_cast<int>(u[col] + 1.0f) - 1, y0 = static_cast<int>(v[col] + 1.0f) - 1;
    const auto wx = static_cast<std::uint32_t>((u[col] - static_cast<float>(x0)) * 256.0f);
    const auto wy = static_cast<std::uint32_t>((v[col] - static_cast<float>(y0)) * 256.0f);
    x0 = x0 < 0 ? x0 + width : x0;
    x0 = x0 >= width ? x0 - width : x0;
    const int dx = x0 + 1 == width ? 1 - width : 1;
    y0 -= picture.firstRow;
    int y1 = y0 + 1;
    y0 = y0 < 0 ? 0 : (y0 > lastRow ? lastRow : y0);
    y1 = y1 < 0 ? 0 : (y1 > lastRow ? lastRow : y1);
    const int at = y0 * width + x0, dy = (y1 - y0) * width;
    const std::uint32_t a = picture.pixels[at], b = picture.pixels[at + dx];
    const std::uint32_t c = picture.pixels[at + dy], d = picture.pixels[at + dy + dx];
    const std::uint32_t topRb =
        ((a & 0xFF00FF) * (256 - wx) + (b & 0xFF00FF) * wx + 0x800080) >> 8 & 0xFF00FF;
    const std::uint32_t topG = ((a & 0xFF00) * (256 - wx) + (b & 0xFF00) * wx + 0x8000) >> 8 & 0xFF00;
    const std::uint32_t lowRb =
        ((c & 0xFF00FF) * (256 - wx) + (d & 0xFF00FF) * wx + 0x800080) >> 8 & 0xFF00FF;
    const std::uint32_t lowG = ((c & 0xFF00) * (256 - wx) + (d & 0xFF00) * wx + 0x8000) >> 8 & 0xFF00;
    const std::uint32_t rb = (topRb * (256 - wy) + lowRb * wy + 0x800080) >> 8 & 0xFF00FF;
    const std::uint32_t g = (topG * (256 - wy) + lowG * wy + 0x8000) >> 8 & 0xFF00;
    colours[col] = rb | g;
  }
}

// Where each pixel of a row takes its colour from: picture coordinates and, for the night
// side, the sine of the sun's elevation.
struct RowScratch {
  std::vector<float> u, v, sunSine;
  std::vector<std::uint32_t> colours;
  // The night picture's, when there is one.
  std::vector<float> nightU, nightV;
  std::vector<std::uint32_t> lights;
  explicit RowScratch(int size)
      : u(size), v(size), sunSine(size), colours(size), nightU(size), nightV(size), lights(size) {}
};

class RowSampler {
 public:
  RowSampler(const MapSampling& sampling, const MapCanvas& canvas)
      : s_(sampling),
        canvas_(canvas),
        basis_(AzimuthalEquidistant(sampling.centre).BasisIn<float>()),
        kmPerPixel_(2 * sampling.radiusKm / canvas.size),
        sun_(sampling.subSolar ? UnitVector(*sampling.subSolar) : Vec3{}),
        nightScaleU_(static_cast<float>(sampling.night.width) / static_cast<float>(sampling.day.width)),
        nightScaleV_(static_cast<float>(sampling.night.FullHeight()) /
                     static_cast<float>(sampling.day.FullHeight())) {}

  void Row(int row, RowScratch& scratch) const {
    Locate(row, scratch);
    SampleRow(s_.day, canvas_.size, scratch.u.data(), scratch.v.data(), scratch.colours.data());
    if (s_.subSolar && s_.night.pixels != nullptr) {
      for (int col = 0; col < canvas_.size; ++col) {
        scratch.nightU[col] = (scratch.u[col] + 0.5f) * nightScaleU_ - 0.5f;
        scratch.nightV[col] = (scratch.v[col] + 0.5f) * nightScaleV_ - 0.5f;
      }
      SampleRow(s_.night, canvas_.size, scratch.nightU.data(), scratch.nightV.data(), scratch.lights.data());
    }
    std::uint8_t* out = canvas_.top + canvas_.stride * row;
    const int red = canvas_.bgr ? 2 : 0, blue = canvas_.bgr ? 0 : 2;
    const auto put = [&](int col, std::uint32_t colour) {
      std::uint8_t* pixel = out + 3 * col;
      pixel[red] = static_cast<std::uint8_t>(colour >> 16);
      pixel[1] = static_cast<std::uint8_t>(colour >> 8);
      pixel[blue] = static_cast<std::uint8_t>(colour);
    };
    const auto [first, end] = ColumnsOnTheEarth(row);
    for (int col = 0; col < first; ++col) put(col, s_.background);
    if (s_.subSolar) {
      for (int col = first; col < end; ++col) put(col, Shade(scratch.colours[col], scratch, col));
    } else {
      for (int col = first; col < end; ++col) put(col, scratch.colours[col]);
    }
    for (int col = std::max(first, end); col < canvas_.size; ++col) put(col, s_.background);
  }

  // The columns [first, end) of a row whose pixel centres lie no farther from the map's centre
  // than the antipode: a run, as the ring is round. Worked out from the ring's width at the row
  // and then held to the test of each pixel at its ends, so no pixel falls to the other side.
  std::pair<int, int> ColumnsOnTheEarth(int row) const {
    const double half = canvas_.size / 2.0;
    const double y = (half - (row + 0.5)) * kmPerPixel_;
    const double limit = kHalfCircumferenceKm * kHalfCircumferenceKm;
    const auto inside = [&](int col) {
      const double x = (col + 0.5 - half) * kmPerPixel_;
      return x * x + y * y <= limit;
    };
    if (y * y > limit) return {0, 0};
    const double reach = std::sqrt(limit - y * y) / kmPerPixel_;
    int first = std::clamp(static_cast<int>(std::ceil(half - 0.5 - reach)), 0, canvas_.size);
    int end = std::clamp(static_cast<int>(std::floor(half - 0.5 + reach)) + 1, 0, canvas_.size);
    while (first > 0 && inside(first - 1)) --first;
    while (first < end && !inside(first)) ++first;
    while (end < canvas_.size && inside(end)) ++end;
    while (end > first && !inside(end - 1)) --end;
    return {first, end};
  }

  void Locate(int row, RowScratch& scratch) const {
    RowGeometry g;
    g.size = canvas_.size;
    g.kmPerPixel = kmPerPixel_;
    g.y = (canvas_.size / 2.0 - (row + 0.5)) * kmPerPixel_;
    g.basis = basis_;
    g.sun = sun_;
    g.uScale = s_.day.width / (2 * std::numbers::pi);
    g.uOffset = s_.day.width / 2.0 - 0.5;
    g.vScale = s_.day.FullHeight() / std::numbers::pi;
    g.vOffset = s_.day.FullHeight() / 2.0 - 0.5;
    LocateRow(g, scratch.u.data(), scratch.v.data(), scratch.sunSine.data());
  }

  std::uint32_t Shade(std::uint32_t colour, const RowScratch& scratch, int col) const {
    const float light = DaylightFactor(scratch.sunSine[col]);
    if (light >= 1) return colour;
    colour = Scaled(colour, light);
    if (s_.night.pixels == nullptr) return colour;
    const std::uint32_t lights = Scaled(scratch.lights[col], 1 - light);
    // Channel by channel, each sum staying within 255 as the two weights add up to 1.
    return colour + lights;
  }

  const MapSampling& s_;
  MapCanvas canvas_;
  AzimuthalEquidistant::Basis<float> basis_;
  double kmPerPixel_;
  Vec3 sun_;
  float nightScaleU_, nightScaleV_;
};

}  // namespace

PictureRows PictureRowsNeeded(const GeoPoint& centre, double radiusKm, int height) {
  // No place of the map lies farther from the centre than its corners or the antipode, and
  // a place's latitude differs from the centre's by no more than its distance.
  const double farthest = std::min(kHalfCircumferenceKm, radiusKm * std::numbers::sqrt2) / kEarthRadiusKm;
  const double north = std::min(90.0, centre.lat + farthest / kRadiansPerDegree);
  const double south = std::max(-90.0, centre.lat - farthest / kRadiansPerDegree);
  const int first = std::max(0, static_cast<int>(std::floor((90 - north) / 180 * height)) - 2);
  const int last = std::min(height - 1, static_cast<int>(std::ceil((90 - south) / 180 * height)) + 1);
  return {first, std::max(0, last - first + 1)};
}

float DaylightFactor(double sinElevation) {
  // Steps at the horizon and at each twilight's end, each blended over about 0.3 degrees so
  // the bands' edges are smooth rather than stair-stepped.
  static const double kEdges[] = {0.0, std::sin(kCivilTwilight * kRadiansPerDegree),
                                  std::sin(kNauticalTwilight * kRadiansPerDegree),
                                  std::sin(kAstronomicalTwilight * kRadiansPerDegree)};
  static constexpr float kLevels[] = {1.0f, 0.72f, 0.55f, 0.42f, 0.3f};
  constexpr double kBlend = 0.0026;
  for (int k = 0; k < 4; ++k) {
    if (sinElevation >= kEdges[k] + kBlend) return kLevels[k];
    if (sinElevation > kEdges[k] - kBlend) {
      const auto t = static_cast<float>((sinElevation - (kEdges[k] - kBlend)) / (2 * kBlend));
      return kLevels[k + 1] + (kLevels[k] - kLevels[k + 1]) * t;
    }
  }
  return kLevels[4];
}

bool SampleMap(const MapSampling& sampling, const MapCanvas& canvas,
               const std::function<bool(double)>& progress) {
  const RowSampler sampler(sampling, canvas);
  const int threads = std::max(
      1, sampling.threads > 0 ? sampling.threads : static_cast<int>(std::thread::hardware_concurrency()));
  std::atomic<int> nextRow{0};
  std::atomic<int> rowsDone{0};
  std::atomic<bool> stop{false};
  std::mutex mutex;
  std::condition_variable finished;
  int running = threads;
  const auto work = [&] {
    RowScratch scratch(canvas.size);
    for (int first;
         !stop.load(std::memory_order_relaxed) && (first = nextRow.fetch_add(kRowsPerTake)) < canvas.size;) {
      const int last = std::min(first + kRowsPerTake, canvas.size);
      for (int row = first; row < last; ++row) sampler.Row(row, scratch);
      rowsDone.fetch_add(last - first, std::memory_order_relaxed);
    }
    const std::lock_guard lock(mutex);
    if (--running == 0) finished.notify_all();
  };
  std::vector<std::jthread> workers;
  for (int k = 0; k < threads; ++k) workers.emplace_back(work);
  std::unique_lock lock(mutex);
  while (!finished.wait_for(lock, std::chrono::milliseconds(50), [&] { return running == 0; })) {
    if (progress && !progress(static_cast<double>(rowsDone.load()) / canvas.size)) stop = true;
  }
  lock.unlock();
  workers.clear();
  if (stop) return false;
  return !progress || progress(1.0);
}
