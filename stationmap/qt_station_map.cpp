#include <QBuffer>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <algorithm>
#include <chrono>
#include <functional>
#include <vector>

#include "base/memory_policy.h"
#include "base/posix_file_store.h"
#include "geo/map_sampler.h"
#include "geo/sun.h"
#include "mapout/map_files.h"
#include "stationmap/map_file_checks.h"
#include "stationmap/map_picture_file.h"
#include "stationmap/overlay_plan.h"
#include "stationmap/qt_overlay_painter.h"
#include "stationmap/station_map.h"

namespace {

using SteadyClock = std::chrono::steady_clock;

double MillisecondsSince(SteadyClock::time_point start) {
  return std::chrono::duration<double, std::milli>(SteadyClock::now() - start).count();
}

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

// An equirectangular picture as 0xffRRGGBB pixels, or the problem naming `option`.
// With `centre` and `radiusKm`, only the rows the map needs are decoded; `picture` tells
// which.
std::string LoadEarthPicture(const std::string& path, const char* option, QImage& image,
                             EarthPicture& picture, const GeoPoint* centre = nullptr, double radiusKm = 0) {
  const QString name = QString::fromStdString(path);
  const QFileInfo info(name);
  const std::string at = std::string(option) + ": " + Quoted(path);
  if (!info.exists()) return at + " does not exist";
  if (info.isDir()) return at + " is a folder, not a picture";
  if (!info.isReadable()) return at + " cannot be read (permission denied)";
  QImageReader reader(name);
  if (!reader.canRead()) return at + " is not a picture this program can read";
  const QSize size = reader.size();
  if (size.isValid() && size.width() != 2 * size.height()) {
    return at + " is " + std::to_string(size.width()) + " x " + std::to_string(size.height()) +
           " pixels; an Earth picture is twice as wide as high (2:1)";
  }
  PictureRows rows{0, size.height()};
  if (centre != nullptr && size.isValid()) {
    rows = PictureRowsNeeded(*centre, radiusKm, size.height());
    reader.setClipRect(QRect(0, rows.first, size.width(), rows.count));
  }
  if (!reader.read(&image)) return at + " cannot be read: " + reader.errorString().toStdString();
  if (!size.isValid()) {
    if (image.width() != 2 * image.height()) return at + " is not twice as wide as high (2:1)";
    rows = {0, image.height()};
  }
  if (image.height() != rows.count) return at + " cannot be read whole";
  image.convertTo(QImage::Format_RGB32);
  picture = {reinterpret_cast<const std::uint32_t*>(image.constBits()), image.width(), image.height(),
             rows.first, size.isValid() ? size.height() : image.height()};
  return {};
}

// The encoded picture file, or the problem.
std::string EncodeCompressed(const QImage& image, MapPictureKind kind, std::string& bytes) {
  QByteArray encoded;
  QBuffer buffer(&encoded);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, kind == MapPictureKind::Png ? "png" : "jpeg");
  // For PNG the quality sets zlib's effort: a low level packs a map nearly as tight in a
  // fraction of the default's time.
  writer.setQuality(kind == MapPictureKind::Jpeg ? 92 : 70);
  if (!writer.write(image))
    return "--out: the picture could not be encoded: " + writer.errorString().toStdString();
  bytes.assign(encoded.constData(), static_cast<std::size_t>(encoded.size()));
  return {};
}

}  // namespace

