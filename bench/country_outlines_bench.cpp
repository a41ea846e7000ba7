// The country outlines' share of a station map: loading the prepared copy from the cache, and
// choosing, projecting and simplifying what two maps show: Europe around Berlin at 3340 km on
// 1182 pixels (the size of GMT's "gmt coast -JE13.4/52.5/10c -R-3340/3340/-3340/3340+uk -Dl
// -W0.5p -N1/0.5p -png out" at 300 dpi) and the whole Earth on 16384 pixels. Preparing the
// copy from the chart, done once per state of gmt-dcw, is timed too. The copy goes to
// <build>/bench-cache, never to the user's cache.
// Run: build/bench/country_outlines_bench --benchmark_repetitions=9
//   --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>

#include "base/posix_file_store.h"
#include "geodata/prepare/outline_preparation.h"

namespace {

const std::string kCacheFolder = std::string(SKERROWEN_BINARY_DIR) + "/bench-cache";

OutlineLoad Load() {
  PosixFileStore files;
  return LoadCountryOutlines({kDcwPath, kCacheFolder}, files);
}

// Prepared once, before the first benchmark that reads the cache.
const CountryOutlines* Prepared() {
  static const OutlineLoad load = Load();
  return load.outlines.get();
}

struct MapCase {
  GeoPoint centre;
  double radiusKm;
  int sizePx;
};

constexpr MapCase kBerlin{{52.5, 13.4}, 3340, 1182};
constexpr MapCase kBerlin8192{{52.5, 13.4}, 3340, 8192};
constexpr MapCase kBerlin16384{{52.5, 13.4}, 3340, 16384};
constexpr MapCase kWholeEarth{{52.5, 13.4}, 20038, 16384};
// The antipode on land: China round the whole rim.
constexpr MapCase kWholeEarthFromArgentina{{-39.9, -63.6}, 20038, 16384};

void Outline(benchmark::State& state, const CountryOutlines& outlines, const MapCase& map) {
  const AzimuthalEquidistant projection(map.centre);
  const double kmPerPx = map.radiusKm / (map.sizePx / 2.0);
  std::size_t pieces = 0, points = 0;
  outlines.ForEachOnMap(projection, map.radiusKm * std::sqrt(2.0), kmPerPx / 2,
                        [&](std::span<const PlanePoint> line) {
                          ++pieces;
                          points += line.size();
                        });
  state.counters["pieces"] = static_cast<double>(pieces);
  state.counters["points"] = static_cast<double>(points);
}

void BM_PrepareFromChart(benchmark::State& state) {
  PosixFileStore files;
  for (auto _ : state) {
    const OutlineLoad load = LoadCountryOutlines({kDcwPath, ""}, files);
    if (!load.outlines) state.SkipWithError("gmt-dcw is not installed");
  }
}
BENCHMARK(BM_PrepareFromChart)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_LoadFromCache(benchmark::State& state) {
  if (Prepared() == nullptr) return state.SkipWithError("gmt-dcw is not installed");
  for (auto _ : state) {
    const OutlineLoad load = Load();
    if (load.cache != OutlineCacheUse::Read) state.SkipWithError(load.cacheDetail.c_str());
  }
}
BENCHMARK(BM_LoadFromCache)->Unit(benchmark::kMillisecond);

void BM_BerlinLoadAndOutline(benchmark::State& state) {
  if (Prepared() == nullptr) return state.SkipWithError("gmt-dcw is not installed");
  for (auto _ : state) {
    const OutlineLoad load = Load();
    Outline(state, *load.outlines, kBerlin);
  }
}
BENCHMARK(BM_BerlinLoadAndOutline)->Unit(benchmark::kMillisecond);

void BM_BerlinOutline(benchmark::State& state) {
  if (Prepared() == nullptr) return state.SkipWithError("gmt-dcw is not installed");
  for (auto _ : state) Outline(state, *Prepared(), kBerlin);
}
BENCHMARK(BM_BerlinOutline)->Unit(benchmark::kMillisecond);

void BM_Berlin8192Outline(benchmark::State& state) {
  if (Prepared() == nullptr) return state.SkipWithError("gmt-dcw is not installed");
  for (auto _ : state) Outline(state, *Prepared(), kBerlin8192);
}
BENCHMARK(BM_Berlin8192Outline)->Unit(benchmark::kMillisecond);

void BM_Berlin16384Outline(benchmark::State& state) {
  if (Prepared() == nullptr) return state.SkipWithError("gmt-dcw is not installed");
  for (auto _ : state) Outline(state, *Prepared(), kBerlin16384);
}
BENCHMARK(BM_Berlin16384Outline)->Unit(benchmark::kMillisecond);

void BM_WholeEarthFromArgentina16384Outline(benchmark::State& state) {
  if (Prepared() == nullptr) return state.SkipWithError("gmt-dcw is not installed");
  for (auto _ : state) Outline(state, *Prepared(), kWholeEarthFromArgentina);
}
BENCHMARK(BM_WholeEarthFromArgentina16384Outline)->Unit(benchmark::kMillisecond);

void BM_WholeEarth16384Outline(benchmark::State& state) {
  if (Prepared() == nullptr) return state.SkipWithError("gmt-dcw is not installed");
  for (auto _ : state) Outline(state, *Prepared(), kWholeEarth);
}
BENCHMARK(BM_WholeEarth16384Outline)->Unit(benchmark::kMillisecond);

}  // namespace
