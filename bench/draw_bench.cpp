// The raster painter alone on about a million short segments, as country outlines will give:
// 2000 closed wavy outlines of 500 points each, with a halo, on 8192 and 16384 pixel
// pictures; and the same outlines through QPainter onto an 8192 pixel picture, as the
// station map drew them before. `extra_MB`: the process's peak resident memory beyond the
// picture's own, while painting. Run: build/bench/draw_bench --benchmark_repetitions=3
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cmath>
#include <cstring>
#include <fstream>
#include <memory>
#include <random>
#include <string>

#include "draw/raster_painter.h"

namespace {

constexpr int kOutlines = 2000;
constexpr int kPointsPerOutline = 500;

// Outlines on a unit square, drawn the same at every size.
std::vector<std::vector<DrawPoint>> Outlines() {
  std::mt19937 random(18);
  std::uniform_real_distribution<double> place(0.02, 0.98), radius(0.004, 0.03), wave(0.0, 1.0);
  std::vector<std::vector<DrawPoint>> outlines(kOutlines);
  for (auto& outline : outlines) {
    const double cx = place(random), cy = place(random), r = radius(random);
    const double phase = wave(random) * 6.28, depth = 0.1 + 0.3 * wave(random);
    for (int k = 0; k < kPointsPerOutline; ++k) {
      const double angle = 6.283185307 * k / kPointsPerOutline;
      const double reach = r * (1 + depth * std::sin(7 * angle + phase) * std::cos(3 * angle));
      outline.push_back({cx + reach * std::cos(angle), cy + reach * std::sin(angle)});
    }
  }
  return outlines;
}

DrawList OutlineList(int size) {
  LineBatch batch;
  batch.style = {{255, 255, 255, 220}, 1.5, {3.5, 110}, {}};
  for (const auto& outline : Outlines()) {
    Polyline line{{}, true};
    for (const DrawPoint& p : outline) line.points.push_back({p.x * size, p.y * size});
    batch.lines.push_back(std::move(line));
  }
  DrawList list;
  list.items.emplace_back(std::move(batch));
  return list;
}

double ResidentMb() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0, resident = 0;
  statm >> pages >> resident;
  return resident * 4096.0 / (1 << 20);
}

double PeakResidentMb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss / 1024.0;
}

void BM_RasterOutlines(benchmark::State& state) {
  const int size = static_cast<int>(state.range(0));
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(size) * size * 3, 90);
  const DrawList list = OutlineList(size);
  const double before = ResidentMb();
  for (auto _ : state) {
    PaintRaster(list, {pixels.data(), size * 3, size, size, false}, {2, nullptr});
    benchmark::DoNotOptimize(pixels.data());
  }
  state.counters["segments"] = kOutlines * kPointsPerOutline;
  state.counters["extra_MB"] = PeakResidentMb() - before;
}
BENCHMARK(BM_RasterOutlines)->Arg(8192)->Arg(16384)->Unit(benchmark::kMillisecond)->UseRealTime();

// The painter the station map used before: a halo pass and a line pass per polyline.
void BM_QPainterOutlines(benchmark::State& state) {
  int argc = 1;
  char name[] = "draw_bench";
  char* argv[] = {name};
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication application(argc, argv);
  const int size = static_cast<int>(state.range(0));
  QImage image(size, size, QImage::Format_RGB888);
  image.fill(QColor(90, 90, 90));
  std::vector<QPolygonF> polygons;
  for (const auto& outline : Outlines()) {
    QPolygonF polygon;
    for (const DrawPoint& p : outline) polygon << QPointF(p.x * size, p.y * size);
    polygons.push_back(polygon);
  }
  for (auto _ : state) {
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    for (const bool halo : {true, false}) {
      painter.setPen(QPen(halo ? QColor(0, 0, 0, 110) : QColor(255, 255, 255, 220), halo ? 3.5 : 1.5,
                          Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
      for (const QPolygonF& polygon : polygons) painter.drawPolygon(polygon);
    }
  }
}
BENCHMARK(BM_QPainterOutlines)->Arg(8192)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

}  // namespace

// The map's own broad lines at a poster's size: 36 spokes from the centre to the edge over a
// casing, as an 8192 pixel map draws them.
void BM_RasterSpokes(benchmark::State& state) {
  const int size = static_cast<int>(state.range(0));
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(size) * size * 3, 90);
  LineBatch batch;
  const double unit = 1200 * std::sqrt(size / 1200.0) / 600;
  batch.style = {{255, 255, 255, 210}, 1.0 * unit, {2.5 * unit, 110}, {}};
  for (int k = 0; k < 36; ++k) {
    const double angle = k * 6.283185307 / 36;
    batch.lines.push_back(
        {{{size / 2.0, size / 2.0}, {size / 2.0 * (1 + std::cos(angle)), size / 2.0 * (1 + std::sin(angle))}},
         false});
  }
  DrawList list;
  list.items.emplace_back(std::move(batch));
  for (auto _ : state) {
    PaintRaster(list, {pixels.data(), size * 3, size, size, false}, {2, nullptr});
    benchmark::DoNotOptimize(pixels.data());
  }
}
BENCHMARK(BM_RasterSpokes)->Arg(8192)->Unit(benchmark::kMillisecond)->UseRealTime();