StationMapResult MakeStationMap(const StationMapRequest& request, const StationMapProgress& progress,
                                FileStore* fileStore) {
  GiveLargeBlocksBackToTheSystem();
  PosixFileStore posixFiles;
  FileStore& files = fileStore != nullptr ? *fileStore : posixFiles;
  StationMapResult result;
  // False once the caller asks to stop.
  const auto report = [&](std::string_view phase, double fraction) {
    return !progress || progress(phase, fraction);
  };
  const auto fail = [&](std::string problem) {
    result.problem = std::move(problem);
    return result;
  };
  const auto stopped = [&] {
    result.stopped = true;
    return fail("stopped before the map was stored");
  };
  if (std::string problem = CheckStationMapRequest(request); !problem.empty()) return fail(problem);
  if (std::string problem = CheckMapFiles(request, files); !problem.empty()) return fail(problem);
  result.picturePath = request.outPath;
  result.sidePath = SideFilePathOf(request.outPath);
  if (request.target) result.targetLine = TargetLine(request.centre, *request.target);

  auto start = SteadyClock::now();
  if (!report("Decoding", 0)) return stopped();
  QImage day, night;
  MapSampling sampling;
  if (std::string problem = LoadEarthPicture(request.imagePath, "--image", day, sampling.day, &request.centre,
                                             request.radiusKm);
      !problem.empty()) {
    return fail(problem);
  }
  if (!request.nightImagePath.empty()) {
    if (std::string problem =
            LoadEarthPicture(request.nightImagePath, "--night-image", night, sampling.night);
        !problem.empty()) {
      return fail(problem);
    }
  }
  result.timings.decode = MillisecondsSince(start);

  start = SteadyClock::now();
  if (!report("Projecting", 0)) return stopped();
  const MapPictureKind kind = PictureKindOf(request.outPath);
  MapCanvas canvas;
  std::string bmpFile;
  QImage image;
  if (kind == MapPictureKind::Bmp) {
    bmpFile = MakeBmpFile(request.size, canvas);
    // The rows as stored, bottom row first: the overlays are painted upside down onto them.
    image = QImage(canvas.top + canvas.stride * (request.size - 1), request.size, request.size,
                   -canvas.stride, QImage::Format_BGR888);
  } else {
    image = QImage(request.size, request.size, QImage::Format_RGB888);
    if (image.isNull())
      return fail("--size: no memory for a picture of " + std::to_string(request.size) + " pixels");
    canvas = {image.bits(), image.bytesPerLine(), request.size, false};
  }
  sampling.centre = request.centre;
  sampling.radiusKm = request.radiusKm;
  sampling.threads = request.threads;
  if (request.unixTime) sampling.subSolar = SubSolarPoint(*request.unixTime);
  if (!SampleMap(sampling, canvas, [&](double fraction) { return report("Projecting", fraction); }))
    return stopped();
  day = QImage();
  night = QImage();
  result.timings.projection = MillisecondsSince(start);

  start = SteadyClock::now();
  const OverlayPlan plan = PlanOverlays(request, LabelPixels(request.size) * 1.2);
  if (!plan.Empty()) {
    if (!report("Marking", 0)) return stopped();
    PaintOverlays(image, kind == MapPictureKind::Bmp, plan, LabelFontFamily());
  }
  result.timings.overlays = MillisecondsSince(start);

  start = SteadyClock::now();
  if (!report("Storing", 0)) return stopped();
  std::string compressed;
  if (kind != MapPictureKind::Bmp) {
    if (std::string problem = EncodeCompressed(image, kind, compressed); !problem.empty())
      return fail(problem);
    image = QImage();
  }
  // The picture first, as the window stores its pairs; both are whole and synced before
  // either takes its name.
  const std::string sideText = MapSideFileText(request.centre, request.radiusKm);
  const std::vector<WholeFile> pair{{result.picturePath, kind == MapPictureKind::Bmp ? bmpFile : compressed},
                                    {result.sidePath, sideText}};
  WriteFailure failure;
  if (!files.WriteWholeFiles(pair, &failure, [&] { return !report("Storing", 0); })) {
    if (failure.stopped) return stopped();
    return fail("--out: " +
                DescribeWriteFailure(pair[std::min(failure.file, pair.size() - 1)].path, failure));
  }
  result.timings.encode = MillisecondsSince(start);
  report("Storing", 1);
  result.ok = true;
  return result;
}
