// Earth pictures decoded and map pictures encoded, through Qt (as the station maps did) and
// through the picture codec: the shipped 2048 x 1024 picture (<build>/earth.jpg), a
// 21600 x 10800 one made from it once with gdal_translate (<build>/earth-21600.jpg, about 30 s
// the first time), and maps of 557, 4096 and 16384 pixels as PNG and JPEG.
// Run: build/bench/picture_codec_bench --benchmark_repetitions=5
//   --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <numbers>
#include <string>

#include "imagecodec/earth_picture_reader.h"
#include "imagecodec/map_encoding.h"
#include "imagecodec/qt_picture_decoder.h"

namespace {

const std::string kShipped = SKERROWEN_BINARY_DIR "/earth.jpg";
const std::string kLarge = SKERROWEN_BINARY_DIR "/earth-21600.jpg";

bool MakeLargePicture() {
  if (std::filesystem::exists(kLarge)) return true;
  const std::string command = "gdal_translate -q -outsize 21600 10800 -r bilinear -of JPEG -co QUALITY=90 '" +
                              kShipped + "' '" + kLarge + ".part' && mv '" + kLarge + ".part' '" + kLarge +
                              "'";
  return std::system(command.c_str()) == 0;
}

// Map pixels per turn round the Earth for a 557-pixel map of `radiusKm`.
double PixelsPerTurn(double radiusKm) { return 2 * std::numbers::pi * 6371.0 / (2 * radiusKm / 557); }

// The rows a 557-pixel map around 52.5 N needs, as the station maps work them out.
PictureNeed NeedAround52North(int height, double radiusKm) {
  const double reach = std::min(180.0, radiusKm * std::numbers::sqrt2 / 6371.0 * 180 / std::numbers::pi);
  const double north = std::min(90.0, 52.5 + reach), south = std::max(-90.0, 52.5 - reach);
  const int first = std::max(0, static_cast<int>((90 - north) / 180 * height) - 2);
  const int last = std::min(height - 1, static_cast<int>((90 - south) / 180 * height) + 2);
  return {first, last - first + 1, PixelsPerTurn(radiusKm)};
}

void QtDecode(benchmark::State& state, const std::string& path) {
  if (path == kLarge && !MakeLargePicture()) return state.SkipWithError("no gdal_translate");
  for (auto _ : state) {
    QImageReader reader(QString::fromStdString(path));
    reader.setAllocationLimit(0);
    QImage image = reader.read();
    image.convertTo(QImage::Format_RGB32);
    if (image.isNull()) return state.SkipWithError("Qt read nothing");
    benchmark::DoNotOptimize(image.constBits());
  }
}

void CodecDecode(benchmark::State& state, const std::string& path, double radiusKm) {
  if (path == kLarge && !MakeLargePicture()) return state.SkipWithError("no gdal_translate");
  for (auto _ : state) {
    EarthPictureReader reader(OpenQtPictureDecoder);
    DecodedPicture picture;
    if (!reader.Open(path) ||
        !reader.Decode(radiusKm > 0 ? NeedAround52North(reader.Height(), radiusKm) : PictureNeed{},
                       picture)) {
      return state.SkipWithError("the codec read nothing");
    }
    benchmark::DoNotOptimize(picture.pixels);
    state.counters["decoded_rows"] = picture.rowCount;
    state.counters["scale"] = 1.0 / picture.scaleDenominator;
  }
}

BENCHMARK_CAPTURE(QtDecode, shipped_whole, kShipped)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(CodecDecode, shipped_whole, kShipped, 0.0)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(CodecDecode, shipped_557px_3340km, kShipped, 3340.0)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(QtDecode, large_whole, kLarge)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(CodecDecode, large_whole, kLarge, 0.0)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(CodecDecode, large_557px_3340km, kLarge, 3340.0)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(CodecDecode, large_557px_whole_earth, kLarge, 20038.0)->Unit(benchmark::kMillisecond);

// The shipped picture stretched to a square map of `size`, made once per size.
const QImage& MapOf(int size) {
  static std::map<int, QImage> maps;
  QImage& map = maps[size];
  if (map.isNull()) {
    map = QImage(QString::fromStdString(kShipped))
              .scaled(size, size, Qt::IgnoreAspectRatio, Qt::FastTransformation)
              .convertToFormat(QImage::Format_RGB888);
  }
  return map;
}

void QtEncode(benchmark::State& state, bool png) {
  const QImage& map = MapOf(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    QByteArray encoded;
    QBuffer buffer(&encoded);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, png ? "png" : "jpeg");
    writer.setQuality(png ? 70 : 92);
    writer.write(map);
    std::string bytes(encoded.constData(), static_cast<std::size_t>(encoded.size()));
    state.counters["bytes"] = static_cast<double>(bytes.size());
  }
}

void CodecEncode(benchmark::State& state, bool png) {
  const QImage& map = MapOf(static_cast<int>(state.range(0)));
  const RgbRows rows{map.constBits(), map.bytesPerLine(), map.width(), map.height(), false};
  for (auto _ : state) {
    std::string bytes;
    EncodeProblem problem;
    if (!(png ? EncodePng(rows, {}, bytes, problem) : EncodeJpeg(rows, {}, bytes, problem)))
      return state.SkipWithError("the codec encoded nothing");
    state.counters["bytes"] = static_cast<double>(bytes.size());
  }
}

void Sizes(benchmark::internal::Benchmark* benchmark) {
  benchmark->Unit(benchmark::kMillisecond)->UseRealTime()->Arg(557)->Arg(4096);
}

BENCHMARK_CAPTURE(QtEncode, png, true)->Apply(Sizes);
BENCHMARK_CAPTURE(CodecEncode, png, true)->Apply(Sizes);
BENCHMARK_CAPTURE(QtEncode, jpeg, false)->Apply(Sizes);
BENCHMARK_CAPTURE(CodecEncode, jpeg, false)->Apply(Sizes);
BENCHMARK_CAPTURE(QtEncode, png, true)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Arg(16384)
    ->Iterations(1);
BENCHMARK_CAPTURE(CodecEncode, png, true)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Arg(16384)
    ->Iterations(1);
BENCHMARK_CAPTURE(QtEncode, jpeg, false)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Arg(16384)
    ->Iterations(1);
BENCHMARK_CAPTURE(CodecEncode, jpeg, false)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Arg(16384)
    ->Iterations(1);

}  // namespace
