#include "geo/map_sampler.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "geo/azimuthal.h"
#include "geo/fast_angles.h"
#include "geo/sun.h"

namespace {

constexpr int kRowsPerTake = 8;

// u and v count texels from the picture's left and top edges, 0.5 at the first texel's middle
// less a half: (0, 0) is the middle of the top-left texel. Weights in 1/256, red and blue
// blended together in one word, green in another.
std::uint32_t Bilinear(const EarthPicture& picture, double u, double v) {
  const double uFloor = std::floor(u), vFloor = std::floor(v);
  const auto wx = static_cast<std::uint32_t>((u - uFloor) * 256),
             wy = static_cast<std::uint32_t>((v - vFloor) * 256);
  int x0 = static_cast<int>(uFloor), y0 = static_cast<int>(vFloor);
  // Across the antimeridian the picture wraps round; above and below it ends at its edge rows.
  x0 = x0 < 0 ? x0 + picture.width : (x0 >= picture.width ? x0 - picture.width : x0);
  const int x1 = x0 + 1 == picture.width ? 0 : x0 + 1;
  y0 -= picture.firstRow;
  const int y1 = std::clamp(y0 + 1, 0, picture.height - 1);
  y0 = std::clamp(y0, 0, picture.height - 1);
  const std::uint32_t* row0 = picture.pixels + static_cast<std::ptrdiff_t>(y0) * picture.width;
  const std::uint32_t* row1 = picture.pixels + static_cast<std::ptrdiff_t>(y1) * picture.width;
  const auto blend = [](std::uint32_t p, std::uint32_t q, std::uint32_t w) {
    const std::uint32_t rb = ((p & 0xFF00FF) * (256 - w) + (q & 0xFF00FF) * w + 0x800080) >> 8 & 0xFF00FF;
    const std::uint32_t g = ((p & 0xFF00) * (256 - w) + (q & 0xFF00) * w + 0x8000) >> 8 & 0xFF00;
    return rb | g;
  };
  return blend(blend(row0[x0], row0[x1], wx), blend(row1[x0], row1[x1], wx), wy);
}

std::uint32_t Scaled(std::uint32_t pixel, float factor) {
  const auto weight = static_cast<std::uint32_t>(factor * 256);
  return ((pixel & 0xFF00FF) * weight >> 8 & 0xFF00FF) | ((pixel & 0xFF00) * weight >> 8 & 0xFF00);
}

struct RowGeometry {
  int size;
  double kmPerPixel, y;
  Vec3 centre, east, north, sun;
  double uScale, uOffset, vScale, vOffset;
};

// The inverse projection of every pixel of a row, in one loop without branches that the
// compiler runs several pixels at a time (four where the processor has AVX2, picked when the
// program starts): picture coordinates and the sine of the sun's elevation.
__attribute__((target_clones("arch=x86-64-v3", "default"))) void LocateRow(const RowGeometry g,
                                                                           double* __restrict u,
                                                                           double* __restrict v,
                                                                           double* __restrict sunSine) {
  const double half = g.size / 2.0;
  const double perKm = 1 / kEarthRadiusKm;
  for (int col = 0; col < g.size; ++col) {
    const double x = (col + 0.5 - half) * g.kmPerPixel;
    const double rho = std::sqrt(x * x + g.y * g.y);
    const double c = rho * perKm;
    double sinC, cosC;
    FastSinCos(c < std::numbers::pi ? c : std::numbers::pi, sinC, cosC);
    // At the centre x and y are 0, whatever `along` is.
    const double along = sinC / (rho > 1e-300 ? rho : 1e-300);
    const double ex = x * along, ny = g.y * along;
    const double px = cosC * g.centre.x + ex * g.east.x + ny * g.north.x;
    const double py = cosC * g.centre.y + ex * g.east.y + ny * g.north.y;
    const double pz = cosC * g.centre.z + ex * g.east.z + ny * g.north.z;
    u[col] = FastAtan2(py, px) * g.uScale + g.uOffset;
    v[col] = g.vOffset - FastAtan2(pz, std::sqrt(px * px + py * py)) * g.vScale;
    sunSine[col] = px * g.sun.x + py * g.sun.y + pz * g.sun.z;
  }
}

// Where each pixel of a row takes its colour from: picture coordinates and, for the night
// side, the sine of the sun's elevation.
struct RowScratch {
  std::vector<double> u, v, sunSine;
  explicit RowScratch(int size) : u(size), v(size), sunSine(size) {}
};

class RowSampler {
 public:
  RowSampler(const MapSampling& sampling, const MapCanvas& canvas)
      : s_(sampling),
        canvas_(canvas),
        projection_(sampling.centre),
        kmPerPixel_(2 * sampling.radiusKm / canvas.size),
        sun_(sampling.subSolar ? UnitVector(*sampling.subSolar) : Vec3{}) {}

  void Row(int row, RowScratch& scratch) const {
    Locate(row, scratch);
    std::uint8_t* out = canvas_.top + canvas_.stride * row;
    const int red = canvas_.bgr ? 2 : 0, blue = canvas_.bgr ? 0 : 2;
    const double half = canvas_.size / 2.0;
    const double y = (half - (row + 0.5)) * kmPerPixel_;
    const double limit = kHalfCircumferenceKm * kHalfCircumferenceKm;
    for (int col = 0; col < canvas_.size; ++col, out += 3) {
      const double x = (col + 0.5 - half) * kmPerPixel_;
      std::uint32_t colour = s_.background;
      if (x * x + y * y <= limit) {
        colour = Bilinear(s_.day, scratch.u[col], scratch.v[col]);
        if (s_.subSolar) colour = Shade(colour, scratch, col);
      }
      out[red] = static_cast<std::uint8_t>(colour >> 16);
      out[1] = static_cast<std::uint8_t>(colour >> 8);
      out[blue] = static_cast<std::uint8_t>(colour);
    }
  }

 private:
  void Locate(int row, RowScratch& scratch) const {
    RowGeometry g;
    g.size = canvas_.size;
    g.kmPerPixel = kmPerPixel_;
    g.y = (canvas_.size / 2.0 - (row + 0.5)) * kmPerPixel_;
    g.centre = projection_.CentreVector();
    g.east = projection_.East();
    g.north = projection_.North();
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
    const double nightU = (scratch.u[col] + 0.5) * s_.night.width / s_.day.width - 0.5;
    const double nightV = (scratch.v[col] + 0.5) * s_.night.FullHeight() / s_.day.FullHeight() - 0.5;
    const std::uint32_t lights = Scaled(Bilinear(s_.night, nightU, nightV), 1 - light);
    // Channel by channel, each sum staying within 255 as the two weights add up to 1.
    return colour + lights;
  }

  const MapSampling& s_;
  MapCanvas canvas_;
  AzimuthalEquidistant projection_;
  double kmPerPixel_;
  Vec3 sun_;
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

void SampleMap(const MapSampling& sampling, const MapCanvas& canvas,
               const std::function<void(double)>& progress) {
  const RowSampler sampler(sampling, canvas);
  const int threads = std::max(
      1, sampling.threads > 0 ? sampling.threads : static_cast<int>(std::thread::hardware_concurrency()));
  std::atomic<int> nextRow{0};
  std::atomic<int> rowsDone{0};
  std::mutex mutex;
  std::condition_variable finished;
  int running = threads;
  const auto work = [&] {
    RowScratch scratch(canvas.size);
    for (int first; (first = nextRow.fetch_add(kRowsPerTake)) < canvas.size;) {
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
    if (progress) progress(static_cast<double>(rowsDone.load()) / canvas.size);
  }
  lock.unlock();
  workers.clear();
  if (progress) progress(1.0);
}
